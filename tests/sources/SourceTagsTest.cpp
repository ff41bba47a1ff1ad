#include "sources/SourceTags.h"

#include <gtest/gtest.h>

// The same field reaches us under the container's own spelling, in any case.
TEST(SourceTags, ContainerSpellingsMeanOneField) {
    SourceTags tags;
    storeSourceTag(tags, "ALBUMARTIST", "Various");  // Vorbis comment
    storeSourceTag(tags, "album_artist", "Other");   // later duplicate: the first stays
    storeSourceTag(tags, "TRACKNUMBER", "3/12");
    storeSourceTag(tags, "TRACKTOTAL", "13");  // the total from "3/12" came first
    storeSourceTag(tags, "disc", "2");
    storeSourceTag(tags, "TOTALDISCS", "4");
    storeSourceTag(tags, "WM/Year", "1999");
    storeSourceTag(tags, "encoder", "Lavf");  // no field
    storeSourceTag(tags, "title", "");        // an empty value says nothing
    EXPECT_EQ(tags[kTagAlbumArtist], "Various");
    EXPECT_EQ(tags[kTagTrack], "3");
    EXPECT_EQ(tags[kTagTrackTotal], "12");
    EXPECT_EQ(tags[kTagDisc], "2");
    EXPECT_EQ(tags[kTagDiscTotal], "4");
    EXPECT_EQ(tags[kTagDate], "1999");
    EXPECT_EQ(tags[kTagTitle], "");
    EXPECT_FALSE(tags.empty());
}

TEST(SourceTags, EditsReplaceOrClearFields) {
    SourceTags tags;
    tags[kTagTitle] = "Old";
    tags[kTagArtist] = "Someone";
    TagEdits edits;
    EXPECT_TRUE(edits.empty());
    edits.values[kTagTitle] = "New";
    edits.values[kTagArtist] = "";
    edits.values[kTagGenre] = "Jazz";
    const SourceTags edited = editedTags(tags, edits);
    EXPECT_EQ(edited[kTagTitle], "New");
    EXPECT_EQ(edited[kTagArtist], "");
    EXPECT_EQ(edited[kTagGenre], "Jazz");
    EXPECT_EQ(tagFieldNamed("AlbumArtist"), kTagAlbumArtist);
    EXPECT_FALSE(tagFieldNamed("album_artist"));
}
