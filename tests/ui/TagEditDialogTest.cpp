// The Edit Tags dialog without its window: shared and differing values, "(keep)", clearing, numbering.
#include <gtest/gtest.h>

#include "ui/logic/TagEditDialog.h"

using ui::TagEditDialog;

namespace {

TagEditDialog::Row row(const char* title, const char* album, const char* track) {
    TagEditDialog::Row r;
    r.tags[kTagTitle] = title;
    r.tags[kTagArtist] = "Band";
    r.tags[kTagAlbum] = album;
    r.tags[kTagTrack] = track;
    return r;
}

}  // namespace

TEST(TagEditDialog, SharedValuesShowDifferingOnesKeepAndChangesReachEveryRow) {
    std::vector<TagEditDialog::Row> rows = {row("One", "First", "7"), row("Two", "", "2"),
                                            row("Three", "First", "3")};
    rows[1].edits.values[kTagAlbum] = "First";  // an earlier edit counts as the row's value
    rows[2].edits.values[kTagGenre] = "Jazz";
    TagEditDialog dialog(rows);
    const std::pair<TagField, const char*> shown[] = {{kTagTitle, "(keep)"},
                                                      {kTagArtist, "Band"},
                                                      {kTagAlbum, "First"},
                                                      {kTagGenre, "(keep)"},
                                                      {kTagComment, ""}};
    for (const auto& [field, text] : shown) EXPECT_EQ(dialog.text(field), text) << kTagFields[field].name;
    EXPECT_EQ(dialog.note(), "3 files. (keep): each file keeps its own value.");
    for (size_t r = 0; r < rows.size(); ++r) EXPECT_EQ(dialog.accept()[r].values, rows[r].edits.values);

    // Typed over (outer blanks dropped), cleared, typed and put back to "(keep)".
    dialog.setText(kTagArtist, "  The Band ");
    dialog.setText(kTagAlbum, "");
    dialog.setText(kTagTitle, "Same");
    dialog.setText(kTagTitle, "(keep)");
    const std::vector<TagEdits> edits = dialog.accept();
    ASSERT_EQ(edits.size(), 3u);
    for (size_t r = 0; r < 3; ++r) {
        const SourceTags out = editedTags(rows[r].tags, edits[r]);
        EXPECT_EQ(out[kTagTitle], rows[r].tags[kTagTitle]) << r;
        EXPECT_EQ(out[kTagArtist], "The Band") << r;
        EXPECT_EQ(out[kTagAlbum], "") << r;
    }
    EXPECT_FALSE(edits[1].values[kTagAlbum]) << "the source has none: no edit left";
    EXPECT_EQ(edits[2].values[kTagGenre], "Jazz") << "a field kept keeps the row's edit";

    // Numbering in list order; a track already right needs no edit; the typed text comes back after.
    dialog.setText(kTagTrack, "9");
    dialog.setNumbering(true);
    EXPECT_FALSE(dialog.isEditable(kTagTrackTotal));
    EXPECT_TRUE(dialog.isEditable(kTagDisc));
    EXPECT_EQ(dialog.text(kTagTrack) + "/" + dialog.text(kTagTrackTotal), "1 to 3/3");
    dialog.setText(kTagTrackTotal, "12");  // not editable: ignored
    const std::vector<TagEdits> numbered = dialog.accept();
    for (size_t r = 0; r < 3; ++r) {
        const SourceTags out = editedTags(rows[r].tags, numbered[r]);
        EXPECT_EQ(out[kTagTrack] + "/" + out[kTagTrackTotal], std::to_string(r + 1) + "/3");
    }
    EXPECT_FALSE(numbered[1].values[kTagTrack]);
    dialog.setNumbering(false);
    EXPECT_EQ(dialog.text(kTagTrack), "9");
}
