// The probe's reader step: own readers, fallback to the transcoder, and the CD hint.
#include <gtest/gtest.h>

#include "audio/BassReader.h"
#include "audio/bass/CdSectorSource.h"
#include "engine/Probe.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"
#include "support/AudioTestFiles.h"
#include "support/CliAndMedia.h"

using namespace testing_support;

namespace {

class ProbeReaders : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(startAudioLibrary(binFolder()), BassStartResult::Started); }
    static void TearDownTestSuite() { stopAudioLibrary(); }
    void TearDown() override { bass_cd::removeDiscImage(u8(dir_.path() / "cd")); }
    TempDir dir_;
    AppSettings settings_;
    bool hint_ = false;
};

TEST_F(ProbeReaders, OwnReadersTheTranscoderAndFailures) {
    ASSERT_TRUE(writeFile(dir_.file("Stereo.AFC"), makeDwvwAifc({.channels = 2, .sampleSize = 24},
                                                                makeSignal(Signal::Noise, 24, 2, 500))));
    ASSERT_TRUE(
        writeFile(dir_.file("memo.voc"), voiceRecorderHeader(12, 3, 1, 2, 3, 1) + std::string(400, '\x11')));
    std::filesystem::create_directories(dir_.path() / "cd");
    ASSERT_TRUE(writeFile(dir_.file("disc.img"), std::string(200 * 2352, '\x05')));
    ASSERT_TRUE(writeFile(dir_.file("cd/Track01.cda"), cdaRecord(1, 0, 200)));
    bass_cd::installDiscImage(u8(dir_.path() / "cd"), dir_.file("disc.img"));
    ASSERT_TRUE(makeMedia(dir_.file("plain.aif"),
                          "-f lavfi -i sine=sample_rate=8000:duration=2 -c:a pcm_s16be -f aiff"));
    // {name, kind, needsPreparation, duration, rate, bit rate (readers only), channels}; AIFF: transcoder
    const std::tuple<const char*, int32_t, int, uint32_t, uint32_t, uint32_t, uint32_t> cases[] = {
        {"Stereo.AFC", kSourceAifc, 1, 0, 44100, 24 * 2 * 44100 / 1000, 2},
        {"memo.voc", kSourceVoiceRecorder, 1, 3600 + 2 * 60 + 3 + 1, 8000, 0, 1},
        {"cd/Track01.cda", kSourceCdTrack, 1, 2, 44100, 1411, 2},
        {"plain.aif", kSourceFile, 0, 2, 8000, 0, 1}};
    for (const auto& [name, kind, needsPreparation, duration, rate, bitRate, channels] : cases) {
        SCOPED_TRACE(name);
        auto probed = probeSource(dir_.file(name), settings_, &hint_);
        ASSERT_TRUE(probed) << probed.reason();
        const auto item = probed.take();
        ASSERT_EQ(item->streamCount(), 1u);
        EXPECT_EQ(std::tuple(item->kind, item->needsPreparation, item->duration, item->streamSampleRates[0],
                             item->streamChannels[0], item->audioStream),
                  std::tuple(kind, needsPreparation, duration, rate, channels, 0));
        EXPECT_TRUE(kind == kSourceFile || item->streamBitRates[0] == bitRate) << item->streamBitRates[0];
        EXPECT_EQ(item->streamIds.empty(), needsPreparation == 1)
            << "a reader's facts need no transcoder probe";
        EXPECT_FALSE(hint_);
    }
    ASSERT_TRUE(writeFile(dir_.file("junk.aifc"), "FORMjunkAIFCjunkjunk"));
    ASSERT_TRUE(writeFile(dir_.file("Track02.cda"), cdaRecord(2, 0, 75)));
    for (const auto& [name, message, wantHint] :
         {std::tuple{"junk.aifc", openComplaint(dir_.file("junk.aifc")), false},
          {"Track02.cda", "Failed to open the CD track", true}}) {
        const auto probed = probeSource(dir_.file(name), settings_, &hint_);
        EXPECT_FALSE(probed) << name;
        EXPECT_EQ(std::tuple(probed.reason(), hint_), std::tuple(message, wantHint));
    }
}

}  // namespace
