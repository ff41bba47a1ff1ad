// The Options sheet's pages for real under Wine: a modeless sheet over its pages, driven by the
// messages the controls send, read back from the controls.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "formats/Catalogue.h"
#include "platform/MemorySettingsStore.h"
#include "platform/Prompts.h"
#include "platform/win32/WinText.h"
#include "resources/resource.h"
#include "sources/SourceItem.h"
#include "support/PromptsRecorder.h"
#include "support/ShellRecorder.h"
#include "ui/DialogWindow.h"
#include "ui/OptionPages.h"

using platform::win32::narrow;
using platform::win32::widen;

namespace {

void pump(DWORD milliseconds = 50) {
    const DWORD end = GetTickCount() + milliseconds;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (GetTickCount() < end);
}

void command(HWND page, int id, int code) {
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}
void setCheck(HWND page, int id, bool on) {
    SendMessageW(GetDlgItem(page, id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    command(page, id, BN_CLICKED);
}
void type(HWND page, int id, const char* text, int code = EN_CHANGE) {
    SendMessageW(GetDlgItem(page, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(widen(text).c_str()));
    command(page, id, code);
}
void choose(HWND page, int id, int index) {
    SendMessageW(GetDlgItem(page, id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    command(page, id, CBN_SELCHANGE);
}
std::string listText(HWND page, int id, int index) {
    wchar_t text[256] = {};
    if (index < 0) index = static_cast<int>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0));
    SendDlgItemMessageW(page, id, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return narrow(text);
}
int listCount(HWND page, int id) {
    return static_cast<int>(SendDlgItemMessageW(page, id, CB_GETCOUNT, 0, 0));
}
bool enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }
bool shown(HWND page, int id) { return IsWindowVisible(GetDlgItem(page, id)) != FALSE; }

// The control's text fits it beside its box, and it lies on the page clear of every other shown control
// but the group boxes around it.
bool fitsBesideTheOthers(HWND page, int id) {
    const HWND control = GetDlgItem(page, id);
    RECT own{}, client{};
    GetWindowRect(control, &own);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&own), 2);
    GetClientRect(page, &client);
    RECT inside{};
    if (!IntersectRect(&inside, &own, &client) || !EqualRect(&inside, &own)) return false;
    const HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    std::wstring text = widen(ui::windowText(control));
    text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    if (size.cx + GetSystemMetrics(SM_CXMENUCHECK) + 4 > own.right - own.left) return false;
    for (HWND other = GetWindow(page, GW_CHILD); other != nullptr; other = GetWindow(other, GW_HWNDNEXT)) {
        if (other == control || !IsWindowVisible(other)) continue;
        wchar_t kind[16] = {};
        GetClassNameW(other, kind, 16);
        if (lstrcmpiW(kind, L"Button") == 0 &&
            (GetWindowLongW(other, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX)
            continue;
        RECT theirs{}, overlap{};
        GetWindowRect(other, &theirs);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&theirs), 2);
        if (IntersectRect(&overlap, &own, &theirs)) return false;
    }
    return true;
}

class OptionsSheet : public ::testing::Test {
protected:
    MemorySettingsStore store;
    testing_support::ShellRecorder shell;
    testing_support::PromptsRecorder prompts;
    Catalogue catalogue;
    AppSettings settings;
    const SourceItem* focusedRow = nullptr;
    std::unique_ptr<ui::GeneralPage> general;
    std::unique_ptr<AudioPage> audio;
    std::unique_ptr<ui::COptOutputPage> generalWindow;
    std::unique_ptr<ui::COptVideoPage> audioWindow;
    std::unique_ptr<ui::LoudnessPage> loudness;
    std::unique_ptr<ui::COptLoudnessPage> loudnessWindow;
    HWND sheet = nullptr;

    void open(int startPage, int32_t formatId) {
        general =
            std::make_unique<ui::GeneralPage>(ui::OptionContext{settings, catalogue, store, focusedRow});
        audio = std::make_unique<AudioPage>(catalogue, formatId);
        const ui::PageServices services{store, shell, prompts};
        generalWindow = std::make_unique<ui::COptOutputPage>(*general, services);
        audioWindow = std::make_unique<ui::COptVideoPage>(*audio, services);
        loudness = std::make_unique<ui::LoudnessPage>(settings);
        loudnessWindow = std::make_unique<ui::COptLoudnessPage>(*loudness, services);
        PROPSHEETPAGEW pages[] = {generalWindow->descriptor(), audioWindow->descriptor(),
                                  loudnessWindow->descriptor()};
        PROPSHEETHEADERW header{};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS | PSH_NOAPPLYNOW | PSH_NOCONTEXTHELP;
        header.hInstance = GetModuleHandleW(nullptr);
        header.pszCaption = L"Options";
        header.nPages = static_cast<UINT>(std::size(pages));
        header.nStartPage = static_cast<UINT>(startPage);
        header.ppsp = pages;
        sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
        ASSERT_NE(sheet, nullptr);
        ShowWindow(sheet, SW_SHOW);
        SetForegroundWindow(sheet);
        pump();
    }
    HWND current() const { return PropSheet_GetCurrentPageHwnd(sheet); }
    bool switchTo(int index) {
        return SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0) != FALSE;
    }
    // MELODRIFT_HOLD_PAGES=milliseconds keeps the sheet on screen for a look or a screenshot.
    void hold() {
        if (const char* ms = std::getenv("MELODRIFT_HOLD_PAGES")) pump(static_cast<DWORD>(std::atoi(ms)));
    }
    void TearDown() override {
        if (sheet != nullptr) DestroyWindow(sheet);
    }
};

}  // namespace

