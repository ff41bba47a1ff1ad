// Voice-recorder files built byte by byte: header fields, zero padding, block records, end marks, damage.
#include <gtest/gtest.h>

#include "audio/VoiceRecorderReader.h"
#include "support/AudioTestFiles.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

constexpr int kAcelp = 0, kAdpcm = 3;  // codec bytes

std::string filled(size_t n, int value = 0) { return std::string(n, static_cast<char>(value)); }
std::string record(int32_t offset, size_t length) {
    std::string r = filled(length, 0x66);
    for (int i = 0; i < 4; ++i) r[i] = static_cast<char>((static_cast<uint32_t>(offset) >> (8 * i)) & 0xFF);
    return r;
}

class VoiceRecorderReaderTest : public ::testing::Test {
protected:
    // The PCM of a file of this codec and payload, read with the given buffer (sizes: each read's bytes).
    std::vector<int16_t> decode(int codec, const std::string& payload, size_t buffer = 4608,
                                std::vector<size_t>* sizes = nullptr) {
        EXPECT_TRUE(writeFile(dir_.file("t.voc"), voiceRecorderHeader(12, codec) + payload));
        EXPECT_NE(reader_.open(dir_.file("t.voc")), 0);
        return asPcm16(readAll(reader_, buffer, sizes));
    }
    TempDir dir_;
    VoiceRecorderReader reader_;
};

TEST_F(VoiceRecorderReaderTest, HeaderFields) {
    // {byte 15, codec, h, min, s, fraction, duration, first sound byte}: a fraction rounds the seconds up.
    for (const auto& [byte15, codec, h, m, s, fraction, duration, start] :
         {std::array{12, kAdpcm, 1, 2, 3, 0, 3723, 511}, {13, kAdpcm, 0, 59, 59, 255, 3600, 4095}}) {
        // The first code 7 decodes to 88 from the start state; the records' filler (code 1) would give 8.
        const std::string bytes =
            voiceRecorderHeader(byte15, codec, h, m, s, fraction) + "\x07" + filled(39, 0x10);
        ASSERT_TRUE(writeFile(dir_.file("t.voc"), bytes));
        ASSERT_NE(reader_.open(dir_.file("t.voc")), 0);
        EXPECT_EQ(std::tuple(reader_.duration(), reader_.position(), reader_.size(), reader_.codec()),
                  std::tuple(duration, static_cast<uint64_t>(start), bytes.size(), codec));
        EXPECT_EQ(asPcm16(readAll(reader_)).at(0), 88) << byte15;
    }
}

TEST_F(VoiceRecorderReaderTest, RefusedFiles) {
    std::string noSignature = voiceRecorderHeader(12, kAdpcm) + filled(40, 0x21);
    noSignature[10] = 'x';
    for (const std::string& bytes :
         {noSignature, voiceRecorderHeader(12, 1) + filled(40), voiceRecorderHeader(12, 255) + filled(40)}) {
        ASSERT_TRUE(writeFile(dir_.file("t.voc"), bytes));
        EXPECT_EQ(reader_.open(dir_.file("t.voc")) + reader_.size() + readAll(reader_).size(), 0u);
    }
}

TEST_F(VoiceRecorderReaderTest, ZeroPaddingBlockRecordsAndEndMarks) {
    // 20 to 39 trailing zeros move on 20 bytes: 40 silent codes, then half of the (cut short) next frame.
    for (size_t padding : {20, 39}) {
        const auto pcm = decode(kAdpcm, filled(40 - padding, 0x22) + filled(padding) + filled(40, 0x77));
        ASSERT_EQ(pcm.size(), 80u) << padding;
        EXPECT_EQ(std::count(pcm.begin(), pcm.begin() + 40, 0), 40) << padding;
        EXPECT_EQ(pcm[40], 88) << padding << ": code 7 from a still-silent state";
    }
    const auto plain = decode(kAdpcm, filled(21, 0x22) + filled(19) + filled(40, 0x77));
    EXPECT_EQ(plain.size(), 160u) << "fewer than 20 zeros: an ordinary frame";
    EXPECT_EQ(plain[0], 17) << "code 2";

    const std::string f1 = filled(40, 0x33), f2 = filled(40, 0x44), zero = filled(40);
    const auto reference = decode(kAdpcm, f1 + f2);
    ASSERT_EQ(reference.size(), 160u);
    const std::pair<std::string, size_t> cases[] = {
        {f1 + zero + record(-1, 40) + f2, 160},           // negative offset: go on after the record
        {f1 + zero + record(0, 40) + f2, 240},            // offset 0: the record is read as a frame
        {f1 + zero + record(INT32_MAX, 40) + f2, 80},     // beyond the end
        {f1 + zero + zero + f2, 80},                      // two all-zero frames end the stream
        {f1 + zero + record(40, 40).substr(0, 10), 80}};  // record cut short
    for (const auto& [payload, samples] : cases)
        EXPECT_EQ(decode(kAdpcm, payload).size(), samples) << payload.size();
    // A record jumps to the next block; the decoder state runs on across the boundary.
    EXPECT_EQ(decode(kAdpcm, f1 + zero + record(40 + 80, 40) + filled(80, 0x55) + f2), reference);
    const std::string a1 = "\x12\x34\x56\x78\x9a\xbc\xde", a2 = "\x21\x43\x65\x87\xa9\xcb\xed";
    EXPECT_EQ(decode(kAcelp, a1 + filled(7) + record(14, 7) + filled(7, 0x55) + a2), decode(kAcelp, a1 + a2));
    std::vector<size_t> sizes;
    EXPECT_EQ(decode(kAcelp, a1 + a2.substr(0, 6), 100, &sizes).size(), 80u) << "truncated last frame";
    EXPECT_EQ(sizes, (std::vector<size_t>{100, 60, 0})) << "reads stay within the buffer";
}

}  // namespace
