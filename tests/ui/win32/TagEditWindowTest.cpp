// Edit Tags from the main window under Wine, driven by messages: the dialog shows the two rows' shared and
// differing fields, a typed title and the numbering reach the rows on OK, Cancel changes nothing, and a
// run's output carries the edits while the source keeps its bytes.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <functional>
#include <sstream>

#include "platform/MemorySettingsStore.h"
#include "platform/win32/WinText.h"
#include "resources/resource.h"
#include "support/MediaInspector.h"
#include "support/PromptsRecorder.h"
#include "support/ShellRecorder.h"
#include "support/TestSupport.h"
#include "ui/MainDialog.h"

using namespace testing_support;
using platform::win32::narrow;

namespace {

// Steps run one after another from a thread timer inside the dialog's modal loop; a step returns false
// to be tried again on the next tick.
std::vector<std::function<bool()>>* steps = nullptr;
size_t nextStep = 0;
void CALLBACK runStep(HWND, UINT, UINT_PTR, DWORD) {
    if (steps != nullptr && nextStep < steps->size() && (*steps)[nextStep]()) ++nextStep;
}

// Sends the command with the script running; true when every step ran.
bool runWithScript(HWND window, UINT command, std::vector<std::function<bool()>> script) {
    steps = &script;
    nextStep = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, runStep);
    SendMessageW(window, WM_COMMAND, command, 0);
    KillTimer(nullptr, timer);
    steps = nullptr;
    return nextStep == script.size();
}

std::string fieldText(HWND dialog, TagField field) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, IDC_TAG_FIRST + static_cast<int>(field), text, 256);
    return narrow(text);
}

HWND tagDialog() { return FindWindowW(L"#32770", L"Edit Tags"); }

}  // namespace

TEST(TagEditWindow, EditsOfTwoRowsReachTheRowsOnOkAndNotOnCancel) {
    TempDir dir;
    MemorySettingsStore store;
    ShellRecorder shell;
    PromptsRecorder prompts;
    MainDialog main(MainServices{&store, &shell, &prompts, nullptr, binFolder()});
    ASSERT_NE(main.open(), nullptr);
    main.settings().DestOutputFolderOpt = 199;
    main.settings().OutputFormat = 1160;  // MP3
    ASSERT_TRUE(makeSineWav(dir.file("a.wav"), 1));
    ASSERT_TRUE(makeSineWav(dir.file("b.wav"), 1));
    main.adder().addBatch({dir.file("a.wav"), dir.file("b.wav")});
    FileList& list = main.list();
    ASSERT_EQ(list.size(), 2u);
    list.item(0).tags[kTagTitle] = "One";
    list.item(1).tags[kTagTitle] = "Two";
    for (size_t r = 0; r < 2; ++r) list.item(r).tags[kTagArtist] = "Band";
    const HWND view = GetDlgItem(main.handle(), IDC_FILE_LIST);
    for (int r = 0; r < 2; ++r) ListView_SetItemState(view, r, LVIS_SELECTED, LVIS_SELECTED);
    ASSERT_EQ(list.selectedCount(), 2u);

    std::string title, artist, note;
    bool trackGreyed = false;
    std::string numbered;
    ASSERT_TRUE(runWithScript(main.handle(), ID_EDIT_TAGS, {[&] {
                                  const HWND dialog = tagDialog();
                                  if (dialog == nullptr) return false;
                                  title = fieldText(dialog, kTagTitle);
                                  artist = fieldText(dialog, kTagArtist);
                                  wchar_t text[256] = {};
                                  GetDlgItemTextW(dialog, IDC_TAG_NOTE, text, 256);
                                  note = narrow(text);
                                  SetDlgItemTextW(dialog, IDC_TAG_ALBUM, L"Live");
                                  SendDlgItemMessageW(dialog, IDC_TAG_NUMBER, BM_CLICK, 0, 0);
                                  trackGreyed = IsWindowEnabled(GetDlgItem(dialog, IDC_TAG_TRACK)) == FALSE;
                                  numbered =
                                      fieldText(dialog, kTagTrack) + "/" + fieldText(dialog, kTagTrackTotal);
                                  SendDlgItemMessageW(dialog, IDOK, BM_CLICK, 0, 0);
                                  return true;
                              }}));
    EXPECT_EQ(title, "(keep)");
    EXPECT_EQ(artist, "Band");
    EXPECT_EQ(note, "2 files. (keep): each file keeps its own value.");
    EXPECT_TRUE(trackGreyed);
    EXPECT_EQ(numbered, "1 to 2/2");
    for (size_t r = 0; r < 2; ++r) {
        const TagEdits& edits = list.item(r).tagEdits;
        EXPECT_EQ(edits.values[kTagAlbum], "Live") << r;
        EXPECT_EQ(edits.values[kTagTrack], std::to_string(r + 1)) << r;
        EXPECT_EQ(edits.values[kTagTrackTotal], "2") << r;
        EXPECT_FALSE(edits.values[kTagTitle]) << "kept: " << r;
    }

    // Typed, then cancelled by Escape: the rows keep what they had.
    ListView_SetItemState(view, 0, 0, LVIS_SELECTED);
    ASSERT_EQ(list.selectedCount(), 1u);
    ASSERT_TRUE(runWithScript(main.handle(), ID_EDIT_TAGS, {[&] {
                                  const HWND dialog = tagDialog();
                                  if (dialog == nullptr) return false;
                                  title = fieldText(dialog, kTagTitle);
                                  SetDlgItemTextW(dialog, IDC_TAG_TITLE, L"Lost");
                                  PostMessageW(GetDlgItem(dialog, IDC_TAG_TITLE), WM_KEYDOWN, VK_ESCAPE, 0);
                                  return true;
                              }}));
    EXPECT_EQ(title, "Two") << "one row: its own title";
    EXPECT_FALSE(list.item(1).tagEdits.values[kTagTitle]);
    EXPECT_EQ(list.item(1).tagEdits.values[kTagAlbum], "Live");

    // The run's output of the second row carries its edits; its source is unchanged.
    const std::string before = readFile(dir.file("b.wav"));
    SendMessageW(main.handle(), WM_COMMAND, ID_CONVERT_ALL, 0);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!main.conversion() || main.conversion()->isActive() || main.conversion()->awaitsReports()) {
        ASSERT_LT(std::chrono::steady_clock::now(), end);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (main.preTranslate(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
    const auto probe = media_inspector::runProbe(
        {"-v", "error", "-show_entries", "format_tags=album,track:format=duration", "-of", "default"},
        dir.file("b.mp3"));
    EXPECT_NE(probe.output.find("TAG:album=Live"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("TAG:track=2/2"), std::string::npos) << probe.output;
    EXPECT_TRUE(readFile(dir.file("b.wav")) == before) << "the source was changed";
    main.close();
}
