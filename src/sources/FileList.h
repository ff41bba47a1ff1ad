// The file list: the SourceItems in row order with each row's column texts, selection and focus, the
// source map that keeps it free of duplicates, and the list commands (remove, move, sort, lengths, the
// stream choice, the rows' tag edits and what the context menu offers). A view only shows this model and
// follows its notifications; the console front end uses the same model without a view.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "commands/Commands.h"
#include "sources/SourceItem.h"

struct OutputFormat;

// The list's columns in their order on screen. A new column is one name here, one row of kListColumns
// and its text in FileList::fillTexts.
enum ListColumn : size_t {
    kColumnFile,
    kColumnFolder,
    kColumnDuration,
    kColumnSampleRate,
    kColumnBitRate,
    kColumnChannels,
    kColumnArtist,
    kColumnTitle,
    kColumnAlbum,
    kColumnTrack,
    kColumnYear,
    kColumnGenre,
    kColumnLoudness,
    kColumnPeak,
    kColumnStatus,
};
inline constexpr size_t kColumnCount = 15;

// How a column compares two texts when sorted.
enum class SortType : int32_t {
    kText = 0,
    kNumber = 1,
    kSize = 2,
    kDashDate = 3,
    kSlashDate = 4,
    kDuration = 5
};

struct ColumnInfo {
    const char* key;  // its name in the ListColumns setting
    const char* header;
    bool rightAligned;
    int width;  // pixels
    SortType sortType;
    bool shownAtFirst;  // shown by a new list; the others are chosen from the header's menu
    bool alwaysShown;   // cannot be hidden
};
// File, (Folder when chosen,) Duration, Sample Rate, Bit Rate, Channels, (the tags and the loudness when
// chosen,) Status.
extern const std::array<ColumnInfo, kColumnCount> kListColumns;

using commands::MenuEntry;

class FileListObserver {
public:
    virtual ~FileListObserver() = default;
    virtual void rowsInserted(size_t first, size_t count) = 0;
    virtual void rowsRemoved(size_t first, size_t count) = 0;
    // Texts, selection or focus of the rows first..last changed (rows may have changed places).
    virtual void rowsChanged(size_t first, size_t last) = 0;
    // Rows came and went in many places at once: everything is to be read again.
    virtual void listReset() = 0;
    virtual void scrollIntoView(size_t row) = 0;
    // Columns were shown or hidden.
    virtual void columnsChanged() {}
};

class FileList {
public:
    static constexpr size_t kNone = static_cast<size_t>(-1);

    FileList() = default;
    ~FileList();  // removes every row as Remove All does
    FileList(const FileList&) = delete;
    FileList& operator=(const FileList&) = delete;

    void setObserver(FileListObserver* observer) { observer_ = observer; }

    size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    SourceItem& item(size_t row) { return *rows_[row].item; }
    const SourceItem& item(size_t row) const { return *rows_[row].item; }
    const std::string& text(size_t row, size_t column) const { return rows_[row].texts[column]; }
    // The row that shows the item now; kNone when it is not listed.
    size_t rowOf(const SourceItem& item) const;

    // The key under which the item is kept in the source map ("DVD:" + folder + title set for a DVD title).
    static std::string keyOf(const SourceItem& item);
    bool contains(const std::string& key) const { return map_.find(key) != nullptr; }
    // Appends a row for a new source, with the stream chosen from requestAudioIndex, and keeps it in view.
    // Nothing, and the item is dropped, when its source is already listed.
    std::optional<size_t> add(std::unique_ptr<SourceItem> item, uint32_t requestAudioIndex);

    // Selection and focus, as the view reports them.
    bool isSelected(size_t row) const { return rows_[row].selected; }
    void setSelected(size_t row, bool selected);
    // The rows first..last at once, with one notification (a shift-click over thousands of rows).
    void setSelected(size_t first, size_t last, bool selected);
    void selectAll();
    // Select Failed: exactly the rows whose last job failed, so that Convert Selected runs them again;
    // the first of them comes into view.
    void selectFailed();
    bool hasFailedRows() const;
    size_t selectedCount() const { return selectedCount_; }
    size_t focusedRow() const { return focus_; }
    void setFocusedRow(size_t row);
    // The focused row when it is also selected, else kNone: what Play, Browse and the stream menu act on.
    size_t focusedSelectedRow() const;

    void setStatus(size_t row, std::string text);
    void scrollIntoView(size_t row) {
        if (observer_ != nullptr && row < rows_.size()) observer_->scrollIntoView(row);
    }

