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

std::string filled(size_t n, int value = 0) { return std::string(n, static_cast<char>(value)); }
// A block record: a little-endian offset, then filler up to a frame's length.
std::string record(int32_t offset, size_t length) {
    std::string r = filled(length, 0x66);
    for (int i = 0; i < 4; ++i) r[i] = static_cast<char>((static_cast<uint32_t>(offset) >> (8 * i)) & 0xFF);
    return r;
}

class VoiceRecorderReaderTest : public ::testing::Test {
protected:
    // Opens a file of these bytes; the reader's PCM, the byte count of each read with the given buffer.
    std::vector<int16_t> decode(const std::string& bytes, size_t buffer = 4608,
                                std::vector<size_t>* sizes = nullptr) {
        EXPECT_TRUE(writeFile(dir_.file("t.voc"), bytes));
        EXPECT_NE(reader_.open(dir_.file("t.voc")), 0);
        return asPcm16(readAll(reader_, buffer, sizes));
    }
    std::vector<int16_t> adpcm(const std::string& payload) {
        return decode(voiceRecorderHeader(12, kAdpcm) + payload);
    }
    std::vector<int16_t> acelp(const std::string& payload) {
        return decode(voiceRecorderHeader(12, kAcelp) + payload);
    }
    TempDir dir_;
    VoiceRecorderReader reader_;
};

TEST_F(VoiceRecorderReaderTest, HeaderFields) {
    // {byte 15, codec, h, min, s, fraction, duration, first sound byte}: a fraction rounds the seconds up.
    const std::array<int, 8> cases[] = {{12, kAdpcm, 1, 2, 3, 0, 3723, 511},
                                        {0, kAcelp, 0, 0, 5, 1, 6, 4095},
                                        {11, kAdpcm, 0, 0, 0, 0, 0, 4095},
                                        {12, kAcelp, 2, 0, 0, 255, 7201, 511},
                                        {13, kAdpcm, 0, 59, 59, 0, 3599, 4095}};
    for (const auto& [byte15, codec, h, m, s, fraction, duration, start] : cases) {
        // The first code 7 decodes to 88 from the start state; the records' filler (code 1) would give 8.
        const std::string bytes =
            voiceRecorderHeader(byte15, codec, h, m, s, fraction) + "\x07" + filled(39, 0x10);
        ASSERT_TRUE(writeFile(dir_.file("t.voc"), bytes));
        ASSERT_NE(reader_.open(dir_.file("t.voc")), 0);
        EXPECT_EQ(reader_.duration(), duration);
        EXPECT_EQ(reader_.position(), static_cast<uint64_t>(start));
        EXPECT_EQ(reader_.size(), bytes.size());
        EXPECT_EQ(reader_.sampleRate() * 100 + reader_.channelCount() * 10 + reader_.outputChannelCount(),
                  800011);
        EXPECT_EQ(reader_.bitsPerSample(), 16);
        EXPECT_EQ(reader_.bitRate(), 0);
        EXPECT_EQ(reader_.codec(), codec);
        EXPECT_TRUE(codec != kAdpcm || asPcm16(readAll(reader_)).at(0) == 88) << byte15;
    }
}

TEST_F(VoiceRecorderReaderTest, RefusedFiles) {
    std::string noSignature = voiceRecorderHeader(12, kAdpcm) + filled(40, 0x21);
    noSignature[10] = 'x';
    std::vector<std::string> cases = {noSignature, voiceRecorderHeader(12, kAdpcm).substr(0, 30), "",
                                      "Creative Voice File\x1a" + filled(600, 0x21)};
    for (int codec : {1, 2, 4, 255}) cases.push_back(voiceRecorderHeader(12, codec) + filled(40, 0x21));
    for (const auto& bytes : cases) {
        ASSERT_TRUE(writeFile(dir_.file("t.voc"), bytes));
        EXPECT_EQ(reader_.open(dir_.file("t.voc")), 0) << bytes.size();
        EXPECT_EQ(reader_.sampleRate() + reader_.size() + reader_.duration(), 0u);
        EXPECT_EQ(readAll(reader_), "");
    }
    EXPECT_EQ(reader_.open(dir_.file("missing.voc")), 0);
}

