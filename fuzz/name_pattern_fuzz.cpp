// A name pattern is typed by the user and filled with tags read from files, so both can hold anything.
// The bytes up to the first NUL are the pattern, the rest the tag fields (NUL between them); whatever
// they hold, the names that come out must be names Windows accepts, below the output folder, within the
// limits.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/NamePattern.h"

namespace {

bool acceptable(const std::string& part) {
    if (part.empty() || part.back() == '.' || part.back() == ' ' || part.front() == ' ') return false;
    for (const unsigned char c : part)
        if (c < 0x20 || c == 0x7F ||
            std::string_view("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
    return cleanNamePart(part) == part;  // cleaning again changes nothing: no device name is left
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t end = input.find('\0');
    const std::string_view pattern = input.substr(0, end);
    SourceTags tags;
    if (end != std::string_view::npos) {
        size_t at = end + 1;
        for (size_t f = 0; f < kTagFieldCount && at <= input.size(); ++f) {
            const size_t next = std::min(input.find('\0', at), input.size());
            tags.values[f] = std::string(input.substr(at, next - at));
            at = next + 1;
        }
    }
    if (namePatternError(pattern)) return 0;
    const std::vector<std::string> parts = expandNamePattern(pattern, tags, "/music/a b/song.flac");
    if (parts.empty()) __builtin_trap();
    for (const std::string& part : parts)
        if (!acceptable(part)) __builtin_trap();
    const platform::PathLimits limits{.name = 40, .path = 100, .folder = 80};
    if (const std::optional<std::string> fitted = fitNameParts(parts, "/out/", 10, limits)) {
        if (fitted->size() + 5 + 10 > limits.path) __builtin_trap();
        size_t start = 0;
        for (;;) {
            const size_t sep = fitted->find('/', start);
            const std::string part = fitted->substr(start, sep == std::string::npos ? sep : sep - start);
            if (!acceptable(part) || part.size() > limits.name) __builtin_trap();
            if (sep == std::string::npos) break;
            start = sep + 1;
        }
    }
    return 0;
}
