// melodrift-cli decode (and probe on reader files), run as the user runs them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/AudioTestFiles.h"
#include "support/TestSupport.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

using namespace testing_support;

namespace {

struct CliResult {
    int exitCode = -1;
    std::string out, err;
};

// Through the system's command processor, which gives the exit status and keeps the streams apart.
CliResult runCli(const TempDir& dir, const std::vector<std::string>& args) {
#ifdef _WIN32
    auto q = [](const std::string& s) { return "\"" + s + "\""; };
    std::string line = "\"" + q(binFolder() + "melodrift-cli.exe");
#else
    auto q = [](std::string s) {
        for (size_t at = 0; (at = s.find('\'', at)) != std::string::npos; at += 4) s.replace(at, 1, "'\\''");
        return "'" + s + "'";
    };
    std::string line = "XDG_CONFIG_HOME=" + q(dir.file("config")) + " " + q(binFolder() + "melodrift-cli");
#endif
    for (const auto& a : args) line += " " + q(a);
    line += " >" + q(dir.file("cli.out")) + " 2>" + q(dir.file("cli.err"));
#ifdef _WIN32
    const int exitCode = std::system((line + "\"").c_str());
#else
    const int status = std::system(line.c_str());
    const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    CliResult r{exitCode, readFile(dir.file("cli.out")), readFile(dir.file("cli.err"))};
    for (std::string* s : {&r.out, &r.err}) std::erase(*s, '\r');
    std::filesystem::remove(fromU8(dir.file("cli.out")));
    std::filesystem::remove(fromU8(dir.file("cli.err")));
    return r;
}

size_t filesIn(const TempDir& dir) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir.path()), {}));
}

TEST(CliDecode, DecodesDwvwFilesIntoWav) {
    struct Case {
        const char* name;
        int bits, channels;
        Signal signal;
    };
    for (const Case& c :
         {Case{"mono16.aifc", 16, 1, Signal::Sine}, Case{"stereo24.aif", 24, 2, Signal::Noise},
          Case{"quad12.aiff", 12, 4, Signal::Extremes}}) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const auto samples = makeSignal(c.signal, c.bits, c.channels, 32000 * 2 + 99);
        ASSERT_TRUE(writeFile(
            dir.file(c.name),
            makeDwvwAifc({.channels = c.channels, .sampleSize = c.bits, .sampleRate = 32000}, samples)));
        ASSERT_EQ(runCli(dir, {"decode", dir.file(c.name), dir.file("out.wav")}).exitCode, 0);
        const WavData wav = parseWav(readFile(dir.file("out.wav")));
        const int outChannels = std::min(c.channels, 2);
        EXPECT_EQ(wav.channels, outChannels);
        EXPECT_EQ(wav.sampleRate, 32000u);
        EXPECT_EQ(wav.bitsPerSample, 16);
        std::vector<int16_t> got;
        for (const int32_t s : wav.samples) got.push_back(static_cast<int16_t>(s >> 16));
        EXPECT_TRUE(got == top16(samples, c.bits, c.channels));
        EXPECT_EQ(filesIn(dir), 2u) << "no temporary file left";
        // The probe shows the reader's facts.
        const CliResult p = runCli(dir, {"probe", dir.file(c.name)});
        EXPECT_EQ(p.exitCode, 0);
        EXPECT_NE(p.out.find("\tkind=3\tduration=2\tstreams=1\tchosen=0\n"), std::string::npos) << p.out;
        EXPECT_NE(p.out.find("\trate=32000\t"), std::string::npos) << p.out;
        EXPECT_NE(p.out.find("\tchannels=" + std::to_string(outChannels) + "\n"), std::string::npos) << p.out;
    }
}

TEST(CliDecode, RefusalsSayOneLineAndLeaveNothingBehind) {
    TempDir dir;
    const std::string good = makeDwvwAifc({}, makeSignal(Signal::Sine, 16, 1, 1000));
    ASSERT_TRUE(writeFile(dir.file("good.aifc"), good));
    ASSERT_TRUE(writeFile(dir.file("plain.aifc"),
                          makeDwvwAifc({.compression = "NONE"}, makeSignal(Signal::Sine, 16, 1, 1000))));
    ASSERT_TRUE(writeFile(dir.file("Track01.cda"), cdaRecord(1, 0, 75)));
    ASSERT_TRUE(writeFile(dir.file("song.mp3"), "ID3"));
    ASSERT_TRUE(writeFile(dir.file("keep.wav"), "earlier contents"));
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"decode", dir.file("plain.aifc"), dir.file("keep.wav")}, 1},
        {{"decode", dir.file("Track01.cda"), dir.file("keep.wav")}, 1},
        {{"decode", dir.file("song.mp3"), dir.file("keep.wav")}, 1},
        {{"decode", dir.file("missing.aifc"), dir.file("keep.wav")}, 1},
        {{"decode", dir.file("good.aifc"), dir.file("good.aifc")}, 1},
        {{"decode", dir.file("good.aifc"), dir.file("no-folder/out.wav")}, 1},
        {{"decode", dir.file("good.aifc")}, 2},
        {{"decode"}, 2}};
    for (const auto& [args, exitCode] : cases) {
        SCOPED_TRACE(args.back());
        const CliResult r = runCli(dir, args);
        EXPECT_EQ(r.exitCode, exitCode);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("melodrift-cli: ", 0), 0u) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(readFile(dir.file("keep.wav")), "earlier contents");
        EXPECT_TRUE(readFile(dir.file("good.aifc")) == good);
        EXPECT_EQ(filesIn(dir), 5u);
    }
    ASSERT_EQ(runCli(dir, {"decode", dir.file("good.aifc"), dir.file("keep.wav")}).exitCode, 0);
    EXPECT_EQ(readFile(dir.file("keep.wav")).size(), 44u + 2000u) << "success replaces the earlier file";
}

}  // namespace
