#include "platform/Text.h"

#include <cstring>

namespace platform {

std::string decodeChildOutput(std::string_view bytes) {
    if (isValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) appendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

// Linux file systems are case-sensitive: a path is its own key.
std::string pathKey(std::string_view path) { return std::string(path); }

// The C library's collation of the program's locale.
std::string collationKey(std::string_view text) {
    const std::string source(text);
    std::string key(source.size() * 2 + 1, '\0');
    size_t n = std::strxfrm(key.data(), source.c_str(), key.size());
    if (n >= key.size()) {
        key.assign(n + 1, '\0');
        n = std::strxfrm(key.data(), source.c_str(), key.size());
    }
    key.resize(n);
    return key;
}

}  // namespace platform
