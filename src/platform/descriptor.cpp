// Closing descriptors once, whichever way their owner ends.
#include "platform/descriptor.h"

#include "platform/file_failure.h"

#include <cerrno>
#include <unistd.h>

namespace solvina {

Descriptor::~Descriptor() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    if (this != &other) {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
        m_descriptor = std::exchange(other.m_descriptor, -1);
    }
    return *this;
}

Status Descriptor::close(const std::string& path) {
    const int descriptor = std::exchange(m_descriptor, -1);
    if (descriptor < 0)
        return fileFailure(EBADF, path);
    // On Linux the descriptor is released even when close reports EINTR; never retry.
    if (::close(descriptor) != 0 && errno != EINTR)
        return fileFailure(errno, path);
    return {};
}

} // namespace solvina
