// WAV writer: header fields, sizes patched from what was written, and files FFmpeg reads back.
#include <gtest/gtest.h>

#include "audio/WavFileWriter.h"
#include "support/AudioTestFiles.h"
#include "support/TestSupport.h"

using namespace testing_support;

TEST(WavFileWriter, HeaderAndPatchedSizes) {
    TempDir dir;
    ASSERT_TRUE(writeFile(dir.file("h.wav"), std::string(5000, 'x')));  // replaced
    // {stereo, bits, rate, data bytes}, written in 4608-byte pieces; odd data gets no pad byte.
    for (const auto& [stereo, bits, rate, size] : {std::tuple{false, 16, 8000u, 0u},
                                                   {true, 16, 44100u, 1u},
                                                   {true, 16, 48000u, 4608u},
                                                   {false, 8, 11025u, 3u},
                                                   {true, 24, 96000u, 100001u}}) {
        std::string data;
        for (size_t i = 0; i < size; ++i) data.push_back(static_cast<char>(i * 7));
        {
            WavFileWriter w;
            ASSERT_TRUE(w.open(dir.file("h.wav"), stereo, static_cast<uint16_t>(bits), rate));
            for (size_t at = 0; at < data.size(); at += 4608)
                EXPECT_TRUE(w.write(data.data() + at, std::min<size_t>(4608, data.size() - at)));
            EXPECT_TRUE(size == 1 || w.close()) << "else the destructor closes";
            EXPECT_TRUE(size == 1 || w.close()) << "a second close does nothing";
        }
        EXPECT_TRUE(readFile(dir.file("h.wav")) == wavBytes(stereo ? 2 : 1, rate, bits, data)) << size;
    }
    WavFileWriter w;
    EXPECT_FALSE(w.open(dir.file("no-such-folder/x.wav"), false, 16, 8000) || w.write("ab", 2));
}

TEST(WavFileWriter, SizesAtTheFourGigabyteLimit) {
    // The largest file whose RIFF size fits is 2^32 + 7; beyond, both sizes say "to the end of the file".
    // clang-format off
    const std::tuple<uint64_t, uint32_t, uint32_t> cases[] = {
        {44, 36, 0}, {45, 37, 1}, {0xFFFFFFFFull, 0xFFFFFFF7u, 0xFFFFFFD3u}, {0x100000007ull, 0xFFFFFFFFu, 0xFFFFFFDBu},
        {0x100000008ull, 0xFFFFFFFFu, 0xFFFFFFFFu}, {0x300000000ull, 0xFFFFFFFFu, 0xFFFFFFFFu}};
    // clang-format on
    for (const auto& [fileSize, riff, data] : cases) {
        EXPECT_EQ(wavHeaderSizes(fileSize).riffSize, riff) << fileSize;
        EXPECT_EQ(wavHeaderSizes(fileSize).dataSize, data) << fileSize;
    }
}

TEST(WavFileWriter, FfmpegReadsAWrittenFile) {
    TempDir dir;
    const std::string path = dir.file("w.wav");
    std::string pcm((44100 * 2 + 4410) * 2 * 2, '\0');  // 2.1 s of stereo
    for (size_t i = 0; i < pcm.size(); i += 2) pcm[i + 1] = static_cast<char>((i / 2) % 64 - 32);
    WavFileWriter w;
    ASSERT_TRUE(w.open(path, true, 16, 44100) && w.write(pcm.data(), pcm.size()) && w.close());
    runTranscoder(
        {"-hide_banner", "-loglevel", "error", "-i", path, "-f", "s16le", "-y", dir.file("back.raw")});
    EXPECT_TRUE(readFile(dir.file("back.raw")) == pcm);
    const auto probe = runTranscoder({"-hide_banner", "-i", path}).output;
    EXPECT_NE(probe.find(" 44100 Hz, stereo"), std::string::npos) << probe;
    EXPECT_NE(probe.find("Duration: 00:00:02.10"), std::string::npos) << probe;
}
