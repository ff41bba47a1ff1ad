// Real conversions of generated media into every catalogue format, read back by an independent reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <set>

#include "engine/Probe.h"
#include "formats/Catalogue.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"
#include "support/CliAndMedia.h"
#include "support/ConversionJob.h"
#include "support/MediaInspector.h"

using testing_support::TempDir;

namespace {

// Format/codec pairs a build refuses although it has the encoder (besides the encoders it lacks). Such a
// conversion must fail (so the lists stay true) and is skipped with the transcoder's own message.
#ifdef _WIN32
const std::set<std::pair<int32_t, std::string>> kKnownGaps = {};
#else
const std::set<std::pair<int32_t, std::string>> kKnownGaps = {{1040, "libgsm"}};  // "could not compute..."
#endif

constexpr double kDurationTolerance = 0.15;  // encoder priming and frame padding

// The clip's second stream is chosen with RequestAudioIndex 2.
enum Source { kWav, kClip, kClipSecondStream, kRawG722 };
const char* const kSourceNames[] = {"wav", "clip", "clip2", "g722"};

// Stereo 44100 Hz sine, 2 s; a 2 s video with a 48000 Hz 5.1 and a 22050 Hz mono AAC stream; or a
// headerless G.722 stream whose format the command line has to name.
std::string makeSource(const TempDir& dir, Source source) {
    const std::string path = dir.file(source == kWav       ? "tone.wav"
                                      : source == kRawG722 ? "speech.722"
                                                           : "clip.mkv");
    if (source == kWav) return testing_support::makeSineWav(path, 2) ? path : "";
    return testing_support::makeMedia(
               path, source == kRawG722 ? "-f lavfi -i sine=sample_rate=16000:duration=2 -c:a g722 -f g722"
                                        : "-f lavfi -i testsrc=size=96x64:rate=10:duration=2 -f lavfi -i "
                                          "sine=frequency=440:sample_rate=48000:duration=2 -f lavfi -i "
                                          "sine=frequency=880:sample_rate=22050:duration=2 -map 0:v -map 1:a "
                                          "-map 2:a -c:v mpeg4 -c:a aac -ac:a:0 6 -ac:a:1 1")
               ? path
               : "";
}

// What one conversion should give, as the catalogue and the command-line rules determine it.
struct Expected {
    std::string codec;  // as the independent reader names the decoder
    int sampleRate = 0, channels = 0;
    double seconds = 2.0;
};

// Explicit values a user can choose; zero or -1 keeps the format's own.
struct Change {
    int32_t bitRate = 0, vbrQuality = -1, level = -1, sampleRate = 0, channels = 0, volume = 0;
    const char* codec = nullptr;
    uint32_t skip = 0, length = 0, ignore = 0;
};
using Extra = std::function<void(const std::string& output)>;

void apply(const Change& c, OutputFormat& f, AppSettings& s) {
    if (c.bitRate != 0) f.AudioBitRate = c.bitRate;
    if (c.vbrQuality >= 0) f.AudioVBREnabled = 1, f.AudioVBRQuality = c.vbrQuality;
    if (c.level >= 0) f.AudioCompressionLevel = c.level;
    if (c.sampleRate != 0) f.AudioSampleRate = c.sampleRate;
    if (c.channels != 0) f.AudioChannels = c.channels;
    if (c.volume != 0) f.AudioVolume = c.volume;
    if (c.codec != nullptr) f.AudioCodec = c.codec;
    if (c.skip != 0) s.EnableSkipLength = 1, s.SkipLength = c.skip;
    if (c.length != 0) s.EnableConvertLength = 1, s.ConvertLength = c.length;
    if (c.ignore != 0) s.EnableIgnoreTheLast = 1, s.IgnoreLength = c.ignore;
}

// Probes the source, converts it and checks the result (and that the command line holds linePiece);
// skips a conversion this build is known to lack.
void convertAndCheck(Source source, int32_t formatId, const Expected& expected, const Change& change = {},
                     const std::string& linePiece = "", const Extra& extra = {}) {
    TempDir dir;
    const std::string input = makeSource(dir, source);
    ASSERT_FALSE(input.empty()) << "could not make the source";

    AppSettings settings;
    settings.RequestAudioIndex = source == kClipSecondStream ? 2 : 1;
    auto probed = probeSource(input, settings);
    ASSERT_TRUE(probed) << probed.reason();
    std::unique_ptr<SourceItem> item = probed.take();
    Catalogue catalogue;
    const OutputFormat* listed = catalogue.findById(formatId);
    ASSERT_NE(listed, nullptr) << formatId;
    OutputFormat format = *listed;
    apply(change, format, settings);

    item->outputPath = dir.file("out." + format.extension);
    const ConversionOutcome run = runConversion(*item, format, settings);
    const std::string& line = run.line;
    const std::string& completion = run.completion;
    EXPECT_NE(line.find(linePiece), std::string::npos) << line;
    ASSERT_EQ(run.error, "") << line;

    // A refusing transcoder may leave a header-only file behind, so its own verdict decides the gaps.
    if (transcoderLacksEncoder(format.AudioCodec) || kKnownGaps.count({format.id, format.AudioCodec}) != 0) {
        ASSERT_TRUE(run.refused()) << format.AudioCodec << " in " << format.id
                                   << " converts now: take it off this build's list of gaps";
        GTEST_SKIP() << "expected gap of this transcoder build: " << format.AudioCodec << " in " << format.id
                     << ": " << completion;
    }
    ASSERT_FALSE(testing_support::readFile(item->outputPath).empty())
        << "no output; transcoder said: " << completion << "\n"
        << line;

    const MediaFacts facts = inspectMedia(item->outputPath, format.extension);
    ASSERT_TRUE(facts.ok) << facts.error << "\n" << line;
    EXPECT_EQ(facts.codec, expected.codec) << line;
    // VOC stores the rate as a one-byte time constant, so the file can only come near the rate asked for.
    EXPECT_NEAR(facts.sampleRate, expected.sampleRate,
                format.extension == "voc" ? expected.sampleRate / 100 : 0)
        << line;
    EXPECT_EQ(facts.channels, expected.channels) << line;
    EXPECT_NEAR(facts.seconds, expected.seconds, kDurationTolerance) << line;
    if (extra) extra(item->outputPath);
}

// Every catalogue format with its automatic values. Rates and channel counts follow from the format's
// codec record: the source's rate snapped to the codec's list, its channels fitted to the channel mask.
struct FormatCase {
    int32_t id;
    const char* name;
    const char* codec;
    int rate[3], channels[3];  // from 44100 Hz stereo, 48000 Hz 5.1, 22050 Hz mono
};

const FormatCase kFormats[] = {
    {1010, "aac", "aac", {44100, 48000, 22050}, {2, 6, 1}},
    {1020, "m4a_device", "aac", {44100, 48000, 22050}, {2, 6, 1}},
    {1030, "ac3", "ac3", {44100, 48000, 32000}, {2, 6, 1}},
    {1040, "aiff", "pcm_s16be", {44100, 48000, 22050}, {2, 6, 1}},
    {1050, "alac", "alac", {44100, 48000, 22050}, {2, 2, 2}},
    {1055, "alaw", "pcm_alaw", {8000, 8000, 8000}, {1, 1, 1}},
    {1060, "amr", "amr_nb", {8000, 8000, 8000}, {1, 1, 1}},
    {1070, "au", "pcm_s16be", {44100, 48000, 22050}, {2, 6, 1}},
    {1082, "caf", "pcm_s16be", {44100, 48000, 22050}, {2, 6, 1}},
    {1085, "dts", "dts", {44100, 48000, 22050}, {2, 2, 1}},
    {1090, "flac", "flac", {44100, 48000, 22050}, {2, 6, 1}},
    {1095, "flv", "mp3", {44100, 44100, 22050}, {2, 2, 1}},
    {1100, "m4a", "aac", {44100, 48000, 22050}, {2, 6, 1}},
    {1110, "m4b", "aac", {44100, 48000, 22050}, {2, 6, 1}},
    {1120, "m4r", "aac", {44100, 48000, 22050}, {2, 6, 1}},
    {1130, "mka", "vorbis", {44100, 48000, 22050}, {2, 6, 1}},
    {1140, "mmf", "adpcm_yamaha", {44100, 44100, 22050}, {1, 1, 1}},
    {1150, "mp2", "mp2", {44100, 48000, 22050}, {2, 2, 1}},
    {1160, "mp3", "mp3", {44100, 48000, 22050}, {2, 2, 1}},
    {1170, "mpa", "mp2", {44100, 48000, 22050}, {2, 2, 1}},
    {1175, "ulaw", "pcm_mulaw", {8000, 8000, 8000}, {1, 1, 1}},
    {1180, "ogg", "vorbis", {44100, 48000, 22050}, {2, 6, 1}},
    {1182, "opus", "opus", {48000, 48000, 48000}, {2, 6, 1}},  // decoded at 48000 whatever was encoded
    {1185, "spx", "speex", {16000, 16000, 16000}, {1, 1, 1}},
    {1190, "voc", "pcm_u8", {44100, 48000, 22050}, {2, 6, 1}},
    {1200, "wav", "pcm_s16le", {44100, 48000, 22050}, {2, 6, 1}},
    {1210, "wma", "wmav2", {44100, 48000, 22050}, {2, 2, 1}},
    {1220, "wv", "wavpack", {44100, 48000, 22050}, {2, 6, 1}},
};

struct FormatSource {
    FormatCase format;
    Source source;
    const char* encoder = nullptr;  // the transcoder's name of a codec chosen explicitly
};

void PrintTo(const FormatSource& c, std::ostream* os) {
    *os << c.format.id << " from " << kSourceNames[c.source];
}

class EveryFormat : public ::testing::TestWithParam<FormatSource> {};

TEST_P(EveryFormat, ConvertsWithAutomaticValues) {
    const FormatCase& f = GetParam().format;
    const int s = GetParam().source;
    convertAndCheck(GetParam().source, f.id, {f.codec, f.rate[s], f.channels[s]},
                    {.codec = GetParam().encoder});
}

std::string caseName(const ::testing::TestParamInfo<FormatSource>& p) {
    return std::string(p.param.format.name) + "_" + std::to_string(p.param.format.id) + "_" +
           kSourceNames[p.param.source] + (p.param.encoder ? std::string("_") + p.param.encoder : "");
}

// Every format from the WAV and the clip's first stream; the second stream (22050 Hz mono) into formats
// whose codecs treat it differently: kept, snapped up, fitted up to stereo.
std::vector<FormatSource> sweep(std::vector<Source> sources, std::set<int32_t> only = {}) {
    std::vector<FormatSource> all;
    for (const FormatCase& f : kFormats)
        for (Source s : sources)
            if (only.empty() || only.count(f.id) != 0) all.push_back({f, s});
    return all;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryFormat, ::testing::ValuesIn(sweep({kWav, kClip})), caseName);
INSTANTIATE_TEST_SUITE_P(SecondStream, EveryFormat,
                         ::testing::ValuesIn(sweep({kClipSecondStream}, {1030, 1050, 1160, 1182, 1200})),
                         caseName);

// Explicit values chosen by the user.
TEST(ExplicitValues, BitRateVbrLevelRateChannelsCodecAndTrimming) {
    convertAndCheck(kWav, 1160, {"mp3", 44100, 2}, {.bitRate = 192000}, "-b:a 192000 ",
                    [](const std::string& out) { EXPECT_EQ(inspectMedia(out, "mp3").bitRate, 192000); });
    // The encoder marks a VBR stream with a "Xing" frame and a CBR one with "Info".
    convertAndCheck(kWav, 1160, {"mp3", 44100, 2}, {.vbrQuality = 2}, "-q:a 2 ", [](const std::string& out) {
        const std::string bytes = testing_support::readFile(out);
        EXPECT_NE(bytes.find("Xing"), std::string::npos);
        EXPECT_EQ(bytes.find("Info"), std::string::npos);
    });
    convertAndCheck(kClip, 1090, {"flac", 22050, 6}, {.level = 8, .sampleRate = 22050},
                    "-compression_level 8 ");
    convertAndCheck(kWav, 1182, {"opus", 48000, 2}, {.bitRate = 64000}, "-b:a 64000 ");
    convertAndCheck(kClip, 1180, {"vorbis", 48000, 1}, {.channels = 1});
    // WAV carrying G.726 at 4 bits per sample (8000 Hz mono), AC-3 carrying E-AC-3, CAF carrying ALAC.
    convertAndCheck(kWav, 1200, {"adpcm_g726", 8000, 1}, {.bitRate = 4, .codec = "g726"}, "-b:a 32000 ");
    convertAndCheck(kClip, 1030, {"eac3", 48000, 6}, {.codec = "eac3"});
    convertAndCheck(kWav, 1082, {"alac", 44100, 2}, {.codec = "alac"});
    convertAndCheck(kWav, 1200, {"pcm_s16le", 44100, 2, 1.0}, {.skip = 500, .length = 1000});
    convertAndCheck(kClip, 1160, {"mp3", 48000, 2, 0.75}, {.skip = 1250});
    convertAndCheck(kWav, 1090, {"flac", 44100, 2, 1.5}, {.ignore = 500});
    convertAndCheck(kRawG722, 1160, {"mp3", 16000, 1}, {}, " -f g722 -i ");
}

// Codecs that one of the transcoder builds lacks, chosen explicitly: each build reports its own gaps.
INSTANTIATE_TEST_SUITE_P(
    Builds, EveryFormat,
    ::testing::Values(FormatSource{{1060, "amr", "amr_wb", {16000}, {1}}, kWav, "libvo_amrwbenc"},
                      FormatSource{{1040, "aiff", "gsm", {8000}, {1}}, kWav, "libgsm"},
                      FormatSource{{1082, "caf", "gsm", {8000}, {1}}, kWav, "libgsm"},
                      FormatSource{{1200, "wav", "gsm_ms", {8000}, {1}}, kWav, "libgsm_ms"}),
    caseName);

}  // namespace
