#include "platform/Shell.h"

#include "platform/Files.h"
#include "platform/Text.h"

namespace platform {

std::string fallbackOpenCommand(std::string_view registeredCommand, std::string_view target) {
    size_t cut = registeredCommand.find("\"%1\"");
    if (cut == std::string_view::npos) cut = registeredCommand.find("%1");
    std::string command(registeredCommand.substr(0, cut));
    command += ' ';
    command += target;
    return command;
}

size_t utf16Length(std::string_view utf8) {
    size_t units = 0;
    // Code points beyond the basic plane need a surrogate pair.
    forEachCodePoint(utf8, [&](char32_t cp) { units += cp >= 0x10000 ? 2 : 1; });
    return units;
}

std::optional<std::string> finishChosenFolder(std::string_view folder, size_t maxChars) {
    if (folder.empty()) return std::nullopt;
    std::string out = withTrailingSeparator(folder);
    if (utf16Length(out) >= maxChars) return std::nullopt;
    return out;
}

std::vector<FileFilter> parseFileFilter(std::string_view barSeparated) {
    std::vector<FileFilter> out;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < barSeparated.size()) {
        const size_t bar = barSeparated.find('|', start);
        const size_t end = bar == std::string_view::npos ? barSeparated.size() : bar;
        if (end == start) break;  // an empty part ends the list
        parts.emplace_back(barSeparated.substr(start, end - start));
        start = end + 1;
    }
    for (size_t i = 0; i + 1 < parts.size(); i += 2) out.push_back(FileFilter{parts[i], parts[i + 1]});
    return out;
}

}  // namespace platform