    // Remove and Remove All: the rows' items go, and with them the temporary files of prepared sources
    // and their keys (an expansion row has neither).
    void removeSelected();
    void removeAll();
    // Move Up / Move Down of the selected rows; nothing moves when the first (last) of them is at the
    // top (bottom).
    void moveUp();
    void moveDown();

    // Sorts by the column's texts; a header click sorts ascending unless the same column was last sorted
    // ascending.
    void sort(size_t column, bool ascending);
    void sortByHeaderClick(size_t column);
    size_t sortedColumn() const { return sortedColumn_; }
    bool sortedAscending() const { return ascending_; }

    // The length calculations' message, or nothing when there is nothing to add up.
    std::optional<std::string> selectedLengthMessage() const;
    std::optional<std::string> allLengthMessage() const;

    // Streams: the automatic choice for every row after the setting changed, a choice from the stream
    // menu for the focused selected row, and the menu's entries for it.
    void rechooseStreams(uint32_t requestAudioIndex);
    bool chooseStream(uint32_t commandId);
    std::vector<MenuEntry> streamMenu() const;

    // Whether a command of the context menu or the key table is offered now, by its row's rule.
    bool isCommandEnabled(uint32_t commandId) const;
    // The context menu's entries (the command table's list menu) with their greying.
    std::vector<MenuEntry> contextMenu() const;

    // Columns shown or hidden from the header's menu (a check mark for each shown one; a column that is
    // always shown is greyed), and their setting: the shown keys in column order, empty for the columns a
    // new list shows. A setting that names no column that can be hidden leaves the first columns.
    bool isColumnShown(size_t column) const { return shown_[column]; }
    std::vector<size_t> shownColumns() const;
    void showColumn(size_t column, bool shown);
    std::vector<MenuEntry> columnMenu() const;
    bool chooseColumnEntry(uint32_t commandId);
    std::string columnsSetting() const;
    void applyColumnsSetting(const std::string& setting);

    // Edit Tags: the rows whose edits the selected rows stand for, in list order (an expansion row
    // stands for its source row, each row once).
    std::vector<size_t> tagEditRows() const;
    // A row's new edits, which its expansion rows follow; the row's texts are made again.
    void setTagEdits(size_t row, const TagEdits& edits);

    // Analyze Loudness: the selected rows that stand for a source (no expansion rows), in list order.
    std::vector<size_t> loudnessRows() const;
    // The row's item was measured: its Loudness and Peak texts are made again from its loudness; a
    // failure (error not empty) shows in its Status.
    void loudnessMeasured(size_t row, const std::string& error);

    // Expansion rows of a custom format group: one row per format below every ready source row (only
    // selected ones with selectedOnly; the new rows are then selected too), in the group's order.
    void addExpansionRows(bool selectedOnly, const std::vector<const OutputFormat*>& formats);
    void removeExpansionRows();

private:
    struct Row {
        std::unique_ptr<SourceItem> item;
        std::array<std::string, kColumnCount> texts;
        bool selected = false;
    };

    void fillTexts(Row& row);
    void fillStreamColumns(Row& row);
    void fillTagColumns(Row& row);
    void fillLoudnessColumns(Row& row);
    // The source row an expansion row belongs to (the nearest one above); any other row itself.
    size_t sourceRowOf(size_t row) const;
    // Lets go of a removed row's item: its temporary file and its key.
    void release(Row& row);
    void swapRows(size_t a, size_t b);
    // Replaces the rows after a change in many places, keeping the focus on its row.
    void replaceRows(std::vector<Row> rows);
    std::optional<std::string> lengthMessage(bool selectedOnly, const char* format) const;
    void changed(size_t first, size_t last);
    static std::array<bool, kColumnCount> shownAtFirst();

    std::vector<Row> rows_;
    SourceMap map_;
    size_t selectedCount_ = 0;
    size_t focus_ = kNone;
    std::array<bool, kColumnCount> shown_ = shownAtFirst();
    size_t sortedColumn_ = kNone;
    bool ascending_ = true;
    FileListObserver* observer_ = nullptr;
    // Row of each item, rebuilt on demand after rows changed places.
    mutable std::unordered_map<const SourceItem*, size_t> rowIndex_;
    mutable bool rowIndexStale_ = true;
};

// Compares two texts by a column's sort type (negative, zero, positive).
int compareForSort(SortType type, const std::string& a, const std::string& b);
