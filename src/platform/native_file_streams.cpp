// Input and output files on POSIX descriptors.
#include "platform/native_file_streams.h"

#include "platform/file_failure.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace solvina {
namespace {

constexpr std::size_t kOutputBufferSize = 64 * 1024;

class NativeInputFile final : public InputFile {
public:
    NativeInputFile(int descriptor, std::string path)
        : m_descriptor(descriptor), m_path(std::move(path)) {}
    ~NativeInputFile() override { ::close(m_descriptor); }
    NativeInputFile(const NativeInputFile&) = delete;
    NativeInputFile& operator=(const NativeInputFile&) = delete;

    Result<std::size_t> read(char* buffer, std::size_t size) override {
        for (;;) {
            ssize_t count = ::read(m_descriptor, buffer, size);
            if (count >= 0)
                return static_cast<std::size_t>(count);
            if (errno != EINTR)
                return readFailure(errno, m_path);
        }
    }

private:
    int m_descriptor;
    std::string m_path;
};

class NativeOutputFile final : public OutputFile {
public:
    NativeOutputFile(int descriptor, std::string path)
        : m_descriptor(descriptor), m_path(std::move(path)) {
        m_buffer.reserve(kOutputBufferSize);
    }
    ~NativeOutputFile() override {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    NativeOutputFile(const NativeOutputFile&) = delete;
    NativeOutputFile& operator=(const NativeOutputFile&) = delete;

    Status write(std::string_view bytes) override {
        if (Status usable = checkUsable(); !usable)
            return usable;
        if (m_buffer.size() + bytes.size() <= kOutputBufferSize) {
            m_buffer.append(bytes);
            return {};
        }
        if (Status flushed = flush(); !flushed)
            return flushed;
        if (bytes.size() >= kOutputBufferSize)
            return remember(writeAllBytes(m_descriptor, bytes, m_path));
        m_buffer.append(bytes);
        return {};
    }

    Status close() override {
        if (Status usable = checkUsable(); !usable)
            return usable;
        Status flushed = flush();
        int descriptor = m_descriptor;
        m_descriptor = -1;
        Status closed = closeDescriptor(descriptor, m_path);
        if (!flushed)
            return flushed;
        return remember(std::move(closed));
    }

private:
    Status checkUsable() {
        if (!m_failure.empty())
            return fail(m_failure);
        if (m_descriptor < 0)
            return fileFailure(EBADF, m_path);
        return {};
    }

    Status flush() {
        if (m_buffer.empty())
            return {};
        Status written = writeAllBytes(m_descriptor, m_buffer, m_path);
        m_buffer.clear();
        return remember(std::move(written));
    }

    // A stream that failed once stays failed: later bytes would leave a gap in the file.
    Status remember(Status status) {
        if (!status)
            m_failure = status.error();
        return status;
    }

    int m_descriptor;
    std::string m_path;
    std::string m_buffer;
    std::string m_failure;
};

// Closes the descriptor and fails unless it is a regular file. O_NONBLOCK may stay: it has no
// effect on a regular file's reads and writes.
Status keepOnlyRegular(int descriptor, const std::string& path, const char* notRegularText) {
    struct stat info;
    if (::fstat(descriptor, &info) != 0) {
        int error = errno;
        ::close(descriptor);
        return fileFailure(error, path);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(descriptor);
        return fail(describeWithPath(notRegularText, path));
    }
    return {};
}

} // namespace

Status writeAllBytes(int descriptor, std::string_view bytes, const std::string& path) {
    while (!bytes.empty()) {
        ssize_t count = ::write(descriptor, bytes.data(), bytes.size());
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return fileFailure(errno, path);
        }
        if (count == 0)
            return fileFailure(ENOSPC, path);
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return {};
}

Status closeDescriptor(int descriptor, const std::string& path) {
    // On Linux the descriptor is released even when close reports EINTR; never retry.
    if (::close(descriptor) != 0 && errno != EINTR)
        return fileFailure(errno, path);
    return {};
}

Result<std::unique_ptr<InputFile>> openNativeInput(const std::string& path) {
    int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return readFailure(errno, path);
    if (Status regular = keepOnlyRegular(descriptor, path, kFileNotFoundText); !regular)
        return std::move(regular).takeError();
    return std::unique_ptr<InputFile>(std::make_unique<NativeInputFile>(descriptor, path));
}

Result<int> openRegularForWriting(const std::string& path, LinkHandling links) {
    // O_NONBLOCK keeps a FIFO without reader from hanging the program (it fails with ENXIO).
    // The file is emptied only once it is known to be a regular file of this name alone.
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK;
    if (links != LinkHandling::Follow)
        flags |= O_NOFOLLOW;
    // Usually nothing has the name yet: a file made here is regular, empty and of this name
    // alone, so it needs none of the checks below.
    int descriptor = ::open(path.c_str(), flags | O_EXCL, 0666);
    if (descriptor >= 0)
        return descriptor;
    descriptor = ::open(path.c_str(), flags, 0666);
    if (descriptor < 0 && errno == ELOOP && links == LinkHandling::Replace) {
        // The link itself is replaced by the new file; what it points to stays untouched.
        struct stat info;
        if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
            ::unlink(path.c_str()) == 0)
            descriptor = ::open(path.c_str(), flags, 0666);
        else
            errno = ELOOP;
    }
    if (descriptor < 0)
        return fileFailure(errno, path);
    if (Status regular = keepOnlyRegular(descriptor, path, kNotWritableText); !regular)
        return std::move(regular).takeError();
    // A file with other names (a hard link planted, or made by the owner) is not emptied: the
    // other names, perhaps outside the site, would lose their bytes too. This name gets a new
    // file of its own.
    struct stat info;
    if (::fstat(descriptor, &info) == 0 && info.st_nlink > 1) {
        ::close(descriptor);
        if (::unlink(path.c_str()) != 0)
            return fileFailure(errno, path);
        descriptor = ::open(path.c_str(), flags | O_EXCL | O_NOFOLLOW, 0666);
        if (descriptor < 0)
            return fileFailure(errno, path);
        if (Status regular = keepOnlyRegular(descriptor, path, kNotWritableText); !regular)
            return std::move(regular).takeError();
    }
    if (::ftruncate(descriptor, 0) != 0) {
        int error = errno;
        ::close(descriptor);
        return fileFailure(error, path);
    }
    return descriptor;
}

Result<std::unique_ptr<OutputFile>> createNativeOutput(const std::string& path) {
    // A planted link must not redirect a page's bytes to another file.
    auto descriptor = openRegularForWriting(path, LinkHandling::Refuse);
    if (!descriptor)
        return std::move(descriptor).takeError();
    return std::unique_ptr<OutputFile>(std::make_unique<NativeOutputFile>(*descriptor, path));
}

} // namespace solvina
