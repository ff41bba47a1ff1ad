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

// A control and its parent, both subclassed for one owner: the control's messages go to OnControl, the
// parent's (which the control's notifications and drawing requests reach) to OnParent.
template <typename Owner, LRESULT (Owner::*OnControl)(HWND, UINT, WPARAM, LPARAM),
          LRESULT (Owner::*OnParent)(HWND, UINT, WPARAM, LPARAM)>
class ControlSubclass {
public:
    HWND control = nullptr;
    HWND parent = nullptr;

    // Takes a child window for owner; false when it is none or one is held already.
    bool take(HWND window, Owner* owner) {
        if (control != nullptr || window == nullptr || !IsWindow(window)) return false;
        HWND above = GetParent(window);
        if (above == nullptr) return false;
        control = window;
        parent = above;
        owner_ = owner;
        return true;
    }
    // Subclasses both; false when either cannot be (the owner then lets go with release()).
    bool hook() const {
        return SetWindowSubclass(control, kControlProc, id(), 0) &&
               SetWindowSubclass(parent, kParentProc, id(), 0);
    }
    void release() {
        if (control != nullptr) RemoveWindowSubclass(control, kControlProc, id());
        if (parent != nullptr) RemoveWindowSubclass(parent, kParentProc, id());
        control = parent = nullptr;
    }
    // What OnParent answers for the messages it leaves: the parent's own answer; at its end the
    // subclass goes with it.
    LRESULT parentDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCDESTROY) {
            RemoveWindowSubclass(window, kParentProc, id());
            parent = nullptr;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }

private:
    static constexpr SUBCLASSPROC kControlProc = memberSubclassProc<Owner, OnControl>;
    static constexpr SUBCLASSPROC kParentProc = memberSubclassProc<Owner, OnParent>;
    UINT_PTR id() const { return reinterpret_cast<UINT_PTR>(owner_); }

    Owner* owner_ = nullptr;
};

}  // namespace ui