TEST_F(OptionsSheet, GeneralPageFollowsItsPresenterAndKeepsARefusedLength) {
    settings.DestOutputFolderOpt = 199;
    settings.EnableIgnoreTheLast = 1;
    settings.IgnoreLength = 90500;
    open(0, 1160);
    HWND page = generalWindow->handle();
    ASSERT_EQ(current(), page);
    hold();

    // 90.5 s split into its fields; the rows that are off and the folder controls are disabled.
    EXPECT_EQ(ui::windowText(GetDlgItem(page, IDC_GEN_IGNORE_MINUTES)), "1");
    EXPECT_EQ(ui::windowText(GetDlgItem(page, IDC_GEN_IGNORE_SECONDS)), "30");
    EXPECT_EQ(ui::windowText(GetDlgItem(page, IDC_GEN_IGNORE_MS)), "500");
    EXPECT_TRUE(enabled(page, IDC_GEN_IGNORE_HOURS_SPIN));
    EXPECT_FALSE(enabled(page, IDC_GEN_CONVERT_HOURS));
    EXPECT_FALSE(shown(page, IDC_GEN_FIX_AUDIO_UNSYNC));
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_GEN_VERIFY_OUTPUTS), BST_UNCHECKED);
    EXPECT_TRUE(enabled(page, IDC_GEN_VERIFY_OUTPUTS));
    EXPECT_TRUE(fitsBesideTheOthers(page, IDC_GEN_VERIFY_OUTPUTS));
    setCheck(page, IDC_GEN_VERIFY_OUTPUTS, true);
    EXPECT_EQ(general->fields().VerifyOutputs, 1u);
    EXPECT_EQ(listCount(page, IDC_GEN_FILTER_EXTS), 8);  // the presets, without a stored history
    ASSERT_EQ(listCount(page, IDC_GEN_OUTPUT_FOLDER_OPT), 2);
    EXPECT_EQ(listText(page, IDC_GEN_OUTPUT_FOLDER_OPT, -1), "Same as source file");
    for (int id : {IDC_GEN_SPECIFIC_FOLDER, IDC_GEN_BROWSE_FOLDER, IDC_GEN_OPEN_FOLDER, IDC_GEN_CREATE_DIRS})
        EXPECT_FALSE(enabled(page, id)) << id;

    choose(page, IDC_GEN_OUTPUT_FOLDER_OPT, 1);
    for (int id : {IDC_GEN_SPECIFIC_FOLDER, IDC_GEN_BROWSE_FOLDER, IDC_GEN_OPEN_FOLDER, IDC_GEN_CREATE_DIRS})
        EXPECT_TRUE(enabled(page, id)) << id;
    shell.folderAnswer = "D:\\Music";
    command(page, IDC_GEN_BROWSE_FOLDER, BN_CLICKED);
    ASSERT_EQ(shell.folderRequests.size(), 1u);
    EXPECT_EQ(ui::windowText(GetDlgItem(page, IDC_GEN_SPECIFIC_FOLDER)), "D:\\Music");

    // Only convert turns Ignore the last off and takes the focus to its hours.
    setCheck(page, IDC_GEN_CONVERT_ENABLE, true);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_GEN_IGNORE_ENABLE), BST_UNCHECKED);
    EXPECT_FALSE(enabled(page, IDC_GEN_IGNORE_HOURS));
    EXPECT_TRUE(enabled(page, IDC_GEN_CONVERT_MS_SPIN));
    EXPECT_EQ(GetFocus(), GetDlgItem(page, IDC_GEN_CONVERT_HOURS));

    // A conversion length of 0 keeps the page, with the focus back on its hours.
    SetFocus(GetDlgItem(page, IDC_GEN_KEEP_ID3_TAG));
    EXPECT_FALSE(switchTo(1));
    EXPECT_EQ(current(), page);
    EXPECT_EQ(prompts.texts,
              std::vector<std::string>{"Conversion length must be greater than 0 millisecond."});
    EXPECT_EQ(GetFocus(), GetDlgItem(page, IDC_GEN_CONVERT_HOURS));

    // Leaving shows the extensions as they are kept: blanks dropped, semicolons turned into commas.
    setCheck(page, IDC_GEN_EXT_FILTER, true);
    EXPECT_TRUE(IsChild(GetDlgItem(page, IDC_GEN_FILTER_EXTS), GetFocus()));  // the combo's edit
    type(page, IDC_GEN_FILTER_EXTS, "mp3; wav", CBN_EDITCHANGE);
    type(page, IDC_GEN_CONVERT_SECONDS, "5");
    EXPECT_TRUE(switchTo(1));
    EXPECT_EQ(ui::windowText(GetDlgItem(page, IDC_GEN_FILTER_EXTS)), "mp3,wav");
    EXPECT_EQ(current(), audioWindow->handle());
    EXPECT_EQ(general->fields().ConvertLength, 5000u);
    EXPECT_EQ(general->fields().DestSpecifiedFolder, "D:\\Music");
    EXPECT_EQ(prompts.texts.size(), 1u);
}

