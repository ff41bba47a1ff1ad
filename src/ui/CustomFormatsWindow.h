// The "Customize Output Formats" dialog, opened from the main window's output-format list, and the small
// name input it asks for a group's name with. Both are modal; their warnings go through Prompts.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "formats/CustomFormats.h"
#include "platform/Prompts.h"

class Catalogue;

namespace ui {

// Shows the dialog over owner on copies of the groups; the new list on OK, nothing on Cancel (or when
// the dialog could not be shown). module: where the templates are; null for the program itself.
std::optional<std::vector<CustomOutputFormat>> editCustomFormats(
    HWND owner, const Catalogue& catalogue, const std::vector<CustomOutputFormat>& groups,
    platform::Prompts& prompts, HINSTANCE module = nullptr);

// Asks for a text titled title, starting with initial. OK with an empty text is refused with
// "Please input a <noun>." unless allowEmpty. The text on OK, nothing on Cancel.
std::optional<std::string> inputName(HWND owner, const std::string& title, const std::string& noun,
                                     bool allowEmpty, const std::string& initial, platform::Prompts& prompts,
                                     HINSTANCE module = nullptr);

}  // namespace ui
