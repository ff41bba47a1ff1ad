// melodrift-cli probe and command, run as the user runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "support/CliAndMedia.h"

using namespace testing_support;

namespace {

// The output path of each printed command line: its last quoted argument.
std::vector<std::string> targetsOf(const std::string& out) {
    std::vector<std::string> targets;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        const size_t open = line.rfind('"', line.size() - 2);  // every line ends in the quoted target
        targets.push_back(line.substr(open + 1, line.size() - open - 2));
    }
    return targets;
}

class CliProbeCommand : public ::testing::Test {
protected:
    TempDir dir;
    std::string wav = dir.file("song.wav");
    std::string clip = dir.file("clip.mkv");  // video, then 48000 Hz 6 channels and 22050 Hz mono PCM
    void SetUp() override {
        ASSERT_TRUE(makeSineWav(wav, 2));
        ASSERT_TRUE(makeMedia(clip,
                              "-f lavfi -i testsrc=size=96x64:rate=10:duration=2 -f lavfi -i "
                              "sine=sample_rate=48000:duration=2 -f lavfi -i "
                              "sine=sample_rate=22050:duration=2 -map 0:v -map 1:a -map 2:a -c:v mpeg4 "
                              "-c:a pcm_s16le -ac:a:0 6 -ac:a:1 1"));
    }
};

}  // namespace

TEST_F(CliProbeCommand, ProbePrintsFactsAndRefusals) {
    const std::string missing = dir.file("missing.wav");
    CliRun r = runCli(dir, {"probe", wav, clip, missing});
    EXPECT_EQ(r.exitCode, 1);
    // PCM streams: 16 bits × rate × channels, in kbit/s.
    EXPECT_EQ(r.out, wav + "\tkind=0\tduration=2\tstreams=1\tchosen=0\n" +
                         "stream=0\tid=0:0\trate=44100\tbitrate=1411\tchannels=2\n" + clip +
                         "\tkind=0\tduration=2\tstreams=2\tchosen=0\n" +
                         "stream=0\tid=0:1\trate=48000\tbitrate=4608\tchannels=6\n" +
                         "stream=1\tid=0:2\trate=22050\tbitrate=352\tchannels=1\n" + missing +
                         "\terror=File not found\n");

    r = runCli(dir, {"probe", "--set", "RequestAudioIndex=2", clip});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\tstreams=2\tchosen=1\n"), std::string::npos) << r.out;
    r = runCli(dir, {"probe", "--set", "RequestAudioIndex=3", clip});  // beyond the streams: the first
    EXPECT_NE(r.out.find("\tstreams=2\tchosen=0\n"), std::string::npos) << r.out;
}

// Targets beside the source (DestOutputFolderOpt 199), where no file of that name exists yet.
TEST_F(CliProbeCommand, CommandPrintsTheLineOfTheWorkedExamples) {
    const std::string exe = transcoderPath();
    CliRun r =
        runCli(dir, words("command --format 1160 --set DestOutputFolderOpt=199 --set KeepID3Tag=1 --set "
                          "FixAudioUnsync=0 --set MP3AudioBitRate=0 --set MP3AudioVBREnabled=0",
                          {wav}));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "\"" + exe + "\" -i \"" + wav +
                         "\" -dn -sn -c:v mjpeg -q:v 2 -c:a libmp3lame -id3v2_version 3 -ar 44100 -ac 2 -b:a "
                         "128000 -y \"" +
                         dir.file("song.mp3") + "\"\n");

    // The second stream (22050 Hz mono) into M4A with trims, volume and resync.
    r = runCli(dir, words("command --format 1100 --set DestOutputFolderOpt=199 --set KeepID3Tag=0 --set "
                          "FixAudioUnsync=1 --set M4AAudioVolume=150 --set EnableSkipLength=1 --set "
                          "SkipLength=90500 --set EnableConvertLength=1 --set ConvertLength=60000 --set "
                          "RequestAudioIndex=2",
                          {clip}));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "\"" + exe + "\" -i \"" + clip +
                  "\" -dn -sn -f ipod -movflags faststart -vn -map 0:2 -c:a aac -strict -2 -cutoff 21000 "
                  "-ar 22050 -ac 1 -b:a 48000 -vol 384 -async 1 -ss 00:01:30.500 -t 60 -map_metadata -1 "
                  "-y \"" +
                  dir.file("clip.m4a") + "\"\n");
}

TEST_F(CliProbeCommand, CommandReportsRefusedSourcesOnStandardError) {
    const std::string text = dir.file("notes.txt");
    ASSERT_TRUE(writeFile(text, "no audio here\n"));
    const CliRun r = runCli(dir, {"command", "--format", "1200", text, wav});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, text + ": No audio stream found\n");
    EXPECT_NE(r.out.find("-c:a pcm_s16le -ar 44100 -ac 2 "), std::string::npos) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
}

// One planned set of targets for the whole invocation, as a run plans them.
TEST_F(CliProbeCommand, SourcesOfOneNameGetDistinctTargets) {
    const std::string x = dir.file("x.wav"), flac = dir.file("x.flac");
    ASSERT_TRUE(makeSineWav(x, 1));
    runTranscoder({"-loglevel", "error", "-i", x, "-c:a", "flac", flac});
    ASSERT_FALSE(readFile(flac).empty());
    const std::string beside = "command --format 1160 --set DestOutputFolderOpt=199 --set ";
    for (const char* policy : {"TargetExistsOpt=11", "TargetExistsOpt=22"}) {
        const CliRun r = runCli(dir, words(beside + policy, {x, flac}));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(targetsOf(r.out), (std::vector<std::string>{dir.file("x.mp3"), dir.file("x_1.mp3")}))
            << policy;
    }
    // Nothing is converted and the proofs leave nothing behind.
    EXPECT_TRUE(readFile(dir.file("x.mp3")).empty());
    EXPECT_TRUE(readFile(dir.file("x_1.mp3")).empty());

    CliRun r = runCli(dir, words(beside + "TargetExistsOpt=33", {x, flac}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(targetsOf(r.out), std::vector<std::string>{dir.file("x.mp3")});
    EXPECT_EQ(r.err, flac + ": Target exists and skipped\n");
}

// "+" stands for the WAV.
TEST_F(CliProbeCommand, UsageErrors) {
    for (const std::string args : {"probe", "command --format", "command --format 4 +",
                                   "command --set NoSuchSetting=1 +", "probe --set RequestAudioIndex +"}) {
        std::vector<std::string> list = words(args);
        if (list.back() == "+") list.back() = wav;
        const CliRun r = runCli(dir, list);
        EXPECT_EQ(r.exitCode, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("melodrift-cli: ", 0), 0u) << r.err;
    }
}
