// melodrift-cli probe and command, run as the user runs them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/TestSupport.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

using testing_support::TempDir;

namespace {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs melodrift-cli through the system's command processor, which gives the exit status and keeps
// standard output and standard error apart. On POSIX the settings come from a fresh folder.
CliResult runCli(const TempDir& dir, const std::vector<std::string>& args) {
    const std::string outFile = dir.file("cli.out");
    const std::string errFile = dir.file("cli.err");
    CliResult result;
#ifdef _WIN32
    // Appending piece by piece keeps GCC's string-overlap warning quiet.
    auto q = [](const std::string& s) {
        std::string quoted(1, '"');
        quoted += s;
        quoted += '"';
        return quoted;
    };
    std::string line(1, '"');
    line += q(testing_support::binFolder() + "melodrift-cli.exe");
    for (const auto& a : args) {
        line += ' ';
        line += q(a);
    }
    line += " >";
    line += q(outFile);
    line += " 2>";
    line += q(errFile);
    line += '"';
    result.exitCode = std::system(line.c_str());
#else
    auto q = [](const std::string& s) {
        std::string quoted = "'";
        for (char c : s) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    };
    std::string line =
        "XDG_CONFIG_HOME=" + q(dir.file("config")) + " " + q(testing_support::binFolder() + "melodrift-cli");
    for (const auto& a : args) line += " " + q(a);
    line += " >" + q(outFile) + " 2>" + q(errFile);
    const int status = std::system(line.c_str());
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    result.out = testing_support::readFile(outFile);
    result.err = testing_support::readFile(errFile);
    // Console output on Windows may end lines with CR LF.
    for (std::string* s : {&result.out, &result.err}) {
        std::string clean;
        for (char c : *s) {
            if (c != '\r') clean += c;
        }
        *s = clean;
    }
    return result;
}

bool makeClip(const std::string& path) {
    testing_support::runTranscoder({"-hide_banner",
                                    "-loglevel",
                                    "error",
                                    "-f",
                                    "lavfi",
                                    "-i",
                                    "testsrc=size=96x64:rate=10:duration=2",
                                    "-f",
                                    "lavfi",
                                    "-i",
                                    "sine=sample_rate=48000:duration=2",
                                    "-f",
                                    "lavfi",
                                    "-i",
                                    "sine=sample_rate=22050:duration=2",
                                    "-map",
                                    "0:v",
                                    "-map",
                                    "1:a",
                                    "-map",
                                    "2:a",
                                    "-c:v",
                                    "mpeg4",
                                    "-c:a",
                                    "pcm_s16le",
                                    "-ac:a:0",
                                    "6",
                                    "-ac:a:1",
                                    "1",
                                    "-y",
                                    path});
    return !testing_support::readFile(path).empty();
}

class CliProbeCommand : public ::testing::Test {
protected:
    TempDir dir;
    std::string wav = dir.file("song.wav");
    std::string clip = dir.file("clip.mkv");
    void SetUp() override {
        ASSERT_TRUE(testing_support::makeSineWav(wav, 2));
        ASSERT_TRUE(makeClip(clip));
    }
};

}  // namespace

TEST_F(CliProbeCommand, ProbePrintsFactsAndRefusals) {
    const std::string missing = dir.file("missing.wav");
    const CliResult r = runCli(dir, {"probe", wav, clip, missing});
    EXPECT_EQ(r.exitCode, 1);
    // PCM streams: 16 bits × rate × channels, in kbit/s.
    EXPECT_EQ(r.out, wav + "\tkind=0\tduration=2\tstreams=1\tchosen=0\n" +
                         "stream=0\tid=0:0\trate=44100\tbitrate=1411\tchannels=2\n" + clip +
                         "\tkind=0\tduration=2\tstreams=2\tchosen=0\n" +
                         "stream=0\tid=0:1\trate=48000\tbitrate=4608\tchannels=6\n" +
                         "stream=1\tid=0:2\trate=22050\tbitrate=352\tchannels=1\n" + missing +
                         "\terror=File not found\n");
}

TEST_F(CliProbeCommand, ProbeChoosesTheRequestedStream) {
    const CliResult r = runCli(dir, {"probe", "--set", "RequestAudioIndex=2", clip});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\tstreams=2\tchosen=1\n"), std::string::npos) << r.out;
}

// Targets beside the source (DestOutputFolderOpt 199), where no file of that name exists yet.
TEST_F(CliProbeCommand, CommandPrintsTheLineOfTheWorkedExamples) {
    const std::string exe = testing_support::transcoderPath();
    const std::string stem = wav.substr(0, wav.size() - 4);
    CliResult r = runCli(dir, {"command", "--format", "1160", "--set", "DestOutputFolderOpt=199", "--set",
                               "KeepID3Tag=1", "--set", "FixAudioUnsync=0", "--set", "MP3AudioBitRate=0",
                               "--set", "MP3AudioVBREnabled=0", wav});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "\"" + exe + "\" -i \"" + wav +
                  "\" -dn -sn -c:v mjpeg -q:v 2 -c:a libmp3lame -id3v2_version 3 -ar 44100 -ac 2 -b:a 128000 "
                  "-y \"" +
                  stem + ".mp3\"\n");

    // The second stream (22050 Hz mono) into M4A with trims, volume and resync.
    r = runCli(dir, {"command",
                     "--format",
                     "1100",
                     "--set",
                     "DestOutputFolderOpt=199",
                     "--set",
                     "KeepID3Tag=0",
                     "--set",
                     "FixAudioUnsync=1",
                     "--set",
                     "M4AAudioVolume=150",
                     "--set",
                     "EnableSkipLength=1",
                     "--set",
                     "SkipLength=90500",
                     "--set",
                     "EnableConvertLength=1",
                     "--set",
                     "ConvertLength=60000",
                     "--set",
                     "RequestAudioIndex=2",
                     clip});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string clipStem = clip.substr(0, clip.size() - 4);
    EXPECT_EQ(
        r.out,
        "\"" + exe + "\" -i \"" + clip +
            "\" -dn -sn -f ipod -movflags faststart -vn -map 0:2 -c:a aac -strict -2 -cutoff 21000 "
            "-ar 22050 -ac 1 -b:a 48000 -vol 384 -async 1 -ss 00:01:30.500 -t 60 -map_metadata -1 -y \"" +
            clipStem + ".m4a\"\n");
}

TEST_F(CliProbeCommand, CommandReportsRefusedSourcesOnStandardError) {
    const std::string text = dir.file("notes.txt");
    ASSERT_TRUE(testing_support::writeFile(text, "no audio here\n"));
    const CliResult r = runCli(dir, {"command", "--format", "1200", text, wav});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, text + ": No audio stream found\n");
    EXPECT_NE(r.out.find("-c:a pcm_s16le -ar 44100 -ac 2 "), std::string::npos) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
}

TEST_F(CliProbeCommand, UsageErrors) {
    struct Case {
        std::vector<std::string> args;
    };
    const std::vector<Case> cases = {
        {{"probe"}},
        {{"command"}},
        {{"command", "--format"}},
        {{"command", "--format", "4", wav}},
        {{"command", "--set", "NoSuchSetting=1", wav}},
        {{"probe", "--set", "RequestAudioIndex", wav}},
    };
    for (const Case& c : cases) {
        const CliResult r = runCli(dir, c.args);
        SCOPED_TRACE(c.args.size() > 1 ? c.args[1] : c.args[0]);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("melodrift-cli: ", 0), 0u) << r.err;
    }
}
