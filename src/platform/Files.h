// Paths, files and folders. UTF-8 text in and out; paths use the native separator (on Windows '/' is
// accepted as well). No function keeps state between calls, none throws, failures are results.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

bool isPathSeparator(char c);

// A UTF-8 path as the standard library's path, and back.
std::filesystem::path nativePath(std::string_view utf8);
std::string utf8Path(const std::filesystem::path& path);

// Path parts (text only, the file system is not asked).
// The text after the last separator; the whole path when it has none.
std::string_view fileNamePart(std::string_view path);
// From the last '.' of the file-name part on (the dot included); none when the file name has no dot.
std::optional<std::string_view> extensionPart(std::string_view path);
// The path cut after its last separator (which stays); none when the path has no separator.
std::optional<std::string> folderPart(std::string_view path);
// The path with a separator appended when it does not end with one (an empty path stays empty).
std::string withTrailingSeparator(std::string_view path);

// The absolute form of a path with "." and ".." steps and doubled separators resolved (Windows: also '/'
// turned into '\'). Text only: no link is followed, the path need not exist.
std::string fullPath(std::string_view path);

// The program's own executable, and its folder (ending in a separator).
std::optional<std::string> programPath();
std::optional<std::string> programFolder();

bool pathExists(const std::string& path);
bool isExistingFile(const std::string& path);
bool isExistingFolder(const std::string& path);
std::optional<uint64_t> fileSize64(const std::string& path);
// The time of the file's last change in the system's own units (only to tell whether it changed).
std::optional<int64_t> lastWriteTime(const std::string& path);
// The low 32 bits of the size.
std::optional<uint32_t> fileSize32(const std::string& path);

// True when path is an existing folder; otherwise createFolderTree(path) when create is true.
bool ensureFolder(const std::string& path, bool create);
// One entry of a folder listing.
struct FolderEntry {
    std::string name;
    bool isFolder = false;  // also a link to a folder
};
// The entries of a folder, hidden and system ones included, without "." and "..", sorted by name (without
// regard to case where the system ignores it), as a file manager lists them; the raw listing order of
// most file systems means nothing to a user. None when the folder cannot be listed.
std::optional<std::vector<FolderEntry>> listFolder(const std::string& folder);

// Creates every missing folder along the path. Fails when a step exists as something other than a folder
// or cannot be created. A path ending in a separator names a folder; so does the last step otherwise.
bool createFolderTree(const std::string& path);
// Creates one folder whose parent exists.
bool createFolder(const std::string& path);
bool deleteFile(const std::string& path);
// Moves a file over another, replacing it in one step.
bool replaceFile(const std::string& from, const std::string& to);
// Creates or truncates the file and writes the bytes; false when any of it fails.
bool writeWholeFile(const std::string& path, std::string_view bytes);
// The file's bytes; none when it cannot be opened.
std::optional<std::string> readWholeFile(const std::string& path);

// True when both paths name one existing file (same device and file number), whatever their spelling or
// links.
bool sameFile(const std::string& a, const std::string& b);

// A key that is the same for every spelling of one existing file (device and file number); none when the
// path names nothing.
std::optional<std::string> fileIdentityKey(const std::string& path);

// The spelling of an existing folder with every link, junction, substituted drive and short name resolved,
// without a trailing separator; the folder's full path (text only) when it cannot be resolved.
std::string resolvedFolder(const std::string& folder);

// The longest paths the program makes, counted in pathUnits. Windows: the transcoder opens its output by
// the plain spelling, so a file's path stays within MAX_PATH (259 and the terminator) and a folder's
// leaves room for an 8.3 name (247); a name holds at most 255. POSIX: bytes, 255 a name, 4095 a path.
struct PathLimits {
    size_t name = 0;
    size_t path = 0;
    size_t folder = 0;
};
PathLimits pathLimits();
// The length of UTF-8 text in the units the system counts paths in: UTF-16 units on Windows, bytes on
// POSIX.
size_t pathUnits(std::string_view utf8);

// Proves that path can be written without harming anything there: a missing file is created exclusively
// and deleted again; an existing file is opened for writing without truncation and closed untouched.
bool proveWritable(const std::string& path);

// Copies the creation and/or last-write time of one file to another; the last-access time is kept.
// POSIX file systems have no settable creation time, so there only the modification time is copied.
bool copyFileTimes(const std::string& from, const std::string& to, bool creation, bool lastWrite);

// The free space this user may fill on the volume that holds folder; none when it cannot be read.
std::optional<uint64_t> freeSpace(const std::string& folder);

// The system's temporary folder, ending in a separator.
std::string temporaryFolder();
// A fresh name "<folder><prefix><pid><tid><ms><random><counter><extension>" that names no existing file
// (a folder of that name does not count). folder empty: the system's temporary folder. extension is given
// with its dot (".wav") or empty.
std::string makeTempFileName(std::string_view folder, std::string_view prefix, std::string_view extension);
// Digits made from the thread id, the milliseconds since system start and a pseudo-random number: a stem
// no other run or thread is likely to produce at the same moment.
std::string uniqueNameStem();

// "999 B", "1.0 KB", "1.46 MB" ...: binary units, switching to the next one at 1000 of the current one.
std::string formatByteSize(int64_t bytes);

// The system's message text for an error code without line breaks; none when the system has no text.
std::optional<std::string> systemErrorText(uint32_t code);

namespace detail {
uint32_t currentProcessId();
uint32_t currentThreadId();
uint32_t millisecondsSinceStart();
uint32_t pseudoRandomNumber();
}  // namespace detail

}  // namespace platform
