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
    // {signal, bits, channels, frames}; 1152 frames are one block.
    const std::array<int, 4> cases[] = {{1, 8, 1, 3000},  {0, 9, 1, 3000},  {3, 12, 2, 4000},
                                        {0, 13, 1, 2000}, {2, 16, 1, 1200}, {1, 20, 3, 1500},
                                        {3, 24, 1, 2000}, {1, 24, 5, 1153}, {0, 24, 2, 1152}};
    for (const auto& [signal, bits, channels, frames] : cases) {
        SCOPED_TRACE(::testing::Message() << bits << " bits, " << channels << " channels");
        const auto samples = makeSignal(static_cast<Signal>(signal), bits, channels, frames, 11);
        DwvwAifcReader reader;
        ASSERT_EQ(reader.open(write(makeDwvwAifc({.channels = channels, .sampleSize = bits}, samples))), 1);
        EXPECT_EQ(reader.channelCount(), channels);
        EXPECT_EQ(reader.outputChannelCount(), std::min(channels, 2));
        EXPECT_TRUE(asPcm16(readAll(reader)) == top16(samples, bits, channels));
    }
}

TEST_F(DwvwReaderTest, FactsFollowTheHeader) {
    // {channels, frames, rate, bits, channels reported, seconds}. Without a whole second the bit rate is
    // bits x channels x rate, else the file size over the seconds.
    const std::tuple<int, int64_t, double, int, int, int> cases[] = {
        {1, 88200, 44100, 16, 1, 2}, {2, 48000 * 3 + 5, 48000, 24, 2, 3}, {0, 8000, 8000, 16, 1, 1},
        {6, 22050, 22050, 16, 6, 1}, {1, 1000, 44100, 12, 1, 0},          {1, 0xFFFFFFFF, 44100, 16, 1, 0},
        {1, 5000, 0, 16, 1, 0},      {1, 11025, 11025.7, 8, 1, 1}};
    for (const auto& [channels, frames, rate, bits, wantChannels, seconds] : cases) {
        SCOPED_TRACE(::testing::Message() << channels << " channels, " << frames << " frames, " << rate);
        const std::string bytes =
            makeDwvwAifc({.channels = channels, .frames = frames, .sampleSize = bits, .sampleRate = rate},
                         makeSignal(Signal::Sine, bits, std::max(channels, 1), 400));
        DwvwAifcReader reader;
        ASSERT_EQ(reader.open(write(bytes)), 1);
        EXPECT_EQ(reader.size(), bytes.size());
        EXPECT_EQ(reader.channelCount(), wantChannels);
        EXPECT_EQ(reader.outputChannelCount(), std::min(wantChannels, 2));
        EXPECT_EQ(reader.sampleRate(), static_cast<int>(rate));
        EXPECT_EQ(reader.bitsPerSample(), 16);
        EXPECT_EQ(reader.duration(), seconds);
        EXPECT_EQ(reader.bitRate(), seconds == 0 ? bits * wantChannels * static_cast<int>(rate) / 1000
                                                 : static_cast<int>(bytes.size() / (seconds * 125u)));
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
        SCOPED_TRACE(::testing::Message() << spec.compression << spec.formType << spec.commSize << " "
                                          << spec.sampleSize << " " << spec.sampleRate);
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
    EXPECT_EQ(reader.open(u8(dir_.path())), 0) << "a folder";
}

TEST_F(DwvwReaderTest, DeliversOneBlockPerReadUpToTheHeaderCount) {
    // 1152 frames a call, bounded by the caller's buffer; less than a frame gets nothing.
    for (const auto& [channels, maxBytes, blockBytes] :
         {std::array<size_t, 3>{1, 4608, 2304}, {3, 4608, 4608}, {2, 1000, 1000}, {1, 999, 998}, {2, 3, 0}}) {
        const auto samples = makeSignal(Signal::Noise, 16, static_cast<int>(channels), 5000);
        DwvwAifcReader reader;
        ASSERT_EQ(reader.open(write(makeDwvwAifc({.channels = static_cast<int>(channels)}, samples))), 1);
        std::vector<size_t> sizes;
        const auto pcm = asPcm16(readAll(reader, maxBytes, &sizes));
        EXPECT_TRUE(pcm == (blockBytes == 0 ? std::vector<int16_t>{}
                                            : top16(samples, 16, static_cast<int>(channels))));
        for (size_t i = 0; i + 2 < sizes.size(); ++i)
            EXPECT_EQ(sizes[i], blockBytes) << channels << "/" << maxBytes;
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
    EXPECT_EQ(reader.duration() + reader.channelCount() + reader.bitRate() + reader.read(buffer, 4608), 0u);
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
             {good.find("COMM") + 4, good.find("SSND") + 4, good.find("SSND") + 8, size_t{4}}) {
            std::string bad = good;
            for (size_t i = 0; i < 4; ++i) bad[at + i] = static_cast<char>((size >> (24 - 8 * i)) & 0xFF);
            check(bad, false);
        }
    }
    std::mt19937 rng(2024);
    for (int round = 0; round < 300; ++round) {
        std::string bad = good, noise(rng() % 600, '\0');
        for (int i = 0; i <= round % 8; ++i) bad[rng() % bad.size()] = static_cast<char>(rng());
        for (char& ch : noise) ch = static_cast<char>(rng());
        check(bad, false);
        check(std::string("FORM\0\0\0\0AIFC", 12) + noise, false);
    }
}

}  // namespace
