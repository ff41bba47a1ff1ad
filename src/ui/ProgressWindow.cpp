#include "ui/ProgressWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "engine/RunMessages.h"
#include "platform/win32/WinText.h"
#include "resources/resource.h"

namespace ui {

using platform::win32::widen;

namespace {

void fillList(HWND list, const std::vector<std::string>& texts, std::optional<size_t> selected) {
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (const auto& text : texts) {
        const std::wstring wide = widen(text);
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }
    SendMessageW(list, CB_SETMINVISIBLE, 12, 0);
    SendMessageW(list, CB_SETCURSEL, selected ? static_cast<WPARAM>(*selected) : static_cast<WPARAM>(-1), 0);
}

size_t selectedIndex(HWND list) {
    // CB_ERR (-1) becomes an index no list has.
    return static_cast<size_t>(SendMessageW(list, CB_GETCURSEL, 0, 0));
}

bool primaryButtonDown() {
    const int button = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
    return (GetAsyncKeyState(button) & 0x8000) != 0;
}

}  // namespace

ProgressWindow::ProgressWindow(platform::Shell& shell, HINSTANCE module)
    : DialogWindow(module), shell_(shell) {}

ProgressWindow::~ProgressWindow() { destroy(); }

bool ProgressWindow::open(HWND owner, const ProgressSetup& setup) {
    destroy();
    owner_ = owner;
    model_ = ProgressWindowModel(setup);
    if (!createModeless(IDD_PROGRESS, owner)) return false;
    ShowWindow(handle(), SW_SHOW);
    return true;
}

bool ProgressWindow::close() {
    if (isOpen()) {
        model_.setShutDown(IsDlgButtonChecked(handle(), IDC_SHUT_DOWN) == BST_CHECKED);
        destroy();
    }
    return model_.shutDown();
}

void ProgressWindow::setText(const std::string& text) {
    if (isOpen()) setItemText(IDC_PROGRESS_TEXT, text);
}

void ProgressWindow::setPercent(const std::string& text) {
    if (isOpen()) setItemText(IDC_PROGRESS_PERCENT, text);
}

int ProgressWindow::barWidth() const { return DialogWindow::barWidth(IDC_PROGRESS_BAR); }

void ProgressWindow::setBarFraction(double fraction) {
    const double pixels = std::clamp(fraction, 0.0, 1.0) * barWidth();
    DialogWindow::setBar(IDC_PROGRESS_BAR, static_cast<int>(pixels));
}

void ProgressWindow::stepBar() {
    if (isOpen()) SendMessageW(item(IDC_PROGRESS_BAR), PBM_STEPIT, 0, 0);
}

void ProgressWindow::initialise() {
    fillList(item(IDC_PRIORITY), ProgressWindowModel::priorityTexts(), model_.prioritySelection());
    fillList(item(IDC_THREADS), ProgressWindowModel::threadTexts(), model_.threadSelection());
    setItemText(IDC_OUTPUT_FOLDER_TEXT, model_.folderText());
    EnableWindow(item(IDC_OUTPUT_FOLDER_BUTTON), model_.folderButtonEnabled());
    CheckDlgButton(handle(), IDC_SHUT_DOWN, model_.shutDown() ? BST_CHECKED : BST_UNCHECKED);
    HWND bar = item(IDC_PROGRESS_BAR);
    SendMessageW(bar, PBM_SETRANGE32, 0, barWidth());
    SendMessageW(bar, PBM_SETPOS, 0, 0);
    SendMessageW(bar, PBM_SETSTEP, 2, 0);
    centre();
}

void ProgressWindow::post(UINT message, WPARAM wParam) const {
    if (owner_ != nullptr) PostMessageW(owner_, message, wParam, 0);
}

void ProgressWindow::onCommand(int id, int code) {
    switch (id) {
        case IDC_THREADS:
            if (code != CBN_SELCHANGE) return;
            if (const auto threads = model_.chooseThreads(selectedIndex(item(IDC_THREADS)))) {
                post(kWmRunSetThreads, *threads);
            }
            return;
        case IDC_PRIORITY:
            if (code != CBN_SELCHANGE) return;
            if (const auto priority = model_.choosePriority(selectedIndex(item(IDC_PRIORITY)))) {
                post(kWmRunSetPriority, *priority);
            }
            return;
        case IDC_SHUT_DOWN:
            model_.setShutDown(IsDlgButtonChecked(handle(), IDC_SHUT_DOWN) == BST_CHECKED);
            return;
        case IDC_OUTPUT_FOLDER_BUTTON:
            if (code != BN_CLICKED) return;
            if (const auto folder = model_.folderToOpen())
                shell_.openDocument(*folder, platform::kShowNormal);
            return;
        case IDC_CANCEL:
            if (code == BN_CLICKED) post(kWmRunCancel, 0);
            return;
        case IDCANCEL:  // Escape
            post(kWmRunCancel, 0);
            return;
        default:  // Enter (IDOK) does nothing
            return;
    }
}

bool ProgressWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_INITDIALOG:
            initialise();
            return false;
        case WM_COMMAND:
            onCommand(LOWORD(wParam), HIWORD(wParam));
            return true;
        case DM_GETDEFID:
            // No default button whatever the template says: Enter must not cancel the run.
            result = 0;
            return true;
        case WM_NCHITTEST:
            // The window has no caption: its body moves it while the button is down, outside the controls.
            if (DefWindowProcW(handle(), message, wParam, lParam) == HTCLIENT && primaryButtonDown()) {
                result = HTCAPTION;
                return true;
            }
            return false;
        case WM_SYSCOMMAND:
            // Alt+F4 asks to stop the run instead of leaving it without its window.
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                post(kWmRunCancel, 0);
                return true;
            }
            return false;
        default:
            return false;
    }
}

}  // namespace ui
