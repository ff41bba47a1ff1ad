// WAV writer: the header bytes, patched sizes, and files the transcoder reads back.
#include <gtest/gtest.h>

#include "audio/WavFileWriter.h"
#include "support/DwvwTestFiles.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

uint32_t le32(const std::string& s, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(s[at])) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 2])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24);
}
uint32_t le16(const std::string& s, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(s[at])) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8);
}

TEST(WavFileWriter, HeaderFields) {
    struct Case {
        bool stereo;
        uint16_t bits;
        uint32_t rate;
        uint32_t channels, byteRate, blockAlign;
    };
    const Case cases[] = {{false, 16, 8000, 1, 16000, 2},
                          {true, 16, 44100, 2, 176400, 4},
                          {true, 16, 48000, 2, 192000, 4},
                          {false, 8, 11025, 1, 11025, 1},
                          {true, 24, 96000, 2, 576000, 6}};
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.rate << " Hz " << c.bits << " bits");
        const std::string path = dir.file("h.wav");
        WavFileWriter w;
        ASSERT_TRUE(w.open(path, c.stereo, c.bits, c.rate));
        EXPECT_TRUE(w.isOpen());
        EXPECT_TRUE(w.close());
        EXPECT_FALSE(w.isOpen());
        const std::string f = readFile(path);
        ASSERT_EQ(f.size(), 44u);
        EXPECT_EQ(f.substr(0, 4), "RIFF");
        EXPECT_EQ(le32(f, 4), 36u);
        EXPECT_EQ(f.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(le32(f, 16), 16u);
        EXPECT_EQ(le16(f, 20), 1u);
        EXPECT_EQ(le16(f, 22), c.channels);
        EXPECT_EQ(le32(f, 24), c.rate);
        EXPECT_EQ(le32(f, 28), c.byteRate);
        EXPECT_EQ(le16(f, 32), c.blockAlign);
        EXPECT_EQ(le16(f, 34), c.bits);
        EXPECT_EQ(f.substr(36, 4), "data");
        EXPECT_EQ(le32(f, 40), 0u);
    }
}

TEST(WavFileWriter, SizesArePatchedFromWhatWasWritten) {
    TempDir dir;
    const std::string path = dir.file("s.wav");
    for (const size_t total : {size_t{1}, size_t{3}, size_t{4608}, size_t{100001}}) {
        SCOPED_TRACE(total);
        WavFileWriter w;
        ASSERT_TRUE(w.open(path, true, 16, 44100));
        std::string data;
        for (size_t i = 0; i < total; ++i) data.push_back(static_cast<char>(i * 7));
        // In pieces, as the preparation writes what each read delivers.
        for (size_t at = 0; at < total; at += 4608)
            EXPECT_TRUE(w.write(data.data() + at, std::min<size_t>(4608, total - at)));
        w.close();
        w.close();  // a second close does nothing
        const std::string f = readFile(path);
        ASSERT_EQ(f.size(), 44 + total) << "no pad byte after odd data";
        EXPECT_EQ(le32(f, 4), 36 + total);
        EXPECT_EQ(le32(f, 40), total);
        EXPECT_TRUE(f.substr(44) == data);
    }
}

TEST(WavFileWriter, ReplacesAnExistingFileAndFailsWhereNoFileCanBe) {
    TempDir dir;
    const std::string path = dir.file("old.wav");
    ASSERT_TRUE(writeFile(path, std::string(5000, 'x')));
    {
        WavFileWriter w;
        ASSERT_TRUE(w.open(path, false, 16, 8000));
        w.write("ab", 2);
    }  // the destructor closes and patches
    const std::string f = readFile(path);
    ASSERT_EQ(f.size(), 46u);
    EXPECT_EQ(le32(f, 40), 2u);

    WavFileWriter w;
    EXPECT_FALSE(w.open(dir.file("no-such-folder/x.wav"), false, 16, 8000));
    EXPECT_FALSE(w.isOpen());
    EXPECT_FALSE(w.write("ab", 2));
    EXPECT_TRUE(w.close());
}

TEST(WavFileWriter, SizesAtTheFourGigabyteLimit) {
    struct Case {
        uint64_t fileSize;
        uint32_t riff, data;
    };
    const Case cases[] = {
        {44, 36, 0},
        {45, 37, 1},
        {0xFFFFFFFFull, 0xFFFFFFF7u, 0xFFFFFFD3u},
        {0x100000007ull, 0xFFFFFFFFu, 0xFFFFFFDBu},  // the largest file whose RIFF size still fits
        {0x100000008ull, 0xFFFFFFFFu, 0xFFFFFFFFu},  // beyond: both say "to the end of the file"
        {0x100000044ull, 0xFFFFFFFFu, 0xFFFFFFFFu},
        {0x300000000ull, 0xFFFFFFFFu, 0xFFFFFFFFu},
    };
    for (const Case& c : cases) {
        const WavHeaderSizes s = wavHeaderSizes(c.fileSize);
        EXPECT_EQ(s.riffSize, c.riff) << c.fileSize;
        EXPECT_EQ(s.dataSize, c.data) << c.fileSize;
    }
}

TEST(WavFileWriter, TheTranscoderReadsWrittenFiles) {
    struct Case {
        bool stereo;
        uint32_t rate;
        uint32_t frames;
        const char* layout;
        const char* duration;
    };
    const Case cases[] = {{false, 8000, 8000 * 3, "mono", "00:00:03.00"},
                          {true, 44100, 44100 * 2 + 4410, "stereo", "00:00:02.10"}};
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout);
        const std::string path = dir.file(std::string(c.layout) + ".wav");
        const size_t channels = c.stereo ? 2 : 1;
        std::string pcm(size_t{c.frames} * channels * 2, '\0');
        for (size_t i = 0; i < pcm.size(); i += 2) pcm[i + 1] = static_cast<char>((i / 2) % 64);
        WavFileWriter w;
        ASSERT_TRUE(w.open(path, c.stereo, 16, c.rate));
        ASSERT_TRUE(w.write(pcm.data(), pcm.size()));
        ASSERT_TRUE(w.close());
        // Decoding through the transcoder gives back the same PCM and format.
        const std::string back = dir.file(std::string(c.layout) + "-back.wav");
        runTranscoder({"-hide_banner", "-loglevel", "error", "-i", path, "-c:a", "pcm_s16le", "-y", back});
        const WavData d = parseWav(readFile(back));
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.channels, static_cast<int>(channels));
        EXPECT_EQ(d.sampleRate, c.rate);
        ASSERT_EQ(d.samples.size(), size_t{c.frames} * channels);
        for (size_t i = 0; i < d.samples.size(); i += 997)
            EXPECT_EQ(d.samples[i] >> 24, static_cast<int>(i % 64));
        const auto probe = runTranscoder({"-hide_banner", "-i", path});
        EXPECT_NE(probe.output.find(std::string(" ") + std::to_string(c.rate) + " Hz, " + c.layout),
                  std::string::npos)
            << probe.output;
        EXPECT_NE(probe.output.find(std::string("Duration: ") + c.duration), std::string::npos)
            << probe.output;
    }
}

}  // namespace
