// Voice-recorder files built byte by byte: header fields, where the sound data starts, the frame
// fetch with its zero padding, block records and end marks, and damaged files.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "audio/VoiceRecorderReader.h"
#include "support/TestSupport.h"

using testing_support::TempDir;
using testing_support::writeFile;

namespace {

constexpr int kAcelp = 0;
constexpr int kAdpcm = 3;

struct HeaderSpec {
    int byte15 = 12;
    int codec = kAdpcm;
    int hours = 0, minutes = 0, seconds = 0, fraction = 0;
};

// The header and its records up to the first sound byte (511 when byte 15 is 12, else 4095); the
// records are filled with non-zero bytes so that a reader starting too early would decode them.
std::string header(const HeaderSpec& h) {
    std::string bytes(31, '\x01');
    bytes.replace(6, 9, "_VOC_File");
    bytes[15] = static_cast<char>(h.byte15);
    bytes[22] = static_cast<char>(h.hours);
    bytes[23] = static_cast<char>(h.minutes);
    bytes[24] = static_cast<char>(h.seconds);
    bytes[25] = static_cast<char>(h.fraction);
    bytes[26] = static_cast<char>(h.codec);
    bytes.resize(h.byte15 == 12 ? 511 : 4095, '\x11');
    return bytes;
}

std::string filled(size_t n, int value) { return std::string(n, static_cast<char>(value)); }
std::string zeros(size_t n) { return std::string(n, '\0'); }
std::string record(int32_t offset, size_t length) {
    std::string r = filled(length, 0x66);
    const auto u = static_cast<uint32_t>(offset);
    for (int i = 0; i < 4; ++i) r[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    return r;
}

struct Decoded {
    bool opened = false;
    std::vector<int16_t> samples;
    std::vector<size_t> readSizes;  // bytes per call
};

Decoded decodeFile(const std::string& path, size_t bufferBytes = 4608) {
    Decoded d;
    VoiceRecorderReader reader;
    d.opened = reader.open(path) != 0;
    if (!d.opened) return d;
    std::vector<uint8_t> buffer(bufferBytes);
    for (int guard = 0; guard < 1000000; ++guard) {
        const size_t got = reader.read(buffer.data(), buffer.size());
        d.readSizes.push_back(got);
        if (got == 0) break;
        EXPECT_LE(reader.position(), reader.size());
        for (size_t i = 0; i + 1 < got; i += 2) {
            d.samples.push_back(static_cast<int16_t>(buffer[i] | (buffer[i + 1] << 8)));
        }
    }
    return d;
}

class VoiceRecorderReaderTest : public ::testing::Test {
protected:
    std::string make(const std::string& name, const std::string& bytes) {
        const std::string path = dir_.file(name);
        EXPECT_TRUE(writeFile(path, bytes));
        return path;
    }
    Decoded decode(const std::string& payload, int codec = kAdpcm) {
        HeaderSpec h;
        h.codec = codec;
        return decodeFile(make("stream.voc", header(h) + payload));
    }

    TempDir dir_;
};

}  // namespace

TEST_F(VoiceRecorderReaderTest, HeaderFields) {
    struct Case {
        HeaderSpec header;
        int duration;
        uint64_t dataStart;
    };
    const Case cases[] = {
        {{12, kAdpcm, 1, 2, 3, 0}, 3723, 511},    {{0, kAcelp, 0, 0, 5, 1}, 6, 4095},
        {{11, kAdpcm, 0, 0, 0, 0}, 0, 4095},      {{12, kAcelp, 2, 0, 0, 255}, 7201, 511},
        {{13, kAdpcm, 0, 59, 59, 0}, 3599, 4095}, {{12, kAdpcm, 0, 0, 0, 1}, 1, 511},
    };
    for (const auto& c : cases) {
        const std::string bytes = header(c.header) + filled(80, 0x21);
        const std::string path = make("header.voc", bytes);
        VoiceRecorderReader reader;
        ASSERT_NE(reader.open(path), 0);
        EXPECT_EQ(reader.duration(), c.duration);
        EXPECT_EQ(reader.position(), c.dataStart);
        EXPECT_EQ(reader.size(), bytes.size());
        EXPECT_EQ(reader.sampleRate(), 8000);
        EXPECT_EQ(reader.channelCount(), 1);
        EXPECT_EQ(reader.outputChannelCount(), 1);
        EXPECT_EQ(reader.bitsPerSample(), 16);
        EXPECT_EQ(reader.bitRate(), 0);
        EXPECT_EQ(reader.codec(), c.header.codec);
    }
}

TEST_F(VoiceRecorderReaderTest, RefusedFiles) {
    std::string noSignature = header({});
    noSignature[10] = 'x';
    std::string shifted = header({});
    shifted.replace(6, 9, "\x01_VOC_Fil");
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::vector<Case> cases = {
        {"missing signature", noSignature + filled(40, 0x21)},
        {"signature one byte late", shifted + filled(40, 0x21)},
        {"short header", header({}).substr(0, 30)},
        {"empty file", ""},
        {"creative voice file", std::string("Creative Voice File\x1a").append(filled(600, 0x21))},
    };
    for (int codec : {1, 2, 4, 255}) {
        HeaderSpec h;
        h.codec = codec;
        cases.push_back({"unknown codec", header(h) + filled(40, 0x21)});
    }
    for (const auto& c : cases) {
        VoiceRecorderReader reader;
        EXPECT_EQ(reader.open(make("refused.voc", c.bytes)), 0) << c.what;
        EXPECT_EQ(reader.sampleRate(), 0) << c.what;
        EXPECT_EQ(reader.size(), 0u) << c.what;
        EXPECT_EQ(reader.duration(), 0) << c.what;
        uint8_t buffer[64];
        EXPECT_EQ(reader.read(buffer, sizeof(buffer)), 0u) << c.what;
    }
    VoiceRecorderReader reader;
    EXPECT_EQ(reader.open(dir_.file("missing.voc")), 0);
}

TEST_F(VoiceRecorderReaderTest, SoundDataStartsAfterTheRecords) {
    // One ADPCM frame whose first code is 7: from the start state that decodes to 88 (code 1, from
    // the filler, would give 8).
    const std::string frame = std::string("\x07").append(filled(39, 0x10));
    for (int byte15 : {12, 0, 11, 255}) {
        HeaderSpec h;
        h.byte15 = byte15;
        const auto d = decodeFile(make("start.voc", header(h) + frame));
        ASSERT_TRUE(d.opened);
        ASSERT_EQ(d.samples.size(), 80u) << byte15;
        EXPECT_EQ(d.samples[0], 88) << byte15;
    }
}

TEST_F(VoiceRecorderReaderTest, ReadsDeliverAtMost1152Samples) {
    struct Case {
        int codec;
        size_t frameBytes;
        int frames;
        size_t bufferBytes;
        std::vector<size_t> sizes;
    };
    const Case cases[] = {
        {kAdpcm, 40, 20, 4608, {2304, 896, 0}},
        {kAcelp, 7, 30, 4608, {2304, 2304, 192, 0}},
        {kAdpcm, 40, 1, 100, {100, 60, 0}},
        {kAcelp, 7, 2, 2304, {320, 0}},
        {kAdpcm, 40, 0, 4608, {0}},
    };
    for (const auto& c : cases) {
        std::string payload;
        for (int i = 0; i < c.frames; ++i) payload += filled(c.frameBytes, 0x21 + i % 7);
        HeaderSpec h;
        h.codec = c.codec;
        const auto d = decodeFile(make("sizes.voc", header(h) + payload), c.bufferBytes);
        ASSERT_TRUE(d.opened);
        EXPECT_EQ(d.readSizes, c.sizes) << c.codec << "/" << c.frames;
        EXPECT_EQ(d.samples.size(), static_cast<size_t>(c.frames) * 80);
    }
}

TEST_F(VoiceRecorderReaderTest, ZeroPaddingIsSkippedIn20ByteSteps) {
    // A frame ending in 20 to 39 zero bytes moves the read on by 20 bytes: the next attempt starts
    // with the remaining zeros, so the decoded frame is 40 silent codes followed by the next bytes.
    const std::string next = filled(40, 0x77);
    for (int padding : {20, 25, 30, 39}) {
        const auto d = decode(filled(40 - padding, 0x22) + zeros(padding) + next);
        ASSERT_TRUE(d.opened);
        // Window 20 bytes on: 20 zero bytes, then the first half of the next frame; the second half
        // is cut short by the end of the file.
        ASSERT_EQ(d.samples.size(), 80u) << padding;
        for (int i = 0; i < 40; ++i) EXPECT_EQ(d.samples[i], 0) << padding << ":" << i;
        EXPECT_EQ(d.samples[40], 88) << padding;  // code 7 from a still-silent state
    }
    // Fewer than 20 trailing zeros: an ordinary frame.
    const auto plain = decode(filled(21, 0x22) + zeros(19) + next);
    EXPECT_EQ(plain.samples.size(), 160u);
    EXPECT_EQ(plain.samples[0], 17);  // code 2
}

TEST_F(VoiceRecorderReaderTest, BlockRecordsJumpForwardOnly) {
    const std::string f1 = filled(40, 0x33);
    const std::string f2 = filled(40, 0x44);
    const std::string junk = filled(80, 0x55);  // two frames' worth that a taken jump skips
    const auto reference = decode(f1 + f2);
    ASSERT_EQ(reference.samples.size(), 160u);

    struct Case {
        const char* what;
        std::string payload;
        size_t samples;
    };
    const Case cases[] = {
        {"jump over the junk", f1 + zeros(40) + record(40 + 80, 40) + junk + f2, 160},
        {"negative offset: go on after the record", f1 + zeros(40) + record(-1, 40) + f2, 160},
        {"most negative offset", f1 + zeros(40) + record(INT32_MIN, 40) + f2, 160},
        {"offset 0: the record itself is read as a frame", f1 + zeros(40) + record(0, 40) + f2, 240},
        {"jump far beyond the end", f1 + zeros(40) + record(INT32_MAX, 40) + f2, 80},
        {"two all-zero frames end the stream", f1 + zeros(80) + f2, 80},
        {"all-zero frame at the very end", f1 + zeros(40), 80},
        {"record cut short", f1 + zeros(40) + record(40, 40).substr(0, 10), 80},
    };
    for (const auto& c : cases) {
        const auto d = decode(c.payload);
        ASSERT_TRUE(d.opened) << c.what;
        EXPECT_EQ(d.samples.size(), c.samples) << c.what;
    }
    // The decoder state runs on across a block boundary: same samples as without it.
    const auto jumped = decode(f1 + zeros(40) + record(40 + 80, 40) + junk + f2);
    EXPECT_EQ(jumped.samples, reference.samples);
    const auto chained = decode(f1 + zeros(40) + record(40, 40) + zeros(40) + record(40, 40) + f2);
    EXPECT_EQ(chained.samples, reference.samples);
}

TEST_F(VoiceRecorderReaderTest, AcelpFramesAndBoundaries) {
    const std::string f1 = "\x12\x34\x56\x78\x9a\xbc\xde";
    const std::string f2 = "\x21\x43\x65\x87\xa9\xcb\xed";
    const auto reference = decode(f1 + f2, kAcelp);
    ASSERT_EQ(reference.samples.size(), 160u);
    const auto jumped = decode(f1 + zeros(7) + record(14, 7) + filled(7, 0x55) + f2, kAcelp);
    EXPECT_EQ(jumped.samples, reference.samples);
    EXPECT_EQ(decode(f1 + zeros(14) + f2, kAcelp).samples.size(), 80u);
    EXPECT_EQ(decode(f1 + f2.substr(0, 6), kAcelp).samples.size(), 80u);  // truncated last frame
}

TEST_F(VoiceRecorderReaderTest, RandomPayloadsEnd) {
    std::mt19937 rng(2024);
    for (int codec : {kAcelp, kAdpcm}) {
        for (int trial = 0; trial < 20; ++trial) {
            std::string payload(static_cast<size_t>(rng() % 20000), '\0');
            const int zeroChance = trial % 4;  // some payloads rich in zero runs
            for (auto& ch : payload)
                ch = static_cast<char>(rng() % 8 < static_cast<unsigned>(zeroChance) ? 0 : rng());
            const auto d = decode(payload, codec);
            ASSERT_TRUE(d.opened);
            const size_t frameBytes = codec == kAcelp ? 7 : 40;
            EXPECT_LE(d.samples.size(), (payload.size() / frameBytes + 1) * 80);
        }
    }
}

TEST_F(VoiceRecorderReaderTest, CloseAndReopen) {
    const std::string path = make("again.voc", header({}) + filled(400, 0x5A));
    VoiceRecorderReader reader;
    ASSERT_NE(reader.open(path), 0);
    uint8_t buffer[4608];
    const size_t first = reader.read(buffer, sizeof(buffer));
    const std::vector<uint8_t> firstBytes(buffer, buffer + first);
    reader.close();
    reader.close();
    EXPECT_EQ(reader.size(), 0u);
    EXPECT_EQ(reader.position(), 0u);
    EXPECT_EQ(reader.sampleRate(), 0);
    EXPECT_EQ(reader.read(buffer, sizeof(buffer)), 0u);
    // Reopening starts the decoder afresh.
    ASSERT_NE(reader.open(path), 0);
    const size_t again = reader.read(buffer, sizeof(buffer));
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + again), firstBytes);
}

TEST_F(VoiceRecorderReaderTest, Utf8Path) {
    const std::string path =
        make("voix-\xc3\xa9t\xc3\xa9-\xe9\x8c\xb2\xe9\x9f\xb3.voc", header({}) + filled(80, 0x21));
    const auto d = decodeFile(path);
    EXPECT_TRUE(d.opened);
    EXPECT_EQ(d.samples.size(), 160u);
}

TEST_F(VoiceRecorderReaderTest, SourceFileIsLeftUnchanged) {
    const std::string bytes = header({}) + filled(400, 0x5A) + zeros(40) + record(50, 40);
    const std::string path = make("keep.voc", bytes);
    decodeFile(path);
    EXPECT_EQ(testing_support::readFile(path), bytes);
}
