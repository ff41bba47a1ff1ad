#include "ui/CountdownWindow.h"

#include <utility>

#include "platform/Product.h"
#include "platform/win32/WinShell.h"
#include "platform/win32/WinText.h"
#include "resources/resource.h"

namespace ui {

using platform::win32::widen;

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr COLORREF kWarningColour = RGB(204, 0, 0);

}  // namespace

CountdownWindow::CountdownWindow(platform::Shutdown& shutdown, ShowWarning showWarning, UINT tickMs,
                                 HINSTANCE module)
    : DialogWindow(module), shutdown_(shutdown), showWarning_(std::move(showWarning)), tickMs_(tickMs) {}

CountdownWindow::~CountdownWindow() = default;

CountdownWindow::Outcome CountdownWindow::run(HWND owner) {
    countdown_ = ShutdownCountdown();
    const INT_PTR ended = runModal(IDD_COUNTDOWN, owner);
    font_.reset();
    if (ended == -1 || ended == 0) return Outcome::kNotShown;
    if (ended != IDOK) return Outcome::kCancelled;
    const uint32_t error = shutdown_.shutDownSystem();
    if (error == 0) return Outcome::kShutDown;
    if (showWarning_) showWarning_(shutdownFailureMessage(error));
    return Outcome::kShutDownFailed;
}

bool CountdownWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowTextW(handle(), widen(product::kName).c_str());
            setItemText(IDC_COUNTDOWN_WARNING, ShutdownCountdown::warningText());
            setItemText(IDC_COUNTDOWN_SECONDS, "");
            font_.reset(CreateFontW(-14, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                    DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
            for (const int id : {IDC_COUNTDOWN_WARNING, IDC_COUNTDOWN_SECONDS}) {
                SendMessageW(item(id), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
            }
            background_ = GetSysColorBrush(COLOR_BTNFACE);
            centre();
            platform::win32::setAlwaysOnTop(handle(), true);
            SetTimer(handle(), kTimerId, tickMs_, nullptr);
            return false;
        }
        case WM_TIMER:
            if (wParam != kTimerId) return false;
            if (const auto text = countdown_.tick()) {
                setItemText(IDC_COUNTDOWN_SECONDS, *text);
            } else {
                KillTimer(handle(), kTimerId);
                EndDialog(handle(), IDOK);
            }
            return true;
        case WM_CTLCOLORSTATIC: {
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
            if (id != IDC_COUNTDOWN_WARNING && id != IDC_COUNTDOWN_SECONDS) return false;
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kWarningColour);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            result = reinterpret_cast<INT_PTR>(background_);
            return true;
        }
        case WM_COMMAND:
            // Only Cancel ends the countdown early; Enter leaves it running.
            if (LOWORD(wParam) == IDCANCEL) {
                KillTimer(handle(), kTimerId);
                EndDialog(handle(), IDCANCEL);
            }
            return true;
        case WM_DESTROY:
            KillTimer(handle(), kTimerId);
            platform::win32::setAlwaysOnTop(handle(), false);
            return false;
        default:
            return false;
    }
}

CountdownWindow::ShowWarning warningBox(HWND owner) {
    return [owner](const std::string& text) {
        MessageBoxW(owner, widen(text).c_str(), widen(product::kName).c_str(), MB_OK | MB_ICONWARNING);
    };
}

}  // namespace ui
