// Stand-ins for a run's surroundings, for tests and benchmarks that drive whole runs: the sources as a
// plain vector (every row selected, nothing to prepare or expand) and a host that shows nothing.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/ConversionRun.h"
#include "sources/SourceItem.h"

namespace testing_support {

struct ItemSources : RunSources {
    std::vector<std::unique_ptr<SourceItem>> items;
    size_t rowCount() const override { return items.size(); }
    SourceItem& rowItem(size_t row) override { return *items[row]; }
    bool isSelected(size_t) const override { return true; }
    void removeExpansionRows() override {}
    void addExpansionRows(bool, const std::vector<const OutputFormat*>&) override {}
    bool prepareSources(bool) override { return true; }
};

// Every call does nothing; a test overrides what it watches.
struct QuietRunHost : RunHost {
    void setStatus(SourceItem&, const std::string&) override {}
    void openProgress(const ProgressSetup&) override {}
    void setProgressText(const std::string&) override {}
    void setProgressFraction(double) override {}
    void stepProgressBar() override {}
    void setProgressPercent(const std::string&) override {}
    bool closeProgress() override { return false; }
    void showMessage(const std::string&, MessageIcon) override {}
    std::optional<std::string> chooseJoinedOutput(const std::string&) override { return std::nullopt; }
    void showInFileManager(const std::string&) override {}
    void startShutdownCountdown() override {}
};

}  // namespace testing_support
