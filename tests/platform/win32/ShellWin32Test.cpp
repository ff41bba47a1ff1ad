#include <windows.h>
// After windows.h.
#include <commdlg.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <atomic>
#include <initializer_list>
#include <optional>
#include <thread>
#include <vector>

#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/Text.h"
#include "platform/win32/Handle.h"
#include "platform/win32/WinShell.h"
#include "platform/win32/WinText.h"
#include "support/TestSupport.h"

using namespace testing_support;
using platform::win32::KeyHandle;
using platform::win32::widen;

namespace {

TEST(WindowsShell, DialogResultBuffer) {
    const wchar_t several[] = L"C:\\Music\0a.mp3\0\x041F.wav\0\0";
    EXPECT_EQ(platform::win32::splitDialogResult(several, std::size(several), true),
              (std::vector<std::string>{"C:\\Music", "a.mp3", "П.wav"}));
    const wchar_t one[] = L"C:\\Music\\a.mp3\0left\0over\0\0";
    EXPECT_EQ(platform::win32::splitDialogResult(one, std::size(one), false),
              std::vector<std::string>{"C:\\Music\\a.mp3"});
    EXPECT_EQ(platform::win32::splitDialogResult(one, std::size(one), true).size(), 3u);
}

// A visible dialog of the thread; null when it shows none.
HWND visibleDialogOf(DWORD thread) {
    HWND dialog = nullptr;
    EnumThreadWindows(
        thread,
        [](HWND w, LPARAM out) -> BOOL {
            wchar_t cls[64] = {};
            GetClassNameW(w, cls, 64);
            if (std::wstring(cls) != L"#32770" || !IsWindowVisible(w)) return TRUE;
            *reinterpret_cast<HWND*>(out) = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&dialog));
    return dialog;
}

// True when one of the window's edit boxes (also those inside combo boxes) ends with text.
bool editShows(HWND window, const std::wstring& text) {
    std::pair<const std::wstring*, bool> search{&text, false};
    EnumChildWindows(
        window,
        [](HWND w, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<std::pair<const std::wstring*, bool>*>(data);
            wchar_t cls[16] = {}, shown[MAX_PATH * 2] = {};
            GetClassNameW(w, cls, 16);
            GetWindowTextW(w, shown, MAX_PATH * 2);
            s->second = _wcsicmp(cls, L"Edit") == 0 && std::wstring_view(shown).ends_with(*s->first);
            return !s->second;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// Plays the user: answers each dialog of the calling thread with one command once an edit box shows
// `ready` (the dialog has set itself up; after 30 s it is answered anyway), and counts the dialogs.
// Stops when the returned thread is destroyed, after the chooser has returned.
std::jthread answerDialogs(WORD command, std::atomic<int>& seen, std::wstring ready) {
    return std::jthread([command, &seen, ready, owner = GetCurrentThreadId()](std::stop_token stop) {
        for (HWND answered = nullptr; !stop.stop_requested(); Sleep(20)) {
            HWND dialog = visibleDialogOf(owner);
            if (dialog == nullptr || dialog == answered) continue;
            ++seen;
            for (int i = 0; i < 1500 && !editShows(dialog, ready); ++i) Sleep(20);
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
            answered = dialog;
        }
    });
}

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
    std::atomic<int> seen{0};
    const auto chosen = [&] {
        auto user = answerDialogs(IDOK, seen, L"Папка");
        return platform::systemShell().chooseFolder(request);
    }();
    EXPECT_EQ(seen, 1);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_TRUE(platform::samePath(*chosen, start + "\\")) << *chosen;

    // The same choice with no room for the added separator, then a cancel.
    request.maxChars = platform::utf16Length(start) + 1;
    for (const WORD command : {IDOK, IDCANCEL}) {
        auto user = answerDialogs(command, seen, L"Папка");
        EXPECT_EQ(platform::systemShell().chooseFolder(request), std::nullopt) << command;
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
    std::atomic<int> seen{0};
    {
        auto user = answerDialogs(IDOK, seen, L"a b & c.mp3");
        const auto chosen = platform::systemShell().chooseFile(request);
        ASSERT_TRUE(chosen.has_value());
        ASSERT_EQ(chosen->size(), 1u);
        EXPECT_TRUE(platform::samePath((*chosen)[0], file)) << (*chosen)[0];
    }
    // The user's cancel with a name in the box does not bring the dialog back.
    {
        auto user = answerDialogs(IDCANCEL, seen, L"a b & c.mp3");
        EXPECT_EQ(platform::systemShell().chooseFile(request), std::nullopt);
    }
    EXPECT_EQ(seen, 2);
}

void setClassValue(const std::wstring& key, const std::wstring& value) {
    RegSetValueW(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, value.c_str(),
                 static_cast<DWORD>(value.size() * sizeof(wchar_t)));
}

// Puts keys below HKEY_CLASSES_ROOT back as they were when it was made (the associations are the
// machine's): each existing key gets its old default value again, a key that did not exist is deleted
// with all below it. Keys are listed outer ones first.
class ClassesKeysRestorer {
public:
    explicit ClassesKeysRestorer(std::initializer_list<const wchar_t*> keys) {
        for (const wchar_t* name : keys) {
            Saved saved;
            saved.name = name;
            KeyHandle key;
            saved.existed = RegOpenKeyExW(HKEY_CLASSES_ROOT, name, 0, KEY_QUERY_VALUE, key.out()) == 0;
            DWORD size = 0;
            if (saved.existed &&
                RegQueryValueExW(key.get(), nullptr, nullptr, &saved.type, nullptr, &size) == 0) {
                saved.value.emplace(size, '\0');
                RegQueryValueExW(key.get(), nullptr, nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(saved.value->data()), &size);
            }
            saved_.push_back(std::move(saved));
        }
    }
    ~ClassesKeysRestorer() {
        for (auto s = saved_.rbegin(); s != saved_.rend(); ++s) {
            KeyHandle key;
            if (!s->existed) {
                RegDeleteTreeW(HKEY_CLASSES_ROOT, s->name.c_str());
                RegDeleteKeyW(HKEY_CLASSES_ROOT, s->name.c_str());
            } else if (RegOpenKeyExW(HKEY_CLASSES_ROOT, s->name.c_str(), 0, KEY_SET_VALUE, key.out()) == 0) {
                if (s->value)
                    RegSetValueExW(key.get(), nullptr, 0, s->type,
                                   reinterpret_cast<const BYTE*>(s->value->data()),
                                   static_cast<DWORD>(s->value->size()));
                else
                    RegDeleteValueW(key.get(), nullptr);
            }
        }
    }
    ClassesKeysRestorer(const ClassesKeysRestorer&) = delete;
    ClassesKeysRestorer& operator=(const ClassesKeysRestorer&) = delete;

private:
    struct Saved {
        std::wstring name;
        bool existed = false;
        DWORD type = 0;
        std::optional<std::string> value;  // the default value's bytes
    };
    std::vector<Saved> saved_;
};

TEST(WindowsShell, OpenDocumentFallsBackToTheWebPageProgramWithAnyName) {
    TempDir dir;
    // A target the shell cannot open (it does not exist); the page program is cmd.exe, copied into a
    // folder with a Cyrillic and CJK name, running "mkdir", so the fallback's launch shows as a new folder
    // of the target's (also non-ASCII) name.
    const std::string target = platform::fullPath(dir.file("Страница-页面"));
    const std::wstring programFolder = widen(platform::fullPath(dir.file("Программа 程序")));
    const std::wstring program = programFolder + L"\\cmd.exe";
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_TRUE(CreateDirectoryW(programFolder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\cmd.exe").c_str(), program.c_str(), TRUE));
    intptr_t result = 0;
    {
        const ClassesKeysRestorer restorer{L".htm", L"MdTestPage", L"MdTestPage\\shell",
                                           L"MdTestPage\\shell\\open", L"MdTestPage\\shell\\open\\command"};
        setClassValue(L".htm", L"MdTestPage");
        setClassValue(L"MdTestPage\\shell\\open\\command", L"\"" + program + L"\" /c mkdir \"%1\"");
        result = platform::systemShell().openDocument(target, SW_HIDE);
    }
    EXPECT_GT(result, 32);
    for (int i = 0; i < 500 && !platform::isExistingFolder(target); ++i) Sleep(20);
    EXPECT_TRUE(platform::isExistingFolder(target));
}

}  // namespace
