// melodrift-cli command chooses its targets like a run: one planned set for the whole invocation.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/TestSupport.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

using testing_support::TempDir;

namespace {

struct CliRun {
    int exitCode = -1;
    std::string out, err;
};

std::string quoted(const std::string& s) {
#ifdef _WIN32
    return "\"" + s + "\"";
#else
    std::string q = "'";
    for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
#endif
}

// Beside the source, whatever the user's store says (Windows defaults to the Documents folder).
CliRun runCli(const TempDir& dir, std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--set", "DestOutputFolderOpt=199"});
    std::string line;
#ifdef _WIN32
    line = "\"" + quoted(testing_support::binFolder() + "melodrift-cli.exe");
#else
    line = "XDG_CONFIG_HOME=" + quoted(dir.file("config")) + " " +
           quoted(testing_support::binFolder() + "melodrift-cli");
#endif
    for (const auto& a : args) line += " " + quoted(a);
    line += " >" + quoted(dir.file("cli.out")) + " 2>" + quoted(dir.file("cli.err"));
#ifdef _WIN32
    line += "\"";
#endif
    CliRun r;
    const int status = std::system(line.c_str());
#ifdef _WIN32
    r.exitCode = status;
#else
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    // Text written on Windows ends its lines with CR LF.
    auto text = [](std::string t) {
        for (size_t at; (at = t.find("\r\n")) != std::string::npos;) t.erase(at, 1);
        return t;
    };
    r.out = text(testing_support::readFile(dir.file("cli.out")));
    r.err = text(testing_support::readFile(dir.file("cli.err")));
    return r;
}

// The output path of each printed command line: the last quoted argument.
std::vector<std::string> targetsOf(const std::string& out) {
    std::vector<std::string> targets;
    size_t start = 0;
    while (start < out.size()) {
        const size_t end = out.find('\n', start);
        const std::string line = out.substr(start, end - start);
        const size_t close = line.rfind('"');
        const size_t open = line.rfind('"', close - 1);
        if (close != std::string::npos && open != std::string::npos) {
            targets.push_back(line.substr(open + 1, close - open - 1));
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return targets;
}

class CliCommandNaming : public ::testing::Test {
protected:
    TempDir dir;
    std::string wav = dir.file("x.wav");
    std::string flac = dir.file("x.flac");
    void SetUp() override {
        ASSERT_TRUE(testing_support::makeSineWav(wav, 1));
        testing_support::runTranscoder(
            {"-hide_banner", "-loglevel", "error", "-i", wav, "-c:a", "flac", "-y", flac});
        ASSERT_FALSE(testing_support::readFile(flac).empty());
    }
};

TEST_F(CliCommandNaming, SourcesOfOneNameGetDistinctTargets) {
    for (const char* policy : {"TargetExistsOpt=11", "TargetExistsOpt=22"}) {
        const CliRun r = runCli(dir, {"command", "--format", "1160", "--set", policy, wav, flac});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(targetsOf(r.out), (std::vector<std::string>{dir.file("x.mp3"), dir.file("x_1.mp3")}))
            << policy;
    }
    // Nothing is converted and the proofs leave nothing behind.
    EXPECT_TRUE(testing_support::readFile(dir.file("x.mp3")).empty());
    EXPECT_TRUE(testing_support::readFile(dir.file("x_1.mp3")).empty());
}

TEST_F(CliCommandNaming, RefusedTargetsGoToStandardError) {
    CliRun r = runCli(dir, {"command", "--format", "1160", "--set", "TargetExistsOpt=33", wav, flac});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(targetsOf(r.out), std::vector<std::string>{dir.file("x.mp3")});
    EXPECT_EQ(r.err, flac + ": Target exists and skipped\n");

    // WAV into WAV beside itself under Overwrite: the source is never the target.
    r = runCli(dir, {"command", "--format", "1200", "--set", "TargetExistsOpt=22", wav});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(r.err,
              wav +
                  ": Target file name is same as original file that can't be overwritten. Please output "
                  "files to a custom folder.\n");
}

}  // namespace
