#include "platform/Files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>

#include "platform/Text.h"

namespace platform {

bool isPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

std::filesystem::path nativePath(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8Path(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

std::optional<std::vector<FolderEntry>> listFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::directory_iterator it(nativePath(folder), error);
    if (error) return std::nullopt;
    std::vector<FolderEntry> entries;
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error) break;
        std::error_code kindError;
        entries.push_back(FolderEntry{utf8Path(it->path().filename()), it->is_directory(kindError)});
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return pathKey(a.name) < pathKey(b.name); });
    return entries;
}

bool writeWholeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(nativePath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

std::optional<std::string> readWholeFile(const std::string& path) {
    std::ifstream in(nativePath(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

static size_t lastSeparator(std::string_view path) {
    for (size_t i = path.size(); i > 0; --i) {
        if (isPathSeparator(path[i - 1])) return i - 1;
    }
    return std::string_view::npos;
}

std::string_view fileNamePart(std::string_view path) {
    const size_t sep = lastSeparator(path);
    return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

std::optional<std::string_view> extensionPart(std::string_view path) {
    const std::string_view name = fileNamePart(path);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return std::nullopt;
    return name.substr(dot);
}

std::optional<std::string> folderPart(std::string_view path) {
    const size_t sep = lastSeparator(path);
    if (sep == std::string_view::npos) return std::nullopt;
    return std::string(path.substr(0, sep + 1));
}

std::string withTrailingSeparator(std::string_view path) {
    std::string out(path);
    if (!out.empty() && !isPathSeparator(out.back())) out.push_back(kPathSeparator);
    return out;
}

std::optional<uint32_t> fileSize32(const std::string& path) {
    const auto size = fileSize64(path);
    if (!size) return std::nullopt;
    return static_cast<uint32_t>(*size & 0xFFFFFFFFu);
}

PathLimits pathLimits() {
#ifdef _WIN32
    return {.name = 255, .path = 259, .folder = 247};
#else
    return {.name = 255, .path = 4095, .folder = 4095};
#endif
}

size_t pathUnits(std::string_view utf8) {
#ifdef _WIN32
    size_t units = 0;
    forEachCodePoint(utf8, [&units](char32_t c) { units += c > 0xFFFF ? 2 : 1; });
    return units;
#else
    return utf8.size();
#endif
}

bool ensureFolder(const std::string& path, bool create) {
    if (isExistingFolder(path)) return true;
    return create && createFolderTree(path);
}

// Length of the part of a path that names a root and is never created: "/" on POSIX; "C:\", "\" or
// "\\server\share\" on Windows.
static size_t rootLength(std::string_view path) {
    size_t i = 0;
#ifdef _WIN32
    if (path.size() >= 2 && path[1] == ':') {
        i = 2;
    } else if (path.size() >= 2 && isPathSeparator(path[0]) && isPathSeparator(path[1])) {
        // UNC: the server and the share are not folders that can be made.
        i = 2;
        for (int steps = 0; steps < 2 && i < path.size(); ++steps) {
            while (i < path.size() && !isPathSeparator(path[i])) ++i;
            if (steps == 0 && i < path.size()) ++i;
        }
        return i;
    }
#endif
    while (i < path.size() && isPathSeparator(path[i])) ++i;
    return i;
}

static bool makeOneLevel(const std::string& folder) {
    if (isExistingFolder(folder)) return true;
    if (pathExists(folder)) return false;
    // Another thread or program may have made it in the meantime.
    return createFolder(folder) || isExistingFolder(folder);
}

bool createFolderTree(const std::string& path) {
    if (path.empty()) return false;
    const size_t root = rootLength(path);
    for (size_t i = root; i < path.size(); ++i) {
        if (!isPathSeparator(path[i])) continue;
        if (isPathSeparator(path[i - 1])) continue;  // doubled separator: same folder again
        if (!makeOneLevel(path.substr(0, i))) return false;
    }
    if (isPathSeparator(path.back()) || root == path.size()) return isExistingFolder(path);
    return makeOneLevel(path);
}

namespace detail {
uint32_t pseudoRandomNumber() {
    static std::mutex mutex;
    // Unsigned: the product overflows and only its low bits are wanted.
    static std::minstd_rand generator(static_cast<uint32_t>(
        static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) *
        (millisecondsSinceStart() | 1u)));
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<uint32_t>(generator() & 0x7FFF);  // the classic rand() range
}
}  // namespace detail

std::string makeTempFileName(std::string_view folder, std::string_view prefix, std::string_view extension) {
    const std::string base = folder.empty() ? temporaryFolder() : withTrailingSeparator(folder);
    for (uint32_t counter = 1;; ++counter) {
        std::string name = base;
        name += prefix;
        name += std::to_string(detail::currentProcessId());
        name += std::to_string(detail::currentThreadId());
        name += std::to_string(detail::millisecondsSinceStart());
        name += std::to_string(detail::pseudoRandomNumber());
        name += std::to_string(counter);
        name += extension;
        // A folder of that name would make the caller's create fail as surely as a file.
        if (!pathExists(name)) return name;
    }
}

std::string uniqueNameStem() {
    return std::to_string(detail::currentThreadId()) + std::to_string(detail::millisecondsSinceStart()) +
           std::to_string(detail::pseudoRandomNumber());
}

std::string formatByteSize(int64_t bytes) {
    char text[64];
    const double n = static_cast<double>(bytes);
    if (bytes < 1000) {
        std::snprintf(text, sizeof text, "%lld B", static_cast<long long>(bytes));
    } else if (bytes < 1024000LL) {
        std::snprintf(text, sizeof text, "%.1f KB", n / 1024.0);
    } else if (bytes < 1048576000LL) {
        std::snprintf(text, sizeof text, "%.2f MB", n / 1048576.0);
    } else if (bytes < 1073741824000LL) {
        std::snprintf(text, sizeof text, "%.2f GB", n / 1073741824.0);
    } else {
        std::snprintf(text, sizeof text, "%.2f TB", n / 1099511627776.0);
    }
    return text;
}

}  // namespace platform
