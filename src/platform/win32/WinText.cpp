#include "platform/win32/WinText.h"

#include <windows.h>

#include "platform/Files.h"
#include "platform/Text.h"

namespace platform::win32 {

std::wstring widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string narrow(std::wstring_view utf16) {
    if (utf16.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::string fromAnsi(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return narrow(wide);
}

std::string lastErrorText() {
    const DWORD code = GetLastError();
    return systemErrorText(code).value_or("error " + std::to_string(code));
}

}  // namespace platform::win32

namespace platform {

std::string decodeChildOutput(std::string_view bytes) {
    if (isValidUtf8(bytes)) return std::string(bytes);
    return win32::fromAnsi(bytes);
}

// Windows compares paths without regard to case: the key is the path in upper case, by the system's
// own case mapping so that non-ASCII letters fold too.
std::string pathKey(std::string_view path) {
    std::wstring wide = win32::widen(path);
    if (!wide.empty()) CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return win32::narrow(wide);
}

// The sort key of the user's locale; comparing two keys byte by byte orders the texts as CompareStringEx
// would.
std::string collationKey(std::string_view text) {
    const std::wstring wide = win32::widen(text);
    const int length = static_cast<int>(wide.size());
    const int n = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_SORTKEY, wide.c_str(), length, nullptr, 0,
                                nullptr, nullptr, 0);
    if (n <= 0) return std::string(text);
    std::string key(static_cast<size_t>(n), '\0');
    LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_SORTKEY, wide.c_str(), length,
                  reinterpret_cast<LPWSTR>(key.data()), n, nullptr, nullptr, 0);
    if (!key.empty() && key.back() == '\0') key.pop_back();  // the key ends with a zero byte
    return key;
}

}  // namespace platform
