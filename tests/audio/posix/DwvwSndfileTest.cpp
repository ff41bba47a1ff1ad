// DWVW against sndfile-convert, an independent implementation of the format.
#include <gtest/gtest.h>

#include "audio/DwvwAifcReader.h"
#include "support/AudioTestFiles.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// sndfile-convert's decoding as 32-bit PCM.
WavData sndfileDecode(const TempDir& dir, const std::string& aifc) {
    EXPECT_TRUE(runProgram("/usr/bin/sndfile-convert", {"-pcm32", aifc, dir.file("ref.wav")}).started);
    return parseWav(readFile(dir.file("ref.wav")));
}

struct SourceCase {
    const char* name;
    const char* lavfi;  // empty: silence
    const char* pcmCodec;
    const char* encoding;
};
class DwvwAgainstSndfile : public ::testing::TestWithParam<SourceCase> {};

// Files made by sndfile-convert (it writes DWVW for one channel only) decode to exactly its samples.
TEST_P(DwvwAgainstSndfile, DecodesTheSameSamplesAndFacts) {
    const SourceCase& c = GetParam();
    TempDir dir;
    const uint32_t frames = 22050 * 3 + 777;  // not a whole number of blocks
    const std::string source = dir.file("source.wav");
    if (c.lavfi[0] != '\0') {
        runTranscoder({"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                       std::string(c.lavfi) + ":sample_rate=22050", "-ac", "1", "-af",
                       "atrim=end_sample=" + std::to_string(frames), "-c:a", c.pcmCodec, "-y", source});
    } else {
        ASSERT_TRUE(writeFile(source, wavBytes(1, 1, 22050, 16, std::string(frames * 2, '\0'))));
    }
    const std::string aifc = dir.file("made.aifc");
    ASSERT_TRUE(runProgram("/usr/bin/sndfile-convert", {c.encoding, source, aifc}).started);
    const WavData ref = sndfileDecode(dir, aifc);
    ASSERT_EQ(ref.samples.size(), frames);
    std::vector<int16_t> expected;
    for (const int32_t s : ref.samples) expected.push_back(static_cast<int16_t>(s >> 16));

    DwvwAifcReader reader;
    ASSERT_EQ(reader.open(aifc), 1);
    const uint64_t fileSize = readFile(aifc).size();
    EXPECT_EQ(reader.size(), fileSize);
    EXPECT_EQ(reader.sampleRate(), 22050);
    EXPECT_EQ(reader.channelCount(), 1);
    EXPECT_EQ(reader.outputChannelCount(), 1);
    EXPECT_EQ(reader.bitsPerSample(), 16);
    EXPECT_EQ(reader.duration(), 3);
    EXPECT_EQ(reader.bitRate(), static_cast<int>(fileSize / (3 * 125)));
    const auto got = asPcm16(readAll(reader));
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_EQ(std::mismatch(got.begin(), got.end(), expected.begin()).first - got.begin(),
              static_cast<std::ptrdiff_t>(got.size()))
        << "first differing sample";
    EXPECT_EQ(reader.position(), fileSize & ~uint64_t{1}) << "every sound byte fetched";
}

INSTANTIATE_TEST_SUITE_P(
    Sources, DwvwAgainstSndfile,
    ::testing::Values(SourceCase{"sine16", "sine=frequency=1000", "pcm_s16le", "-dwvw16"},
                      SourceCase{"sine24", "sine=frequency=3000", "pcm_s24le", "-dwvw24"},
                      SourceCase{"noise16", "anoisesrc=amplitude=1", "pcm_s16le", "-dwvw16"},
                      SourceCase{"noise24", "anoisesrc=amplitude=1", "pcm_s24le", "-dwvw24"},
                      SourceCase{"pink24", "anoisesrc=amplitude=0.3:color=pink", "pcm_s24le", "-dwvw24"},
                      SourceCase{"silence16", "", "", "-dwvw16"}, SourceCase{"silence24", "", "", "-dwvw24"}),
    [](const auto& param) { return std::string(param.param.name); });

// The test's own encoder (for more channels, and where sndfile-convert is missing): sndfile-convert
// decodes its streams back to the input exactly, and the reader gives the first two channels of that.
TEST(DwvwTestEncoder, SndfileAndTheReaderAgreeOnItsStreams) {
    struct Case {
        Signal signal;
        int bits, channels;
    };
    const Case cases[] = {{Signal::Noise, 16, 1}, {Signal::Extremes, 16, 1}, {Signal::Silence, 16, 1},
                          {Signal::Noise, 24, 2}, {Signal::Extremes, 24, 3}, {Signal::Sine, 16, 4},
                          {Signal::Noise, 24, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.bits << " bits, " << c.channels << " channels");
        TempDir dir;
        const auto samples = makeSignal(c.signal, c.bits, c.channels, 5000, 7);
        const std::string aifc = dir.file("own.aifc");
        ASSERT_TRUE(writeFile(aifc, makeDwvwAifc({.channels = c.channels, .sampleSize = c.bits}, samples)));
        const WavData back = sndfileDecode(dir, aifc);
        ASSERT_EQ(back.channels, c.channels);
        ASSERT_EQ(back.samples.size(), samples.size());
        for (size_t i = 0; i < samples.size(); ++i)
            ASSERT_EQ(back.samples[i],
                      static_cast<int32_t>(static_cast<uint32_t>(samples[i]) << (32 - c.bits)))
                << i;
        DwvwAifcReader reader;
        ASSERT_EQ(reader.open(aifc), 1);
        EXPECT_EQ(reader.outputChannelCount(), std::min(c.channels, 2));
        EXPECT_TRUE(asPcm16(readAll(reader)) == top16(samples, c.bits, c.channels));
    }
}

}  // namespace
