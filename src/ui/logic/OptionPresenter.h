// What every page of the Options sheet has in common: it loads from the settings when it is made, refuses
// to be left (or the sheet to close) while a value is wrong, and on OK puts its values back. The sheet runs
// its pages through acceptOptions, so a new page is a presenter of this kind plus its window.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings/AppSettings.h"

class Catalogue;
class SettingsStore;
struct SourceItem;

namespace ui {

// Why the page cannot be left: a warning titled "Melodrift", then the focus goes to the control.
struct PageRefusal {
    std::string message;
    int focusControlId = 0;
    bool operator==(const PageRefusal&) const = default;
};

// What the pages load from and, on OK, write into.
struct OptionContext {
    AppSettings& settings;
    Catalogue& catalogue;
    SettingsStore& store;
    // The list's focused row, for the pages that show what a setting makes of it; null when none.
    const SourceItem* focusedRow = nullptr;
};

class OptionPresenter {
public:
    virtual ~OptionPresenter() = default;

    // Why the page cannot be left or the sheet closed with OK; nothing is written here.
    virtual std::optional<PageRefusal> validate() = 0;
    // OK, once every page has validated: the page's values into the settings, the catalogue, the store.
    virtual void commit(OptionContext& context) = 0;
};

// OK for the whole sheet: every page validates, in order, before any commits, so that a refusing page
// leaves everything as it was. Gives the first refusal.
std::optional<PageRefusal> acceptOptions(const std::vector<OptionPresenter*>& pages, OptionContext& context);

}  // namespace ui
