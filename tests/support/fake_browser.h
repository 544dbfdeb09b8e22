// A Browser fake for tests: records what was opened and lets a test close an instance.
#pragma once

#include "platform/browser.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace solvina::test_support {

class FakeBrowser : public Browser {
public:
    std::vector<std::string> opened;
    // When set, open fails with this description.
    std::string failure;

    Result<int> open(const std::string& target, std::function<void()> onQuit) override {
        if (!failure.empty())
            return fail(failure);
        opened.push_back(target);
        m_quitHandlers[++m_lastId] = std::move(onQuit);
        return m_lastId;
    }

    // The user closes the browser window of instance id.
    void quit(int id) {
        auto handler = m_quitHandlers.find(id);
        if (handler == m_quitHandlers.end())
            return;
        auto onQuit = std::move(handler->second);
        m_quitHandlers.erase(handler);
        if (onQuit)
            onQuit();
    }

private:
    std::map<int, std::function<void()>> m_quitHandlers;
    int m_lastId = 0;
};

} // namespace solvina::test_support
