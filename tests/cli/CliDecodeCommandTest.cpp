// melodrift-cli decode (and probe on reader files), run as the user runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "support/DwvwTestFiles.h"
#include "support/TestSupport.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

using namespace testing_support;

namespace {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Through the system's command processor, which gives the exit status and keeps the streams apart.
CliResult runCli(const TempDir& dir, const std::vector<std::string>& args) {
    const std::string outFile = dir.file("cli.out");
    const std::string errFile = dir.file("cli.err");
    CliResult result;
#ifdef _WIN32
    auto q = [](const std::string& s) { return "\"" + s + "\""; };
    std::string line = "\"" + q(binFolder() + "melodrift-cli.exe");
    for (const auto& a : args) line += " " + q(a);
    line += " >" + q(outFile) + " 2>" + q(errFile) + "\"";
    result.exitCode = std::system(line.c_str());
#else
    auto q = [](const std::string& s) {
        std::string quoted = "'";
        for (char c : s) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    };
    std::string line = "XDG_CONFIG_HOME=" + q(dir.file("config")) + " " + q(binFolder() + "melodrift-cli");
    for (const auto& a : args) line += " " + q(a);
    line += " >" + q(outFile) + " 2>" + q(errFile);
    const int status = std::system(line.c_str());
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    result.out = readFile(outFile);
    result.err = readFile(errFile);
    for (std::string* s : {&result.out, &result.err}) {
        std::string clean;
        for (char c : *s)
            if (c != '\r') clean += c;
        *s = clean;
    }
    return result;
}

size_t countLines(const std::string& s) {
    size_t n = 0;
    for (char c : s) n += c == '\n';
    return n;
}

// Files in the folder other than the command's own output captures.
std::vector<std::string> filesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = u8(e.path().filename());
        if (name != "cli.out" && name != "cli.err") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(CliDecode, DecodesDwvwFilesIntoWav) {
    struct Case {
        const char* name;
        int bits;
        int channels;
        Signal signal;
    };
    const Case cases[] = {{"mono16.aifc", 16, 1, Signal::Sine},
                          {"stereo24.aif", 24, 2, Signal::Noise},
                          {"quad12.aiff", 12, 4, Signal::Extremes}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        AifcSpec spec;
        spec.channels = c.channels;
        spec.sampleSize = c.bits;
        spec.sampleRate = 32000;
        const auto samples = makeSignal(c.signal, c.bits, c.channels, 32000 * 2 + 99);
        ASSERT_TRUE(writeFile(dir.file(c.name), makeDwvwAifc(spec, samples)));
        ASSERT_EQ(runCli(dir, {"decode", dir.file(c.name), dir.file("out.wav")}).exitCode, 0);
        const WavData wav = parseWav(readFile(dir.file("out.wav")));
        ASSERT_TRUE(wav.ok);
        const int outChannels = c.channels < 2 ? 1 : 2;
        EXPECT_EQ(wav.channels, outChannels);
        EXPECT_EQ(wav.sampleRate, 32000u);
        EXPECT_EQ(wav.bitsPerSample, 16);
        std::vector<int32_t> expected;
        for (size_t i = 0; i < samples.size(); ++i) {
            if (static_cast<int>(i % static_cast<size_t>(c.channels)) >= outChannels) continue;
            const auto full = static_cast<int32_t>(static_cast<uint32_t>(samples[i]) << (32 - c.bits));
            expected.push_back(static_cast<int32_t>(static_cast<uint32_t>(full >> 16) << 16));
        }
        EXPECT_TRUE(wav.samples == expected);
        EXPECT_EQ(filesIn(dir).size(), 2u) << "no temporary file left";

        // The probe shows the reader's facts.
        const CliResult p = runCli(dir, {"probe", dir.file(c.name)});
        EXPECT_EQ(p.exitCode, 0);
        EXPECT_NE(p.out.find("\tkind=3\tduration=2\tstreams=1\tchosen=0\n"), std::string::npos) << p.out;
        EXPECT_NE(p.out.find("\trate=32000\t"), std::string::npos) << p.out;
        EXPECT_NE(p.out.find("\tchannels=" + std::to_string(outChannels) + "\n"), std::string::npos) << p.out;
    }
}

TEST(CliDecode, RefusalsLeaveNothingBehind) {
    TempDir dir;
    AifcSpec spec;
    const std::string good = makeDwvwAifc(spec, makeSignal(Signal::Sine, 16, 1, 1000));
    ASSERT_TRUE(writeFile(dir.file("good.aifc"), good));
    spec.compression = "NONE";
    ASSERT_TRUE(writeFile(dir.file("plain.aifc"), makeDwvwAifc(spec, makeSignal(Signal::Sine, 16, 1, 1000))));
    ASSERT_TRUE(
        writeFile(dir.file("Track01.cda"), std::string("RIFF$\0\0\0CDDAfmt ", 16) + std::string(28, '\0')));
    ASSERT_TRUE(writeFile(dir.file("song.mp3"), "ID3"));
    ASSERT_TRUE(writeFile(dir.file("keep.wav"), "earlier contents"));

    struct Case {
        std::vector<std::string> args;
        int exitCode;
    };
    const Case cases[] = {
        {{"decode", dir.file("plain.aifc"), dir.file("keep.wav")}, 1},
        {{"decode", dir.file("Track01.cda"), dir.file("keep.wav")}, 1},
        {{"decode", dir.file("song.mp3"), dir.file("keep.wav")}, 1},
        {{"decode", dir.file("missing.aifc"), dir.file("keep.wav")}, 1},
        {{"decode", dir.file("good.aifc"), dir.file("good.aifc")}, 1},
        {{"decode", dir.file("good.aifc"), dir.file("no-folder/out.wav")}, 1},
        {{"decode", dir.file("good.aifc")}, 2},
        {{"decode"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const CliResult r = runCli(dir, c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(countLines(r.err), 1u) << r.err;
        EXPECT_EQ(r.err.rfind("melodrift-cli: ", 0), 0u) << r.err;
        EXPECT_TRUE(r.out.empty());
        EXPECT_EQ(readFile(dir.file("keep.wav")), "earlier contents");
        EXPECT_TRUE(readFile(dir.file("good.aifc")) == good);
        EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"Track01.cda", "good.aifc", "keep.wav",
                                                          "plain.aifc", "song.mp3"}));
    }
    // Success replaces the earlier file.
    ASSERT_EQ(runCli(dir, {"decode", dir.file("good.aifc"), dir.file("keep.wav")}).exitCode, 0);
    EXPECT_EQ(readFile(dir.file("keep.wav")).size(), 44u + 2000u);
}

}  // namespace
