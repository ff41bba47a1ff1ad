// The menus and the key table of the main window, made from the command table when the window opens.
#pragma once

#include <windows.h>

#include <vector>

#include "commands/Commands.h"
#include "ui/GdiHandles.h"

namespace ui {

// A popup menu of the table's entries for one menu; the list's stream submenu holds its placeholder
// until the window fills it for a row.
MenuHandle commandMenu(commands::Menu menu);
// Replaces what a popup menu holds by the entries: their greying and their marks (radio marks for a
// choice of one, else check marks); a submenu entry gets an empty submenu with the stream placeholder.
void fillMenu(HMENU menu, const std::vector<commands::MenuEntry>& entries, bool radioMarks = true);
// Every key of the table, for TranslateAcceleratorW.
KeyTableHandle commandKeys();

}  // namespace ui
