// The audio-library reader on CD tracks read from a disc image, and on WAV files.
#include <gtest/gtest.h>

#include "audio/BassReader.h"
#include "audio/DwvwAifcReader.h"
#include "audio/bass/CdSectorSource.h"
#include "audio/bass/bass.h"
#include "support/AudioTestFiles.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

constexpr size_t kSector = 2352;

std::string pattern(size_t bytes, uint32_t seed) {
    std::string s(bytes, '\0');
    for (char& c : s) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
    return s;
}

class BassReaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(startAudioLibrary(binFolder()), BassStartResult::Started); }
    static void TearDownTestSuite() { stopAudioLibrary(); }
    // A disc of two tracks (150 and 235 sectors) and its track files.
    void SetUp() override {
        ASSERT_TRUE(writeFile(dir_.file("disc.img"), image_));
        std::filesystem::create_directories(dir_.path() / "cd");
        ASSERT_TRUE(writeFile(track("Track01.cda"), cdaRecord(1, 0, 150)));
        ASSERT_TRUE(writeFile(track("Track02.cda"), cdaRecord(2, 150, 235)));
        bass_cd::installDiscImage(u8(dir_.path() / "cd"), dir_.file("disc.img"));
    }
    void TearDown() override { bass_cd::removeDiscImage(u8(dir_.path() / "cd")); }
    std::string track(const char* name) const { return u8(dir_.path() / "cd" / name); }

    TempDir dir_;
    const std::string image_ = pattern(385 * kSector, 99);
};

TEST_F(BassReaderTest, CdTracksReportTheirFactsAndTheImageBytes) {
    struct Case {
        const char* file;
        size_t first, sectors;
        int seconds;
    };
    for (const Case c : {Case{"Track01.cda", 0, 150, 2}, Case{"Track02.cda", 150, 235, 3}}) {
        SCOPED_TRACE(c.file);
        BassReader reader;
        ASSERT_EQ(reader.open(track(c.file)), 1);
        const size_t total = c.sectors * kSector;
        EXPECT_EQ(reader.size(), total);
        EXPECT_EQ(reader.duration(), c.seconds);
        EXPECT_EQ(reader.sampleRate(), 44100);
        EXPECT_EQ(reader.channelCount(), 2);
        EXPECT_EQ(reader.outputChannelCount(), 2);
        EXPECT_EQ(reader.bitsPerSample(), 16);
        EXPECT_EQ(reader.bitRate(), 1411) << "a track is no file: the PCM rate stands in";
        EXPECT_EQ(reader.position(), 0u);
        std::string pcm;
        char buffer[4608];
        for (size_t n; (n = reader.read(buffer, sizeof buffer)) != 0;) {
            pcm.append(buffer, n);
            EXPECT_EQ(n, std::min<size_t>(4608, total - (pcm.size() - n)));
            EXPECT_EQ(reader.position(), pcm.size());
        }
        EXPECT_TRUE(pcm == image_.substr(c.first * kSector, total));
        reader.close();
        EXPECT_EQ(reader.position() + reader.duration(), 0u);
    }
}

TEST_F(BassReaderTest, CdTrackEdgeCases) {
    ASSERT_TRUE(writeFile(track("Track03.cda"), cdaRecord(3, 385, 0)));    // empty
    ASSERT_TRUE(writeFile(track("Track04.cda"), cdaRecord(4, 380, 100)));  // runs off the disc
    ASSERT_TRUE(writeFile(track("Track05.cda"), cdaRecord(5, 9000, 10)));  // beyond the disc
    ASSERT_TRUE(writeFile(track("Short.cda"), cdaRecord(6, 0, 10).substr(0, 40)));
    ASSERT_TRUE(writeFile(dir_.file("copied.cda"), cdaRecord(1, 0, 150)));  // away from its disc
    BassReader reader;
    ASSERT_EQ(reader.open(track("Track03.cda")), 1);
    EXPECT_EQ(reader.duration(), 0);
    EXPECT_EQ(reader.bitRate(), 1411);
    EXPECT_EQ(readAll(reader), "");
    ASSERT_EQ(reader.open(track("Track04.cda")), 1);
    EXPECT_TRUE(readAll(reader) == image_.substr(380 * kSector)) << "stops where the sectors end";
    for (const std::string& refused : {track("Track05.cda"), track("Short.cda"), dir_.file("copied.cda")}) {
        EXPECT_EQ(reader.open(refused), 0) << refused;
        EXPECT_EQ(readAll(reader), "");
        EXPECT_EQ(reader.duration(), 0);
    }
    // Without the CD plug-in tracks cannot be read, and its open streams go with it.
    ASSERT_EQ(reader.open(track("Track01.cda")), 1);
    ASSERT_TRUE(BASS_PluginFree(0));
    EXPECT_EQ(readAll(reader), "");
    EXPECT_EQ(reader.open(track("Track01.cda")), 0);
    EXPECT_NE(BASS_PluginLoad((binFolder() + "BassCD.DLL").c_str(), 0), 0u);
    EXPECT_EQ(reader.open(track("Track01.cda")), 1);
}

// Paths beyond ASCII reach the file system intact (wide paths on Windows), for both kinds of reader.
TEST_F(BassReaderTest, NonAsciiPaths) {
    const std::string folder =
        u8(dir_.path()) + "/\xD0\x9C\xD1\x83\xD0\xB7\xD1\x8B\xD0\xBA\xD0\xB0 \xE9\x9F\xB3\xE6\xA5\xBD";
    std::filesystem::create_directories(fromU8(folder));
    BassReader reader;
    ASSERT_TRUE(writeFile(folder + "/Track01.cda", cdaRecord(1, 0, 3)));
    bass_cd::installDiscImage(folder, dir_.file("disc.img"));
    ASSERT_EQ(reader.open(folder + "/Track01.cda"), 1);
    EXPECT_TRUE(readAll(reader) == image_.substr(0, 3 * kSector));
    bass_cd::removeDiscImage(folder);
    const auto samples = makeSignal(Signal::Sine, 16, 1, 500);
    ASSERT_TRUE(writeFile(folder + "/\xE6\x9B\xB2.aifc", makeDwvwAifc({}, samples)));
    DwvwAifcReader dwvw;
    ASSERT_EQ(dwvw.open(folder + "/\xE6\x9B\xB2.aifc"), 1);
    EXPECT_TRUE(asPcm16(readAll(dwvw)) == top16(samples, 16, 1));
}

}  // namespace
