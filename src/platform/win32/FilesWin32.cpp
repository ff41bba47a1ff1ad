#include <windows.h>

#include <vector>

#include "platform/Files.h"
#include "platform/win32/Handle.h"
#include "platform/win32/WinText.h"

namespace platform {

using win32::Handle;
using win32::narrow;
using win32::widen;

namespace {

DWORD attributesOf(const std::string& path) {
    if (path.empty()) return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(widen(path).c_str());
}

}  // namespace

std::string fullPath(std::string_view path) {
    if (path.empty()) return {};
    const std::wstring wide = widen(path);
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (n == 0) return std::string(path);
        if (n < buffer.size()) return narrow(std::wstring_view(buffer.data(), n));
        buffer.resize(n + 1);
    }
}

std::optional<std::string> programPath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::nullopt;
        if (n < buffer.size()) return narrow(std::wstring_view(buffer.data(), n));
        if (buffer.size() > 32768) return std::nullopt;
        buffer.resize(buffer.size() * 2);
    }
}

std::optional<std::string> programFolder() {
    const auto path = programPath();
    if (!path) return std::nullopt;
    return folderPart(*path);
}

bool pathExists(const std::string& path) { return attributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool isExistingFile(const std::string& path) {
    const DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool isExistingFolder(const std::string& path) {
    const DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<uint64_t> fileSize64(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::optional<int64_t> lastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                data.ftLastWriteTime.dwLowDateTime);
}

bool createFolder(const std::string& path) {
    return !path.empty() && CreateDirectoryW(widen(path).c_str(), nullptr) != 0;
}

bool deleteFile(const std::string& path) { return !path.empty() && DeleteFileW(widen(path).c_str()) != 0; }

bool replaceFile(const std::string& from, const std::string& to) {
    return !from.empty() && !to.empty() &&
           MoveFileExW(widen(from).c_str(), widen(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

static bool fileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    // No access rights needed to read the identity; folders need the backup flag to be opened at all.
    Handle h(CreateFileW(widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h && GetFileInformationByHandle(h.get(), info) != 0;
}

bool sameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!fileIdentity(a, &ia) || !fileIdentity(b, &ib)) return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

std::optional<std::string> fileIdentityKey(const std::string& path) {
    BY_HANDLE_FILE_INFORMATION info;
    if (path.empty() || !fileIdentity(path, &info)) return std::nullopt;
    return std::to_string(info.dwVolumeSerialNumber) + ':' + std::to_string(info.nFileIndexHigh) + ':' +
           std::to_string(info.nFileIndexLow);
}

std::string resolvedFolder(const std::string& folder) {
    std::string out = fullPath(folder);
    win32::Handle h(CreateFileW(widen(out).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (h) {
        std::vector<wchar_t> buffer(MAX_PATH);
        for (;;) {
            const DWORD n =
                GetFinalPathNameByHandleW(h.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
            if (n == 0) break;
            if (n < buffer.size()) {
                std::wstring resolved(buffer.data(), n);
                // "\\?\C:\..." and "\\?\UNC\server\share\..." back to their everyday spelling.
                if (resolved.rfind(L"\\\\?\\UNC\\", 0) == 0) {
                    resolved = L"\\\\" + resolved.substr(8);
                } else if (resolved.rfind(L"\\\\?\\", 0) == 0) {
                    resolved = resolved.substr(4);
                }
                out = narrow(resolved);
                break;
            }
            buffer.resize(n + 1);
        }
    }
    while (out.size() > 3 && isPathSeparator(out.back())) out.pop_back();
    return out;
}

bool proveWritable(const std::string& path) {
    if (path.empty()) return false;
    const std::wstring wide = widen(path);
    {
        Handle h(
            CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (h) {
            h.reset();
            return DeleteFileW(wide.c_str()) != 0;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    // The file is the user's: open it without truncating and leave it as it is.
    const DWORD a = GetFileAttributesW(wide.c_str());
    if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
    Handle h(
        CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return h && GetFileType(h.get()) == FILE_TYPE_DISK;
}

bool copyFileTimes(const std::string& from, const std::string& to, bool creation, bool lastWrite) {
    if (!creation && !lastWrite) return false;
    FILETIME created, accessed, written;
    {
        Handle source(CreateFileW(widen(from).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!source || !GetFileTime(source.get(), &created, &accessed, &written)) return false;
    }
    Handle target(CreateFileW(widen(to).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target) return false;
    return SetFileTime(target.get(), creation ? &created : nullptr, nullptr,
                       lastWrite ? &written : nullptr) != 0;
}

std::string temporaryFolder() {
    wchar_t buffer[MAX_PATH + 2];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    if (n == 0 || n > MAX_PATH + 1) return withTrailingSeparator(".");
    return withTrailingSeparator(narrow(std::wstring_view(buffer, n)));
}

std::optional<std::string> systemErrorText(uint32_t code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (n == 0 || text == nullptr) return std::nullopt;
    std::wstring clean;
    for (DWORD i = 0; i < n; ++i) {
        if (text[i] != L'\r' && text[i] != L'\n') clean.push_back(text[i]);
    }
    LocalFree(text);
    return narrow(clean);
}

namespace detail {
uint32_t currentProcessId() { return GetCurrentProcessId(); }
uint32_t currentThreadId() { return GetCurrentThreadId(); }
uint32_t millisecondsSinceStart() { return GetTickCount(); }
}  // namespace detail

}  // namespace platform
