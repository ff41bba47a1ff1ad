// The probe's reader step: the program's own readers answer for their extensions, refusals fall back to
// the transcoder, and a CD track that cannot be read fails with the CD hint.
#include <gtest/gtest.h>

#include <filesystem>

#include "audio/BassReader.h"
#include "audio/bass/CdSectorSource.h"
#include "settings/AppSettings.h"
#include "sources/Probe.h"
#include "sources/SourceItem.h"
#include "support/DwvwTestFiles.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

void putLe(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::string cdaRecord(uint16_t track, uint32_t firstSector, uint32_t sectors) {
    std::string r = "RIFF";
    putLe(r, 36, 4);
    r += "CDDAfmt ";
    putLe(r, 24, 4);
    putLe(r, 1, 2);
    putLe(r, track, 2);
    putLe(r, 0, 4);
    putLe(r, firstSector, 4);
    putLe(r, sectors, 4);
    putLe(r, 0, 4);
    putLe(r, 0, 4);
    return r;
}

// A voice-recorder file: header with signature, 1 h 2 min 3 s plus a fraction, ADPCM; 30 records.
std::string voiceRecorderFile() {
    std::string h(511, '\0');
    h.replace(6, 9, "_VOC_File");
    h[15] = 12;
    h[22] = 1;
    h[23] = 2;
    h[24] = 3;
    h[25] = 1;
    h[26] = 3;
    return h + std::string(400, '\x11');
}

class ProbeReaders : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(startAudioLibrary(binFolder()), BassStartResult::Started); }
    static void TearDownTestSuite() { stopAudioLibrary(); }
    void TearDown() override { bass_cd::removeDiscImage(u8(dir_.path() / "cd")); }

    std::unique_ptr<SourceItem> probe(const std::string& name, std::string* error = nullptr,
                                      bool* hint = nullptr) {
        return probeSource(dir_.file(name), settings_, error, hint);
    }
    TempDir dir_;
    AppSettings settings_;
};

TEST_F(ProbeReaders, OwnReadersFillTheItem) {
    AifcSpec mono;
    mono.sampleRate = 22050;
    const std::string monoBytes = makeDwvwAifc(mono, makeSignal(Signal::Sine, 16, 1, 22050 * 3 + 10));
    ASSERT_TRUE(writeFile(dir_.file("clip.aifc"), monoBytes));
    AifcSpec stereo;
    stereo.channels = 2;
    stereo.sampleSize = 24;
    ASSERT_TRUE(
        writeFile(dir_.file("Stereo.AFC"), makeDwvwAifc(stereo, makeSignal(Signal::Noise, 24, 2, 500))));
    ASSERT_TRUE(writeFile(dir_.file("memo.voc"), voiceRecorderFile()));
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
        {"clip.aifc", kSourceAifc, 3, 22050, static_cast<uint32_t>(monoBytes.size() / (3 * 125)), 1},
        {"Stereo.AFC", kSourceAifc, 0, 44100, 24 * 2 * 44100 / 1000, 2},
        {"memo.voc", kSourceVoiceRecorder, 3600 + 2 * 60 + 3 + 1, 8000, 0, 1},
        {"cd/Track01.cda", kSourceCdTrack, 2, 44100, 1411, 2},
    };
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

TEST_F(ProbeReaders, RefusedFilesGoToTheTranscoder) {
    // A plain AIFF and a Creative voice file: the readers refuse, the transcoder knows them.
    struct Made {
        const char* name;
        const char* format;
        const char* codec;
    };
    for (const Made& m : {Made{"plain.aif", "aiff", "pcm_s16be"}, Made{"creative.voc", "voc", "pcm_u8"}}) {
        const char* name = m.name;
        SCOPED_TRACE(name);
        runTranscoder({"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                       "sine=frequency=500:sample_rate=8000:duration=2", "-c:a", m.codec, "-f", m.format,
                       "-y", dir_.file(name)});
        std::string error;
        bool hint = false;
        const auto item = probe(name, &error, &hint);
        ASSERT_TRUE(item) << error;
        EXPECT_EQ(item->kind, kSourceFile);
        EXPECT_EQ(item->needsPreparation, 0);
        EXPECT_EQ(item->duration, 2u);
        ASSERT_EQ(item->streamCount(), 1u);
        EXPECT_EQ(item->streamSampleRates[0], 8000u);
        EXPECT_FALSE(item->streamIds.empty());
        EXPECT_FALSE(hint);
    }
    // Neither a reader nor the transcoder can use it.
    ASSERT_TRUE(writeFile(dir_.file("junk.aifc"),
                          "FORM\0\0\0\x10"
                          "AIFCjunkjunk"));
    std::string error;
    bool hint = false;
    EXPECT_FALSE(probe("junk.aifc", &error, &hint));
    EXPECT_EQ(error, "No audio stream found");
    EXPECT_FALSE(hint);
}

TEST_F(ProbeReaders, AnUnreadableCdTrackFailsWithTheHint) {
    // A track file copied to a hard disk, and a file that is no track file at all.
    ASSERT_TRUE(writeFile(dir_.file("Track02.cda"), cdaRecord(2, 0, 75)));
    ASSERT_TRUE(writeFile(dir_.file("fake.cda"), "not a track"));
    for (const char* name : {"Track02.cda", "fake.cda"}) {
        std::string error;
        bool hint = false;
        EXPECT_FALSE(probe(name, &error, &hint)) << name;
        EXPECT_EQ(error, "Failed to open the CD track");
        EXPECT_TRUE(hint);
    }
    std::string error;
    EXPECT_FALSE(probe("Track02.cda", &error)) << "the hint is optional";
}

}  // namespace
