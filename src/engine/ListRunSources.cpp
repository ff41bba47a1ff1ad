#include "engine/ListRunSources.h"

#include "engine/Loudness.h"
#include "engine/Preparation.h"

bool ListRunSources::prepareSources(bool selectedOnly) {
    const auto takesPart = [&](size_t row) {
        const SourceItem& item = list_.item(row);
        return (!selectedOnly || list_.isSelected(row)) && item.needsPreparation && !item.isExpansionRow;
    };
    bool any = false;
    for (size_t row = 0; row < list_.size() && !any; ++row) any = takesPart(row);
    if (!any) return true;

    host_.setMainWindowEnabled(false);
    std::unique_ptr<BusyIndicator> busy = host_.openBusy("");
    bool cancelled = false;
    for (size_t row = 0; row < list_.size() && !cancelled; ++row) {
        if (!takesPart(row)) continue;
        SourceItem& item = list_.item(row);
        // A temporary file made for an earlier run is used again while it exists.
        if (preparedFileExists(item)) continue;
        list_.scrollIntoView(row);
        list_.setStatus(row, "Loading...");
        const Result<> prepared = prepareSource(item, *busy);
        if (prepared) {
            list_.setStatus(row, "Loading OK");
        } else if (busy->cancelled()) {
            list_.setStatus(row, prepared.reason());
            cancelled = true;
        } else {
            list_.setStatus(row, "Error: " + prepared.reason());
        }
    }
    busy.reset();
    host_.setMainWindowEnabled(true);
    host_.pumpMessages();
    return !cancelled;
}

bool ListRunSources::measureLoudness(const std::vector<SourceItem*>& items,
                                     const std::function<const OutputFormat*(const SourceItem&)>& formatOf,
                                     const AppSettings& settings, bool oneAlbum) {
    host_.setMainWindowEnabled(false);
    std::unique_ptr<BusyIndicator> busy = host_.openBusy("");
    const bool done =
        analyseLoudness(items, formatOf, settings, oneAlbum, *busy, [&](size_t i, const std::string& error) {
            const size_t row = list_.rowOf(*items[i]);
            if (row == FileList::kNone) return;
            list_.setStatus(row, error.empty() ? std::string() : "Error: " + error);
        });
    busy.reset();
    host_.setMainWindowEnabled(true);
    host_.pumpMessages();
    return done;
}
