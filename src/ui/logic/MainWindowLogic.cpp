#include "ui/logic/MainWindowLogic.h"

#include "engine/Probe.h"
#include "platform/Files.h"
#include "sources/FileList.h"

std::optional<std::string> sourceToOpen(const FileList& list) {
    const size_t row = list.focusedSelectedRow();
    if (row == FileList::kNone) return std::nullopt;
    const SourceItem& item = list.item(row);
    const std::string path = item.kind == kSourceDvdTitle ? dvdTitleFirstVob(item.dvdFolder, item.titleSet) : item.path;
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
