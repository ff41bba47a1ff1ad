// Edit Tags from the main window under Wine, driven by messages: the dialog shows two rows' shared and
// differing fields, a typed album and the numbering reach the rows on OK, Escape changes nothing.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>

#include "platform/MemorySettingsStore.h"
#include "platform/win32/WinText.h"
#include "resources/resource.h"
#include "support/PromptsRecorder.h"
#include "support/ShellRecorder.h"
#include "support/TestSupport.h"
#include "ui/MainDialog.h"

using namespace testing_support;
using platform::win32::narrow;

namespace {

std::function<bool(HWND)>* step = nullptr;
bool stepped = false;
// Runs the step once the dialog is there, inside its modal loop.
void CALLBACK runStep(HWND, UINT, UINT_PTR, DWORD) {
    const HWND dialog = FindWindowW(L"#32770", L"Edit Tags");
    if (dialog != nullptr && step != nullptr && !stepped) stepped = (*step)(dialog);
}

bool editTagsWith(HWND main, std::function<bool(HWND)> script) {
    step = &script;
    stepped = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, runStep);
    SendMessageW(main, WM_COMMAND, ID_EDIT_TAGS, 0);
    KillTimer(nullptr, timer);
    step = nullptr;
    return stepped;
}

std::string text(HWND dialog, int id) {
    wchar_t buffer[256] = {};
    GetDlgItemTextW(dialog, id, buffer, 256);
    return narrow(buffer);
}

}  // namespace

TEST(TagEditWindow, EditsOfTwoRowsReachTheRowsOnOkAndNotOnEscape) {
    TempDir dir;
    MemorySettingsStore store;
    ShellRecorder shell;
    PromptsRecorder prompts;
    MainDialog main(MainServices{&store, &shell, &prompts, nullptr, binFolder()});
    ASSERT_NE(main.open(), nullptr);
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

    std::string shown;
    ASSERT_TRUE(editTagsWith(main.handle(), [&](HWND dialog) {
        shown = text(dialog, IDC_TAG_TITLE) + "|" + text(dialog, IDC_TAG_ARTIST) + "|" +
                text(dialog, IDC_TAG_NOTE);
        SetDlgItemTextW(dialog, IDC_TAG_ALBUM, L"Live");
        SendDlgItemMessageW(dialog, IDC_TAG_NUMBER, BM_CLICK, 0, 0);
        shown += "|" + text(dialog, IDC_TAG_TRACK) + "/" + text(dialog, IDC_TAG_TRACK_TOTAL);
        if (IsWindowEnabled(GetDlgItem(dialog, IDC_TAG_TRACK))) shown += " editable";
        SendDlgItemMessageW(dialog, IDOK, BM_CLICK, 0, 0);
        return true;
    }));
    EXPECT_EQ(shown, "(keep)|Band|2 files. (keep): each file keeps its own value.|1 to 2/2");
    for (size_t r = 0; r < 2; ++r) {
        const SourceTags out = list.item(r).outputTags();
        EXPECT_EQ(out[kTagAlbum] + "|" + out[kTagTrack] + "/" + out[kTagTrackTotal] + "|" + out[kTagTitle],
                  "Live|" + std::to_string(r + 1) + "/2|" + (r == 0 ? "One" : "Two"));
    }

    // One row: its own title; typed over, then Escape: the row keeps what it had.
    ListView_SetItemState(view, 0, 0, LVIS_SELECTED);
    ASSERT_TRUE(editTagsWith(main.handle(), [&](HWND dialog) {
        shown = text(dialog, IDC_TAG_TITLE);
        SetDlgItemTextW(dialog, IDC_TAG_TITLE, L"Lost");
        PostMessageW(GetDlgItem(dialog, IDC_TAG_TITLE), WM_KEYDOWN, VK_ESCAPE, 0);
        return true;
    }));
    EXPECT_EQ(shown, "Two");
    EXPECT_EQ(list.item(1).outputTags()[kTagTitle], "Two");
    main.close();
}
