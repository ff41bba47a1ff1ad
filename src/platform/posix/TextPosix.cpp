#include "platform/Text.h"

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

}  // namespace platform