TEST_F(OptionsSheet, GeneralPageNamesTheFocusedRowByItsPattern) {
    settings.OutputFormat = 1160;
    SourceItem row;
    row.path = "C:\\Rips\\take 1.wav";
    for (const auto& [field, value] : {std::pair{kTagArtist, "ABBA"}, std::pair{kTagAlbum, "Gold"},
                                       std::pair{kTagTrack, "3"}, std::pair{kTagTitle, "Waterloo"}})
        row.tags[field] = value;
    focusedRow = &row;
    open(0, 1160);
    HWND page = generalWindow->handle();
    ASSERT_EQ(current(), page);
    const auto preview = [&] { return ui::windowText(GetDlgItem(page, IDC_GEN_NAME_PREVIEW)); };
    EXPECT_EQ(preview(), "Example: take 1.mp3");
    type(page, IDC_GEN_NAME_PATTERN, "<albumartist>\\<album>\\<track> - <title>");
    EXPECT_EQ(preview(), "Example: ABBA\\Gold\\03 - Waterloo.mp3");
    for (int id : {IDC_GEN_NAME_PATTERN, IDC_GEN_NAME_PREVIEW})
        EXPECT_TRUE(fitsBesideTheOthers(page, id)) << id;
    hold();

    // An unknown placeholder keeps the page, with the focus in the pattern.
    type(page, IDC_GEN_NAME_PATTERN, "<artist> <year>");
    EXPECT_NE(preview().find("unknown placeholder \"<year>\""), std::string::npos) << preview();
    SetFocus(GetDlgItem(page, IDC_GEN_KEEP_ID3_TAG));
    EXPECT_FALSE(switchTo(1));
    ASSERT_EQ(prompts.texts.size(), 1u);
    EXPECT_EQ(prompts.texts[0], preview());
    EXPECT_EQ(GetFocus(), GetDlgItem(page, IDC_GEN_NAME_PATTERN));
    type(page, IDC_GEN_NAME_PATTERN, "<artist>\\<title>");
    EXPECT_TRUE(switchTo(1));
    EXPECT_EQ(general->fields().OutputNamePattern, "<artist>\\<title>");
}

