#include <windows.h>
// After windows.h.
#include <commdlg.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/Text.h"
#include "platform/win32/WinShell.h"
#include "platform/win32/WinText.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

std::atomic<int> userMessages{0};

LRESULT CALLBACK countingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_USER + 1) {
        ++userMessages;
        return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
}

HWND makeWindow() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = countingProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"MdShellTestWindow";
        RegisterClassW(&wc);
        registered = true;
    }
    return CreateWindowExW(0, L"MdShellTestWindow", L"test", WS_POPUP, 10, 20, 200, 100, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

TEST(WindowsShell, AlwaysOnTopKeepsPlaceAndSize) {
    HWND w = makeWindow();
    ASSERT_NE(w, nullptr);
    RECT before, after;
    GetWindowRect(w, &before);
    platform::win32::setAlwaysOnTop(w, true);
    EXPECT_NE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    platform::win32::setAlwaysOnTop(w, false);
    EXPECT_EQ(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    GetWindowRect(w, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    DestroyWindow(w);
}

TEST(WindowsShell, PumpMessagesDeliversEverythingWaiting) {
    HWND w = makeWindow();
    ASSERT_NE(w, nullptr);
    userMessages = 0;
    for (int i = 0; i < 3; ++i) PostMessageW(w, WM_USER + 1, 0, 0);
    platform::win32::pumpMessages();
    EXPECT_EQ(userMessages.load(), 3);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_USER + 1, WM_USER + 1, PM_NOREMOVE));
    DestroyWindow(w);
}

TEST(WindowsShell, DialogResultBuffer) {
    const wchar_t several[] = L"C:\\Music\0a.mp3\0\x041F.wav\0\0";
    const auto many = platform::win32::splitDialogResult(several, sizeof several / sizeof(wchar_t), true);
    ASSERT_EQ(many.size(), 3u);
    EXPECT_EQ(many[0], "C:\\Music");
    EXPECT_EQ(many[2], "П.wav");
    const wchar_t one[] = L"C:\\Music\\a.mp3\0left\0over\0\0";
    EXPECT_EQ(platform::win32::splitDialogResult(one, sizeof one / sizeof(wchar_t), false),
              std::vector<std::string>{"C:\\Music\\a.mp3"});
    EXPECT_EQ(platform::win32::splitDialogResult(one, sizeof one / sizeof(wchar_t), true).size(), 3u);
}

// Plays the user: waits for a dialog of this thread, then sends it one command. Counts the dialogs seen.
class DialogDriver {
public:
    DialogDriver(WORD command) : owner_(GetCurrentThreadId()) {
        thread_ = std::thread([this, command] {
            for (int round = 0; round < 2; ++round) {
                HWND dialog = waitForDialog(round == 0 ? 30000 : 2000);
                if (dialog == nullptr) return;
                ++dialogsSeen;
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
                // Wait for it to go before looking for a second one.
                for (int i = 0; i < 300 && IsWindow(dialog); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    }
    ~DialogDriver() { finish(); }
    // Waits for the driver to give up looking; the number of dialogs it saw.
    int finish() {
        if (thread_.joinable()) thread_.join();
        return dialogsSeen.load();
    }
    std::atomic<int> dialogsSeen{0};

private:
    HWND waitForDialog(int timeoutMs) {
        for (int waited = 0; waited < timeoutMs; waited += 20) {
            found_ = nullptr;
            EnumThreadWindows(owner_, &DialogDriver::visit, reinterpret_cast<LPARAM>(this));
            if (found_ != nullptr) return found_;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return nullptr;
    }
    static BOOL CALLBACK visit(HWND w, LPARAM self) {
        wchar_t cls[64] = {};
        GetClassNameW(w, cls, 64);
        if (std::wstring(cls) == L"#32770" && IsWindowVisible(w)) {
            reinterpret_cast<DialogDriver*>(self)->found_ = w;
            return FALSE;
        }
        return TRUE;
    }
    DWORD owner_;
    HWND found_ = nullptr;
    std::thread thread_;
};

class WindowsChoosers : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(WindowsChoosers, FolderBrowserSelectsTheStartFolderAndAddsTheSeparator) {
    TempDir dir;
    const std::string start = platform::fullPath(dir.file("Папка"));
    ASSERT_TRUE(platform::createFolderTree(start));
    platform::FolderDialogRequest request;
    request.title = "Please choose a folder:";
    request.initialFolder = start;
    std::optional<std::string> chosen;
    {
        DialogDriver driver(IDOK);
        chosen = platform::systemShell().chooseFolder(request);
        EXPECT_EQ(driver.finish(), 1);
    }
    ASSERT_TRUE(chosen.has_value());
    EXPECT_TRUE(platform::samePath(*chosen, start + "\\")) << *chosen;

    // The same choice with no room for the added separator.
    request.maxChars = platform::utf16Length(start) + 1;
    {
        DialogDriver driver(IDOK);
        chosen = platform::systemShell().chooseFolder(request);
    }
    EXPECT_EQ(chosen, std::nullopt);

    {
        DialogDriver driver(IDCANCEL);
        EXPECT_EQ(platform::systemShell().chooseFolder(request), std::nullopt);
    }
}

TEST_F(WindowsChoosers, FileDialogReturnsTheChoiceAndACancelIsFinal) {
    TempDir dir;
    const std::string file = platform::fullPath(dir.file("a b & c.mp3"));
    writeFile(file, "x");
    platform::FileDialogRequest request;
    request.filter = platform::parseFileFilter("*.mp3|*.mp3||");
    request.flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    request.initialName = file;
    request.defaultExtension = ".mp3";
    {
        DialogDriver driver(IDOK);
        const auto chosen = platform::systemShell().chooseFile(request);
        ASSERT_TRUE(chosen.has_value());
        ASSERT_EQ(chosen->size(), 1u);
        EXPECT_TRUE(platform::samePath((*chosen)[0], file)) << (*chosen)[0];
    }
    {
        // The user's cancel with a name in the box does not bring the dialog back.
        DialogDriver driver(IDCANCEL);
        EXPECT_EQ(platform::systemShell().chooseFile(request), std::nullopt);
        EXPECT_EQ(driver.finish(), 1);
    }
}

}  // namespace

namespace {

// The default value of a key below HKEY_CLASSES_ROOT; empty when missing.
std::wstring classValue(const std::wstring& key) {
    wchar_t value[512] = {};
    LONG size = sizeof value;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), value, &size) != ERROR_SUCCESS) return {};
    return value;
}

void setClassValue(const std::wstring& key, const std::wstring& value) {
    RegSetValueW(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, value.c_str(),
                 static_cast<DWORD>(value.size() * sizeof(wchar_t)));
}

TEST(WindowsShell, OpenDocumentFallsBackToTheWebPageProgram) {
    TempDir dir;
    // A target the shell cannot open (it does not exist); the page program here is "cmd /c mkdir", so the
    // fallback's launch shows as a new folder of the target's name.
    const std::string target = platform::fullPath(dir.file("made-by-fallback"));
    const std::wstring oldPageClass = classValue(L".htm");
    setClassValue(L".htm", L"MdTestPage");
    setClassValue(L"MdTestPage\\shell\\open\\command", L"cmd.exe /c mkdir \"%1\"");
    const intptr_t result = platform::systemShell().openDocument(target, SW_HIDE);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"MdTestPage");
    if (oldPageClass.empty()) {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L".htm");
    } else {
        setClassValue(L".htm", oldPageClass);
    }
    EXPECT_GT(result, 31);
    bool made = false;
    for (int i = 0; i < 500 && !made; ++i) {
        made = platform::isExistingFolder(target);
        if (!made) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(made);
}

}  // namespace
