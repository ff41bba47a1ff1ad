// DWVW AIFC reader: header rules, facts, block sizes, decoding of files the test builds itself, and
// damaged input.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "audio/DwvwAifcReader.h"
#include "support/DwvwTestFiles.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

std::vector<int16_t> decodeAll(DwvwAifcReader& reader, size_t maxBytes = 4608,
                               std::vector<size_t>* sizes = nullptr) {
    std::vector<int16_t> out;
    std::vector<uint8_t> buffer(maxBytes);
    for (;;) {
        const size_t n = reader.read(buffer.data(), maxBytes);
        if (sizes) sizes->push_back(n);
        if (n == 0) break;
        for (size_t i = 0; i + 1 < n; i += 2)
            out.push_back(static_cast<int16_t>(buffer[i] | (buffer[i + 1] << 8)));
    }
    return out;
}

// The top 16 bits of each sample, first two channels only.
std::vector<int16_t> expectedPcm(const std::vector<int32_t>& samples, int bits, int channels) {
    std::vector<int16_t> out;
    const int keep = channels < 2 ? 1 : 2;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (static_cast<int>(i % static_cast<size_t>(channels)) >= keep) continue;
        const auto full = static_cast<int32_t>(static_cast<uint32_t>(samples[i]) << (32 - bits));
        out.push_back(static_cast<int16_t>(full >> 16));
    }
    return out;
}

class DwvwReaderTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = dir_.file(name);
        EXPECT_TRUE(writeFile(path, bytes));
        return path;
    }
    TempDir dir_;
};

TEST_F(DwvwReaderTest, DecodesEveryWidthAndChannelCount) {
    struct Case {
        Signal signal;
        int bits;
        int channels;
        uint32_t frames;
    };
    const Case cases[] = {
        {Signal::Noise, 8, 1, 3000},     {Signal::Sine, 9, 1, 3000},     {Signal::Noise, 12, 1, 5000},
        {Signal::Extremes, 12, 2, 4000}, {Signal::Sine, 13, 1, 2000},    {Signal::Noise, 16, 2, 2500},
        {Signal::Extremes, 16, 1, 3000}, {Signal::Silence, 16, 1, 1200}, {Signal::Noise, 20, 3, 1500},
        {Signal::Extremes, 24, 1, 2000}, {Signal::Noise, 24, 5, 1153},   {Signal::Sine, 24, 2, 1152},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "bits " << c.bits << " channels " << c.channels);
        const auto samples = makeSignal(c.signal, c.bits, c.channels, c.frames, 11);
        AifcSpec spec;
        spec.channels = c.channels;
        spec.sampleSize = c.bits;
        DwvwAifcReader reader;
        ASSERT_EQ(reader.open(write("w.aifc", makeDwvwAifc(spec, samples))), 1);
        EXPECT_EQ(reader.channelCount(), c.channels);
        EXPECT_EQ(reader.outputChannelCount(), c.channels < 2 ? 1 : 2);
        EXPECT_TRUE(decodeAll(reader) == expectedPcm(samples, c.bits, c.channels));
    }
}

