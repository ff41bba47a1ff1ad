// DWVW AIFC reader on files the test builds: decoding, facts, header rules, block sizes, damage.
#include <gtest/gtest.h>

#include <random>

#include "audio/DwvwAifcReader.h"
#include "support/AudioTestFiles.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

class DwvwReaderTest : public ::testing::Test {
protected:
    std::string write(const std::string& bytes) {
        EXPECT_TRUE(writeFile(dir_.file("t.aifc"), bytes));
        return dir_.file("t.aifc");
    }
    TempDir dir_;
};

TEST_F(DwvwReaderTest, DecodesEveryWidthAndChannelCount) {
    struct Case {
        Signal signal;
        int bits, channels;
        uint32_t frames;
    };
    const Case cases[] = {
        {Signal::Noise, 8, 1, 3000},     {Signal::Sine, 9, 1, 3000},     {Signal::Extremes, 12, 2, 4000},
        {Signal::Sine, 13, 1, 2000},     {Signal::Silence, 16, 1, 1200}, {Signal::Noise, 20, 3, 1500},
        {Signal::Extremes, 24, 1, 2000}, {Signal::Noise, 24, 5, 1153},   {Signal::Sine, 24, 2, 1152}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.bits << " bits, " << c.channels << " channels");
        const auto samples = makeSignal(c.signal, c.bits, c.channels, c.frames, 11);
        DwvwAifcReader reader;
        ASSERT_EQ(reader.open(write(makeDwvwAifc({.channels = c.channels, .sampleSize = c.bits}, samples))),
                  1);
        EXPECT_EQ(reader.channelCount(), c.channels);
        EXPECT_EQ(reader.outputChannelCount(), c.channels < 2 ? 1 : 2);
        EXPECT_TRUE(asPcm16(readAll(reader)) == top16(samples, c.bits, c.channels));
    }
}

TEST_F(DwvwReaderTest, FactsFollowTheHeader) {
    struct Case {
        int channels;
        int64_t frames;
        double rate;
        int sampleSize, wantChannels, wantOutput, wantRate, wantSeconds;
    };
    // With no whole second the bit rate is size x channels x rate, else the file size over the seconds.
    const Case cases[] = {
        {1, 88200, 44100, 16, 1, 1, 44100, 2}, {2, 48000 * 3 + 5, 48000, 24, 2, 2, 48000, 3},
        {0, 8000, 8000, 16, 1, 1, 8000, 1},    {6, 22050, 22050, 16, 6, 2, 22050, 1},
        {1, 1000, 44100, 12, 1, 1, 44100, 0},  {1, 0xFFFFFFFF, 44100, 16, 1, 1, 44100, 0},
        {1, 5000, 0, 16, 1, 1, 0, 0},          {1, 11025, 11025.7, 8, 1, 1, 11025, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.channels << " channels, " << c.frames << " frames, " << c.rate);
        const AifcSpec spec{
            .channels = c.channels, .frames = c.frames, .sampleSize = c.sampleSize, .sampleRate = c.rate};
        const std::string bytes =
            makeDwvwAifc(spec, makeSignal(Signal::Sine, c.sampleSize, std::max(c.channels, 1), 400));
        DwvwAifcReader reader;
        ASSERT_EQ(reader.open(write(bytes)), 1);
        EXPECT_EQ(reader.size(), bytes.size());
        EXPECT_EQ(reader.channelCount(), c.wantChannels);
        EXPECT_EQ(reader.outputChannelCount(), c.wantOutput);
        EXPECT_EQ(reader.sampleRate(), c.wantRate);
        EXPECT_EQ(reader.bitsPerSample(), 16);
        EXPECT_EQ(reader.duration(), c.wantSeconds);
        EXPECT_EQ(reader.bitRate(), c.wantSeconds == 0
                                        ? c.sampleSize * c.wantChannels * c.wantRate / 1000
                                        : static_cast<int>(bytes.size() / (c.wantSeconds * 125u)));
        EXPECT_EQ(reader.position(), 12u + 12u + 32u + 16u) << "FORM, FVER, COMM, SSND header";
    }
}

TEST_F(DwvwReaderTest, AcceptedAndRefusedHeaders) {
    const std::pair<AifcSpec, bool> cases[] = {
        {{.compression = "dwvw"}, true}, {{.commSize = 22}, true},       {{.commSize = 10240}, true},
        {{.commAfterSsnd = true}, true}, {{.formType = "AIFF"}, false},  {{.compression = "NONE"}, false},
        {{.commSize = 21}, false},       {{.commSize = 10242}, false},   {{.sampleSize = 7}, false},
        {{.sampleSize = 25}, false},     {{.sampleRate = -8000}, false}, {{.sampleRate = 1e12}, false}};
    for (const auto& [spec, accepted] : cases) {
        SCOPED_TRACE(::testing::Message() << spec.compression << " " << spec.formType << " " << spec.commSize
                                          << " " << spec.sampleSize << " " << spec.sampleRate);
        const int bits = std::clamp(spec.sampleSize, 8, 24);
        const auto samples = makeSignal(Signal::Noise, bits, 1, 700);
        DwvwAifcReader reader;
        EXPECT_EQ(reader.open(write(makeDwvwAifc(spec, samples))), accepted ? 1 : 0);
        EXPECT_TRUE(asPcm16(readAll(reader)) ==
                    (accepted ? top16(samples, bits, 1) : std::vector<int16_t>{}));
        EXPECT_TRUE(accepted || reader.sampleRate() + reader.size() + reader.position() == 0);
    }
    DwvwAifcReader reader;
    EXPECT_EQ(reader.open(dir_.file("missing.aifc")), 0);
    EXPECT_EQ(reader.open(write("")), 0);
    EXPECT_EQ(reader.open(u8(dir_.path())), 0) << "a folder";
}

