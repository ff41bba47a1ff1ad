// Real conversions: a generated WAV and a generated video with two audio streams, probed, converted into
// every catalogue format by the transcoder beside the tests, and the results read back by an independent
// reader (see MediaInspector.h).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <set>

#include "engine/CommandLine.h"
#include "engine/EventQueue.h"
#include "engine/MediaInspector.h"
#include "engine/Transcoder.h"
#include "formats/Catalogue.h"
#include "settings/AppSettings.h"
#include "sources/Probe.h"
#include "sources/SourceItem.h"
#include "support/TestSupport.h"

using testing_support::TempDir;

namespace {

// Encoders the transcoder builds are known to lack. A format that needs one is reported as skipped with
// the transcoder's own message; one that unexpectedly converts fails, so the list stays true.
#ifdef _WIN32
const std::set<std::string> kMissingEncoders = {"libgsm", "libgsm_ms"};
#else
const std::set<std::string> kMissingEncoders = {"libopencore_amrnb", "libvo_amrwbenc"};
#endif

// Format and codec pairs that a transcoder build refuses although it has the encoder, with its message.
struct KnownGap {
    int32_t formatId;
    const char* codec;
    const char* message;
};
#ifdef _WIN32
const std::vector<KnownGap> kKnownGaps = {};
#else
const std::vector<KnownGap> kKnownGaps = {{1040, "libgsm", "could not compute bits per sample"}};
#endif

constexpr double kDurationTolerance = 0.15;  // encoder priming and frame padding

enum class Source { kWav, kClip, kClipSecondStream, kRawG722 };

const char* sourceName(Source s) {
    switch (s) {
        case Source::kWav:
            return "wav";
        case Source::kClip:
            return "clip";
        case Source::kClipSecondStream:
            return "clip2";
        case Source::kRawG722:
            return "g722";
    }
    return "";
}

// Stereo 44100 Hz sine, 2 s; or a 2 s video with a 48000 Hz 5.1 and a 22050 Hz mono AAC stream.
std::string makeSource(const TempDir& dir, Source source) {
    if (source == Source::kWav) {
        const std::string wav = dir.file("tone.wav");
        return testing_support::makeSineWav(wav, 2) ? wav : std::string();
    }
    if (source == Source::kRawG722) {
        // A headerless stream: the command line has to name its format.
        const std::string raw = dir.file("speech.722");
        testing_support::runTranscoder({"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                                        "sine=sample_rate=16000:duration=2", "-c:a", "g722", "-f", "g722",
                                        "-y", raw});
        return testing_support::readFile(raw).empty() ? std::string() : raw;
    }
    const std::string clip = dir.file("clip.mkv");
    const auto run = testing_support::runTranscoder({"-hide_banner",
                                                     "-loglevel",
                                                     "error",
                                                     "-f",
                                                     "lavfi",
                                                     "-i",
                                                     "testsrc=size=96x64:rate=10:duration=2",
                                                     "-f",
                                                     "lavfi",
                                                     "-i",
                                                     "sine=frequency=440:sample_rate=48000:duration=2",
                                                     "-f",
                                                     "lavfi",
                                                     "-i",
                                                     "sine=frequency=880:sample_rate=22050:duration=2",
                                                     "-map",
                                                     "0:v",
                                                     "-map",
                                                     "1:a",
                                                     "-map",
                                                     "2:a",
                                                     "-c:v",
                                                     "mpeg4",
                                                     "-c:a",
                                                     "aac",
                                                     "-ac:a:0",
                                                     "6",
                                                     "-ac:a:1",
                                                     "1",
                                                     "-y",
                                                     clip});
    return testing_support::readFile(clip).empty() ? std::string() : clip;
}

struct Outcome {
    bool started = false;
    bool done = false;
    std::string completion;  // the transcoder's last message line
    std::string commandLine;
    size_t progressReports = 0;
};

Outcome runJob(SourceItem& item, const OutputFormat& format, const AppSettings& settings) {
    Outcome outcome;
    outcome.commandLine = buildCommandLine(item, format, settings, transcoderPath());
    EventQueue queue;
    std::string error;
    outcome.started = buildAndStart(item, format, settings, platform::kPriorityNormal, queue, &error);
    if (!outcome.started) {
        outcome.completion = error;
        return outcome;
    }
    // A hang guard, not a speed limit.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    while (!outcome.done && std::chrono::steady_clock::now() < giveUp) {
        auto event = queue.take(std::chrono::milliseconds(500));
        if (!event) continue;
        if (event->kind == RunEvent::kProgress) {
            ++outcome.progressReports;
        } else {
            outcome.done = true;
            outcome.completion = event->completionText;
        }
    }
    if (!outcome.done) cancelConversion(item);
    item.process.reset();
    return outcome;
}

