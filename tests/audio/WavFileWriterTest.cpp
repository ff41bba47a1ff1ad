// WAV writer: files FFmpeg reads back. (Header bytes: the CLI decode test.)
#include <gtest/gtest.h>

#include "audio/WavFileWriter.h"
#include "support/AudioTestFiles.h"
#include "support/TestSupport.h"

using namespace testing_support;

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
