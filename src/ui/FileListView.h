// The main window's file list control: a virtual report list that shows the FileList model. The control
// asks for texts as it paints, so 10,000 rows cost nothing until they are seen; selection and focus are
// copied both ways between the control and the model, the model being the one that decides.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <vector>

#include "sources/FileList.h"

class FileListView final : public FileListObserver {
public:
    FileListView(FileList& model, HWND list);
    ~FileListView() override;
    FileListView(const FileListView&) = delete;
    FileListView& operator=(const FileListView&) = delete;

    HWND handle() const { return list_; }
    // WM_NOTIFY from the control. Returns true when handled (result in *result). A header click sorts the
    // model.
    bool onNotify(const NMHDR& header, LRESULT* result);
    // The row the context menu belongs to is the focused selected one; the menu's place: the mouse, or the
    // middle of the list when asked from the keyboard (point -1, -1).
    POINT contextMenuPoint(LPARAM lParam) const;
    // New rows reach the control together a moment after they were added (a batch adding rows one by one
    // would otherwise make it recount and scroll for every row); this shows them at once.
    void flushInserted();

    void rowsInserted(size_t first, size_t count) override;
    void rowsRemoved(size_t first, size_t count) override;
    void rowsChanged(size_t first, size_t last) override;
    void listReset() override;
    void scrollIntoView(size_t row) override;
    // The control's columns follow the model's shown ones; a hidden column keeps its width for its return.
    void columnsChanged() override;
    void setColumnWidth(size_t column, int width);
    // The header's menu at a screen point: the columns with check marks, one chosen at a time.
    void showColumnMenu(POINT point);

private:
    static LRESULT CALLBACK listProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);
    void setCount();
    // The model's selection and focus for rows first..last, into the control.
    void pushStates(size_t first, size_t last);
    // The control's selection of rows first..last (or every row), into the model.
    void pullSelection(int first, int last, bool selected);
    void insertColumns();
    // The model column the control's column shows; kColumnCount for none.
    size_t modelColumn(int controlColumn) const;

    FileList& model_;
    HWND list_;
    bool pushing_ = false;  // states being copied into the control: its notifications are ours
    bool insertPending_ = false;
    size_t scrollPending_ = FileList::kNone;
    std::wstring textBuffer_;
    std::vector<size_t> columns_;  // the model column of each control column
    std::array<int, kColumnCount> widths_{};
};
