// The "Edit Tags" dialog without its window: what each field shows for the rows chosen, which fields can
// be typed in, the numbering of tracks, and the edits OK hands back to each row.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "sources/SourceTags.h"

namespace ui {

// What a field shows when the rows differ in it: each row keeps its own value unless it is typed over.
inline constexpr const char* kKeepText = "(keep)";

class TagEditDialog {
public:
    // A row in list order: what its source says and the edits it has already.
    struct Row {
        SourceTags tags;
        TagEdits edits;
    };

    // A field shows the value the rows' outputs share, or "(keep)" when they differ.
    explicit TagEditDialog(std::vector<Row> rows);

    size_t rowCount() const { return rows_.size(); }
    // The field's text as shown now: the user's text, or the numbering's while it is on.
    std::string text(TagField field) const;
    // Track and Track Total are the numbering's while it is on.
    bool isEditable(TagField field) const;
    // The user's text of a field; ignored for a field that is not editable.
    void setText(TagField field, std::string text);

    // "Number tracks in list order": the rows get Track 1..N and Track Total N.
    bool numbering() const { return numbering_; }
    void setNumbering(bool on) { numbering_ = on; }

    // The line under the fields: how many files, and what "(keep)" means when a field shows it.
    std::string note() const;

    // OK: each row's edits, in the order given. A field whose text is what it showed at first is left
    // as the row had it; a changed one (without its outer blanks) goes to every row, empty removing the
    // field. An edit that gives the source's own value is dropped.
    std::vector<TagEdits> accept() const;

private:
    std::vector<Row> rows_;
    std::array<std::string, kTagFieldCount> shown_;  // what each field showed at first
    std::array<std::string, kTagFieldCount> texts_;
    bool numbering_ = false;
};

}  // namespace ui
