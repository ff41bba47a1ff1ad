// The run's windows driven through their controls and keys, under a plain message loop that knows
// nothing about dialogs (as the main window's loop may not).
#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/RunMessages.h"
#include "platform/win32/WinText.h"
#include "resources/resource.h"
#include "support/ShellRecorder.h"
#include "support/ShutdownRecorder.h"
#include "support/TestSupport.h"
#include "ui/BusyWindow.h"
#include "ui/CountdownWindow.h"
#include "ui/ProgressWindow.h"

using platform::win32::narrow;
using Posted = std::vector<std::pair<UINT, WPARAM>>;

namespace {

// The main window's stand-in: records the messages posted to it.
struct Owner {
    HWND hwnd;
    Posted received;

    Owner() {
        WNDCLASSW c{};
        c.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            auto* self = reinterpret_cast<Owner*>(GetWindowLongPtrW(w, GWLP_USERDATA));
            if (self != nullptr && m >= WM_USER && m < WM_APP) self->received.emplace_back(m, wp);
            return DefWindowProcW(w, m, wp, lp);
        };
        c.hInstance = GetModuleHandleW(nullptr);
        c.lpszClassName = L"RunWindowsTestOwner";
        RegisterClassW(&c);
        hwnd = CreateWindowExW(0, c.lpszClassName, L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 640,
                               480, nullptr, nullptr, c.hInstance, nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Owner() { DestroyWindow(hwnd); }
};

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void pressKey(HWND control, WPARAM key) {
    PostMessageW(control, WM_KEYDOWN, key, 1);
    pump();
}

void primaryButton(bool down) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
}

std::string listItem(HWND list, int i) {
    wchar_t text[64] = {};
    SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    return narrow(text);
}

LRESULT selection(HWND list) { return SendMessageW(list, CB_GETCURSEL, 0, 0); }
std::string text(HWND dialog, int id) { return ui::windowText(GetDlgItem(dialog, id)); }

ProgressSetup setup(uint32_t priority, uint32_t threads, std::string folder) {
    ProgressSetup s;
    s.priorityClass = priority;
    s.threads = threads;
    s.outputFolder = std::move(folder);
    return s;
}

}  // namespace

TEST(ProgressWindow, ShowsItsSetupAndPostsWhatTheListsChoose) {
    Owner owner;
    testing_support::ShellRecorder shell;
    ui::ProgressWindow window(shell);
    ASSERT_TRUE(window.open(owner.hwnd, setup(0x20, 2, "")));
    HWND dialog = window.handle();
    HWND threads = GetDlgItem(dialog, IDC_THREADS), priority = GetDlgItem(dialog, IDC_PRIORITY);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner.hwnd);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(SendMessageW(threads, CB_GETCOUNT, 0, 0), 32);
    EXPECT_EQ(listItem(threads, 0) + listItem(threads, 9) + listItem(threads, 31), "11032");
    EXPECT_EQ(selection(threads), 1);
    EXPECT_EQ(SendMessageW(priority, CB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(listItem(priority, 0) + "," + listItem(priority, 1) + "," + listItem(priority, 4),
              "High,Above Normal,Idle");
    EXPECT_EQ(selection(priority), 2);
    EXPECT_EQ(text(dialog, IDC_OUTPUT_FOLDER_TEXT), "Same as source file");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_OUTPUT_FOLDER_BUTTON)));

    SendMessageW(threads, CB_SETCURSEL, 5, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_THREADS, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(threads));
    pressKey(priority, VK_DOWN);  // Normal -> Below Normal
    EXPECT_EQ(owner.received, (Posted{{kWmRunSetThreads, 6}, {kWmRunSetPriority, 0x4000}}));

    // What the run sets reads back from the controls; the bar spans the control's width.
    window.setText("Converting 3 file(s) to MP3...");
    window.setPercent("40%");
    const int width = window.barWidth();
    ASSERT_GT(width, 0);
    window.setBarFraction(0.5);
    window.stepBar();
    HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), width);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), width / 2 + 2);
    EXPECT_EQ(text(dialog, IDC_PROGRESS_TEXT) + text(dialog, IDC_PROGRESS_PERCENT),
              "Converting 3 file(s) to MP3...40%");

    // The body moves the captionless window while the button is held down (pressed over the owner here).
    POINT body{3, 3};
    ClientToScreen(dialog, &body);
    const auto hitTest = [&] { return SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(body.x, body.y)); };
    EXPECT_EQ(hitTest(), HTCLIENT);
    SetCursorPos(120, 400);
    primaryButton(true);
    EXPECT_EQ(hitTest(), HTCAPTION);
    primaryButton(false);
    pump();

    // Opened again for the next run with values no item carries: no priority, the first thread count.
    ASSERT_TRUE(window.open(owner.hwnd, setup(0x100, 40, "D:\\Music")));
    EXPECT_FALSE(IsWindow(dialog));
    dialog = window.handle();
    EXPECT_EQ(selection(GetDlgItem(dialog, IDC_PRIORITY)), CB_ERR);
    EXPECT_EQ(selection(GetDlgItem(dialog, IDC_THREADS)), 0);
    EXPECT_EQ(text(dialog, IDC_OUTPUT_FOLDER_TEXT), "D:\\Music");
    EXPECT_EQ(window.model().threads(), 40u);
}

