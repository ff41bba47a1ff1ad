#include "ui/FileListView.h"

#include <algorithm>

#include "platform/win32/WinText.h"
#include "resources/resource.h"
#include "ui/CommandMenus.h"
#include "ui/GdiHandles.h"

using platform::win32::widen;

namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr UINT_PTR kFlushTimer = 0x4D44;
constexpr UINT kFlushDelayMs = 40;
// Above this many rows, the control's selection is rebuilt from the model's instead of compared row by row.
constexpr size_t kBulkRows = 256;

}  // namespace

FileListView::FileListView(FileList& model, HWND list) : model_(model), list_(list) {
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
    for (size_t c = 0; c < kColumnCount; ++c) widths_[c] = kListColumns[c].width;
    insertColumns();
    model_.setObserver(this);
    setCount();
    SetWindowSubclass(list_, listProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

FileListView::~FileListView() {
    model_.setObserver(nullptr);
    KillTimer(list_, kFlushTimer);
    RemoveWindowSubclass(list_, listProc, kSubclassId);
}

void FileListView::insertColumns() {
    columns_ = model_.shownColumns();
    for (size_t at = 0; at < columns_.size(); ++at) {
        const ColumnInfo& info = kListColumns[columns_[at]];
        std::wstring header = widen(info.header);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = info.rightAligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = widths_[columns_[at]];
        column.pszText = header.data();
        column.iSubItem = static_cast<int>(at);
        SendMessageW(list_, LVM_INSERTCOLUMNW, at, reinterpret_cast<LPARAM>(&column));
    }
}

size_t FileListView::modelColumn(int controlColumn) const {
    if (controlColumn < 0 || static_cast<size_t>(controlColumn) >= columns_.size()) return kColumnCount;
    return columns_[static_cast<size_t>(controlColumn)];
}

void FileListView::columnsChanged() {
    for (size_t at = columns_.size(); at-- > 0;) {
        widths_[columns_[at]] = ListView_GetColumnWidth(list_, static_cast<int>(at));
        ListView_DeleteColumn(list_, static_cast<int>(at));
    }
    insertColumns();
    InvalidateRect(list_, nullptr, FALSE);
}

void FileListView::setColumnWidth(size_t column, int width) {
    widths_[column] = width;
    const auto at = std::find(columns_.begin(), columns_.end(), column);
    if (at != columns_.end()) ListView_SetColumnWidth(list_, static_cast<int>(at - columns_.begin()), width);
}

void FileListView::showColumnMenu(POINT point) {
    ui::MenuHandle menu(CreatePopupMenu());
    ui::fillMenu(menu.get(), model_.columnMenu(), false);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x,
                                                         point.y, 0, GetParent(list_), nullptr));
    if (chosen != 0) model_.chooseColumnEntry(chosen);
}

LRESULT CALLBACK FileListView::listProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR self) {
    if (message == WM_TIMER && wParam == kFlushTimer) {
        reinterpret_cast<FileListView*>(self)->flushInserted();
        return 0;
    }
    // A right click on the header (or its menu key) shows and hides columns, as list views do.
    if (message == WM_CONTEXTMENU && reinterpret_cast<HWND>(wParam) == ListView_GetHeader(window)) {
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (point.x == -1 && point.y == -1) {
            RECT rect;
            GetWindowRect(ListView_GetHeader(window), &rect);
            point = {rect.left, rect.bottom};
        }
        reinterpret_cast<FileListView*>(self)->showColumnMenu(point);
        return 0;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void FileListView::flushInserted() {
    // The timer runs only while rows wait; stopping it costs a trip to the window server.
    if (!insertPending_) return;
    KillTimer(list_, kFlushTimer);
    insertPending_ = false;
    setCount();
    if (scrollPending_ < model_.size())
        ListView_EnsureVisible(list_, static_cast<int>(scrollPending_), FALSE);
    scrollPending_ = FileList::kNone;
}

void FileListView::setCount() {
    ListView_SetItemCountEx(list_, static_cast<int>(model_.size()), LVSICF_NOSCROLL);
}

void FileListView::pushStates(size_t first, size_t last) {
    flushInserted();
    pushing_ = true;
    const size_t focus = model_.focusedRow();
    if (last - first + 1 > kBulkRows) {
        // Every row is set at once to the state most rows have (one message), then each row of the
        // other kind on its own. The control would repaint each row it is told of: it is painted once at
        // the end instead.
        SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
        const size_t selected = model_.selectedCount();
        const bool most = selected > model_.size() / 2;
        const UINT mostState = most ? LVIS_SELECTED : 0u;
        ListView_SetItemState(list_, -1, mostState, LVIS_SELECTED);
        const size_t others = most ? model_.size() - selected : selected;
        for (size_t r = 0; others != 0 && r < model_.size(); ++r) {
            if (model_.isSelected(r) != most)
                ListView_SetItemState(list_, static_cast<int>(r), mostState ^ LVIS_SELECTED, LVIS_SELECTED);
        }
        if (focus != FileList::kNone)
            ListView_SetItemState(list_, static_cast<int>(focus), LVIS_FOCUSED, LVIS_FOCUSED);
        SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, FALSE);
        pushing_ = false;
        return;
    }
    for (size_t r = first; r <= last && r < model_.size(); ++r) {
        const UINT want = (model_.isSelected(r) ? LVIS_SELECTED : 0u) | (r == focus ? LVIS_FOCUSED : 0u);
        const int row = static_cast<int>(r);
        if ((ListView_GetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED)) != want)
            ListView_SetItemState(list_, row, want, LVIS_SELECTED | LVIS_FOCUSED);
    }
    pushing_ = false;
}

