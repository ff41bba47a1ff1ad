#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "platform/Files.h"
#include "platform/posix/UniqueFd.h"

namespace platform {

namespace fs = std::filesystem;

std::string fullPath(std::string_view path) {
    if (path.empty()) return {};
    std::error_code ec;
    fs::path p = fs::absolute(nativePath(path), ec);
    if (ec) p = nativePath(path);
    return utf8Path(p.lexically_normal());
}

std::optional<std::string> programPath() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer) return std::nullopt;
    return std::string(buffer, static_cast<size_t>(n));
}

std::optional<std::string> programFolder() {
    const auto path = programPath();
    if (!path) return std::nullopt;
    return folderPart(*path);
}

// lstat: a dangling link is an entry too, and writing to its name would create a file elsewhere.
bool pathExists(const std::string& path) {
    struct stat st;
    return !path.empty() && lstat(path.c_str(), &st) == 0;
}

bool isExistingFile(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool isExistingFolder(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<uint64_t> fileSize64(const std::string& path) {
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}

std::optional<int64_t> lastWriteTime(const std::string& path) {
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

bool createFolder(const std::string& path) { return !path.empty() && mkdir(path.c_str(), 0777) == 0; }

bool deleteFile(const std::string& path) { return !path.empty() && unlink(path.c_str()) == 0; }

bool replaceFile(const std::string& from, const std::string& to) {
    return !from.empty() && !to.empty() && rename(from.c_str(), to.c_str()) == 0;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (a.empty() || b.empty() || stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::optional<std::string> fileIdentityKey(const std::string& path) {
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0) return std::nullopt;
    return std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino);
}

std::string resolvedFolder(const std::string& folder) {
    if (!folder.empty()) {
        if (char* real = realpath(folder.c_str(), nullptr)) {
            std::string out(real);
            std::free(real);
            return out;
        }
    }
    std::string out = fullPath(folder);
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

bool proveWritable(const std::string& path) {
    if (path.empty()) return false;
    if (posix::UniqueFd created(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)); created) {
        created.reset();
        return unlink(path.c_str()) == 0;
    }
    if (errno != EEXIST) return false;
    // The file is the user's: open it without truncating (and without blocking on a pipe) and leave it.
    const posix::UniqueFd fd(open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    return fd && fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode);
}

bool copyFileTimes(const std::string& from, const std::string& to, bool creation, bool lastWrite) {
    (void)creation;  // no settable creation time here
    if (!lastWrite) return false;
    struct stat st;
    if (stat(from.c_str(), &st) != 0) return false;
    const posix::UniqueFd fd(open(to.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) return false;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = st.st_mtim;
    return futimens(fd.get(), times) == 0;
}

std::string temporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    return withTrailingSeparator(folder);
}

std::optional<std::string> systemErrorText(uint32_t code) {
    char buffer[512];
    const char* text = strerror_r(static_cast<int>(code), buffer, sizeof buffer);
    if (text == nullptr || std::strncmp(text, "Unknown error", 13) == 0) return std::nullopt;
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p != '\r' && *p != '\n') out.push_back(*p);
    }
    return out;
}

namespace detail {
uint32_t currentProcessId() { return static_cast<uint32_t>(getpid()); }
uint32_t currentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }
uint32_t millisecondsSinceStart() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                                 static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}
}  // namespace detail

}  // namespace platform