TEST(ProgressWindow, CancelKeysFolderButtonAndShutDownBox) {
    Owner owner;
    testing_support::ShellRecorder shell;
    testing_support::TempDir dir;
    const std::string folder = testing_support::u8(dir.path());
    ui::ProgressWindow window(shell);
    ASSERT_TRUE(window.open(owner.hwnd, setup(0x20, 2, folder)));
    HWND dialog = window.handle();
    HWND box = GetDlgItem(dialog, IDC_SHUT_DOWN);

    pressKey(GetDlgItem(dialog, IDC_THREADS), VK_ESCAPE);
    SendMessageW(GetDlgItem(dialog, IDC_CANCEL), BM_CLICK, 0, 0);
    pressKey(box, VK_RETURN);  // nothing
    SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    pump();
    EXPECT_EQ(owner.received, Posted(3, {kWmRunCancel, 0}));
    EXPECT_TRUE(IsWindow(dialog)) << "the run closes the window, not the user";

    SendMessageW(GetDlgItem(dialog, IDC_OUTPUT_FOLDER_BUTTON), BM_CLICK, 0, 0);
    EXPECT_EQ(shell.opened, (std::vector<testing_support::ShellRecorder::Opened>{{folder, 1}}));
    SendMessageW(box, BM_CLICK, 0, 0);
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(IsWindow(dialog));

    // A folder that has gone is not opened; an untouched box means no shut-down.
    ASSERT_TRUE(window.open(owner.hwnd, setup(0x20, 2, dir.file("gone"))));
    SendMessageW(GetDlgItem(window.handle(), IDC_OUTPUT_FOLDER_BUTTON), BM_CLICK, 0, 0);
    EXPECT_EQ(shell.opened.size(), 1u);
    EXPECT_FALSE(window.close());
}

TEST(BusyWindow, ShowsWhatItIsGivenAndCancelsOnCancelOrEscape) {
    Owner owner;
    HWND shown = nullptr;
    {
        ui::BusyWindow busy(owner.hwnd, "Searching files...");
        shown = busy.handle();
        ASSERT_TRUE(IsWindowVisible(shown));
        EXPECT_EQ(text(shown, IDC_BUSY_TEXT), "Searching files...");
        const int width = busy.barWidth();
        ASSERT_GT(width, 0);
        busy.setBar(width / 3);
        busy.setText("[1/3] Adding file a.wav...");
        busy.setPercent("33%");
        HWND bar = GetDlgItem(shown, IDC_BUSY_BAR);
        EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), width);
        EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), width / 3);
        EXPECT_EQ(text(shown, IDC_BUSY_TEXT) + text(shown, IDC_BUSY_PERCENT),
                  "[1/3] Adding file a.wav...33%");

        PostMessageW(GetDlgItem(shown, IDC_BUSY_TEXT), WM_KEYDOWN, VK_RETURN, 1);
        busy.pumpMessages();
        EXPECT_FALSE(busy.cancelled());
        PostMessageW(GetDlgItem(shown, IDC_BUSY_TEXT), WM_KEYDOWN, VK_ESCAPE, 1);
        busy.pumpMessages();
        EXPECT_TRUE(busy.cancelled());
    }
    EXPECT_FALSE(IsWindow(shown)) << "the window goes with its object";

    ui::BusyWindow clicked(owner.hwnd, "");
    SendMessageW(GetDlgItem(clicked.handle(), IDC_CANCEL), BM_CLICK, 0, 0);
    EXPECT_TRUE(clicked.cancelled());

    // Without its template the step still runs: no bar, never cancelled.
    ui::BusyWindow missing(owner.hwnd, "x", GetModuleHandleW(L"kernel32.dll"));
    EXPECT_FALSE(missing.isOpen());
    EXPECT_EQ(missing.barWidth(), 0);
    EXPECT_FALSE(missing.cancelled());
}

