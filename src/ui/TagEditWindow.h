// The "Edit Tags" dialog of the list's rows, opened from the context menu. Modal.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "ui/logic/TagEditDialog.h"

namespace ui {

// Shows the dialog over owner for the rows (in list order); each row's new edits on OK, nothing on
// Cancel (or when the dialog could not be shown). module: where the template is; null for the program.
std::optional<std::vector<TagEdits>> editTags(HWND owner, std::vector<TagEditDialog::Row> rows,
                                              HINSTANCE module = nullptr);

}  // namespace ui
