// Text helpers shared by the portable code. All text inside the program is UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// ASCII-only case mapping; other bytes pass through unchanged.
std::string toLowerAscii(std::string_view text);
std::string toUpperAscii(std::string_view text);

// True when the bytes form valid UTF-8 (no overlongs, no surrogates).
bool isValidUtf8(std::string_view bytes);

// Text printed by a child process: kept when it is UTF-8, otherwise read in the system code page
// (Windows) or as Latin-1 (POSIX) and converted to UTF-8.
std::string decodeChildOutput(std::string_view bytes);

// The key under which a path is compared with others: upper case on Windows (whose file systems ignore
// case), the path itself on POSIX.
std::string pathKey(std::string_view path);
bool samePath(std::string_view a, std::string_view b);

// Appends the UTF-8 encoding of one code point.
void appendUtf8(std::string& out, char32_t codePoint);

}  // namespace platform
