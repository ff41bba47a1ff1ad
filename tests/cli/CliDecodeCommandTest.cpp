// melodrift-cli decode, run as the user runs it.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/AudioTestFiles.h"
#include "support/CliAndMedia.h"

using namespace testing_support;

namespace {

size_t filesIn(const TempDir& dir) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir.path()), {})) - 2;
}

// Odd and even sample widths, up to three channels; more than two channels keep the first two.
TEST(CliDecode, DecodesDwvwFilesIntoWav) {
    using enum Signal;
    const std::tuple<const char*, int, int, Signal> cases[] = {
        {"a.aifc", 16, 1, Sine}, {"b.aif", 24, 2, Extremes}, {"e.aifc", 9, 3, Noise}};
    for (const auto& [name, bits, channels, signal] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        const auto samples = makeSignal(signal, bits, channels, 32000 * 2 + 99);
        ASSERT_TRUE(writeFile(
            dir.file(name),
            makeDwvwAifc({.channels = channels, .sampleSize = bits, .sampleRate = 32000}, samples)));
        ASSERT_EQ(runCli(dir, {"decode", dir.file(name), dir.file("out.wav")}).exitCode, 0);
        std::string pcm;  // our WAV writer's file of the reader's samples
        for (const int16_t v : top16(samples, bits, channels))
            pcm += {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
        EXPECT_TRUE(readFile(dir.file("out.wav")) == wavBytes(std::min(channels, 2), 32000, 16, pcm));
        EXPECT_EQ(filesIn(dir), 2u) << "no temporary file left";
    }
}

TEST(CliDecode, RefusalsSayOneLineAndLeaveNothingBehind) {
    TempDir dir;
    const std::string good = makeDwvwAifc({}, makeSignal(Signal::Sine, 16, 1, 1000));
    ASSERT_TRUE(writeFile(dir.file("good.aifc"), good));
    ASSERT_TRUE(writeFile(dir.file("plain.aifc"),
                          makeDwvwAifc({.compression = "NONE"}, makeSignal(Signal::Sine, 16, 1, 1000))));
    ASSERT_TRUE(writeFile(dir.file("keep.wav"), "earlier contents"));
    const std::pair<std::string, std::string> cases[] = {
        {"plain.aifc", "keep.wav"}, {"good.aifc", "good.aifc"}, {"good.aifc", "no-folder/out.wav"}};
    for (const auto& [source, output] : cases) {
        SCOPED_TRACE(source + " " + output);
        const CliRun r = runCli(dir, {"decode", dir.file(source), dir.file(output)});
        EXPECT_EQ(std::tuple(r.exitCode, std::count(r.err.begin(), r.err.end(), '\n'),
                             r.err.rfind("melodrift-cli: ", 0), r.out),
                  std::tuple(1, 1, 0u, ""))
            << r.err;
        EXPECT_TRUE(std::tuple(readFile(dir.file("keep.wav")), readFile(dir.file("good.aifc")),
                               filesIn(dir)) == std::tuple("earlier contents", good, 3u));
    }
    ASSERT_EQ(runCli(dir, {"decode", dir.file("good.aifc"), dir.file("keep.wav")}).exitCode, 0);
    EXPECT_EQ(readFile(dir.file("keep.wav")).size(), 44u + 2000u) << "success replaces the earlier file";
}

}  // namespace
