// Input and output files on POSIX descriptors.
#include "platform/native_file_streams.h"

#include "platform/file_failure.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace solvina {
namespace {

constexpr std::size_t kOutputBufferSize = std::size_t{64} * 1024;
constexpr std::size_t kDirectWriteSize = std::size_t{16} * 1024;

// Writes every part to an open descriptor, retrying short writes and interruptions.
Status writeAllParts(int descriptor, std::span<iovec> parts, const std::string& path) {
    while (!parts.empty()) {
        const int count = static_cast<int>(std::min<std::size_t>(parts.size(), IOV_MAX));
        const ssize_t written = ::writev(descriptor, parts.data(), count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fileFailure(errno, path);
        }
        if (written == 0)
            return fileFailure(ENOSPC, path);
        // Past the parts written whole, into the one written in part.
        auto left = static_cast<std::size_t>(written);
        while (!parts.empty() && left >= parts.front().iov_len) {
            left -= parts.front().iov_len;
            parts = parts.subspan(1);
        }
        if (left > 0) {
            parts.front().iov_base = static_cast<char*>(parts.front().iov_base) + left;
            parts.front().iov_len -= left;
        }
    }
    return {};
}

class NativeInputFile final : public InputFile {
public:
    NativeInputFile(Descriptor descriptor, std::string path, FileIdentity opened)
        : m_descriptor(std::move(descriptor)), m_path(std::move(path)), m_opened(opened) {}
    std::optional<FileIdentity> identity() const override { return m_opened; }

    Result<std::size_t> read(char* buffer, std::size_t size) override {
        for (;;) {
            const ssize_t count = ::read(m_descriptor.get(), buffer, size);
            if (count >= 0)
                return static_cast<std::size_t>(count);
            if (errno != EINTR)
                return readFailure(errno, m_path);
        }
    }

    Result<std::size_t> readAt(std::uint64_t offset, char* buffer, std::size_t size) override {
        for (;;) {
            const ssize_t count =
                ::pread(m_descriptor.get(), buffer, size, static_cast<off_t>(offset));
            if (count >= 0)
                return static_cast<std::size_t>(count);
            if (errno != EINTR)
                return readFailure(errno, m_path);
        }
    }

private:
    Descriptor m_descriptor;
    std::string m_path;
    FileIdentity m_opened;
};

class NativeOutputFile final : public OutputFile {
public:
    NativeOutputFile(Descriptor descriptor, std::string path)
        : m_descriptor(std::move(descriptor)), m_path(std::move(path)) {}

    Status write(std::string_view bytes) override {
        // Large bytes go out at once with what the buffer holds, without a copy into it.
        if (bytes.size() >= kDirectWriteSize)
            return writePieces(std::span(&bytes, 1));
        if (Status usable = checkUsable(); !usable)
            return usable;
        if (m_buffer.size() + bytes.size() > kOutputBufferSize)
            if (Status flushed = flush(); !flushed)
                return flushed;
        // The room is taken at the first bytes: a file written in pieces needs none.
        if (m_buffer.capacity() < kOutputBufferSize)
            m_buffer.reserve(kOutputBufferSize);
        m_buffer.append(bytes);
        return {};
    }

    Status writePieces(std::span<const std::string_view> pieces) override {
        if (Status usable = checkUsable(); !usable)
            return usable;
        // What the buffer holds, then the pieces, in one call (a page of a few pieces: one
        // call, as its buffer would have been, without the copy into it).
        std::vector<iovec> parts;
        parts.reserve(pieces.size() + 1);
        const auto add = [&](std::string_view bytes) {
            if (!bytes.empty())
                parts.push_back({const_cast<char*>(bytes.data()), bytes.size()});
        };
        add(m_buffer);
        for (const std::string_view piece : pieces)
            add(piece);
        Status written = writeAllParts(m_descriptor.get(), parts, m_path);
        m_buffer.clear(); // only now: the first part is the buffer itself
        return remember(std::move(written));
    }

    bool givePermissions(std::uint32_t bits) override {
        return m_descriptor.isOpen() && ::fchmod(m_descriptor.get(), bits) == 0;
    }

    Status close() override {
        if (Status usable = checkUsable(); !usable)
            return usable;
        Status flushed = flush();
        Status closed = m_descriptor.close(m_path);
        if (!flushed)
            return flushed;
        return remember(std::move(closed));
    }

private:
    Status checkUsable() {
        if (!m_failure.empty())
            return fail(m_failure);
        if (!m_descriptor.isOpen())
            return fileFailure(EBADF, m_path);
        return {};
    }

