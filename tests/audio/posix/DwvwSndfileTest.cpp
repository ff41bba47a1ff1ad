// DWVW against sndfile-convert, an independent implementation of the format.
#include <gtest/gtest.h>

#include "audio/DwvwAifcReader.h"
#include "support/AudioTestFiles.h"
#include "support/CliAndMedia.h"

using namespace testing_support;

namespace {

std::vector<int32_t> sndfileDecode(const TempDir& dir, const std::string& aifc) {
    EXPECT_TRUE(runProgram("/usr/bin/sndfile-convert", {"-pcm32", aifc, dir.file("ref.raw")}).started);
    const auto halves = asPcm16(readFile(dir.file("ref.raw")));
    std::vector<int32_t> out;
    for (size_t i = 0; i + 1 < halves.size(); i += 2)
        out.push_back(halves[i + 1] * 65536 + static_cast<uint16_t>(halves[i]));
    return out;
}

// sndfile-convert's own (mono only) DWVW files: the top 16 bits of its decoding, facts from the file.
TEST(DwvwAgainstSndfile, DecodesTheSameSamplesAndFacts) {
    const uint32_t frames = 22050 * 3 + 777;  // not a whole number of blocks
    for (const auto& [lavfi, codec, encoding] : {std::tuple{"sine=frequency=1000", "pcm_s16le", "-dwvw16"},
                                                 {"sine=frequency=3000", "pcm_s24le", "-dwvw24"},
                                                 {"anoisesrc=amplitude=1", "pcm_s16le", "-dwvw16"},
                                                 {"anullsrc=channel_layout=mono", "pcm_s24le", "-dwvw24"}}) {
        SCOPED_TRACE(std::string(lavfi) + " " + encoding);
        TempDir dir;
        const std::string source = dir.file("source.wav"), aifc = dir.file("made.aifc");
        ASSERT_TRUE(makeMedia(source, "-f lavfi -i " + std::string(lavfi) +
                                          ":sample_rate=22050 -af atrim=end_sample=" +
                                          std::to_string(frames) + " -c:a " + codec));
        ASSERT_TRUE(runProgram("/usr/bin/sndfile-convert", {encoding, source, aifc}).started);
        std::vector<int16_t> expected;
        for (const int32_t s : sndfileDecode(dir, aifc)) expected.push_back(static_cast<int16_t>(s >> 16));
        ASSERT_EQ(expected.size(), frames);
        DwvwAifcReader reader;
        ASSERT_EQ(reader.open(aifc), 1);
        const uint64_t fileSize = readFile(aifc).size();
        EXPECT_EQ(
            std::tuple(reader.size(), reader.sampleRate(), reader.channelCount(), reader.outputChannelCount(),
                       reader.bitsPerSample(), reader.duration(), reader.bitRate()),
            std::tuple(fileSize, 22050, 1, 1, 16, 3, static_cast<int>(fileSize / (3 * 125))));
        EXPECT_TRUE(asPcm16(readAll(reader)) == expected);
        EXPECT_EQ(reader.position(), fileSize & ~uint64_t{1}) << "every sound byte fetched";
    }
}

// The test's encoder (more channels), which the CLI decode test uses: sndfile-convert decodes its streams
// exactly.
TEST(DwvwTestEncoder, SndfileDecodesItsStreams) {
    const std::array<int, 3> cases[] =  // {signal, bits, channels}
        {{1, 16, 1}, {3, 16, 1}, {2, 16, 1}, {1, 24, 2}, {3, 24, 3}, {0, 16, 4}, {1, 24, 6}};
    for (const auto& [signal, bits, channels] : cases) {
        SCOPED_TRACE(::testing::Message() << bits << " bits, " << channels << " channels");
        TempDir dir;
        const auto samples = makeSignal(static_cast<Signal>(signal), bits, channels, 5000, 7);
        ASSERT_TRUE(writeFile(dir.file("own.aifc"),
                              makeDwvwAifc({.channels = channels, .sampleSize = bits}, samples)));
        std::vector<int32_t> leftAligned;
        for (const int32_t s : samples)
            leftAligned.push_back(static_cast<int32_t>(static_cast<uint32_t>(s) << (32 - bits)));
        EXPECT_TRUE(sndfileDecode(dir, dir.file("own.aifc")) == leftAligned);
    }
}

}  // namespace
