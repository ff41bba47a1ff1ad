#include "ui/logic/MainWindowLogic.h"

#include <cctype>

#include "commands/Commands.h"
#include "engine/Probe.h"
#include "platform/Files.h"
#include "platform/Product.h"
#include "sources/FileList.h"

std::optional<std::string> sourceToOpen(const FileList& list) {
    const size_t row = list.focusedSelectedRow();
    if (row == FileList::kNone) return std::nullopt;
    const SourceItem& item = list.item(row);
    const std::string path =
        item.kind == kSourceDvdTitle ? dvdTitleFirstVob(item.dvdFolder, item.titleSet) : item.path;
    if (!platform::pathExists(path)) return std::nullopt;
    return path;
}

std::optional<std::string> destinationToOpen(const FileList& list) {
    const size_t row = list.focusedSelectedRow();
    if (row == FileList::kNone) return std::nullopt;
    const std::string& path = list.item(row).outputPath;
    if (path.empty() || !platform::pathExists(path)) return std::nullopt;
    return path;
}

namespace {

// Text for a mailto: link: everything but letters, digits and "-._~" percent-encoded.
std::string mailText(const std::string& text) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) != 0 || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

}  // namespace

std::string webCommandTarget(unsigned commandId, const std::string& version) {
    const std::string name = product::kName;
    switch (commandId) {
        case ID_TELL_A_FRIEND:
            return "mailto:?subject=" + mailText("Try " + name) + "&body=" +
                   mailText("I convert my audio files with " + name + ". Have a look: " + product::kHomepage);
        case ID_FEEDBACK:
            return std::string("mailto:") + product::kSupportMail +
                   "?subject=" + mailText(name + " " + version + " feedback");
        case ID_HOMEPAGE:
            return product::kHomepage;
        case ID_CHECK_UPDATES:
            return std::string(product::kUpdatePage) + "?ver=" + mailText(version) +
                   "&build=" + mailText(version.substr(version.rfind('.') + 1));
        default:
            return {};
    }
}
