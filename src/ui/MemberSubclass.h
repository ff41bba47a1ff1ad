// Subclass procedures that hand a window's messages to a member function of the object whose address is
// the subclass id. No exception crosses into the system: when the handler throws, the window's own
// procedure gets the message.
#pragma once

#include <windows.h>

#include <commctrl.h>

namespace ui {

template <typename Owner, LRESULT (Owner::*Handler)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK memberSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR) {
    try {
        return (reinterpret_cast<Owner*>(id)->*Handler)(window, message, wParam, lParam);
    } catch (...) {
        return DefSubclassProc(window, message, wParam, lParam);
    }
}

}  // namespace ui
