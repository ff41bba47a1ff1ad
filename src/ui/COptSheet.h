// The Options sheet: its pages (General, Audio; the list is kPages in COptSheet.cpp) over copies of the
// settings and of the formats' values, taken back only on OK. The page shown first is the one that was
// active when the sheet last closed.
#pragma once

#include <windows.h>

#include <cstdint>

#include "formats/Catalogue.h"
#include "platform/Prompts.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "settings/AppSettings.h"

struct SourceItem;

namespace ui {

struct OptionsOutcome {
    bool accepted = false;
    bool audioIndexChanged = false;  // the rows' automatic stream choice is to be made again
};

class COptSheet {
public:
    // Runs the sheet over owner. On OK the settings and the catalogue's values are changed and the options
    // group is saved; OptStartPageIndex follows the active page either way. focusedRow (may be null) is
    // the list's focused row, which the General page names as an example.
    static OptionsOutcome run(HWND owner, AppSettings& settings, Catalogue& catalogue, SettingsStore& store,
                              platform::Shell& shell, platform::Prompts& prompts,
                              const SourceItem* focusedRow = nullptr);
};

}  // namespace ui
