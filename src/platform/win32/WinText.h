// UTF-8 <-> UTF-16 at the Win32 boundary.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);
// Bytes in the system ANSI code page to UTF-8.
std::string fromAnsi(std::string_view bytes);

// The system's text for the calling thread's last error (systemErrorText), or "error N" when it has none.
std::string lastErrorText();

}  // namespace platform::win32
