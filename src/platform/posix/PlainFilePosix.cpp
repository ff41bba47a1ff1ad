#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Files.h"
#include "platform/PlainFile.h"

namespace platform {

std::optional<uint64_t> freeSpace(const std::string& folder) {
    struct statvfs st;
    if (folder.empty() || statvfs(folder.c_str(), &st) != 0) return std::nullopt;
    return static_cast<uint64_t>(st.f_bavail) * static_cast<uint64_t>(st.f_frsize);
}

bool PlainFile::openForReading(const std::string& path) {
    close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        lastError_ = static_cast<uint32_t>(errno);
        return false;
    }
    handle_ = fd;
    return true;
}

bool PlainFile::createForWriting(const std::string& path) {
    close();
    // Not through a link: the name is ours alone.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        lastError_ = static_cast<uint32_t>(errno);
        return false;
    }
    handle_ = fd;
    return true;
}

bool PlainFile::close() {
    if (handle_ == kClosed) return true;
    const int fd = static_cast<int>(handle_);
    handle_ = kClosed;
    // The descriptor is gone after close() even when it reports an error, so it is never retried.
    if (::close(fd) != 0 && errno != EINTR) {
        lastError_ = static_cast<uint32_t>(errno);
        return false;
    }
    return true;
}

std::optional<size_t> PlainFile::read(void* buffer, size_t count) {
    if (handle_ == kClosed) return std::nullopt;
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(handle_), buffer, count);
        if (n >= 0) return static_cast<size_t>(n);
        if (errno != EINTR) {
            lastError_ = static_cast<uint32_t>(errno);
            return std::nullopt;
        }
    }
}

bool PlainFile::write(const void* bytes, size_t count) {
    if (handle_ == kClosed) return false;
    const char* at = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t n = ::write(static_cast<int>(handle_), at, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            lastError_ = n < 0 ? static_cast<uint32_t>(errno) : static_cast<uint32_t>(ENOSPC);
            return false;
        }
        at += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace platform
