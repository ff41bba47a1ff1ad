// The file list through the real list control with 50,000 rows: Select All, a sort that carries the
// selection with its rows, a selection made in the control, Remove and Remove All.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/win32/WinText.h"
#include "sources/FileList.h"
#include "ui/FileListView.h"

using platform::win32::narrow;

namespace {

constexpr int kRows = 50000;

FileListView* notified = nullptr;  // the view the parent passes the control's notifications to

LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (message == WM_NOTIFY && notified != nullptr &&
        notified->onNotify(*reinterpret_cast<const NMHDR*>(lParam), &result))
        return result;
    return DefWindowProcW(window, message, wParam, lParam);
}

std::string cellText(HWND list, int row, int column) {
    wchar_t buffer[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 256;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return narrow(buffer);
}

std::string trackName(int n) {
    char name[32];
    std::snprintf(name, sizeof name, "track %05d.mp3", n);
    return name;
}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

struct BigListTest : ::testing::Test {
    HWND parent = nullptr;
    HWND list = nullptr;
    FileList model;
    std::unique_ptr<FileListView> view;

    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSW type{};
        type.lpfnWndProc = parentProc;
        type.hInstance = GetModuleHandleW(nullptr);
        type.lpszClassName = L"BigListParent";
        RegisterClassW(&type);
        parent = CreateWindowExW(0, L"BigListParent", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 600,
                                 nullptr, nullptr, type.hInstance, nullptr);
        list = CreateWindowExW(0, WC_LISTVIEWW, L"",
                               WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0, 0,
                               880, 560, parent, nullptr, nullptr, nullptr);
        ASSERT_NE(list, nullptr);
        view = std::make_unique<FileListView>(model, list);
        notified = view.get();
        // Names in a scrambled order (7919 is prime to 50,000): sorted, row r shows track r.
        for (int i = 0; i < kRows; ++i) {
            auto item = std::make_unique<SourceItem>();
            item->path = "C:\\music\\" + trackName(static_cast<int>((i * 7919LL) % kRows));
            item->duration = 60;
            item->streamSampleRates = {44100};
            model.add(std::move(item), 1);
        }
        view->flushInserted();
        pump();
    }
    void TearDown() override {
        notified = nullptr;
        view.reset();
        DestroyWindow(parent);
    }
    int controlSelected() const { return static_cast<int>(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0)); }
};

TEST_F(BigListTest, SelectionSortAndRemovalReachTheControl) {
    ASSERT_EQ(ListView_GetItemCount(list), kRows);
    EXPECT_EQ(cellText(list, 1, 0), trackName(7919));

    model.selectAll();
    EXPECT_EQ(controlSelected(), kRows);
    // All but three, then sorted by name: the three stay unselected, on the rows of their numbers.
    for (size_t r = 0; r < model.size(); ++r) {
        const std::string& name = model.text(r, kColumnFile);
        if (name == trackName(5) || name == trackName(100) || name == trackName(kRows - 1))
            model.setSelected(r, false);
    }
    model.sort(kColumnFile, true);
    EXPECT_EQ(controlSelected(), kRows - 3);
    for (int r : {0, 5, 6, 100, kRows - 2, kRows - 1})
        EXPECT_EQ(ListView_GetItemState(list, r, LVIS_SELECTED) != 0, r != 5 && r != 100 && r != kRows - 1)
            << r;

    // Descending, every other track (odd numbers) selected, then a header click sorts ascending: the
    // selection moves with the rows.
    model.sort(kColumnFile, false);
    for (int r = 0; r < kRows; ++r) model.setSelected(r, ((kRows - 1 - r) & 1) == 1);
    model.sortByHeaderClick(kColumnFile);
    pump();
    EXPECT_EQ(cellText(list, 0, 0), trackName(0));
    EXPECT_EQ(cellText(list, kRows - 1, 0), trackName(kRows - 1));
    EXPECT_EQ(controlSelected(), kRows / 2);
    for (int r : {0, 1, 2, 12345, kRows - 1}) {
        EXPECT_EQ(ListView_GetItemState(list, r, LVIS_SELECTED) != 0, (r & 1) == 1) << r;
        EXPECT_EQ(model.isSelected(r), (r & 1) == 1) << r;
    }
    model.sortByHeaderClick(kColumnFile);  // descending
    EXPECT_EQ(cellText(list, 0, 0), trackName(kRows - 1));
    EXPECT_EQ(ListView_GetItemState(list, 0, LVIS_SELECTED) != 0, true);
    EXPECT_EQ(controlSelected(), kRows / 2);

    // The selected half goes: the even tracks stay, in descending order, none selected.
    model.removeSelected();
    pump();
    ASSERT_EQ(ListView_GetItemCount(list), kRows / 2);
    EXPECT_EQ(controlSelected(), 0);
    EXPECT_EQ(cellText(list, 0, 0), trackName(kRows - 2));
    EXPECT_EQ(cellText(list, kRows / 2 - 1, 0), trackName(0));

    // Selecting every row in the control (as Ctrl+A does in a list view) reaches the model.
    ListView_SetItemState(list, -1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(model.selectedCount(), static_cast<size_t>(kRows / 2));
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    EXPECT_EQ(model.selectedCount(), 0u);

    model.removeAll();
    pump();
    EXPECT_EQ(ListView_GetItemCount(list), 0);
    EXPECT_EQ(controlSelected(), 0);
}

}  // namespace
