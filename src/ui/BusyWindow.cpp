#include "ui/BusyWindow.h"

#include <commctrl.h>

#include "resources/resource.h"

namespace ui {

BusyWindow::BusyWindow(HWND owner, const std::string& text, HINSTANCE module) : DialogWindow(module) {
    if (!createModeless(IDD_BUSY, owner)) return;
    setItemText(IDC_BUSY_TEXT, text);
    setItemText(IDC_BUSY_PERCENT, "");  // a percent only once the step reports one (adding files never does)
    ShowWindow(handle(), SW_SHOW);
    UpdateWindow(handle());
}

BusyWindow::~BusyWindow() { destroy(); }

void BusyWindow::setText(const std::string& text) {
    if (isOpen()) setItemText(IDC_BUSY_TEXT, text);
}

int BusyWindow::barWidth() const { return DialogWindow::barWidth(IDC_BUSY_BAR); }

void BusyWindow::setBar(int position) { DialogWindow::setBar(IDC_BUSY_BAR, position); }

void BusyWindow::setPercent(const std::string& text) {
    if (isOpen()) setItemText(IDC_BUSY_PERCENT, text);
}

void BusyWindow::pumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The program's own loop ends on it: leave it for that loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (isOpen() && IsDialogMessageW(handle(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool BusyWindow::onMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
    switch (message) {
        case WM_INITDIALOG:
            cancelled_ = false;
            SendMessageW(item(IDC_BUSY_BAR), PBM_SETRANGE32, 0, barWidth());
            SendMessageW(item(IDC_BUSY_BAR), PBM_SETPOS, 0, 0);
            centre();
            return false;
        case WM_COMMAND:
            // Cancel and Escape (IDCANCEL) ask the step to stop; Enter does nothing.
            if (LOWORD(wParam) == IDCANCEL ||
                (LOWORD(wParam) == IDC_CANCEL && HIWORD(wParam) == BN_CLICKED)) {
                cancelled_ = true;
            }
            return true;
        case DM_GETDEFID:
            result = 0;  // no default button: Enter does nothing
            return true;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) != SC_CLOSE) return false;
            cancelled_ = true;
            return true;
        default:
            return false;
    }
}

}  // namespace ui
