#include "ui/logic/TagEditDialog.h"

#include <algorithm>

namespace ui {

namespace {

std::string withoutOuterBlanks(const std::string& text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

bool isNumbered(TagField field) { return field == kTagTrack || field == kTagTrackTotal; }

}  // namespace

TagEditDialog::TagEditDialog(std::vector<Row> rows) : rows_(std::move(rows)) {
    for (size_t f = 0; f < kTagFieldCount; ++f) {
        const auto value = [&](const Row& row) {
            const auto& edit = row.edits.values[f];
            return edit ? *edit : row.tags.values[f];
        };
        const bool shared = std::all_of(rows_.begin(), rows_.end(),
                                        [&](const Row& row) { return value(row) == value(rows_.front()); });
        shown_[f] = rows_.empty() ? std::string() : shared ? value(rows_.front()) : kKeepText;
    }
    texts_ = shown_;
}

std::string TagEditDialog::text(TagField field) const {
    if (!numbering_ || !isNumbered(field)) return texts_[field];
    const std::string count = std::to_string(rows_.size());
    if (field == kTagTrackTotal) return count;
    return rows_.size() == 1 ? "1" : "1 to " + count;
}

bool TagEditDialog::isEditable(TagField field) const { return !numbering_ || !isNumbered(field); }

void TagEditDialog::setText(TagField field, std::string text) {
    if (isEditable(field)) texts_[field] = std::move(text);
}

std::string TagEditDialog::note() const {
    std::string note = rows_.size() == 1 ? "1 file." : std::to_string(rows_.size()) + " files.";
    const bool keeps = std::find(shown_.begin(), shown_.end(), std::string(kKeepText)) != shown_.end();
    if (keeps) note += std::string(" ") + kKeepText + ": each file keeps its own value.";
    return note;
}

std::vector<TagEdits> TagEditDialog::accept() const {
    std::vector<TagEdits> result;
    result.reserve(rows_.size());
    for (size_t r = 0; r < rows_.size(); ++r) {
        const Row& row = rows_[r];
        TagEdits edits = row.edits;
        for (size_t f = 0; f < kTagFieldCount; ++f) {
            const auto field = static_cast<TagField>(f);
            std::string value;
            if (numbering_ && isNumbered(field)) {
                value = std::to_string(field == kTagTrack ? r + 1 : rows_.size());
            } else {
                value = withoutOuterBlanks(texts_[f]);
                if (texts_[f] == shown_[f] || value == shown_[f]) continue;
            }
            if (value == row.tags.values[f]) {
                edits.values[f].reset();
            } else {
                edits.values[f] = std::move(value);
            }
        }
        result.push_back(std::move(edits));
    }
    return result;
}

}  // namespace ui
