// The options sheet opened from the main window with the user's own settings store: what OK takes back is
// in the registry and in the next conversion's command line, as the console program builds it.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include "formats/Catalogue.h"
#include "platform/UserSettingsStore.h"
#include "platform/win32/WinText.h"
#include "resources/resource.h"
#include "settings/Settings.h"
#include "support/CliAndMedia.h"
#include "support/PromptsRecorder.h"
#include "support/ShellRecorder.h"
#include "support/TestSupport.h"
#include "ui/MainDialog.h"

using namespace testing_support;

namespace {

// Picks the combo entry whose text contains what, as a user's click does.
void pick(HWND page, int combo, const std::wstring& what) {
    const HWND box = GetDlgItem(page, combo);
    const LRESULT count = SendMessageW(box, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        if (std::wstring(text).find(what) == std::wstring::npos) continue;
        SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(combo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
        return;
    }
    ADD_FAILURE() << "no entry with " << platform::win32::narrow(what);
}

// Runs inside the sheet's modal loop: Overwrite on the General page, 192 kbps for MP3 on the Audio page, OK.
void CALLBACK driveSheet(HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND sheet = FindWindowW(nullptr, L"Options");
    if (sheet == nullptr) return;
    KillTimer(nullptr, timer);
    pick(PropSheet_GetCurrentPageHwnd(sheet), IDC_GEN_TARGET_EXISTS, L"Overwrite");
    PropSheet_SetCurSel(sheet, nullptr, 1);
    const HWND audio = PropSheet_GetCurrentPageHwnd(sheet);
    pick(audio, IDC_OUTPUT_FORMAT, L"MP3");
    pick(audio, IDC_AUDIO_VALUE, L"192");
    PropSheet_PressButton(sheet, PSBTN_OK);
}

}  // namespace

TEST(OptionsFromWindow, OkReachesTheRegistryAndTheNextCommandLine) {
    TempDir dir;
    const std::string wav = dir.file("tune.wav");
    ASSERT_TRUE(makeSineWav(wav, 1));
    std::unique_ptr<SettingsStore> store = platform::openUserSettingsStore();
    store->deleteKey(kSettingsRootKey);
    ShellRecorder shell;
    testing_support::PromptsRecorder prompts;
    {
        MainDialog dialog(MainServices{store.get(), &shell, &prompts, nullptr, binFolder()});
        ASSERT_NE(dialog.open(), nullptr);
        SetTimer(nullptr, 0, 100, driveSheet);
        SendMessageW(dialog.handle(), WM_COMMAND, ID_OPTIONS, 0);
        EXPECT_EQ(dialog.settings().TargetExistsOpt, 22u);
        dialog.close();
    }
    AppSettings stored;
    Catalogue catalogue;
    loadSettings(*store, stored, catalogue);
    EXPECT_EQ(stored.TargetExistsOpt, 22u);
    EXPECT_EQ(stored.OptStartPageIndex, 1u) << "the page active at OK is the next start page";
    EXPECT_EQ(catalogue.findById(1160)->AudioBitRate, 192000);

    const CliRun line = runCli(dir, {"command", "--format", "1160", "--set", "DestOutputFolderOpt=199", wav});
    EXPECT_NE(line.out.find("-b:a 192000 "), std::string::npos) << line.out << line.err;
    store->deleteKey(kSettingsRootKey);
}
