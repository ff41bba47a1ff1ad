// How long every catalogue format's output decodes, counted by the independent reader, against the source's
// length after the trims. Prints one table row a case: format, case, rate, source samples, decoded samples,
// difference and the rule.
#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>

#include "engine/Probe.h"
#include "formats/Catalogue.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"
#include "support/ConversionJob.h"
#include "support/MediaInspector.h"
#include "support/TestSupport.h"

using testing_support::TempDir;

namespace {

enum Rule {
    kExact,     // the container records the encoder's delay and padding, and the reader applies them
    kRecorded,  // the container records the length, but the reader (FFmpeg 5.1) decodes the padding
    kFramed,    // nothing records them: all of the source after the codec's delay, then at most one frame
};

// The codec's frame and the delay it puts in front of the audio (encoder and decoder together), in samples
// at the output rate: facts of the codecs as the catalogue configures them (44100 Hz stereo in, the
// format's own rate and channels out).
struct FormatLength {
    int32_t id;
    const char* name;
    int rate;  // the decoder's output rate (VOC stores an approximation of it)
    Rule rule;
    int frame = 0, delay = 0;
    int32_t chosenRate = 0;  // a rate chosen for the format instead of its automatic one
    // The source's length to the millisecond as the probe gives it (3 s): none, or a wrong one.
    uint64_t knownMs = 3000;
};

const FormatLength kFormats[] = {
    {1010, "aac_adts", 44100, kFramed, 1024, 1024},  // AAC priming
    {1020, "m4a_device", 44100, kExact},
    {1030, "ac3", 44100, kFramed, 1536, 256},
    {1040, "aiff", 44100, kExact},
    {1050, "alac", 44100, kExact},
    {1055, "alaw", 8000, kExact},
    {1060, "amr_nb", 8000, kFramed, 160, 50},
    {1070, "au", 44100, kExact},
    {1082, "caf", 44100, kExact},
    {1085, "dts", 44100, kFramed, 512, 512},
    {1090, "flac", 44100, kExact},
    {1095, "flv_mp3", 44100, kFramed, 1152, 576 + 529},  // LAME's encoder delay and the decoder's
    {1100, "m4a", 44100, kExact},
    {1100, "m4a_nolength", 44100, kRecorded, 1024, 0, 0, 0},
    {1100, "m4a_longer", 44100, kRecorded, 1024, 0, 0, 3050},
    {1110, "m4b", 44100, kExact},
    {1120, "m4r", 44100, kExact},
    {1130, "mka_vorbis", 44100, kFramed, 1024},  // half of Vorbis's long block
    {1140, "mmf", 44100, kFramed, 2048},         // 1024-byte blocks of mono 4-bit ADPCM
    {1150, "mp2", 44100, kFramed, 1152, 481},    // the MPEG audio filter bank
    {1160, "mp3", 44100, kExact},
    {1170, "mpa", 44100, kFramed, 1152, 481},
    {1175, "ulaw", 8000, kExact},
    {1180, "ogg_vorbis", 44100, kExact},
    {1182, "opus", 48000, kExact},
    {1182, "opus_24k", 48000, kExact, 0, 0, 24000},
    {1185, "spx", 16000, kFramed, 320, 223},  // wide-band Speex
    {1190, "voc", 44100, kExact},
    {1200, "wav", 44100, kExact},
    {1210, "wma", 44100, kFramed, 2048, 2048},  // the decoder's first frame
    {1210, "wma_16k", 16000, kFramed, 512, 512, 16000},
    {1220, "wv", 44100, kExact},
};

// The whole 3 s source, or 1.5 s of it from 0.5 s on.
struct LengthCase {
    FormatLength format;
    bool trimmed;
};

void PrintTo(const LengthCase& c, std::ostream* os) { *os << c.format.id << (c.trimmed ? " trimmed" : ""); }

std::string ruleText(const FormatLength& f) {
    if (f.rule == kExact) return "exact";
    if (f.rule == kRecorded) return "recorded exactly; decoded up to +" + std::to_string(f.frame);
    return "+" + std::to_string(f.delay) + " to +" + std::to_string(f.delay + f.frame);
}

class OutputLength : public ::testing::TestWithParam<LengthCase> {};

TEST_P(OutputLength, DecodesAsLongAsTheSource) {
    const FormatLength& f = GetParam().format;
    const bool trimmed = GetParam().trimmed;
    TempDir dir;
    const std::string input = dir.file("tone.wav");
    ASSERT_TRUE(testing_support::makeSineWav(input, 3));

    AppSettings settings;
    if (trimmed) {
        settings.EnableSkipLength = settings.EnableConvertLength = 1;
        settings.SkipLength = 500;
        settings.ConvertLength = 1500;
    }
    auto probed = probeSource(input, settings);
    ASSERT_TRUE(probed) << probed.reason();
    std::unique_ptr<SourceItem> item = probed.take();
    item->durationMs = f.knownMs;
    OutputFormat format = *Catalogue().findById(f.id);
    if (f.chosenRate != 0) format.AudioSampleRate = f.chosenRate;
    item->outputPath = dir.file("out." + format.extension);

    const ConversionOutcome run = runConversion(*item, format, settings);
    ASSERT_EQ(run.error, "") << run.line;
    if (transcoderLacksEncoder(format.AudioCodec)) {
        ASSERT_TRUE(run.refused()) << format.AudioCodec << " converts now: take it off this build's gaps";
        GTEST_SKIP() << "this transcoder build has no " << format.AudioCodec;
    }
    const DecodedLength decoded = decodedLength(item->outputPath, format.extension);
    ASSERT_TRUE(decoded.ok) << decoded.error << "\n" << run.line;

    const int64_t source = static_cast<int64_t>(f.rate) * (trimmed ? 3 : 6) / 2;
    const int64_t difference = decoded.samples - source;
    char row[200];
    std::snprintf(row, sizeof row, "| %d %-12s | %-7s | %6d | %7lld | %7lld | %+6lld | %s |", f.id, f.name,
                  trimmed ? "trimmed" : "3 s", decoded.sampleRate, static_cast<long long>(source),
                  static_cast<long long>(decoded.samples), static_cast<long long>(difference),
                  ruleText(f).c_str());
    std::cout << row << std::endl;
    RecordProperty("decoded", std::to_string(decoded.samples));
    RecordProperty("difference", std::to_string(difference));

    EXPECT_NEAR(decoded.sampleRate, f.rate, format.extension == "voc" ? f.rate / 100 : 0);
    switch (f.rule) {
        case kExact:
            EXPECT_EQ(decoded.samples, source) << run.line;
            break;
        case kRecorded:
            EXPECT_EQ(decoded.recorded, source) << run.line;
            EXPECT_GE(decoded.samples, source) << run.line;
            EXPECT_LE(decoded.samples, source + f.frame) << run.line;
            break;
        case kFramed:
            EXPECT_GE(decoded.samples, source + f.delay) << run.line;
            EXPECT_LE(decoded.samples, source + f.delay + f.frame) << run.line;
            break;
    }
}

std::vector<LengthCase> allCases() {
    std::vector<LengthCase> cases;
    for (const FormatLength& f : kFormats)
        for (bool trimmed : {false, true}) cases.push_back({f, trimmed});
    return cases;
}

std::string caseName(const ::testing::TestParamInfo<LengthCase>& p) {
    return std::string(p.param.format.name) + "_" + std::to_string(p.param.format.id) +
           (p.param.trimmed ? "_trimmed" : "");
}

INSTANTIATE_TEST_SUITE_P(Catalogue, OutputLength, ::testing::ValuesIn(allCases()), caseName);

}  // namespace
