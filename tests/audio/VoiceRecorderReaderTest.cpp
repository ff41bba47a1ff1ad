// Voice-recorder files built byte by byte: header fields, where the sound starts, zero padding, block
// records, end marks and damage.
#include <gtest/gtest.h>

#include <random>

#include "audio/VoiceRecorderReader.h"
#include "support/AudioTestFiles.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

constexpr int kAcelp = 0;
constexpr int kAdpcm = 3;

std::string filled(size_t n, int value) { return std::string(n, static_cast<char>(value)); }
std::string zeros(size_t n) { return std::string(n, '\0'); }
// A block record: a little-endian offset, then filler up to a frame's length.
std::string record(int32_t offset, size_t length) {
    std::string r = filled(length, 0x66);
    for (int i = 0; i < 4; ++i) r[i] = static_cast<char>((static_cast<uint32_t>(offset) >> (8 * i)) & 0xFF);
    return r;
}

class VoiceRecorderReaderTest : public ::testing::Test {
protected:
    std::string make(const std::string& bytes) {
        EXPECT_TRUE(writeFile(dir_.file("t.voc"), bytes));
        return dir_.file("t.voc");
    }
    std::vector<int16_t> decode(const std::string& payload, int codec = kAdpcm, int byte15 = 12) {
        VoiceRecorderReader reader;
        EXPECT_NE(reader.open(make(voiceRecorderHeader(byte15, codec) + payload)), 0);
        return asPcm16(readAll(reader));
    }
    TempDir dir_;
};

TEST_F(VoiceRecorderReaderTest, HeaderFields) {
    struct Case {
        int byte15, codec, hours, minutes, seconds, fraction, duration;
        uint64_t dataStart;
    };
    const Case cases[] = {{12, kAdpcm, 1, 2, 3, 0, 3723, 511},
                          {0, kAcelp, 0, 0, 5, 1, 6, 4095},
                          {11, kAdpcm, 0, 0, 0, 0, 0, 4095},
                          {12, kAcelp, 2, 0, 0, 255, 7201, 511},
                          {13, kAdpcm, 0, 59, 59, 0, 3599, 4095}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.duration);
        const std::string bytes =
            voiceRecorderHeader(c.byte15, c.codec, c.hours, c.minutes, c.seconds, c.fraction) +
            filled(80, 0x21);
        VoiceRecorderReader reader;
        ASSERT_NE(reader.open(make(bytes)), 0);
        EXPECT_EQ(reader.duration(), c.duration);
        EXPECT_EQ(reader.position(), c.dataStart);
        EXPECT_EQ(reader.size(), bytes.size());
        EXPECT_EQ(reader.sampleRate(), 8000);
        EXPECT_EQ(reader.channelCount(), 1);
        EXPECT_EQ(reader.bitsPerSample(), 16);
        EXPECT_EQ(reader.bitRate(), 0);
        EXPECT_EQ(reader.codec(), c.codec);
    }
    // One ADPCM frame whose first code is 7 decodes to 88 from the start state; the filler before the
    // sound (code 1) would give 8.
    for (int byte15 : {12, 0, 255})
        EXPECT_EQ(decode("\x07" + filled(39, 0x10), kAdpcm, byte15).at(0), 88) << byte15;
}

TEST_F(VoiceRecorderReaderTest, RefusedFiles) {
    std::string noSignature = voiceRecorderHeader(12, kAdpcm);
    noSignature[10] = 'x';
    std::vector<std::string> cases = {noSignature + filled(40, 0x21),
                                      voiceRecorderHeader(12, kAdpcm).substr(0, 30), "",
                                      "Creative Voice File\x1a" + filled(600, 0x21)};
    for (int codec : {1, 2, 4, 255}) cases.push_back(voiceRecorderHeader(12, codec) + filled(40, 0x21));
    for (const auto& bytes : cases) {
        VoiceRecorderReader reader;
        EXPECT_EQ(reader.open(make(bytes)), 0) << bytes.size();
        EXPECT_EQ(reader.sampleRate() + reader.size() + reader.duration(), 0u);
        EXPECT_EQ(readAll(reader), "");
    }
    VoiceRecorderReader reader;
    EXPECT_EQ(reader.open(dir_.file("missing.voc")), 0);
}

