// The file list as a conversion run sees it, with the preparation pass that turns CD tracks, DVD titles
// and the program's own readers' files into temporary files before a run, showing its progress in the
// rows' Status texts and in the busy window.
#pragma once

#include "engine/ConversionRun.h"
#include "engine/ListHost.h"
#include "sources/FileList.h"

class ListRunSources final : public RunSources {
public:
    ListRunSources(FileList& list, ListHost& host) : list_(list), host_(host) {}

    size_t rowCount() const override { return list_.size(); }
    SourceItem& rowItem(size_t row) override { return list_.item(row); }
    bool isSelected(size_t row) const override { return list_.isSelected(row); }
    void removeExpansionRows() override { list_.removeExpansionRows(); }
    void addExpansionRows(bool selectedOnly, const std::vector<const OutputFormat*>& formats) override {
        list_.addExpansionRows(selectedOnly, formats);
    }
    // False when the user cancelled in the busy window.
    bool prepareSources(bool selectedOnly) override;
    bool measureLoudness(const std::vector<SourceItem*>& items,
                         const std::function<const OutputFormat*(const SourceItem&)>& formatOf,
                         const AppSettings& settings, bool oneAlbum) override;

private:
    FileList& list_;
    ListHost& host_;
};
