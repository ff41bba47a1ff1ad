// melodrift-cli convert with outputs named from the sources' tags, and the refusal of a pattern it cannot
// expand.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/CliAndMedia.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

bool makeTagged(const std::string& path, const std::vector<std::string>& tags) {
    std::vector<std::string> args = words("-hide_banner -loglevel error -f lavfi -i sine=duration=1");
    for (const std::string& tag : tags) args.insert(args.end(), {"-metadata", tag});
    args.insert(args.end(), {"-y", path});
    runTranscoder(args);
    return !readFile(path).empty();
}

TEST(CliNamePattern, ConvertsTaggedFilesIntoFoldersOfTheirTags) {
    TempDir dir;
    ASSERT_TRUE(makeTagged(dir.file("one.flac"),
                           {"artist=AC/DC", "album=Back in Black", "track=2/10", "title=Shoot to Thrill"}));
    ASSERT_TRUE(makeTagged(dir.file("two.flac"), {"artist=AC/DC", "album=Back in Black", "track=10",
                                                  "title=Rock and Roll Ain't Noise Pollution"}));
    const std::string out = dir.file("out");
    const CliRun run = runCli(
        dir, {"convert", "--format", "1160", "--set", "DestOutputFolderOpt=399", "--set",
              "DestSpecifiedFolder=" + out, "--set", "OutputNamePattern=<artist>\\<album>\\<track> - <title>",
              dir.file("one.flac"), dir.file("two.flac")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // The artist's "/" stays in its folder's name; the track number is two digits.
    const fs::path album = fromU8(out) / "AC_DC" / "Back in Black";
    EXPECT_TRUE(fs::is_regular_file(album / "02 - Shoot to Thrill.mp3")) << run.out;
    EXPECT_TRUE(fs::is_regular_file(album / "10 - Rock and Roll Ain't Noise Pollution.mp3")) << run.out;
    EXPECT_NE(run.out.find(u8(album / "02 - Shoot to Thrill.mp3")), std::string::npos) << run.out;

    const CliRun refused =
        runCli(dir, {"convert", "--set", "OutputNamePattern=<artist>\\<year>", dir.file("one.flac")});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("unknown placeholder \"<year>\""), std::string::npos) << refused.err;
}

}  // namespace