// What one conversion should give, as the catalogue and the command-line rules determine it.
struct Expected {
    std::string codec;  // as the independent reader names the decoder
    int sampleRate = 0;
    int channels = 0;
    double seconds = 2.0;
};

// Probes the source, converts it and checks the result; returns false (after reporting) when the
// transcoder lacks the encoder (an expected gap of this build) so the caller can skip.
void convertAndCheck(
    Source source, int32_t formatId, const Expected& expected,
    const std::function<void(OutputFormat&, AppSettings&)>& adjust = {},
    const std::function<void(const std::string& output, const std::string& line)>& extra = {}) {
    TempDir dir;
    const std::string input = makeSource(dir, source);
    ASSERT_FALSE(input.empty()) << "could not make the source";

    AppSettings settings;
    settings.RequestAudioIndex = source == Source::kClipSecondStream ? 2 : 1;
    std::string error;
    std::unique_ptr<SourceItem> item = probeSource(input, settings, &error);
    ASSERT_TRUE(item) << error;

    Catalogue catalogue;
    const OutputFormat* listed = catalogue.findById(formatId);
    ASSERT_NE(listed, nullptr) << formatId;
    OutputFormat format = *listed;
    if (adjust) adjust(format, settings);

    item->outputPath = dir.file("out." + format.extension);
    const Outcome outcome = runJob(*item, format, settings);
    ASSERT_TRUE(outcome.started) << outcome.completion;
    ASSERT_TRUE(outcome.done) << "no end report: " << outcome.commandLine;

    // A refusing transcoder may leave a header-only file behind, so its own verdict decides the gaps.
    const bool written = !testing_support::readFile(item->outputPath).empty();
    const bool failed = outcome.completion.find("Conversion failed") != std::string::npos ||
                        outcome.completion.find("Unknown encoder") != std::string::npos;
    if (kMissingEncoders.count(format.AudioCodec) != 0) {
        ASSERT_TRUE(failed) << format.AudioCodec
                            << " converts now: take it off this build's list of missing encoders";
        GTEST_SKIP() << "expected missing encoder " << format.AudioCodec
                     << " in this transcoder build: " << outcome.completion;
    }
    for (const KnownGap& gap : kKnownGaps) {
        if (gap.formatId == format.id && format.AudioCodec == gap.codec) {
            ASSERT_TRUE(failed) << format.AudioCodec << " converts now: take it off this build's known gaps";
            GTEST_SKIP() << "expected refusal of " << gap.codec << " in format " << gap.formatId
                         << " by this transcoder build (" << gap.message << "; "
                         << testing_support::readFile(item->outputPath).size()
                         << " bytes left behind): " << outcome.completion;
        }
    }
    ASSERT_TRUE(written) << "no output; transcoder said: " << outcome.completion << "\n"
                         << outcome.commandLine;

    const MediaFacts facts = inspectMedia(item->outputPath, format.extension);
    ASSERT_TRUE(facts.ok) << facts.error << "\n" << outcome.commandLine;
    EXPECT_EQ(facts.codec, expected.codec) << outcome.commandLine;
    if (format.extension == "voc") {
        // VOC stores the rate as a one-byte time constant, so the file can only come near the rate asked for.
        EXPECT_NEAR(facts.sampleRate, expected.sampleRate, expected.sampleRate / 100) << outcome.commandLine;
    } else {
        EXPECT_EQ(facts.sampleRate, expected.sampleRate) << outcome.commandLine;
    }
    EXPECT_EQ(facts.channels, expected.channels) << outcome.commandLine;
    EXPECT_NEAR(facts.seconds, expected.seconds, kDurationTolerance) << outcome.commandLine;
    if (extra) extra(item->outputPath, outcome.commandLine);
}

// Every catalogue format with its automatic values, from each source. Rates and channel counts follow
// from the format's codec record: the source's rate snapped to the codec's list, the source's channels
// fitted to its channel mask.
struct FormatCase {
    int32_t id;
    const char* name;
    const char* codec;
    int wavRate, wavChannels;    // from 44100 Hz stereo
    int clipRate, clipChannels;  // from 48000 Hz 5.1
    int monoRate, monoChannels;  // from 22050 Hz mono
};

