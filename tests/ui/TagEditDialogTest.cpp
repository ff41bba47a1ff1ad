// The Edit Tags dialog without its window: shared and differing values, "(keep)", clearing, numbering.
#include <gtest/gtest.h>

#include "ui/logic/TagEditDialog.h"

using ui::TagEditDialog;

namespace {

TagEditDialog::Row row(const std::string& title, const std::string& artist, const std::string& album) {
    TagEditDialog::Row r;
    r.tags[kTagTitle] = title;
    r.tags[kTagArtist] = artist;
    r.tags[kTagAlbum] = album;
    return r;
}

}  // namespace

TEST(TagEditDialog, SharedValuesShowDifferingOnesKeepAndChangesReachEveryRow) {
    std::vector<TagEditDialog::Row> rows = {row("One", "Band", "First"), row("Two", "Band", ""),
                                            row("Three", "Band", "First")};
    rows[1].edits.values[kTagAlbum] = "First";  // an earlier edit counts as the row's value
    rows[2].edits.values[kTagGenre] = "Jazz";
    TagEditDialog dialog(rows);
    EXPECT_EQ(dialog.text(kTagTitle), "(keep)");
    EXPECT_EQ(dialog.text(kTagArtist), "Band");
    EXPECT_EQ(dialog.text(kTagAlbum), "First");
    EXPECT_EQ(dialog.text(kTagGenre), "(keep)") << "two rows have none, one Jazz";
    EXPECT_EQ(dialog.text(kTagComment), "");
    EXPECT_EQ(dialog.note(), "3 files. (keep): each file keeps its own value.");

    // Untouched, OK hands back the edits as they were.
    for (size_t r = 0; r < rows.size(); ++r)
        EXPECT_EQ(dialog.accept()[r].values, rows[r].edits.values) << "row " << r;

    // The artist typed over (its outer blanks dropped), the album cleared, the title typed and put back
    // to "(keep)", a composer for all.
    dialog.setText(kTagArtist, "  The Band ");
    dialog.setText(kTagAlbum, "");
    dialog.setText(kTagTitle, "Same");
    dialog.setText(kTagTitle, "(keep)");
    dialog.setText(kTagComposer, "Smith");
    const std::vector<TagEdits> edits = dialog.accept();
    ASSERT_EQ(edits.size(), 3u);
    for (size_t r = 0; r < 3; ++r) {
        const SourceTags out = editedTags(rows[r].tags, edits[r]);
        EXPECT_EQ(out[kTagTitle], rows[r].tags[kTagTitle]) << "row " << r;
        EXPECT_FALSE(edits[r].values[kTagTitle]);
        EXPECT_EQ(out[kTagArtist], "The Band");
        EXPECT_EQ(out[kTagAlbum], "") << "cleared: removed";
        EXPECT_EQ(out[kTagComposer], "Smith");
    }
    EXPECT_EQ(edits[0].values[kTagAlbum], "") << "the source's album is removed";
    EXPECT_FALSE(edits[1].values[kTagAlbum]) << "the source has none: no edit left";
    EXPECT_EQ(edits[2].values[kTagGenre], "Jazz") << "a field kept keeps the row's edit";

    // A field typed back to the source's own value drops the row's edit.
    TagEditDialog again({rows[2]});
    EXPECT_EQ(again.note(), "1 file.");
    EXPECT_EQ(again.text(kTagGenre), "Jazz");
    again.setText(kTagGenre, "");
    EXPECT_TRUE(again.accept()[0].empty());
}

TEST(TagEditDialog, NumberingGivesTracksInListOrderAndGivesBackTheTypedText) {
    std::vector<TagEditDialog::Row> rows = {row("a", "", ""), row("b", "", ""), row("c", "", "")};
    rows[0].tags[kTagTrack] = "7";
    rows[1].tags[kTagTrack] = "2";
    rows[2].tags[kTagTrack] = "3";
    rows[2].tags[kTagTrackTotal] = "3";
    TagEditDialog dialog(rows);
    dialog.setText(kTagTrack, "9");
    dialog.setNumbering(true);
    EXPECT_FALSE(dialog.isEditable(kTagTrack));
    EXPECT_FALSE(dialog.isEditable(kTagTrackTotal));
    EXPECT_TRUE(dialog.isEditable(kTagDisc));
    EXPECT_EQ(dialog.text(kTagTrack), "1 to 3");
    EXPECT_EQ(dialog.text(kTagTrackTotal), "3");
    dialog.setText(kTagTrackTotal, "12");  // not editable: ignored

    const std::vector<TagEdits> edits = dialog.accept();
    const char* const tracks[] = {"1", "2", "3"};
    for (size_t r = 0; r < 3; ++r) {
        const SourceTags out = editedTags(rows[r].tags, edits[r]);
        EXPECT_EQ(out[kTagTrack], tracks[r]) << "row " << r;
        EXPECT_EQ(out[kTagTrackTotal], "3") << "row " << r;
    }
    EXPECT_FALSE(edits[1].values[kTagTrack]) << "already the second";
    EXPECT_FALSE(edits[2].values[kTagTrackTotal]);

    dialog.setNumbering(false);
    EXPECT_EQ(dialog.text(kTagTrack), "9") << "the typed text comes back";
    EXPECT_EQ(dialog.text(kTagTrackTotal), "(keep)");
    EXPECT_EQ(editedTags(rows[0].tags, dialog.accept()[0])[kTagTrack], "9");
}
