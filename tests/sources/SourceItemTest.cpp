#include <gtest/gtest.h>

#include "sources/SourceItem.h"

TEST(SourceItem, ExtensionIsLowerCaseTextAfterTheLastDotOfTheName) {
#ifdef _WIN32
    EXPECT_EQ(sourceExtension(R"(C:\a.b\c)"), "");
    EXPECT_EQ(sourceExtension(R"(C:\Music\Song.ULAW)"), "ulaw");
    EXPECT_EQ(sourceExtension("C:/x.dir/track"), "");
#endif
    EXPECT_EQ(sourceExtension("/m/a.b/c"), "");
    EXPECT_EQ(sourceExtension("/m/Song.Mp3"), "mp3");
    EXPECT_EQ(sourceExtension("/m/archive.tar.GZ"), "gz");
    EXPECT_EQ(sourceExtension("/m/trailingdot."), "");
    EXPECT_EQ(sourceExtension("noext"), "");
}

TEST(SourceMap, RefusesASourceThatIsAlreadyListed) {
    SourceItem first, second;
    SourceMap map;
    const std::string path =
#ifdef _WIN32
        R"(C:\Music\Song.mp3)";
    const std::string otherCase = R"(c:\music\SONG.MP3)";
#else
        "/music/Song.mp3";
    const std::string otherCase = "/music/song.mp3";
#endif
    ASSERT_TRUE(map.insert(sourceKey(path), &first));
    EXPECT_FALSE(map.insert(sourceKey(path), &second));
    EXPECT_EQ(map.find(sourceKey(path)), &first);
#ifdef _WIN32
    // Windows file names ignore case: the same file in other letter case is the same source.
    EXPECT_EQ(map.find(sourceKey(otherCase)), &first);
#else
    // Linux file names are case-sensitive: these are two different files.
    EXPECT_EQ(map.find(sourceKey(otherCase)), nullptr);
#endif
    map.erase(sourceKey(path));
    EXPECT_EQ(map.find(sourceKey(path)), nullptr);
}

TEST(SourceMap, DvdTitlesShareAKeyPerTitleSet) {
    EXPECT_EQ(dvdSourceKey("E:\\VIDEO_TS\\", 1), dvdSourceKey("E:\\VIDEO_TS\\", 1));
    EXPECT_NE(dvdSourceKey("E:\\VIDEO_TS\\", 1), dvdSourceKey("E:\\VIDEO_TS\\", 2));
    EXPECT_EQ(dvdSourceKey("E:\\VIDEO_TS\\", 12).rfind("DVD:", 0), 0u);
    // A file path never collides with a title's key.
    EXPECT_NE(sourceKey("E:\\VIDEO_TS\\1"), dvdSourceKey("E:\\VIDEO_TS\\", 1));
#ifdef _WIN32
    EXPECT_EQ(dvdSourceKey("e:\\video_ts\\", 3), "DVD:E:\\VIDEO_TS\\3");
#endif
}