void FileListView::rowsInserted(size_t, size_t) {
    if (!insertPending_) SetTimer(list_, kFlushTimer, kFlushDelayMs, nullptr);
    insertPending_ = true;
}

void FileListView::rowsRemoved(size_t, size_t) {
    flushInserted();
    // The control keeps its own selection by row number: clear it and take the model's again.
    setCount();
    pushing_ = true;
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    pushing_ = false;
    if (!model_.empty()) pushStates(0, model_.size() - 1);
    InvalidateRect(list_, nullptr, FALSE);
}

void FileListView::rowsChanged(size_t first, size_t last) {
    if (insertPending_ && last >= static_cast<size_t>(ListView_GetItemCount(list_))) flushInserted();
    if (!pushing_) pushStates(first, last);
    if (last - first + 1 > kBulkRows) {
        InvalidateRect(list_, nullptr, FALSE);
    } else {
        ListView_RedrawItems(list_, static_cast<int>(first), static_cast<int>(last));
    }
}

void FileListView::listReset() { rowsRemoved(0, 0); }

void FileListView::scrollIntoView(size_t row) {
    if (insertPending_) {
        scrollPending_ = row;
        return;
    }
    ListView_EnsureVisible(list_, static_cast<int>(row), FALSE);
}

void FileListView::pullSelection(int first, int last, bool selected) {
    if (model_.empty()) return;
    if (first < 0) {
        first = 0;
        last = static_cast<int>(model_.size()) - 1;
    }
    pushing_ = true;
    if (first == last) {
        model_.setSelected(static_cast<size_t>(first), selected);
    } else {
        model_.setSelected(static_cast<size_t>(first), static_cast<size_t>(last), selected);
    }
    pushing_ = false;
}

POINT FileListView::contextMenuPoint(LPARAM lParam) const {
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (point.x == -1 && point.y == -1) {
        RECT rect;
        GetWindowRect(list_, &rect);
        point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
    return point;
}

bool FileListView::onNotify(const NMHDR& header, LRESULT* result) {
    if (header.hwndFrom != list_) return false;
    *result = 0;
    switch (header.code) {
        case LVN_GETDISPINFOW: {
            auto& info = reinterpret_cast<const NMLVDISPINFOW&>(header);
            LVITEMW& item = const_cast<LVITEMW&>(info.item);
            if ((item.mask & LVIF_TEXT) == 0 || item.iItem < 0 ||
                static_cast<size_t>(item.iItem) >= model_.size())
                return true;
            const size_t column = modelColumn(item.iSubItem);
            if (column == kColumnCount) return true;
            textBuffer_ = widen(model_.text(static_cast<size_t>(item.iItem), column));
            lstrcpynW(item.pszText, textBuffer_.c_str(), item.cchTextMax);
            return true;
        }
        case LVN_ITEMCHANGED: {
            if (pushing_) return true;
            auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if ((change.uChanged & LVIF_STATE) == 0) return true;
            const UINT changed = change.uOldState ^ change.uNewState;
            if (changed & LVIS_SELECTED)
                pullSelection(change.iItem, change.iItem, (change.uNewState & LVIS_SELECTED) != 0);
            if ((changed & LVIS_FOCUSED) && change.iItem >= 0) {
                pushing_ = true;
                if (change.uNewState & LVIS_FOCUSED) {
                    model_.setFocusedRow(static_cast<size_t>(change.iItem));
                } else if (model_.focusedRow() == static_cast<size_t>(change.iItem)) {
                    model_.setFocusedRow(FileList::kNone);
                }
                pushing_ = false;
            }
            return true;
        }
        case LVN_ODSTATECHANGED: {
            if (pushing_) return true;
            auto& change = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
            if ((change.uOldState ^ change.uNewState) & LVIS_SELECTED)
                pullSelection(change.iFrom, change.iTo, (change.uNewState & LVIS_SELECTED) != 0);
            return true;
        }
        case LVN_COLUMNCLICK: {
            auto& click = reinterpret_cast<const NMLISTVIEW&>(header);
            const size_t column = modelColumn(click.iSubItem);
            if (column != kColumnCount) model_.sortByHeaderClick(column);
            return true;
        }
        default:
            return false;
    }
}
