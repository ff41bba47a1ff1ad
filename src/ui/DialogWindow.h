// A dialog made from a template of the program's resources, modeless or modal, whose messages go to the
// derived window. Modeless ones get their dialog keys (Tab, Escape, mnemonics) from any message loop of
// the thread, so they work under a modal main window's loop as well as under a plain pump.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace ui {

class DialogWindow {
public:
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    HWND handle() const { return hwnd_; }
    bool isOpen() const { return hwnd_ != nullptr; }

protected:
    // module: where the templates are; null for the program itself.
    explicit DialogWindow(HINSTANCE module);
    // Destroys a window still open without calling the derived class any more.
    virtual ~DialogWindow();

    // Where a modeless window's dialog keys are handled: by any message loop of the thread, or only by
    // the loop that owns the window (which lets its key table go first).
    enum class DialogKeys { kAnyLoop, kOwnLoop };
    // Creates the window over owner, hidden unless its template says visible; false when it could not
    // be created (no such template, no display).
    bool createModeless(int templateId, HWND owner, DialogKeys keys = DialogKeys::kAnyLoop);
    // Runs the window until EndDialog; its result, or -1 when the window could not be created.
    INT_PTR runModal(int templateId, HWND owner);
    void destroy();

    // A message to the window. Returns true when handled, with the answer in result (for the messages
    // a dialog answers through DWLP_MSGRESULT, that value). Unhandled WM_CLOSE destroys a modeless window.
    virtual bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) = 0;

    HWND item(int id) const { return GetDlgItem(hwnd_, id); }
    void setItemText(int id, std::string_view text) const;
    // A progress bar of the window: its range is its width in pixels (0 while the window is closed).
    int barWidth(int barId) const;
    void setBar(int barId, int position) const;
    std::string itemText(int id) const;
    // Centres the window over its owner, or on the owner's screen when the owner is hidden or minimised.
    void centre() const;

private:
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void detach();

    HINSTANCE module_;
    HWND hwnd_ = nullptr;
    bool modeless_ = false;
    bool routeKeys_ = false;
};

// The text of any window as UTF-8.
std::string windowText(HWND window);

}  // namespace ui