const FormatCase kFormats[] = {
    {1010, "aac", "aac", 44100, 2, 48000, 6, 22050, 1},
    {1020, "m4a_device", "aac", 44100, 2, 48000, 6, 22050, 1},
    {1030, "ac3", "ac3", 44100, 2, 48000, 6, 32000, 1},
    {1040, "aiff", "pcm_s16be", 44100, 2, 48000, 6, 22050, 1},
    {1050, "alac", "alac", 44100, 2, 48000, 2, 22050, 2},
    {1055, "alaw", "pcm_alaw", 8000, 1, 8000, 1, 8000, 1},
    {1060, "amr", "amr_nb", 8000, 1, 8000, 1, 8000, 1},
    {1070, "au", "pcm_s16be", 44100, 2, 48000, 6, 22050, 1},
    {1082, "caf", "pcm_s16be", 44100, 2, 48000, 6, 22050, 1},
    {1085, "dts", "dts", 44100, 2, 48000, 2, 22050, 1},
    {1090, "flac", "flac", 44100, 2, 48000, 6, 22050, 1},
    {1095, "flv", "mp3", 44100, 2, 44100, 2, 22050, 1},
    {1100, "m4a", "aac", 44100, 2, 48000, 6, 22050, 1},
    {1110, "m4b", "aac", 44100, 2, 48000, 6, 22050, 1},
    {1120, "m4r", "aac", 44100, 2, 48000, 6, 22050, 1},
    {1130, "mka", "vorbis", 44100, 2, 48000, 6, 22050, 1},
    {1140, "mmf", "adpcm_yamaha", 44100, 1, 44100, 1, 22050, 1},
    {1150, "mp2", "mp2", 44100, 2, 48000, 2, 22050, 1},
    {1160, "mp3", "mp3", 44100, 2, 48000, 2, 22050, 1},
    {1170, "mpa", "mp2", 44100, 2, 48000, 2, 22050, 1},
    {1175, "ulaw", "pcm_mulaw", 8000, 1, 8000, 1, 8000, 1},
    {1180, "ogg", "vorbis", 44100, 2, 48000, 6, 22050, 1},
    {1182, "opus", "opus", 48000, 2, 48000, 6, 48000, 1},  // decoded at 48000 whatever was encoded
    {1185, "spx", "speex", 16000, 1, 16000, 1, 16000, 1},
    {1190, "voc", "pcm_u8", 44100, 2, 48000, 6, 22050, 1},
    {1200, "wav", "pcm_s16le", 44100, 2, 48000, 6, 22050, 1},
    {1210, "wma", "wmav2", 44100, 2, 48000, 2, 22050, 1},
    {1220, "wv", "wavpack", 44100, 2, 48000, 6, 22050, 1},
};

struct FormatSource {
    FormatCase format;
    Source source;
};

void PrintTo(const FormatSource& c, std::ostream* os) {
    *os << c.format.id << " from " << sourceName(c.source);
}

std::string caseName(const ::testing::TestParamInfo<FormatSource>& p) {
    return std::string(p.param.format.name) + "_" + std::to_string(p.param.format.id) + "_" +
           sourceName(p.param.source);
}

class EveryFormat : public ::testing::TestWithParam<FormatSource> {};

TEST_P(EveryFormat, ConvertsWithAutomaticValues) {
    const FormatCase& f = GetParam().format;
    const Source source = GetParam().source;
    Expected expected;
    expected.codec = f.codec;
    switch (source) {
        case Source::kWav:
            expected.sampleRate = f.wavRate;
            expected.channels = f.wavChannels;
            break;
        case Source::kClip:
            expected.sampleRate = f.clipRate;
            expected.channels = f.clipChannels;
            break;
        case Source::kClipSecondStream:
            expected.sampleRate = f.monoRate;
            expected.channels = f.monoChannels;
            break;
        case Source::kRawG722:
            FAIL() << "not a catalogue sweep source";
    }
    convertAndCheck(source, f.id, expected);
}

