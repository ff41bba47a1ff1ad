#include "engine/NamePattern.h"

#include <cstring>

#include "platform/Text.h"

namespace {

// What a missing field gives; the fields not listed give nothing.
const char* const kUnknownArtist = "Unknown Artist";
const char* const kUnknownAlbum = "Unknown Album";

std::string trimmedBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

bool isKnownPlaceholder(std::string_view name) {
    return tagFieldNamed(name) || platform::equalsIgnoringAsciiCase(name, kFileNamePlaceholder) ||
           platform::equalsIgnoringAsciiCase(name, kFolderNamePlaceholder);
}

// The longest start of text that fits units, never cutting a character in two.
std::string cutToUnits(std::string_view text, size_t units) {
    size_t used = 0;
    size_t end = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t start = i;
        platform::decodeUtf8(text, i);
        used += platform::pathUnits(text.substr(start, i - start));
        if (used > units) break;
        end = i;
    }
    return std::string(text.substr(0, end));
}

// A name cut to fit room: cleaned again (the cut may leave a dot or a device name at its end).
std::string cutName(std::string_view name, size_t room) {
    std::string cut = cleanNamePart(cutToUnits(name, room));
    if (platform::pathUnits(cut) > room && room > 1) cut = cleanNamePart(cutToUnits(name, room - 1));
    if (cut.empty()) cut = "_";
    return cut;
}

bool isDeviceName(std::string_view name) {
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* device : kDevices)
        if (platform::equalsIgnoringAsciiCase(name, device)) return true;
    if (name.size() != 4 || name[3] < '1' || name[3] > '9') return false;
    return platform::equalsIgnoringAsciiCase(name.substr(0, 3), "COM") ||
           platform::equalsIgnoringAsciiCase(name.substr(0, 3), "LPT");
}

}  // namespace

std::vector<std::string> namePatternPlaceholders() {
    std::vector<std::string> names;
    for (const TagFieldInfo& field : kTagFields) names.push_back(std::string("<") + field.name + ">");
    names.push_back(std::string("<") + kFileNamePlaceholder + ">");
    names.push_back(std::string("<") + kFolderNamePlaceholder + ">");
    return names;
}

std::optional<std::string> namePatternError(std::string_view pattern) {
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '>') return std::string("The name pattern has a \">\" without its \"<\".");
        if (pattern[i] != '<') continue;
        const size_t end = pattern.find('>', i + 1);
        if (end == std::string_view::npos)
            return std::string("The name pattern has a \"<\" without its \">\".");
        const std::string_view name = pattern.substr(i + 1, end - i - 1);
        if (!isKnownPlaceholder(name)) {
            std::string message = "The name pattern has an unknown placeholder \"<" + std::string(name) +
                                  ">\". The placeholders are:";
            for (const std::string& known : namePatternPlaceholders()) message += " " + known;
            return message + ".";
        }
        i = end;
    }
    return std::nullopt;
}

std::string cleanNamePart(std::string_view text) {
    std::string cleaned;
    cleaned.reserve(text.size());
    platform::forEachCodePoint(text, [&cleaned](char32_t c) {
        const bool refused =
            c < 0x20 || c == 0x7F || (c < 0x80 && std::strchr("<>:\"/\\|?*", static_cast<int>(c)));
        if (refused) {
            cleaned += '_';
        } else {
            platform::appendUtf8(cleaned, c);
        }
    });
    const size_t first = cleaned.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    cleaned.erase(0, first);
    cleaned.erase(cleaned.find_last_not_of(". ") + 1);
    if (cleaned.empty()) return {};
    // Windows opens the device for "nul" and "nul.mp3" alike, blanks before the dot included.
    const size_t dot = cleaned.find('.');
    size_t deviceEnd = dot == std::string::npos ? cleaned.size() : dot;
    while (deviceEnd > 0 && cleaned[deviceEnd - 1] == ' ') --deviceEnd;
    if (isDeviceName(std::string_view(cleaned).substr(0, deviceEnd))) cleaned.insert(deviceEnd, "_");
    return cleaned;
}

std::vector<std::string> expandNamePattern(std::string_view pattern, const SourceTags& tags,
                                           std::string_view namingSource) {
    const std::string_view fileName = platform::fileNamePart(namingSource);
    const auto extension = platform::extensionPart(fileName);
    const std::string stem(fileName.substr(0, fileName.size() - (extension ? extension->size() : 0)));
    std::string folderName;
    if (std::optional<std::string> folder = platform::folderPart(namingSource)) {
        while (!folder->empty() && platform::isPathSeparator(folder->back())) folder->pop_back();
        folderName = std::string(platform::fileNamePart(*folder));
    }

    const auto valueOf = [&](std::string_view name) -> std::string {
        if (platform::equalsIgnoringAsciiCase(name, kFileNamePlaceholder)) return stem;
        if (platform::equalsIgnoringAsciiCase(name, kFolderNamePlaceholder)) return folderName;
        const std::optional<TagField> field = tagFieldNamed(name);
        if (!field) return {};
        const std::string value = trimmedBlanks(tags[*field]);
        if (!value.empty()) {
            // "3" sorts after "10" in a folder; "03" does not.
            if (*field == kTagTrack && value.size() == 1 && value[0] >= '0' && value[0] <= '9')
                return "0" + value;
            return value;
        }
        switch (*field) {
            case kTagTitle:
                return stem;
            case kTagAlbumArtist: {
                const std::string artist = trimmedBlanks(tags[kTagArtist]);
                return artist.empty() ? kUnknownArtist : artist;
            }
            case kTagArtist:
                return kUnknownArtist;
            case kTagAlbum:
                return kUnknownAlbum;
            default:
                return {};
        }
    };

    std::vector<std::string> raw(1);
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '<') {
            const size_t end = pattern.find('>', i + 1);
            if (end == std::string_view::npos) break;
            raw.back() += valueOf(pattern.substr(i + 1, end - i - 1));
            i = end;
        } else if (c == '\\' || c == '/') {
            raw.emplace_back();
        } else {
            raw.back() += c;
        }
    }
    std::vector<std::string> parts;
    for (size_t i = 0; i + 1 < raw.size(); ++i)
        if (std::string part = cleanNamePart(raw[i]); !part.empty()) parts.push_back(std::move(part));
    std::string name = cleanNamePart(raw.back());
    if (name.empty()) name = cleanNamePart(stem);
    if (name.empty()) name = "_";
    parts.push_back(std::move(name));
    return parts;
}

std::optional<std::string> fitNameParts(std::vector<std::string> parts, std::string_view folder,
                                        size_t reserve, const platform::PathLimits& limits) {
    if (parts.empty()) return std::nullopt;
    for (std::string& part : parts)
        if (platform::pathUnits(part) > limits.name) part = cutName(part, limits.name);
    std::string name = std::move(parts.back());
    parts.pop_back();
    for (;;) {
        std::string below;
        for (const std::string& part : parts) below += part + platform::kPathSeparator;
        const size_t folderUnits = platform::pathUnits(folder) + platform::pathUnits(below);
        if (folderUnits <= limits.folder && folderUnits + reserve < limits.path) {
            const size_t room = limits.path - folderUnits - reserve;
            if (platform::pathUnits(name) <= room) return below + name;
            if (room >= kShortestCutName || parts.empty()) return below + cutName(name, room);
        }
        if (parts.empty()) return std::nullopt;
        parts.pop_back();
    }
}