TEST_F(DwvwReaderTest, DeliversOneBlockPerReadUpToTheHeaderCount) {
    // 1152 frames a call, bounded by the caller's buffer; less than a frame gets nothing.
    const size_t cases[][3] = {{1, 4608, 2304}, {2, 4608, 4608}, {3, 4608, 4608},
                               {2, 1000, 1000}, {1, 999, 998},   {2, 3, 0}};
    for (const auto& [channels, maxBytes, blockBytes] : cases) {
        SCOPED_TRACE(::testing::Message() << channels << " channels, " << maxBytes << " bytes");
        const auto samples = makeSignal(Signal::Noise, 16, static_cast<int>(channels), 5000);
        DwvwAifcReader reader;
        ASSERT_EQ(reader.open(write(makeDwvwAifc({.channels = static_cast<int>(channels)}, samples))), 1);
        std::vector<size_t> sizes;
        const auto pcm = asPcm16(readAll(reader, maxBytes, &sizes));
        EXPECT_TRUE(pcm == (blockBytes == 0 ? std::vector<int16_t>{}
                                            : top16(samples, 16, static_cast<int>(channels))));
        for (size_t i = 0; i + 2 < sizes.size(); ++i) EXPECT_EQ(sizes[i], blockBytes);
    }
    // Frames beyond the COMM count are not delivered; reopening starts again; close clears the facts.
    const auto samples = makeSignal(Signal::Noise, 16, 1, 3000);
    DwvwAifcReader reader;
    ASSERT_EQ(reader.open(write(makeDwvwAifc({.frames = 1000}, samples))), 1);
    uint8_t buffer[4608];
    ASSERT_GT(reader.read(buffer, sizeof buffer), 0u);
    ASSERT_EQ(reader.open(dir_.file("t.aifc")), 1);
    EXPECT_TRUE(asPcm16(readAll(reader)) == top16({samples.begin(), samples.begin() + 1000}, 16, 1));
    reader.close();
    reader.close();
    EXPECT_EQ(reader.duration() + reader.channelCount() + reader.bitRate(), 0);
    EXPECT_EQ(reader.read(buffer, sizeof buffer), 0u);
}

// Truncated, oversized-chunk and random-byte files never crash, hang or deliver more than their bits hold.
TEST_F(DwvwReaderTest, DamagedFilesEndQuietly) {
    const auto samples = makeSignal(Signal::Noise, 16, 2, 2000);
    const std::string good = makeDwvwAifc({.channels = 2}, samples);
    const auto expected = top16(samples, 16, 2);
    auto check = [&](const std::string& bytes, bool prefixOfGood) {
        DwvwAifcReader reader;
        if (reader.open(write(bytes)) == 0) return;
        const auto pcm = asPcm16(readAll(reader));
        EXPECT_LE(pcm.size(), bytes.size() * 8 * 2) << "a sample takes at least one bit";
        EXPECT_EQ(pcm.size() % 2, 0u) << "whole stereo frames only";
        EXPECT_TRUE(!prefixOfGood || std::equal(pcm.begin(), pcm.end(), expected.begin()));
    };
    for (size_t cut = 0; cut < good.size(); cut += (cut < 200 ? 1 : 97)) check(good.substr(0, cut), true);
    for (const uint32_t size : {0u, 1u, 8u, 9u, 21u, 23u, 0x7FFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
        for (const size_t at :
             {good.find("COMM") + 4, good.find("SSND") + 4, good.find("SSND") + 8, size_t{4}, size_t{16}}) {
            std::string bad = good;
            for (int i = 0; i < 4; ++i) bad[at + i] = static_cast<char>((size >> (24 - 8 * i)) & 0xFF);
            check(bad, false);
        }
    }
    std::mt19937 rng(2024);
    for (int round = 0; round < 300; ++round) {
        std::string bad = good;
        for (int i = 0; i <= round % 8; ++i) bad[rng() % bad.size()] = static_cast<char>(rng());
        check(bad, false);
        std::string noise(rng() % 600, '\0');
        for (char& ch : noise) ch = static_cast<char>(rng());
        check(std::string("FORM\0\0\0\0AIFC", 12) + noise, false);
    }
}

}  // namespace
