// DWVW files made and decoded by sndfile-convert, an independent implementation of the format.
#include <gtest/gtest.h>

#include <vector>

#include "audio/DwvwAifcReader.h"
#include "support/DwvwTestFiles.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

const char* const kSndfileConvert = "/usr/bin/sndfile-convert";

bool sndfileConvert(const std::vector<std::string>& args) {
    return runProgram(kSndfileConvert, args).started;
}

// Every sample our reader delivers, read in the preparation's 4608-byte calls.
std::vector<int16_t> decodeAll(DwvwAifcReader& reader) {
    std::vector<int16_t> out;
    uint8_t buffer[4608];
    for (;;) {
        const size_t n = reader.read(buffer, sizeof buffer);
        if (n == 0) break;
        for (size_t i = 0; i + 1 < n; i += 2)
            out.push_back(static_cast<int16_t>(buffer[i] | (buffer[i + 1] << 8)));
    }
    return out;
}

// sndfile's decoding as 32-bit PCM, reduced to the top 16 bits and to the first two channels.
std::vector<int16_t> referenceDecode(const TempDir& dir, const std::string& aifc, int channels) {
    const std::string wav = dir.file("reference.wav");
    EXPECT_TRUE(sndfileConvert({"-pcm32", aifc, wav}));
    const WavData ref = parseWav(readFile(wav));
    EXPECT_TRUE(ref.ok);
    EXPECT_EQ(ref.channels, channels);
    std::vector<int16_t> out;
    const int keep = channels < 2 ? 1 : 2;
    for (size_t i = 0; i < ref.samples.size(); ++i)
        if (static_cast<int>(i % static_cast<size_t>(channels)) < keep)
            out.push_back(static_cast<int16_t>(ref.samples[i] >> 16));
    return out;
}

struct SourceCase {
    const char* name;
    const char* lavfi;  // empty: silence written by the test
    const char* pcmCodec;
    const char* encoding;
    int channels;
};

class DwvwAgainstSndfile : public ::testing::TestWithParam<SourceCase> {};

TEST_P(DwvwAgainstSndfile, DecodesTheSameSamplesAndFacts) {
    const SourceCase& c = GetParam();
    TempDir dir;
    const std::string source = dir.file("source.wav");
    const uint32_t rate = 22050;
    const uint32_t frames = rate * 3 + 777;  // not a whole number of blocks
    if (c.lavfi[0] != '\0') {
        const std::string input = std::string(c.lavfi) + ":sample_rate=" + std::to_string(rate);
        runTranscoder({"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i", input, "-ac",
                       std::to_string(c.channels), "-af", "atrim=end_sample=" + std::to_string(frames),
                       "-c:a", c.pcmCodec, "-y", source});
    } else {
        std::string pcm;
        pcm.assign(size_t{frames} * 2 * static_cast<size_t>(c.channels), '\0');
        std::string header = "RIFF";
        auto le32 = [](std::string& s, uint32_t v) {
            for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        };
        auto le16 = [](std::string& s, uint32_t v) {
            s.push_back(static_cast<char>(v & 0xFF));
            s.push_back(static_cast<char>(v >> 8));
        };
        le32(header, static_cast<uint32_t>(36 + pcm.size()));
        header += "WAVEfmt ";
        le32(header, 16);
        le16(header, 1);
        le16(header, static_cast<uint32_t>(c.channels));
        le32(header, rate);
        le32(header, rate * 2 * static_cast<uint32_t>(c.channels));
        le16(header, 2 * static_cast<uint32_t>(c.channels));
        le16(header, 16);
        header += "data";
        le32(header, static_cast<uint32_t>(pcm.size()));
        ASSERT_TRUE(writeFile(source, header + pcm));
    }
    const std::string aifc = dir.file("made.aifc");
    ASSERT_TRUE(sndfileConvert({c.encoding, source, aifc}));
    const std::vector<int16_t> expected = referenceDecode(dir, aifc, c.channels);
    ASSERT_EQ(expected.size(), size_t{frames} * (c.channels < 2 ? 1u : 2u));

    DwvwAifcReader reader;
    ASSERT_NE(reader.open(aifc), 0);
    const uint64_t fileSize = readFile(aifc).size();
    EXPECT_EQ(reader.size(), fileSize);
    EXPECT_EQ(reader.sampleRate(), static_cast<int>(rate));
    EXPECT_EQ(reader.channelCount(), c.channels);
    EXPECT_EQ(reader.outputChannelCount(), c.channels < 2 ? 1 : 2);
    EXPECT_EQ(reader.bitsPerSample(), 16);
    EXPECT_EQ(reader.duration(), 3);
    EXPECT_EQ(reader.bitRate(), static_cast<int>(fileSize / (3 * 125)));

    const std::vector<int16_t> got = decodeAll(reader);
    ASSERT_EQ(got.size(), expected.size());
    size_t firstDifference = got.size();
    for (size_t i = 0; i < got.size(); ++i)
        if (got[i] != expected[i]) {
            firstDifference = i;
            break;
        }
    EXPECT_EQ(firstDifference, got.size()) << "first differing sample";
    EXPECT_EQ(reader.position(), fileSize - (fileSize & 1u ? 1u : 0u)) << "every sound byte fetched";
}

