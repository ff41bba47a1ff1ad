#include <windows.h>

#include "platform/Files.h"
#include "platform/PlainFile.h"
#include "platform/win32/WinText.h"

namespace platform {

namespace {

HANDLE asHandle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

}  // namespace

std::optional<uint64_t> freeSpace(const std::string& folder) {
    ULARGE_INTEGER available;
    if (folder.empty() || !GetDiskFreeSpaceExW(win32::widen(folder).c_str(), &available, nullptr, nullptr))
        return std::nullopt;
    return static_cast<uint64_t>(available.QuadPart);
}

bool PlainFile::openForReading(const std::string& path) {
    close();
    const HANDLE h = CreateFileW(win32::widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        lastError_ = GetLastError();
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    return true;
}

bool PlainFile::createForWriting(const std::string& path) {
    close();
    const HANDLE h = CreateFileW(win32::widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        lastError_ = GetLastError();
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    return true;
}

bool PlainFile::close() {
    if (handle_ == kClosed) return true;
    const HANDLE h = asHandle(handle_);
    handle_ = kClosed;
    if (!CloseHandle(h)) {
        lastError_ = GetLastError();
        return false;
    }
    return true;
}

std::optional<size_t> PlainFile::read(void* buffer, size_t count) {
    if (handle_ == kClosed) return std::nullopt;
    const DWORD want = count > 0x10000000 ? 0x10000000 : static_cast<DWORD>(count);
    DWORD got = 0;
    if (!ReadFile(asHandle(handle_), buffer, want, &got, nullptr)) {
        const DWORD code = GetLastError();
        if (code == ERROR_HANDLE_EOF) return 0;
        lastError_ = code;
        return std::nullopt;
    }
    return static_cast<size_t>(got);
}

bool PlainFile::write(const void* bytes, size_t count) {
    if (handle_ == kClosed) return false;
    const char* at = static_cast<const char*>(bytes);
    while (count > 0) {
        const DWORD want = count > 0x10000000 ? 0x10000000 : static_cast<DWORD>(count);
        DWORD done = 0;
        if (!WriteFile(asHandle(handle_), at, want, &done, nullptr)) {
            lastError_ = GetLastError();
            return false;
        }
        if (done == 0) {
            lastError_ = ERROR_DISK_FULL;
            return false;
        }
        at += done;
        count -= done;
    }
    return true;
}

}  // namespace platform
