// The audio-library reader on CD tracks read from a disc image.
#include <gtest/gtest.h>

#include "audio/BassReader.h"
#include "audio/bass/CdSectorSource.h"
#include "support/AudioTestFiles.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

constexpr size_t kSector = 2352;

class BassReaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(startAudioLibrary(binFolder()), BassStartResult::Started); }
    static void TearDownTestSuite() { stopAudioLibrary(); }
    void SetUp() override {
        for (size_t i = 0; i < image_.size(); ++i) image_[i] = static_cast<char>(i * 7 + i / 4096);
        std::filesystem::create_directories(fromU8(cd_));
        ASSERT_TRUE(writeFile(dir_.file("disc.img"), image_));
        bass_cd::installDiscImage(cd_, dir_.file("disc.img"));
    }
    void TearDown() override { bass_cd::removeDiscImage(cd_); }
    std::string track(uint16_t number, uint32_t first, uint32_t sectors) {
        const std::string path = cd_ + "/Track0" + std::to_string(number) + ".cda";
        EXPECT_TRUE(writeFile(path, cdaRecord(number, first, sectors)));
        return path;
    }

    TempDir dir_;
    const std::string cd_ =
        u8(dir_.path()) + "/\xD0\x9C\xD1\x83\xD0\xB7\xD1\x8B\xD0\xBA\xD0\xB0 \xE9\x9F\xB3";
    std::string image_ = std::string(385 * kSector, '\0');
};

TEST_F(BassReaderTest, CdTracksReportTheirFactsAndTheImageBytes) {
    for (const auto& [number, first, sectors, seconds] :
         {std::array<uint32_t, 4>{1, 0, 150, 2}, {2, 150, 235, 3}}) {
        BassReader reader;
        ASSERT_EQ(reader.open(track(static_cast<uint16_t>(number), first, sectors)), 1);
        const size_t total = sectors * kSector;
        // A track is no file: the PCM rate (1411 kbit/s) stands in for the bit rate.
        EXPECT_EQ(std::tuple(reader.size(), reader.duration(), reader.sampleRate(), reader.channelCount(),
                             reader.outputChannelCount(), reader.bitsPerSample(), reader.bitRate(),
                             reader.position()),
                  std::tuple(total, static_cast<int>(seconds), 44100, 2, 2, 16, 1411, 0u));
        std::string pcm;
        char buffer[4608];
        for (size_t n; (n = reader.read(buffer, sizeof buffer)) != 0;) {
            pcm.append(buffer, n);
            EXPECT_EQ(n, std::min<size_t>(4608, total - (pcm.size() - n)));
            EXPECT_EQ(reader.position(), pcm.size());
        }
        EXPECT_TRUE(pcm == image_.substr(first * kSector, total));
    }
}

TEST_F(BassReaderTest, TracksBeyondTheDisc) {
    BassReader reader;
    ASSERT_EQ(reader.open(track(4, 380, 100)), 1);
    EXPECT_TRUE(readAll(reader) == image_.substr(380 * kSector)) << "stops where the sectors end";
    EXPECT_EQ(reader.open(track(5, 9000, 10)), 0) << "starts beyond the disc";
    EXPECT_EQ(reader.duration() + readAll(reader).size(), 0u);
}

}  // namespace
