// Window helpers of the Windows shell layer.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace platform::win32 {

// Moves the window into (on) or out of the topmost band without moving or sizing it.
void setAlwaysOnTop(HWND window, bool on);
// Removes, translates and dispatches every message waiting in the calling thread's queue.
void pumpMessages();

// The file dialog's result buffer: with several files chosen it holds the folder and the names, each
// ending in a null, the list ending in an empty one; otherwise one path.
std::vector<std::string> splitDialogResult(const wchar_t* buffer, size_t size, bool multiSelect);

}  // namespace platform::win32
