// WAV writer: sizes at the 4 GiB limit, and files FFmpeg reads back. (Header bytes: the CLI decode test.)
#include <gtest/gtest.h>

#include "audio/WavFileWriter.h"
#include "support/AudioTestFiles.h"
#include "support/TestSupport.h"

using namespace testing_support;

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