TEST_F(VoiceRecorderReaderTest, ReadsDeliverAtMost1152Samples) {
    struct Case {
        int codec;
        size_t frameBytes;
        int frames;
        size_t bufferBytes;
        std::vector<size_t> sizes;
    };
    const Case cases[] = {{kAdpcm, 40, 20, 4608, {2304, 896, 0}},
                          {kAcelp, 7, 30, 4608, {2304, 2304, 192, 0}},
                          {kAdpcm, 40, 1, 100, {100, 60, 0}},
                          {kAdpcm, 40, 0, 4608, {0}}};
    for (const auto& c : cases) {
        std::string payload;
        for (int i = 0; i < c.frames; ++i) payload += filled(c.frameBytes, 0x21 + i % 7);
        VoiceRecorderReader reader;
        ASSERT_NE(reader.open(make(voiceRecorderHeader(12, c.codec) + payload)), 0);
        std::vector<size_t> sizes;
        readAll(reader, c.bufferBytes, &sizes);
        EXPECT_EQ(sizes, c.sizes) << c.codec << "/" << c.frames;
    }
}

TEST_F(VoiceRecorderReaderTest, ZeroPaddingIsSkippedIn20ByteSteps) {
    // 20 to 39 trailing zeros move the read on by 20 bytes: 20 zero bytes (40 silent codes), then the
    // first half of the next frame, whose second half the end of the file cuts short.
    for (int padding : {20, 39}) {
        const auto pcm = decode(filled(40 - padding, 0x22) + zeros(padding) + filled(40, 0x77));
        ASSERT_EQ(pcm.size(), 80u) << padding;
        EXPECT_EQ(std::count(pcm.begin(), pcm.begin() + 40, 0), 40) << padding;
        EXPECT_EQ(pcm[40], 88) << padding << ": code 7 from a still-silent state";
    }
    const auto plain = decode(filled(21, 0x22) + zeros(19) + filled(40, 0x77));
    EXPECT_EQ(plain.size(), 160u) << "fewer than 20 zeros: an ordinary frame";
    EXPECT_EQ(plain[0], 17) << "code 2";
}

TEST_F(VoiceRecorderReaderTest, BlockRecordsAndEndMarks) {
    const std::string f1 = filled(40, 0x33);
    const std::string f2 = filled(40, 0x44);
    const std::string junk = filled(80, 0x55);  // skipped by a taken jump
    const auto reference = decode(f1 + f2);
    ASSERT_EQ(reference.size(), 160u);
    const std::pair<std::string, size_t> cases[] = {
        {f1 + zeros(40) + record(-1, 40) + f2, 160},         // negative offset: go on after the record
        {f1 + zeros(40) + record(INT32_MIN, 40) + f2, 160},  //
        {f1 + zeros(40) + record(0, 40) + f2, 240},          // offset 0: the record is read as a frame
        {f1 + zeros(40) + record(INT32_MAX, 40) + f2, 80},   // jump beyond the end
        {f1 + zeros(80) + f2, 80},                           // two all-zero frames end the stream
        {f1 + zeros(40), 80},
        {f1 + zeros(40) + record(40, 40).substr(0, 10), 80},  // record cut short
    };
    for (const auto& [payload, samples] : cases) EXPECT_EQ(decode(payload).size(), samples) << payload.size();
    // The decoder state runs on across a block boundary.
    EXPECT_EQ(decode(f1 + zeros(40) + record(40 + 80, 40) + junk + f2), reference);
    EXPECT_EQ(decode(f1 + zeros(40) + record(40, 40) + zeros(40) + record(40, 40) + f2), reference);
    const std::string a1 = "\x12\x34\x56\x78\x9a\xbc\xde";
    const std::string a2 = "\x21\x43\x65\x87\xa9\xcb\xed";
    const auto acelp = decode(a1 + a2, kAcelp);
    ASSERT_EQ(acelp.size(), 160u);
    EXPECT_EQ(decode(a1 + zeros(7) + record(14, 7) + filled(7, 0x55) + a2, kAcelp), acelp);
    EXPECT_EQ(decode(a1 + zeros(14) + a2, kAcelp).size(), 80u);
    EXPECT_EQ(decode(a1 + a2.substr(0, 6), kAcelp).size(), 80u) << "truncated last frame";
}

TEST_F(VoiceRecorderReaderTest, RandomPayloadsEndAndTheSourceIsKept) {
    std::mt19937 rng(2024);
    for (int codec : {kAcelp, kAdpcm}) {
        for (int trial = 0; trial < 20; ++trial) {
            std::string payload(rng() % 20000, '\0');
            for (auto& ch : payload)
                ch = static_cast<char>(static_cast<int>(rng() % 8) < trial % 4 ? 0 : rng());
            const std::string bytes = voiceRecorderHeader(12, codec) + payload;
            VoiceRecorderReader reader;
            ASSERT_NE(reader.open(make(bytes)), 0);
            EXPECT_LE(readAll(reader).size(), (payload.size() / (codec == kAcelp ? 7 : 40) + 1) * 160);
            EXPECT_LE(reader.position(), reader.size());
            EXPECT_TRUE(readFile(dir_.file("t.voc")) == bytes);
        }
    }
}

}  // namespace