INSTANTIATE_TEST_SUITE_P(
    Sources, DwvwAgainstSndfile,
    // sndfile-convert writes DWVW only for one channel, and its 12-bit DWVW reads and writes no frames at
    // all; those cases are covered by the test's own encoder below and in the portable tests.
    ::testing::Values(SourceCase{"sine16", "sine=frequency=1000", "pcm_s16le", "-dwvw16", 1},
                      SourceCase{"sine24", "sine=frequency=3000", "pcm_s24le", "-dwvw24", 1},
                      SourceCase{"noise16", "anoisesrc=amplitude=1:color=white", "pcm_s16le", "-dwvw16", 1},
                      SourceCase{"noise24", "anoisesrc=amplitude=1:color=white", "pcm_s24le", "-dwvw24", 1},
                      SourceCase{"pink16", "anoisesrc=amplitude=0.3:color=pink", "pcm_s16le", "-dwvw16", 1},
                      SourceCase{"pink24", "anoisesrc=amplitude=0.3:color=pink", "pcm_s24le", "-dwvw24", 1},
                      SourceCase{"silence16", "", "", "-dwvw16", 1},
                      SourceCase{"silence24", "", "", "-dwvw24", 1}),
    [](const ::testing::TestParamInfo<SourceCase>& param) { return std::string(param.param.name); });

// Files of several channels (made by the test's encoder): our reader delivers the first two channels of
// exactly what sndfile-convert decodes.
TEST(DwvwMultichannel, FirstTwoChannelsMatchSndfile) {
    struct Case {
        Signal signal;
        int bits;
        int channels;
    };
    const Case cases[] = {{Signal::Noise, 16, 2}, {Signal::Sine, 24, 2},     {Signal::Noise, 16, 3},
                          {Signal::Sine, 16, 4},  {Signal::Extremes, 24, 3}, {Signal::Noise, 24, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "bits " << c.bits << " channels " << c.channels);
        TempDir dir;
        AifcSpec spec;
        spec.channels = c.channels;
        spec.sampleSize = c.bits;
        const std::string aifc = dir.file("multi.aifc");
        ASSERT_TRUE(writeFile(aifc, makeDwvwAifc(spec, makeSignal(c.signal, c.bits, c.channels, 3000, 3))));
        const std::vector<int16_t> expected = referenceDecode(dir, aifc, c.channels);
        DwvwAifcReader reader;
        ASSERT_NE(reader.open(aifc), 0);
        EXPECT_EQ(reader.channelCount(), c.channels);
        EXPECT_EQ(reader.outputChannelCount(), 2);
        EXPECT_EQ(decodeAll(reader), expected);
    }
}

// The test's own encoder (used where sndfile-convert is not available) produces streams that
// sndfile-convert decodes back to the input exactly.
TEST(DwvwTestEncoder, SndfileDecodesItsStreamsExactly) {
    struct Case {
        Signal signal;
        int bits;
        int channels;
    };
    const Case cases[] = {{Signal::Noise, 16, 1},    {Signal::Noise, 16, 2},    {Signal::Noise, 24, 1},
                          {Signal::Extremes, 16, 1}, {Signal::Extremes, 24, 2}, {Signal::Sine, 16, 3},
                          {Signal::Silence, 16, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "bits " << c.bits << " channels " << c.channels);
        TempDir dir;
        const auto samples = makeSignal(c.signal, c.bits, c.channels, 5000, 7);
        AifcSpec spec;
        spec.channels = c.channels;
        spec.sampleSize = c.bits;
        const std::string aifc = dir.file("own.aifc");
        ASSERT_TRUE(writeFile(aifc, makeDwvwAifc(spec, samples)));
        const std::string wav = dir.file("back.wav");
        ASSERT_TRUE(sndfileConvert({"-pcm32", aifc, wav}));
        const WavData back = parseWav(readFile(wav));
        ASSERT_TRUE(back.ok);
        ASSERT_EQ(back.samples.size(), samples.size());
        for (size_t i = 0; i < samples.size(); ++i)
            ASSERT_EQ(back.samples[i],
                      static_cast<int32_t>(static_cast<uint32_t>(samples[i]) << (32 - c.bits)))
                << "sample " << i;
    }
}

}  // namespace