TEST_F(DwvwReaderTest, FactsFollowTheHeader) {
    struct Case {
        const char* name;
        int channels;
        uint32_t frames;  // as written in COMM
        double rate;
        int sampleSize;
        int wantChannels;
        int wantOutput;
        int wantRate;
        int wantSeconds;
        bool rateBased;  // bit rate from size × channels × rate rather than from the file size
    };
    const Case cases[] = {
        {"plain", 1, 88200, 44100, 16, 1, 1, 44100, 2, false},
        {"stereo", 2, 48000 * 3 + 5, 48000, 24, 2, 2, 48000, 3, false},
        {"zeroChannels", 0, 8000, 8000, 16, 1, 1, 8000, 1, false},
        {"sixChannels", 6, 22050, 22050, 16, 6, 2, 22050, 1, false},
        {"short", 1, 1000, 44100, 12, 1, 1, 44100, 0, true},
        {"zeroFrames", 1, 0, 44100, 16, 1, 1, 44100, 0, true},
        {"unknownFrames", 1, 0xFFFFFFFFu, 44100, 16, 1, 1, 44100, 0, true},
        {"zeroRate", 1, 5000, 0, 16, 1, 1, 0, 0, true},
        {"fractionalRate", 1, 11025, 11025.7, 8, 1, 1, 11025, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AifcSpec spec;
        spec.channels = c.channels;
        spec.sampleFrames = c.frames;
        spec.overrideFrames = true;
        spec.sampleRate = c.rate;
        spec.sampleSize = c.sampleSize;
        const std::string bytes =
            makeDwvwAifc(spec, makeSignal(Signal::Sine, c.sampleSize, c.channels ? c.channels : 1, 400));
        DwvwAifcReader reader;
        ASSERT_EQ(reader.open(write("f.aifc", bytes)), 1);
        EXPECT_EQ(reader.size(), bytes.size());
        EXPECT_EQ(reader.channelCount(), c.wantChannels);
        EXPECT_EQ(reader.outputChannelCount(), c.wantOutput);
        EXPECT_EQ(reader.sampleRate(), c.wantRate);
        EXPECT_EQ(reader.bitsPerSample(), 16);
        EXPECT_EQ(reader.duration(), c.wantSeconds);
        const int expectedRate =
            c.rateBased ? c.sampleSize * c.wantChannels * c.wantRate / 1000
                        : static_cast<int>(bytes.size() / (static_cast<size_t>(c.wantSeconds) * 125));
        EXPECT_EQ(reader.bitRate(), expectedRate);
        // The sound starts after FORM, FVER (12 bytes), COMM (8 + 24) and the SSND header (16).
        EXPECT_EQ(reader.position(), 12u + 12u + 32u + 16u);
    }
}

TEST_F(DwvwReaderTest, AcceptedAndRefusedHeaders) {
    struct Case {
        const char* name;
        void (*edit)(AifcSpec&);
        bool accepted;
    };
    const Case cases[] = {
        {"lowerCaseType", [](AifcSpec& s) { s.compression = "dwvw"; }, true},
        {"mixedCaseType", [](AifcSpec& s) { s.compression = "DwVw"; }, true},
        {"commAfterSound", [](AifcSpec& s) { s.commAfterSsnd = true; }, true},
        {"oddUnknownChunk", [](AifcSpec& s) { s.extraChunk = true; }, true},
        {"soundOffset", [](AifcSpec& s) { s.ssndOffset = 6; }, true},
        {"commOf22Bytes", [](AifcSpec& s) { s.commSize = 22; }, true},
        {"largeComm", [](AifcSpec& s) { s.commSize = 10240; }, true},
        {"plainAiff", [](AifcSpec& s) { s.formType = "AIFF"; }, false},
        {"otherCompression", [](AifcSpec& s) { s.compression = "sowt"; }, false},
        {"noCompression", [](AifcSpec& s) { s.compression = "NONE"; }, false},
        {"commOf18Bytes", [](AifcSpec& s) { s.commSize = 18; }, false},
        {"commOf21Bytes", [](AifcSpec& s) { s.commSize = 21; }, false},
        {"commBeyondBuffer", [](AifcSpec& s) { s.commSize = 10242; }, false},
        {"sampleSize7", [](AifcSpec& s) { s.sampleSize = 7; }, false},
        {"sampleSize25", [](AifcSpec& s) { s.sampleSize = 25; }, false},
        {"noComm", [](AifcSpec& s) { s.writeComm = false; }, false},
        {"noSound", [](AifcSpec& s) { s.writeSsnd = false; }, false},
        {"infiniteRate", [](AifcSpec& s) { s.sampleRate = HUGE_VAL; }, false},
        {"negativeRate", [](AifcSpec& s) { s.sampleRate = -8000; }, false},
        {"hugeRate", [](AifcSpec& s) { s.sampleRate = 1e12; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AifcSpec spec;
        c.edit(spec);
        const int bits = spec.sampleSize >= 8 && spec.sampleSize <= 24 ? spec.sampleSize : 16;
        const auto samples = makeSignal(Signal::Noise, bits, 1, 700);
        std::string bytes = makeDwvwAifc(spec, samples);
        DwvwAifcReader reader;
        EXPECT_EQ(reader.open(write("h.aifc", bytes)), c.accepted ? 1 : 0);
        if (c.accepted) {
            EXPECT_TRUE(decodeAll(reader) == expectedPcm(samples, bits, 1));
        } else {
            EXPECT_EQ(reader.sampleRate(), 0);
            EXPECT_EQ(reader.size(), 0u);
            EXPECT_EQ(reader.position(), 0u);
            uint8_t buffer[4608];
            EXPECT_EQ(reader.read(buffer, sizeof buffer), 0u);
        }
    }
    DwvwAifcReader reader;
    EXPECT_EQ(reader.open(dir_.file("missing.aifc")), 0);
    EXPECT_EQ(reader.open(write("empty.aifc", "")), 0);
    EXPECT_EQ(reader.open(u8(dir_.path())), 0) << "a folder";
}

TEST_F(DwvwReaderTest, DeliversOneBlockPerRead) {
    struct Case {
        int channels;
        size_t maxBytes;
        size_t blockBytes;
    };
    // 1152 frames a call; the caller's buffer bounds it, and a buffer below one frame gets nothing.
    const Case cases[] = {{1, 4608, 2304}, {2, 4608, 4608}, {3, 4608, 4608}, {1, 100000, 2304},
                          {2, 1000, 1000}, {1, 999, 998},   {2, 3, 0},       {1, 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.channels << " channels, " << c.maxBytes << " bytes");
        const uint32_t frames = 5000;
        AifcSpec spec;
        spec.channels = c.channels;
        const auto samples = makeSignal(Signal::Noise, 16, c.channels, frames);
        DwvwAifcReader reader;
        ASSERT_EQ(reader.open(write("b.aifc", makeDwvwAifc(spec, samples))), 1);
        std::vector<size_t> sizes;
        const auto pcm = decodeAll(reader, c.maxBytes, &sizes);
        if (c.blockBytes == 0) {
            EXPECT_EQ(sizes, std::vector<size_t>{0});
            continue;
        }
        const size_t total = size_t{frames} * (c.channels < 2 ? 2u : 4u);
        EXPECT_EQ(pcm.size() * 2, total);
        for (size_t i = 0; i + 2 < sizes.size(); ++i) EXPECT_EQ(sizes[i], c.blockBytes);
        EXPECT_EQ(sizes.back(), 0u);
        EXPECT_TRUE(pcm == expectedPcm(samples, 16, c.channels));
    }
}

TEST_F(DwvwReaderTest, FramesBeyondTheHeaderCountAreNotDelivered) {
    AifcSpec spec;
    spec.sampleFrames = 1000;
    spec.overrideFrames = true;
    const auto samples = makeSignal(Signal::Noise, 16, 1, 3000);
    DwvwAifcReader reader;
    ASSERT_EQ(reader.open(write("c.aifc", makeDwvwAifc(spec, samples))), 1);
    const auto pcm = decodeAll(reader);
    EXPECT_TRUE(pcm == expectedPcm(std::vector<int32_t>(samples.begin(), samples.begin() + 1000), 16, 1));
}

TEST_F(DwvwReaderTest, ReopenAndCloseResetEverything) {
    AifcSpec spec;
    const auto samples = makeSignal(Signal::Sine, 16, 1, 3000);
    const std::string path = write("r.aifc", makeDwvwAifc(spec, samples));
    DwvwAifcReader reader;
    ASSERT_EQ(reader.open(path), 1);
    uint8_t buffer[4608];
    ASSERT_GT(reader.read(buffer, sizeof buffer), 0u);
    ASSERT_EQ(reader.open(path), 1) << "reopening starts again from the first sample";
    EXPECT_TRUE(decodeAll(reader) == expectedPcm(samples, 16, 1));
    reader.close();
    reader.close();
    EXPECT_EQ(reader.duration(), 0);
    EXPECT_EQ(reader.channelCount(), 0);
    EXPECT_EQ(reader.bitRate(), 0);
    EXPECT_EQ(reader.read(buffer, sizeof buffer), 0u);
}

// Damaged files never crash, hang or deliver more than their bits can hold.
TEST_F(DwvwReaderTest, DamagedFilesEndQuietly) {
    AifcSpec spec;
    spec.channels = 2;
    const auto samples = makeSignal(Signal::Noise, 16, 2, 2000);
    const std::string good = makeDwvwAifc(spec, samples);
    const auto expected = expectedPcm(samples, 16, 2);
    const std::string path = dir_.file("d.aifc");
    auto check = [&](const std::string& bytes, bool prefixOfGood) {
        ASSERT_TRUE(writeFile(path, bytes));
        DwvwAifcReader reader;
        if (reader.open(path) == 0) return;
        // Every sample takes at least one bit.
        const auto pcm = decodeAll(reader);
        EXPECT_LE(pcm.size(), bytes.size() * 8 * 2);
        EXPECT_EQ(pcm.size() % 2, 0u) << "whole stereo frames only";
        if (prefixOfGood) {
            EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), expected.begin()));
        }
    };
    for (size_t cut = 0; cut < good.size(); cut += (cut < 200 ? 1 : 97)) check(good.substr(0, cut), true);

    // Chunk sizes that run past the end, odd or enormous.
    const size_t commSize = good.find("COMM") + 4;
    const size_t ssndSize = good.find("SSND") + 4;
    for (const uint32_t size : {0u, 1u, 7u, 8u, 9u, 21u, 23u, 0x7FFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
        for (const size_t at : {commSize, ssndSize, size_t{4}, size_t{16}}) {
            std::string bad = good;
            for (int i = 0; i < 4; ++i)
                bad[at + static_cast<size_t>(i)] = static_cast<char>((size >> (24 - 8 * i)) & 0xFF);
            check(bad, false);
        }
    }
    // A sound offset beyond the file.
    std::string farOffset = good;
    farOffset[ssndSize + 4] = '\x7F';
    check(farOffset, false);

    std::mt19937 rng(2024);
    for (int round = 0; round < 300; ++round) {
        std::string bad = good;
        const int flips = 1 + round % 8;
        for (int i = 0; i < flips; ++i) bad[rng() % bad.size()] = static_cast<char>(rng());
        check(bad, false);
        std::string noise(static_cast<size_t>(rng() % 600), '\0');
        for (char& ch : noise) ch = static_cast<char>(rng());
        check("FORM\0\0\0\0AIFC" + noise, false);
    }
}

}  // namespace
