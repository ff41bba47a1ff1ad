// The probe's reader step: the program's own readers answer for their extensions, refusals fall back to
// the transcoder, and a CD track that cannot be read fails with the CD hint.
#include <gtest/gtest.h>

#include "audio/BassReader.h"
#include "audio/bass/CdSectorSource.h"
#include "settings/AppSettings.h"
#include "sources/Probe.h"
#include "sources/SourceItem.h"
#include "support/AudioTestFiles.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

class ProbeReaders : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(startAudioLibrary(binFolder()), BassStartResult::Started); }
    static void TearDownTestSuite() { stopAudioLibrary(); }
    void TearDown() override { bass_cd::removeDiscImage(u8(dir_.path() / "cd")); }
    std::unique_ptr<SourceItem> probe(const std::string& name, std::string* error, bool* hint) {
        return probeSource(dir_.file(name), settings_, error, hint);
    }
    TempDir dir_;
    AppSettings settings_;
};

TEST_F(ProbeReaders, OwnReadersFillTheItem) {
    const std::string mono =
        makeDwvwAifc({.sampleRate = 22050}, makeSignal(Signal::Sine, 16, 1, 22050 * 3 + 10));
    ASSERT_TRUE(writeFile(dir_.file("clip.aifc"), mono));
    ASSERT_TRUE(writeFile(dir_.file("Stereo.AFC"), makeDwvwAifc({.channels = 2, .sampleSize = 24},
                                                                makeSignal(Signal::Noise, 24, 2, 500))));
    ASSERT_TRUE(
        writeFile(dir_.file("memo.voc"), voiceRecorderHeader(12, 3, 1, 2, 3, 1) + std::string(400, '\x11')));
    std::filesystem::create_directories(dir_.path() / "cd");
    ASSERT_TRUE(writeFile(dir_.file("disc.img"), std::string(200 * 2352, '\x05')));
    ASSERT_TRUE(writeFile(dir_.file("cd/Track01.cda"), cdaRecord(1, 0, 200)));
    bass_cd::installDiscImage(u8(dir_.path() / "cd"), dir_.file("disc.img"));
    struct Case {
        const char* name;
        int32_t kind;
        uint32_t duration, rate, bitRate, channels;
    };
    const Case cases[] = {
        {"clip.aifc", kSourceAifc, 3, 22050, static_cast<uint32_t>(mono.size() / (3 * 125)), 1},
        {"Stereo.AFC", kSourceAifc, 0, 44100, 24 * 2 * 44100 / 1000, 2},
        {"memo.voc", kSourceVoiceRecorder, 3600 + 2 * 60 + 3 + 1, 8000, 0, 1},
        {"cd/Track01.cda", kSourceCdTrack, 2, 44100, 1411, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        bool hint = false;
        const auto item = probe(c.name, &error, &hint);
        ASSERT_TRUE(item) << error;
        EXPECT_EQ(item->kind, c.kind);
        EXPECT_EQ(item->needsPreparation, 1);
        EXPECT_EQ(item->duration, c.duration);
        ASSERT_EQ(item->streamCount(), 1u);
        EXPECT_EQ(item->streamSampleRates[0], c.rate);
        EXPECT_EQ(item->streamBitRates[0], c.bitRate);
        EXPECT_EQ(item->streamChannels[0], c.channels);
        EXPECT_TRUE(item->streamIds.empty()) << "no transcoder probe";
        EXPECT_EQ(item->audioStream, 0);
        EXPECT_FALSE(hint);
    }
}

TEST_F(ProbeReaders, RefusalsGoToTheTranscoderAndCdTracksGetTheHint) {
    // A plain AIFF and a Creative voice file: the readers refuse, the transcoder knows them.
    for (const auto& [name, format, codec] :
         {std::tuple{"plain.aif", "aiff", "pcm_s16be"}, {"creative.voc", "voc", "pcm_u8"}}) {
        runTranscoder({"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                       "sine=frequency=500:sample_rate=8000:duration=2", "-c:a", codec, "-f", format, "-y",
                       dir_.file(name)});
        std::string error;
        bool hint = false;
        const auto item = probe(name, &error, &hint);
        ASSERT_TRUE(item) << name << ": " << error;
        EXPECT_EQ(item->kind, kSourceFile);
        EXPECT_EQ(item->needsPreparation, 0);
        EXPECT_EQ(item->duration, 2u);
        ASSERT_EQ(item->streamCount(), 1u);
        EXPECT_EQ(item->streamSampleRates[0], 8000u);
        EXPECT_FALSE(item->streamIds.empty());
        EXPECT_FALSE(hint);
    }
    // Neither a reader nor the transcoder; a track file away from its disc; no track file at all.
    ASSERT_TRUE(writeFile(dir_.file("junk.aifc"), std::string("FORM\0\0\0\x10"
                                                              "AIFCjunkjunk",
                                                              20)));
    ASSERT_TRUE(writeFile(dir_.file("Track02.cda"), cdaRecord(2, 0, 75)));
    ASSERT_TRUE(writeFile(dir_.file("fake.cda"), "not a track"));
    for (const auto& [name, message, wantHint] : {std::tuple{"junk.aifc", "No audio stream found", false},
                                                  {"Track02.cda", "Failed to open the CD track", true},
                                                  {"fake.cda", "Failed to open the CD track", true}}) {
        std::string error;
        bool hint = false;
        EXPECT_FALSE(probe(name, &error, &hint)) << name;
        EXPECT_EQ(error, message);
        EXPECT_EQ(hint, wantHint);
    }
    std::string error;
    EXPECT_FALSE(probe("Track02.cda", &error, nullptr)) << "the hint is optional";
}

}  // namespace