TEST_F(VoiceRecorderReaderTest, ReadsDeliverAtMost1152Samples) {
    // {codec, frames, buffer} and the byte counts of the reads.
    const std::pair<std::array<size_t, 3>, std::vector<size_t>> cases[] = {
        {{kAdpcm, 20, 4608}, {2304, 896, 0}},
        {{kAcelp, 30, 4608}, {2304, 2304, 192, 0}},
        {{kAdpcm, 1, 100}, {100, 60, 0}},
        {{kAdpcm, 0, 4608}, {0}}};
    for (const auto& [c, expected] : cases) {
        std::string payload;
        for (size_t i = 0; i < c[1]; ++i) payload += filled(c[0] == kAcelp ? 7 : 40, 0x21 + i % 7);
        std::vector<size_t> sizes;
        decode(voiceRecorderHeader(12, static_cast<int>(c[0])) + payload, c[2], &sizes);
        EXPECT_EQ(sizes, expected) << c[0] << "/" << c[1];
    }
}

TEST_F(VoiceRecorderReaderTest, ZeroPaddingBlockRecordsAndEndMarks) {
    // 20 to 39 trailing zeros move the read on by 20 bytes: 20 zero bytes (40 silent codes), then the
    // first half of the next frame, whose second half the end of the file cuts short.
    for (size_t padding : {20, 39}) {
        const auto pcm = adpcm(filled(40 - padding, 0x22) + filled(padding) + filled(40, 0x77));
        ASSERT_EQ(pcm.size(), 80u) << padding;
        EXPECT_EQ(std::count(pcm.begin(), pcm.begin() + 40, 0), 40) << padding;
        EXPECT_EQ(pcm[40], 88) << padding << ": code 7 from a still-silent state";
    }
    const auto plain = adpcm(filled(21, 0x22) + filled(19) + filled(40, 0x77));
    EXPECT_EQ(plain.size(), 160u) << "fewer than 20 zeros: an ordinary frame";
    EXPECT_EQ(plain[0], 17) << "code 2";

    const std::string f1 = filled(40, 0x33), f2 = filled(40, 0x44), zero = filled(40);
    const auto reference = adpcm(f1 + f2);
    ASSERT_EQ(reference.size(), 160u);
    const std::pair<std::string, size_t> cases[] = {
        {f1 + zero + record(-1, 40) + f2, 160},         // negative offset: go on after the record
        {f1 + zero + record(INT32_MIN, 40) + f2, 160},  //
        {f1 + zero + record(0, 40) + f2, 240},          // offset 0: the record is read as a frame
        {f1 + zero + record(INT32_MAX, 40) + f2, 80},   // beyond the end
        {f1 + zero + zero + f2, 80},                    // two all-zero frames end the stream
        {f1 + zero, 80},
        {f1 + zero + record(40, 40).substr(0, 10), 80}};  // record cut short
    for (const auto& [payload, samples] : cases) EXPECT_EQ(adpcm(payload).size(), samples) << payload.size();
    // A record jumps to the next block; the decoder state runs on across the boundary.
    EXPECT_EQ(adpcm(f1 + zero + record(40 + 80, 40) + filled(80, 0x55) + f2), reference);
    EXPECT_EQ(adpcm(f1 + zero + record(40, 40) + zero + record(40, 40) + f2), reference);
    const std::string a1 = "\x12\x34\x56\x78\x9a\xbc\xde", a2 = "\x21\x43\x65\x87\xa9\xcb\xed";
    const auto acelpReference = acelp(a1 + a2);
    ASSERT_EQ(acelpReference.size(), 160u);
    EXPECT_EQ(acelp(a1 + filled(7) + record(14, 7) + filled(7, 0x55) + a2), acelpReference);
    EXPECT_EQ(acelp(a1 + filled(14) + a2).size(), 80u);
    EXPECT_EQ(acelp(a1 + a2.substr(0, 6)).size(), 80u) << "truncated last frame";
}

TEST_F(VoiceRecorderReaderTest, RandomPayloadsEndAndTheSourceIsKept) {
    std::mt19937 rng(2024);
    for (int trial = 0; trial < 40; ++trial) {
        const int codec = trial % 2 == 0 ? kAcelp : kAdpcm;
        std::string payload(rng() % 20000, '\0');
        for (auto& ch : payload) ch = static_cast<char>(static_cast<int>(rng() % 8) < trial % 4 ? 0 : rng());
        const std::string bytes = voiceRecorderHeader(12, codec) + payload;
        EXPECT_LE(decode(bytes).size(), (payload.size() / (codec == kAcelp ? 7 : 40) + 1) * 80);
        EXPECT_LE(reader_.position(), reader_.size());
        EXPECT_TRUE(readFile(dir_.file("t.voc")) == bytes);
    }
}

}  // namespace
