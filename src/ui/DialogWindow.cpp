#include "ui/DialogWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/WinText.h"

namespace ui {

using platform::win32::narrow;
using platform::win32::widen;

namespace {

// Marks the modeless dialogs whose keys the thread's message hook hands to IsDialogMessageW.
constexpr wchar_t kDialogKeysProperty[] = L"Melodrift.DialogKeys";

thread_local HHOOK keyHook = nullptr;
thread_local int keyDialogs = 0;

// Runs inside every GetMessage/PeekMessage of the thread: a key for one of our modeless dialogs is
// handled as a dialog key and leaves the loop as WM_NULL, whoever's loop it is.
LRESULT CALLBACK routeDialogKeys(int code, WPARAM removal, LPARAM lParam) {
    if (code == HC_ACTION && removal == PM_REMOVE) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && msg->hwnd != nullptr) {
            HWND root = GetAncestor(msg->hwnd, GA_ROOT);
            if (root != nullptr && GetPropW(root, kDialogKeysProperty) != nullptr &&
                IsDialogMessageW(root, msg)) {
                msg->message = WM_NULL;
                msg->wParam = 0;
                msg->lParam = 0;
            }
        }
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
}

void routeKeys(HWND dialog) {
    SetPropW(dialog, kDialogKeysProperty, reinterpret_cast<HANDLE>(1));
    if (keyDialogs++ == 0) {
        keyHook = SetWindowsHookExW(WH_GETMESSAGE, routeDialogKeys, nullptr, GetCurrentThreadId());
    }
}

void stopRoutingKeys(HWND dialog) {
    if (RemovePropW(dialog, kDialogKeysProperty) == nullptr) return;
    if (--keyDialogs == 0 && keyHook != nullptr) {
        UnhookWindowsHookEx(keyHook);
        keyHook = nullptr;
    }
}

// Messages whose answer a dialog procedure returns itself instead of through DWLP_MSGRESULT.
bool answersDirectly(UINT message) {
    switch (message) {
        case WM_INITDIALOG:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
            return true;
        default:
            return false;
    }
}

void loadCommonControls() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

}  // namespace

std::string windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(copied, 0)));
    return narrow(text);
}

DialogWindow::DialogWindow(HINSTANCE module) : module_(module ? module : GetModuleHandleW(nullptr)) {}

DialogWindow::~DialogWindow() {
    if (hwnd_ == nullptr) return;
    HWND window = hwnd_;
    detach();
    DestroyWindow(window);
}

bool DialogWindow::createModeless(int templateId, HWND owner, DialogKeys keys) {
    if (hwnd_ != nullptr) return false;
    loadCommonControls();
    modeless_ = true;
    routeKeys_ = keys == DialogKeys::kAnyLoop;
    CreateDialogParamW(module_, MAKEINTRESOURCEW(templateId), owner, procedure,
                       reinterpret_cast<LPARAM>(this));
    return hwnd_ != nullptr;
}

INT_PTR DialogWindow::runModal(int templateId, HWND owner) {
    if (hwnd_ != nullptr) return -1;
    loadCommonControls();
    modeless_ = false;
    routeKeys_ = false;
    return DialogBoxParamW(module_, MAKEINTRESOURCEW(templateId), owner, procedure,
                           reinterpret_cast<LPARAM>(this));
}

void DialogWindow::destroy() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void DialogWindow::detach() {
    if (hwnd_ == nullptr) return;
    SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    stopRoutingKeys(hwnd_);
    hwnd_ = nullptr;
}

void DialogWindow::setItemText(int id, std::string_view text) const {
    SetDlgItemTextW(hwnd_, id, widen(text).c_str());
}

std::string DialogWindow::itemText(int id) const { return windowText(item(id)); }

void DialogWindow::centre() const {
    RECT own{};
    GetWindowRect(hwnd_, &own);
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(owner != nullptr ? owner : hwnd_, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT area = monitor.rcWork;
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &area);
    const LONG width = own.right - own.left;
    const LONG height = own.bottom - own.top;
    LONG x = area.left + (area.right - area.left - width) / 2;
    LONG y = area.top + (area.bottom - area.top - height) / 2;
    // Wholly on the screen even when the owner is partly off it.
    x = std::max(monitor.rcWork.left, std::min(x, monitor.rcWork.right - width));
    y = std::max(monitor.rcWork.top, std::min(y, monitor.rcWork.bottom - height));
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK DialogWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<DialogWindow*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->hwnd_ = window;
        if (self->routeKeys_) routeKeys(window);
    }
    if (self == nullptr) return FALSE;

    INT_PTR result = message == WM_INITDIALOG ? TRUE : 0;
    bool handled = false;
    try {
        handled = self->onMessage(message, wParam, lParam, result);
    } catch (...) {
        // Nothing may unwind through the system's code; the message counts as unhandled.
        handled = false;
    }
    if (message == WM_NCDESTROY) {
        self->detach();
        return FALSE;
    }
    if (!handled) {
        if (message == WM_CLOSE && self->modeless_) {
            DestroyWindow(window);
            return TRUE;
        }
        return message == WM_INITDIALOG ? TRUE : FALSE;
    }
    if (answersDirectly(message)) return result;
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

int DialogWindow::barWidth(int barId) const {
    RECT r{};
    if (!isOpen() || !GetClientRect(item(barId), &r)) return 0;
    return std::max<int>(r.right - r.left, 0);
}

void DialogWindow::setBar(int barId, int position) const {
    if (isOpen()) SendMessageW(item(barId), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

}  // namespace ui