namespace {

// One countdown, watched from outside its modal loop.
struct CountdownRun {
    bool pressCancel = false;
    uint32_t shutdownAnswer = 0;
    ui::CountdownWindow* window = nullptr;
    std::vector<std::string> seconds;  // every text put into the seconds line
    std::string caption;
    bool topmost = false;
    LOGFONTW font{};
    testing_support::ShutdownRecorder shutdown;
    std::vector<std::string> warnings;
};
CountdownRun* watched = nullptr;

void CALLBACK lookAtCountdown(HWND, UINT, UINT_PTR, DWORD) {
    HWND w = watched->window->handle();
    if (w == nullptr || !watched->caption.empty()) return;
    watched->caption = ui::windowText(w);
    watched->topmost = (GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    auto font = reinterpret_cast<HFONT>(SendDlgItemMessageW(w, IDC_COUNTDOWN_SECONDS, WM_GETFONT, 0, 0));
    GetObjectW(font, sizeof watched->font, &watched->font);
    if (watched->pressCancel) SendDlgItemMessageW(w, IDCANCEL, BM_CLICK, 0, 0);
}

LRESULT CALLBACK recordSecondsLine(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_SETTEXT &&
        GetDlgCtrlID(call->hwnd) == IDC_COUNTDOWN_SECONDS) {
        watched->seconds.push_back(narrow(reinterpret_cast<const wchar_t*>(call->lParam)));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

ui::CountdownWindow::Outcome runCountdown(CountdownRun& run, UINT tickMs) {
    Owner owner;
    run.shutdown.answer = run.shutdownAnswer;
    ui::CountdownWindow window(
        run.shutdown, [&](const std::string& t) { run.warnings.push_back(t); }, tickMs);
    run.window = &window;
    watched = &run;
    const UINT_PTR look = SetTimer(nullptr, 0, 5, lookAtCountdown);
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, recordSecondsLine, nullptr, GetCurrentThreadId());
    const auto outcome = window.run(owner.hwnd);
    UnhookWindowsHookEx(hook);
    KillTimer(nullptr, look);
    watched = nullptr;
    return outcome;
}

}  // namespace

TEST(CountdownWindow, CancelKeepsWindowsRunningRunningOutShutsDown) {
    using Outcome = ui::CountdownWindow::Outcome;
    std::vector<std::string> countedDown{""};  // cleared on opening; the first tick shows 30
    for (int n = 30; n >= 1; --n) countedDown.push_back(std::to_string(n) + " seconds remaining");

    CountdownRun cancelled;
    cancelled.pressCancel = true;
    EXPECT_EQ(runCountdown(cancelled, 60000), Outcome::kCancelled);
    EXPECT_EQ(cancelled.shutdown.requests, 0);
    EXPECT_EQ(cancelled.caption, "Melodrift");
    EXPECT_TRUE(cancelled.topmost);
    EXPECT_EQ(cancelled.font.lfHeight, -14);
    EXPECT_GE(cancelled.font.lfWeight, FW_BOLD);
    EXPECT_STREQ(cancelled.font.lfFaceName, L"Tahoma");

    CountdownRun accepted;
    EXPECT_EQ(runCountdown(accepted, 10), Outcome::kShutDown);
    EXPECT_EQ(accepted.shutdown.requests, 1);
    EXPECT_EQ(accepted.seconds, countedDown);

    CountdownRun refused;
    refused.shutdownAnswer = ERROR_ACCESS_DENIED;
    EXPECT_EQ(runCountdown(refused, 10), Outcome::kShutDownFailed);
    EXPECT_EQ(refused.shutdown.requests, 1);
    ASSERT_EQ(refused.warnings.size(), 1u);
    EXPECT_EQ(refused.warnings[0].rfind(
                  "Melodrift failed to shut down Windows because of the following error.\n\n", 0),
              0u);
    EXPECT_TRUE(cancelled.warnings.empty() && accepted.warnings.empty());
}
