// melodrift-cli on a DVD folder made at test time: a menu title set one pack short of what a title needs,
// a film title set in two parts, and a title set after a gap in the numbering, which is never reached.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/CliAndMedia.h"
#include "support/MediaInspector.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

constexpr size_t kTitleBytes = 1048576;  // the least a title set's first part holds to be listed
constexpr size_t kPackBytes = 2048;

class CliDvd : public ::testing::Test {
protected:
    TempDir dir;
    std::string disc = dir.file("My Disc");
    std::string videoTs = u8(dir.path() / "My Disc" / "VIDEO_TS");
    std::string inVideoTs(const char* name) const { return u8(fromU8(videoTs) / name); }

    void SetUp() override {
        // 4 s of 6 Mbit/s video (about 3 MB), AC-3 stereo at 192 kbit/s and MP2 mono at 64 kbit/s.
        const std::string film = dir.file("film.vob");
        ASSERT_TRUE(makeMedia(film,
                              "-f lavfi -i testsrc=size=176x144:rate=25:duration=4 -f lavfi -i "
                              "sine=sample_rate=48000:duration=4 -f lavfi -i "
                              "sine=frequency=220:sample_rate=48000:duration=4 -map 0:v -map 1:a -map 2:a "
                              "-c:v mpeg2video -b:v 6M -minrate 6M -maxrate 6M -bufsize 1835k -c:a:0 ac3 "
                              "-ac:a:0 2 -b:a:0 192k -c:a:1 mp2 -b:a:1 64k -f dvd"));
        const std::string bytes = readFile(film);
        ASSERT_GT(bytes.size(), 2 * kTitleBytes);
        fs::create_directories(fromU8(videoTs));
        // Parts are cut at pack boundaries, as on a disc.
        for (const auto& [name, from, count] :
             {std::tuple{"VTS_01_1.VOB", size_t{0}, kTitleBytes - kPackBytes},
              {"VTS_02_1.VOB", 0, kTitleBytes},
              {"VTS_02_2.VOB", kTitleBytes, std::string::npos},
              {"VTS_04_1.VOB", 0, kTitleBytes}})
            ASSERT_TRUE(writeFile(inVideoTs(name), bytes.substr(from, count)));
    }
};

}  // namespace

// From the disc's root or from VIDEO_TS: the film alone, as "DVD Title 1", probed on its first part (the
// transcoder numbers the navigation and video streams first; a title's length is not known before joining).
TEST_F(CliDvd, ProbeListsTheFilmTitleOnly) {
    for (const std::string& folder : {disc, videoTs}) {
        const CliRun r = runCli(dir, {"probe", folder});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, folder + " (DVD Title 1)\tkind=1\tduration=0\tstreams=2\tchosen=0\n" +
                             "stream=0\tid=0:2\trate=48000\tbitrate=192\tchannels=2\n" +
                             "stream=1\tid=0:3\trate=48000\tbitrate=64\tchannels=1\n");
    }
}

// The whole title, both parts, is converted (its first part alone holds about 1.2 s): on its own, named
// after the title beside the VOB files, and joined with a 2 s WAV file into one output.
TEST_F(CliDvd, ConvertTakesEveryPartOfTheTitle) {
    const std::string own = inVideoTs("DVD_Title_1.wav");
    const CliRun alone =
        runCli(dir, {"convert", "--format", "1200", "--set", "DestOutputFolderOpt=199", disc});
    EXPECT_EQ(alone.exitCode, 0) << alone.err;
    EXPECT_EQ(alone.out, disc + " (DVD Title 1)\tDVD_Title_1.wav\t" + own + "\n");
    EXPECT_NEAR(inspectMedia(own, "wav").seconds, 4.0, 0.25);

    const std::string tail = dir.file("tail.wav"), joined = dir.file("joined.wav");
    ASSERT_TRUE(makeSineWav(tail, 2));
    const CliRun one = runCli(dir, {"convert", "--format", "1200", "--set", "DestOutputFolderOpt=199",
                                    "--one", joined, disc, tail});
    EXPECT_EQ(one.exitCode, 0) << one.err;
    EXPECT_EQ(one.out, disc + " (DVD Title 1)\tjoined.wav\t" + joined + "\n" + tail + "\tjoined.wav\t" +
                           joined + "\n");
    EXPECT_NEAR(inspectMedia(joined, "wav").seconds, 6.0, 0.3);
}
