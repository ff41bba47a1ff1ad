#include <gtest/gtest.h>

#include "sources/SourceItem.h"

// Windows file names ignore case, so the same file in other letter case is the same source; POSIX ones
// do not. A DVD title's key is its folder and title set, and never a file's key.
TEST(SourceMap, RefusesASourceThatIsAlreadyListed) {
#ifdef _WIN32
    const std::string path = R"(C:\Music\Song.mp3)", otherCase = R"(c:\music\SONG.MP3)";
    const bool sameInOtherCase = true;
#else
    const std::string path = "/music/Song.mp3", otherCase = "/music/song.mp3";
    const bool sameInOtherCase = false;
#endif
    SourceItem first, second;
    SourceMap map;
    ASSERT_TRUE(map.insert(sourceKey(path), &first));
    EXPECT_FALSE(map.insert(sourceKey(path), &second));
    EXPECT_EQ(map.find(sourceKey(path)), &first);
    EXPECT_EQ(map.find(sourceKey(otherCase)), sameInOtherCase ? &first : nullptr);
    map.erase(sourceKey(path));
    EXPECT_EQ(map.find(sourceKey(path)), nullptr);

    EXPECT_NE(dvdSourceKey("E:\\VIDEO_TS\\", 1), dvdSourceKey("E:\\VIDEO_TS\\", 2));
    EXPECT_NE(sourceKey("E:\\VIDEO_TS\\1"), dvdSourceKey("E:\\VIDEO_TS\\", 1));
#ifdef _WIN32
    EXPECT_EQ(dvdSourceKey("e:\\video_ts\\", 3), "DVD:E:\\VIDEO_TS\\3");
#endif
}
