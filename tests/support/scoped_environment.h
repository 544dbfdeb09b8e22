// An environment variable set for the life of a test, then put back as it was.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace solvina::test_support {

class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::string& value) : m_name(std::move(name)) {
        if (const char* old = std::getenv(m_name.c_str()))
            m_old = old;
        set(value);
    }
    ~ScopedEnvironment() {
        if (m_old)
            ::setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void set(const std::string& value) { ::setenv(m_name.c_str(), value.c_str(), 1); }

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

} // namespace solvina::test_support
