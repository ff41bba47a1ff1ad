#include "ui/logic/FormatChoice.h"

#include "formats/Catalogue.h"
#include "formats/CustomFormats.h"
#include "platform/Product.h"
#include "platform/Text.h"

const char* const kVideoEntryMessage =
    "Melodrift converts audio. To convert video files into other video formats (AVI, FLV, H.264, MOV, MP4, "
    "WebM, WMV and more), please use our video converter.\n\nClick OK to visit its web page.";
const char* const kVideoConverterPage = product::kVideoConverterPage;

namespace {

std::unique_ptr<OutputFormat> commandEntry(int32_t id) {
    auto format = std::make_unique<OutputFormat>();
    format->id = id;
    format->kind = kFormatCommand;
    return format;
}

}  // namespace

FormatChoice::FormatChoice(const Catalogue& catalogue, const std::vector<CustomOutputFormat>& groups) {
    owned_.push_back(commandEntry(kCustomizeEntryId));
    entries_.push_back({"Customize Output Formats", owned_.back().get()});
    for (size_t i = 0; i < groups.size(); ++i) {
        auto group = std::make_unique<OutputFormat>();
        group->id = customFormatId(i);
        group->kind = kFormatCustom;
        group->customFormat = const_cast<CustomOutputFormat*>(&groups[i]);
        owned_.push_back(std::move(group));
        entries_.push_back({" to " + groups[i].name, owned_.back().get()});
    }
    for (const auto& format : catalogue.formats()) {
        entries_.push_back({" to " + formatLabel(*format), format.get()});
    }
    owned_.push_back(commandEntry(kVideoEntryId));
    entries_.push_back({" to VIDEO (AVI, FLV, H.264, MOV, MP4, WebM, WMV, etc.)", owned_.back().get()});
}

size_t FormatChoice::select(uint32_t& outputFormat) const {
    for (size_t i = 1; i < entries_.size(); ++i) {
        if (entries_[i].format->id == static_cast<int32_t>(outputFormat) &&
            entries_[i].format->id != kVideoEntryId)
            return i;
    }
    outputFormat = static_cast<uint32_t>(entries_[1].format->id);
    return 1;
}

FormatChoice::Action FormatChoice::pick(size_t index, uint32_t& outputFormat) const {
    if (index >= entries_.size()) {
        outputFormat = kDefaultOutputFormat;
        return Action::kNone;
    }
    const int32_t id = entries_[index].format->id;
    if (id == kCustomizeEntryId) return Action::kCustomize;
    if (id == kVideoEntryId) return Action::kVideo;
    outputFormat = static_cast<uint32_t>(id);
    return Action::kNone;
}

RunChoice FormatChoice::runChoice(uint32_t outputFormat,
                                  const std::vector<CustomOutputFormat>& groups) const {
    RunChoice choice;
    for (const Entry& entry : entries_) {
        if (entry.format->id != static_cast<int32_t>(outputFormat)) continue;
        choice.entry = entry.format;
        if (entry.format->kind == kFormatCustom) {
            if (const CustomOutputFormat* group = customFormatForId(groups, entry.format->id)) {
                choice.groupName = group->name;
                choice.groupIds = group->ids;
            }
        }
        break;
    }
    return choice;
}

const OutputFormat* FormatChoice::catalogueFormat(uint32_t outputFormat) const {
    for (const Entry& entry : entries_) {
        if (entry.format->id != static_cast<int32_t>(outputFormat)) continue;
        return entry.format->kind == kFormatCommand || entry.format->kind == kFormatCustom ? nullptr
                                                                                           : entry.format;
    }
    return nullptr;
}
