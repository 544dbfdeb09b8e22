// A web browser started in a window of its own, which reports when it is closed.
#pragma once

#include "platform/result.h"

#include <functional>
#include <string>

namespace solvina {

class Browser {
public:
    virtual ~Browser() = default;
    // Opens target (a file path or a web address) in a new browser window. onQuit is called on
    // the user-interface thread when that window's browser ends. Returns an id for the instance.
    virtual Result<int> open(const std::string& target, std::function<void()> onQuit) = 0;
};

} // namespace solvina