TEST_F(OptionsSheet, AudioPageListsFollowTheCodecAndTheVolumeIsChecked) {
    open(1, 1060);
    HWND page = audioWindow->handle();
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(current(), page);
    hold();

    // AMR-NB: bit rates with two decimals, no CBR/VBR choice.
    EXPECT_EQ(listText(page, IDC_AUDIO_VALUE, 1), "4.75 kbps (low quality, small size)");
    EXPECT_EQ(listText(page, IDC_AUDIO_VALUE, -1), "10.20 kbps");
    EXPECT_FALSE(shown(page, IDC_AUDIO_CBR));
    EXPECT_FALSE(shown(page, IDC_AUDIO_VBR));

    choose(page, IDC_AUDIO_CODEC, 1);  // AMR-WB
    const int values = listCount(page, IDC_AUDIO_VALUE);
    ASSERT_EQ(values, 10);  // Auto and nine rates
    EXPECT_EQ(listText(page, IDC_AUDIO_VALUE, 1), "6.60 kbps (low quality, small size)");
    EXPECT_EQ(listText(page, IDC_AUDIO_VALUE, values - 1), "23.85 kbps (high quality, big size)");
    EXPECT_EQ(listText(page, IDC_AUDIO_SAMPLE_RATE, 1), "16000 Hz");

    // MP3 offers CBR and VBR; VBR lists the qualities 10 down to 0.
    int mp3 = -1;
    for (int i = 0; i < listCount(page, IDC_OUTPUT_FORMAT); ++i)
        if (SendDlgItemMessageW(page, IDC_OUTPUT_FORMAT, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == 1160)
            mp3 = i;
    ASSERT_GE(mp3, 0);
    choose(page, IDC_OUTPUT_FORMAT, mp3);
    EXPECT_TRUE(shown(page, IDC_AUDIO_VBR));
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_AUDIO_CBR), BST_CHECKED);
    setCheck(page, IDC_AUDIO_VBR, true);
    EXPECT_EQ(ui::windowText(GetDlgItem(page, IDC_AUDIO_VALUE_LABEL)), "&Quality:");
    EXPECT_EQ(listCount(page, IDC_AUDIO_VALUE), 11);
    EXPECT_EQ(listText(page, IDC_AUDIO_VALUE, 0), "10 (low quality, small size)");

    // The spin's arrow key moves the volume by its step of 10.
    SetFocus(GetDlgItem(page, IDC_AUDIO_VOLUME));
    SendDlgItemMessageW(page, IDC_AUDIO_VOLUME, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(ui::windowText(GetDlgItem(page, IDC_AUDIO_VOLUME)), "110");

    // An empty volume keeps the page.
    type(page, IDC_AUDIO_VOLUME, "");
    SetFocus(GetDlgItem(page, IDC_OUTPUT_FORMAT));
    EXPECT_FALSE(switchTo(0));
    EXPECT_EQ(current(), page);
    ASSERT_EQ(prompts.texts.size(), 1u);
    EXPECT_EQ(prompts.texts[0], kVolumeNotIntegerMessage);
    EXPECT_EQ(GetFocus(), GetDlgItem(page, IDC_AUDIO_VOLUME));
    type(page, IDC_AUDIO_VOLUME, "250");
    EXPECT_TRUE(switchTo(0));
}

TEST_F(OptionsSheet, LoudnessPageGreysByModeRefusesAWrongTargetAndGivesBackTenths) {
    open(2, 1160);
    HWND page = loudnessWindow->handle();
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(current(), page);
    for (int id : {IDC_LOUD_OFF, IDC_LOUD_TAGS, IDC_LOUD_NORMALISE, IDC_LOUD_ALBUM_BY_FOLDER})
        EXPECT_TRUE(fitsBesideTheOthers(page, id)) << id;
    EXPECT_EQ(std::tuple(IsDlgButtonChecked(page, IDC_LOUD_OFF), listCount(page, IDC_LOUD_TARGET),
                         enabled(page, IDC_LOUD_TARGET), enabled(page, IDC_LOUD_ALBUM_BY_FOLDER)),
              std::tuple(BST_CHECKED, 4, false, false));

    // A click on a radio button checks it, and unchecks the others, before it reports.
    CheckRadioButton(page, IDC_LOUD_OFF, IDC_LOUD_NORMALISE, IDC_LOUD_NORMALISE);
    command(page, IDC_LOUD_NORMALISE, BN_CLICKED);
    EXPECT_TRUE(enabled(page, IDC_LOUD_CEILING_LABEL));
    hold();
    type(page, IDC_LOUD_TARGET, "-3", CBN_EDITCHANGE);
    EXPECT_FALSE(switchTo(0));
    ASSERT_EQ(prompts.texts.size(), 1u);
    EXPECT_EQ(prompts.texts[0], ui::kTargetRefusal);
    type(page, IDC_LOUD_TARGET, "-17.5", CBN_EDITCHANGE);
    type(page, IDC_LOUD_CEILING, "-2");
    setCheck(page, IDC_LOUD_ALBUM_BY_FOLDER, false);
    ASSERT_TRUE(switchTo(1));
    ASSERT_TRUE(switchTo(2));
    EXPECT_EQ(ui::windowText(GetDlgItem(page, IDC_LOUD_TARGET)), "-17.5 LUFS");

    ui::OptionContext context{settings, catalogue, store, nullptr};
    ASSERT_EQ(ui::acceptOptions({loudness.get()}, context), std::nullopt);
    EXPECT_EQ(std::tuple(settings.LoudnessMode, settings.LoudnessTarget, settings.TruePeakCeiling,
                         settings.AlbumGainByFolder),
              std::tuple(2u, static_cast<uint32_t>(-175), static_cast<uint32_t>(-20), 0u));
}