std::vector<FormatSource> everyFormatFromEverySource() {
    std::vector<FormatSource> all;
    for (const FormatCase& f : kFormats) {
        for (Source s : {Source::kWav, Source::kClip}) all.push_back({f, s});
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryFormat, ::testing::ValuesIn(everyFormatFromEverySource()), caseName);

// The second stream of the video (22050 Hz mono) into formats whose codecs treat rate and channels
// differently: kept, snapped up, fitted up to stereo.
std::vector<FormatSource> secondStreamCases() {
    std::vector<FormatSource> cases;
    for (const FormatCase& f : kFormats) {
        for (int32_t id : {1030, 1050, 1160, 1182, 1200}) {
            if (f.id == id) cases.push_back({f, Source::kClipSecondStream});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(SecondStream, EveryFormat, ::testing::ValuesIn(secondStreamCases()), caseName);

TEST(EveryFormatList, CoversTheWholeCatalogue) {
    Catalogue catalogue;
    std::set<int32_t> tested;
    for (const FormatCase& f : kFormats) tested.insert(f.id);
    ASSERT_EQ(catalogue.formats().size(), std::size(kFormats));
    for (const auto& format : catalogue.formats()) EXPECT_EQ(tested.count(format->id), 1u) << format->id;
}

// Explicit values chosen by the user.

// Peak of the 16-bit PCM samples of a WAV file, read with a minimal RIFF walk of our own.
int wavPeak(const std::string& path) {
    const std::string bytes = testing_support::readFile(path);
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
               static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
               static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
               static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
    };
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0) return -1;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const uint32_t size = u32(at + 4);
        if (bytes.compare(at, 4, "data") == 0) {
            int peak = 0;
            const size_t end = std::min(bytes.size(), at + 8 + size);
            for (size_t i = at + 8; i + 1 < end; i += 2) {
                const int16_t v = static_cast<int16_t>(static_cast<unsigned char>(bytes[i]) |
                                                       static_cast<unsigned char>(bytes[i + 1]) << 8);
                peak = std::max(peak, std::abs(static_cast<int>(v)));
            }
            return peak;
        }
        at += 8 + size + (size & 1);
    }
    return -1;
}

TEST(ExplicitValues, Mp3ConstantBitRate) {
    convertAndCheck(
        Source::kWav, 1160, {"mp3", 44100, 2}, [](OutputFormat& f, AppSettings&) { f.AudioBitRate = 192000; },
        [](const std::string& out, const std::string& line) {
            EXPECT_NE(line.find("-b:a 192000 "), std::string::npos);
            EXPECT_EQ(inspectMedia(out, "mp3").bitRate, 192000);
        });
}

TEST(ExplicitValues, Mp3Vbr) {
    // The encoder marks a VBR stream with a "Xing" frame and a CBR one with "Info".
    convertAndCheck(
        Source::kWav, 1160, {"mp3", 44100, 2},
        [](OutputFormat& f, AppSettings&) {
            f.AudioVBREnabled = 1;
            f.AudioVBRQuality = 2;
        },
        [](const std::string& out, const std::string& line) {
            EXPECT_NE(line.find("-q:a 2 "), std::string::npos);
            const std::string bytes = testing_support::readFile(out);
            EXPECT_NE(bytes.find("Xing"), std::string::npos);
            EXPECT_EQ(bytes.find("Info"), std::string::npos);
        });
}

TEST(ExplicitValues, FlacCompressionLevelAndSampleRate) {
    convertAndCheck(
        Source::kClip, 1090, {"flac", 22050, 6},
        [](OutputFormat& f, AppSettings&) {
            f.AudioCompressionLevel = 8;
            f.AudioSampleRate = 22050;
        },
        [](const std::string&, const std::string& line) {
            EXPECT_NE(line.find("-compression_level 8 "), std::string::npos);
        });
}

TEST(ExplicitValues, OggMonoAndOpusBitRate) {
    convertAndCheck(Source::kClip, 1180, {"vorbis", 48000, 1},
                    [](OutputFormat& f, AppSettings&) { f.AudioChannels = 1; });
    convertAndCheck(
        Source::kWav, 1182, {"opus", 48000, 2}, [](OutputFormat& f, AppSettings&) { f.AudioBitRate = 64000; },
        [](const std::string&, const std::string& line) {
            EXPECT_NE(line.find("-b:a 64000 "), std::string::npos);
        });
}

TEST(ExplicitValues, VolumeHalvesTheSamples) {
    TempDir dir;
    const std::string reference = dir.file("reference.wav");
    ASSERT_TRUE(testing_support::makeSineWav(reference, 2));
    const int sourcePeak = wavPeak(reference);
    ASSERT_GT(sourcePeak, 1000);
    convertAndCheck(
        Source::kWav, 1200, {"pcm_s16le", 44100, 2},
        [](OutputFormat& f, AppSettings&) { f.AudioVolume = 50; },
        [&](const std::string& out, const std::string& line) {
            EXPECT_NE(line.find("-vol 128 "), std::string::npos);
            const int peak = wavPeak(out);
            EXPECT_NEAR(static_cast<double>(peak) / sourcePeak, 0.5, 0.03) << peak << " of " << sourcePeak;
        });
}

TEST(ExplicitValues, SkipAndLength) {
    convertAndCheck(Source::kWav, 1200, {"pcm_s16le", 44100, 2, 1.0}, [](OutputFormat&, AppSettings& s) {
        s.EnableSkipLength = 1;
        s.SkipLength = 500;
        s.EnableConvertLength = 1;
        s.ConvertLength = 1000;
    });
    convertAndCheck(Source::kClip, 1160, {"mp3", 48000, 2, 0.75}, [](OutputFormat&, AppSettings& s) {
        s.EnableSkipLength = 1;
        s.SkipLength = 1250;
    });
}

TEST(ExplicitValues, IgnoreTheLast) {
    convertAndCheck(Source::kWav, 1090, {"flac", 44100, 2, 1.5}, [](OutputFormat&, AppSettings& s) {
        s.EnableIgnoreTheLast = 1;
        s.IgnoreLength = 500;
    });
}

TEST(ExplicitValues, RawSpeechSource) {
    convertAndCheck(Source::kRawG722, 1160, {"mp3", 16000, 1}, {},
                    [](const std::string&, const std::string& line) {
                        EXPECT_NE(line.find(" -f g722 -i "), std::string::npos);
                    });
}

TEST(ExplicitValues, OtherCodecsOfAFormat) {
    // WAV carrying G.726 at 4 bits per sample (8000 Hz mono), AC-3 carrying E-AC-3, CAF carrying ALAC.
    convertAndCheck(
        Source::kWav, 1200, {"adpcm_g726", 8000, 1},
        [](OutputFormat& f, AppSettings&) {
            f.AudioCodec = "g726";
            f.AudioBitRate = 4;
        },
        [](const std::string&, const std::string& line) {
            EXPECT_NE(line.find("-b:a 32000 "), std::string::npos);
        });
    convertAndCheck(Source::kClip, 1030, {"eac3", 48000, 6},
                    [](OutputFormat& f, AppSettings&) { f.AudioCodec = "eac3"; });
    convertAndCheck(Source::kWav, 1082, {"alac", 44100, 2},
                    [](OutputFormat& f, AppSettings&) { f.AudioCodec = "alac"; });
}

// Codecs that one of the transcoder builds lacks, chosen explicitly: each build reports its own gaps.
struct CodecCase {
    const char* name;
    int32_t formatId;
    const char* transcoderName;
    Expected expected;
};

void PrintTo(const CodecCase& c, std::ostream* os) { *os << c.formatId << " with " << c.transcoderName; }

class OptionalEncoders : public ::testing::TestWithParam<CodecCase> {};

TEST_P(OptionalEncoders, ConvertOrReportTheGap) {
    const CodecCase& c = GetParam();
    convertAndCheck(Source::kWav, c.formatId, c.expected,
                    [&](OutputFormat& f, AppSettings&) { f.AudioCodec = c.transcoderName; });
}

INSTANTIATE_TEST_SUITE_P(
    Builds, OptionalEncoders,
    ::testing::Values(CodecCase{"amr_wb", 1060, "libvo_amrwbenc", {"amr_wb", 16000, 1}},
                      CodecCase{"gsm_in_aiff", 1040, "libgsm", {"gsm", 8000, 1}},
                      CodecCase{"gsm_in_caf", 1082, "libgsm", {"gsm", 8000, 1}},
                      CodecCase{"gsm_ms_in_wav", 1200, "libgsm_ms", {"gsm_ms", 8000, 1}}),
    [](const ::testing::TestParamInfo<CodecCase>& p) { return std::string(p.param.name); });

}  // namespace

// The reader itself, on a file whose facts are known from how it was made.
TEST(MediaInspector, ReadsAKnownFile) {
    TempDir dir;
    const std::string wav = dir.file("known.wav");
    ASSERT_TRUE(testing_support::makeSineWav(wav, 3, 22050, 1));
    const MediaFacts facts = inspectMedia(wav, "wav");
    ASSERT_TRUE(facts.ok) << facts.error;
    EXPECT_EQ(facts.codec, "pcm_s16le");
    EXPECT_EQ(facts.sampleRate, 22050);
    EXPECT_EQ(facts.channels, 1);
    EXPECT_NEAR(facts.seconds, 3.0, 0.01);
    EXPECT_EQ(facts.bitRate, 22050 * 16);
}
