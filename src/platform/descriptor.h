// An open POSIX file descriptor that closes itself on every path; move-only.
#pragma once

#include "platform/result.h"

#include <string>
#include <utility>

namespace solvina {

class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int descriptor) : m_descriptor(descriptor) {}
    // Closes a descriptor still open, ignoring the outcome: a path that must know whether the
    // bytes reached the disk calls close() itself.
    ~Descriptor();
    Descriptor(Descriptor&& other) noexcept : m_descriptor(std::exchange(other.m_descriptor, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_descriptor; }
    bool isOpen() const { return m_descriptor >= 0; }

    // Closes now and reports a failure of the close itself (a late write error); path names
    // the file in the message.
    Status close(const std::string& path);

private:
    int m_descriptor = -1;
};

} // namespace solvina
