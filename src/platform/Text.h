// Text helpers shared by the portable code. All text inside the program is UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// ASCII-only case mapping; other bytes pass through unchanged.
std::string toLowerAscii(std::string_view text);
std::string toUpperAscii(std::string_view text);
// Equal but for the case of ASCII letters.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Decodes the UTF-8 sequence at text[i] and moves i past it. An invalid sequence (overlong, surrogate,
// beyond U+10FFFF, cut short) gives nothing and moves i by one byte.
std::optional<char32_t> decodeUtf8(std::string_view text, size_t& i);
// True when the bytes form valid UTF-8.
bool isValidUtf8(std::string_view bytes);
// Each code point of UTF-8 text, invalid sequences read as U+FFFD.
template <typename OnCodePoint>
void forEachCodePoint(std::string_view text, OnCodePoint&& onCodePoint) {
    for (size_t i = 0; i < text.size();) onCodePoint(decodeUtf8(text, i).value_or(U'\uFFFD'));
}

// Text printed by a child process: kept when it is UTF-8, otherwise read in the system code page
// (Windows) or as Latin-1 (POSIX) and converted to UTF-8.
std::string decodeChildOutput(std::string_view bytes);

// The key under which a path is compared with others: upper case on Windows (whose file systems ignore
// case), the path itself on POSIX.
std::string pathKey(std::string_view path);
bool samePath(std::string_view a, std::string_view b);

// Bytes whose plain byte order is the user's locale order of the texts (case-sensitive): sorting many
// rows compares keys made once instead of asking the locale at every comparison.
std::string collationKey(std::string_view text);

// A message with its "%s" replaced by text (taken as it is, so a "%" inside it stays harmless).
std::string fillIn(std::string_view format, std::string_view text);

// Appends the UTF-8 encoding of one code point.
void appendUtf8(std::string& out, char32_t codePoint);

}  // namespace platform