    Status flush() {
        if (m_buffer.empty())
            return {};
        Status written = writeAllBytes(m_descriptor.get(), m_buffer, m_path);
        m_buffer.clear();
        return remember(std::move(written));
    }

    // A stream that failed once stays failed: later bytes would leave a gap in the file.
    Status remember(Status status) {
        if (!status)
            m_failure = status.error();
        return status;
    }

    Descriptor m_descriptor;
    std::string m_path;
    std::string m_buffer;
    std::string m_failure;
};

// Fails unless the descriptor is of a regular file; gives the file's identity. O_NONBLOCK may
// stay: it has no effect on a regular file's reads and writes.
Result<FileIdentity> keepOnlyRegular(const Descriptor& descriptor, const std::string& path,
                                     const char* notRegularText) {
    struct stat info {};
    if (::fstat(descriptor.get(), &info) != 0)
        return fileFailure(errno, path);
    if (!S_ISREG(info.st_mode))
        return fail(describeWithPath(notRegularText, path));
    return identityOfStat(info);
}

} // namespace

FileIdentity identityOfStat(const struct stat& info) {
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino),
                        static_cast<std::uint64_t>(info.st_nlink),
                        (info.st_mode & S_IWUSR) == 0,
                        static_cast<std::uint64_t>(info.st_size),
                        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                            info.st_mtim.tv_nsec,
                        static_cast<std::uint32_t>(info.st_mode & 07777)};
}

Status writeAllBytes(int descriptor, std::string_view bytes, const std::string& path) {
    iovec whole{const_cast<char*>(bytes.data()), bytes.size()};
    return writeAllParts(descriptor, std::span(&whole, bytes.empty() ? 0 : 1), path);
}

Result<std::unique_ptr<InputFile>> openNativeInput(const std::string& path) {
    Descriptor descriptor(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!descriptor.isOpen())
        return readFailure(errno, path);
    auto opened = keepOnlyRegular(descriptor, path, kFileNotFoundText);
    if (!opened)
        return std::move(opened).takeError();
    return std::unique_ptr<InputFile>(
        std::make_unique<NativeInputFile>(std::move(descriptor), path, *opened));
}

Result<Descriptor> openRegularForWriting(const std::string& path, LinkHandling links) {
    // O_NONBLOCK keeps a FIFO without reader from hanging the program (it fails with ENXIO).
    // The file is emptied only once it is known to be a regular file of this name alone.
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK;
    if (links != LinkHandling::Follow)
        flags |= O_NOFOLLOW;
    // Usually nothing has the name yet: a file made here is regular, empty and of this name
    // alone, so it needs none of the checks below.
    Descriptor descriptor(::open(path.c_str(), flags | O_EXCL, 0666));
    if (descriptor.isOpen())
        return descriptor;
    descriptor = Descriptor(::open(path.c_str(), flags, 0666));
    if (!descriptor.isOpen() && errno == ELOOP && links == LinkHandling::Replace) {
        // The link itself is replaced by the new file; what it points to stays untouched.
        struct stat info;
        if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
            ::unlink(path.c_str()) == 0)
            descriptor = Descriptor(::open(path.c_str(), flags, 0666));
        else
            errno = ELOOP;
    }
    if (!descriptor.isOpen())
        return fileFailure(errno, path);
    if (auto regular = keepOnlyRegular(descriptor, path, kNotWritableText); !regular)
        return std::move(regular).takeError();
    // A file with other names (a hard link planted, or made by the owner) is not emptied: the
    // other names, perhaps outside the site, would lose their bytes too. This name gets a new
    // file of its own.
    struct stat info;
    if (::fstat(descriptor.get(), &info) == 0 && info.st_nlink > 1) {
        descriptor = Descriptor();
        if (::unlink(path.c_str()) != 0)
            return fileFailure(errno, path);
        descriptor = Descriptor(::open(path.c_str(), flags | O_EXCL | O_NOFOLLOW, 0666));
        if (!descriptor.isOpen())
            return fileFailure(errno, path);
        if (auto regular = keepOnlyRegular(descriptor, path, kNotWritableText); !regular)
            return std::move(regular).takeError();
    }
    if (::ftruncate(descriptor.get(), 0) != 0)
        return fileFailure(errno, path);
    return descriptor;
}

Result<std::unique_ptr<OutputFile>> createNativeOutput(const std::string& path) {
    // A planted link must not redirect a page's bytes to another file.
    auto descriptor = openRegularForWriting(path, LinkHandling::Refuse);
    if (!descriptor)
        return std::move(descriptor).takeError();
    return std::unique_ptr<OutputFile>(
        std::make_unique<NativeOutputFile>(std::move(descriptor).value(), path));
}

} // namespace solvina
