// The main window's output-format list: its entries (the command that customizes groups, the custom
// groups, the catalogue, the video pointer) and what a change of selection does to the OutputFormat setting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/ConversionRun.h"
#include "formats/OutputFormat.h"

class Catalogue;
struct CustomOutputFormat;

inline constexpr int32_t kCustomizeEntryId = 20000;
inline constexpr int32_t kVideoEntryId = 10000;
inline constexpr uint32_t kDefaultOutputFormat = 1160;

class FormatChoice {
public:
    struct Entry {
        std::string label;
        const OutputFormat* format = nullptr;
    };
    // What the window does after the user picked an entry.
    enum class Action { kNone, kCustomize, kVideo };

    FormatChoice(const Catalogue& catalogue, const std::vector<CustomOutputFormat>& groups);

    const std::vector<Entry>& entries() const { return entries_; }
    // The entry that shows the setting: the one with its id, else position 1 (whose id then becomes the
    // setting, as if the user had picked it).
    size_t select(uint32_t& outputFormat) const;
    // The user picked index (or nothing: kNoEntry). Catalogue formats and groups become the setting; the
    // two command entries leave it alone and ask the window to act, after which it calls select again.
    static constexpr size_t kNoEntry = static_cast<size_t>(-1);
    Action pick(size_t index, uint32_t& outputFormat) const;
    // What a run converts to for the setting: the catalogue format or the group with its members.
    RunChoice runChoice(uint32_t outputFormat, const std::vector<CustomOutputFormat>& groups) const;
    // The format whose volume a loudness measurement counts: the setting's catalogue format; none for a
    // group or a command entry.
    const OutputFormat* catalogueFormat(uint32_t outputFormat) const;

private:
    std::vector<Entry> entries_;
    std::vector<std::unique_ptr<OutputFormat>> owned_;  // the command and group entries' records
};

// The message of the video entry, and the page it points to on OK.
extern const char* const kVideoEntryMessage;
extern const char* const kVideoConverterPage;
