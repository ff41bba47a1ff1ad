// A job counts only when its output holds the audio it should: empty and cut-short outputs fail and keep
// the previous target, damaged sources convert and say so, estimates and films are given the benefit of
// the doubt, and a transcoder that lies or stops answering is caught.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "support/CliAndMedia.h"
#include "support/MediaInspector.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

const char* const kBeside = "DestOutputFolderOpt=199";
const char* const kOverwrite = "TargetExistsOpt=22";

// The report's status per source, by the source's file name.
std::map<std::string, std::string> statusesOf(const CliRun& run) {
    std::map<std::string, std::string> statuses;
    std::stringstream in(run.out);
    for (std::string line; std::getline(in, line);) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        const std::string source = line.substr(0, tab);
        const std::string rest = line.substr(tab + 1);
        statuses[u8(fromU8(source).filename())] = rest.substr(0, rest.find('\t'));
    }
    return statuses;
}

// The file cut just before the first byte of marker at or after from (the header stays, the audio goes),
// or its first half.
bool cutFile(const std::string& from, const std::string& to, const std::string& marker) {
    std::string bytes = readFile(from);
    size_t at = bytes.size() / 2;
    if (!marker.empty()) {
        at = bytes.find(marker, 42);  // past a FLAC file's stream header
        if (at == std::string::npos) return false;
        if (marker == "mdat") at += 8;  // the box header without its contents
    }
    return writeFile(to, bytes.substr(0, at));
}

// A sine as MP3 with frames spoilt in n places (a few hundred bytes zeroed each).
bool makeDamagedMp3(const std::string& path, int seconds, int places) {
    if (!makeMedia(path + ".mp3", "-f lavfi -i sine=duration=" + std::to_string(seconds) + " -b:a 128k"))
        return false;
    std::string bytes = readFile(path + ".mp3");
    for (int k = 0; k < places; ++k) {
        const size_t at = bytes.size() / 4 + static_cast<size_t>(k) * (bytes.size() / 2 / places);
        for (size_t i = at; i < at + 200 && i < bytes.size(); ++i) bytes[i] = 0;
    }
    return writeFile(path, bytes);
}

}  // namespace

// A source whose audio data is missing gives no audio, a cut MP3 whose header knows its length gives half:
// each fails with what went wrong, an existing target under Overwrite stays, and the run ends with a count.
TEST(CliCheckedOutputs, EmptyOrShortOutputsFailAndKeepThePreviousTarget) {
    TempDir dir;
    ASSERT_TRUE(
        makeMedia(dir.file("whole.m4a"), "-f lavfi -i sine=duration=20 -c:a aac -movflags faststart"));
    ASSERT_TRUE(cutFile(dir.file("whole.m4a"), dir.file("book.m4a"), "mdat"));
    ASSERT_TRUE(makeMedia(dir.file("whole.flac"), "-f lavfi -i sine=duration=20 -c:a flac"));
    ASSERT_TRUE(cutFile(dir.file("whole.flac"), dir.file("album.flac"), std::string("\xff\xf8", 2)));
    ASSERT_TRUE(makeMedia(dir.file("whole.mp3"), "-f lavfi -i sine=duration=20 -b:a 128k"));
    ASSERT_TRUE(cutFile(dir.file("whole.mp3"), dir.file("song.mp3"), ""));
    for (const char* old : {"book.wav", "album.wav", "song.wav"})
        ASSERT_TRUE(writeFile(dir.file(old), "old"));

    const CliRun run = runCli(dir, {"convert", "--format", "1200", "--set", kBeside, "--set", kOverwrite,
                                    dir.file("book.m4a"), dir.file("album.flac"), dir.file("song.mp3")});
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    const auto statuses = statusesOf(run);
    EXPECT_EQ(statuses.at("album.flac"), "Conversion failure (no audio could be decoded from the source)");
    // The transcoder may give up on the missing data itself, but it must not count as converted.
    EXPECT_EQ(statuses.at("book.m4a").rfind("Conversion failure (", 0), 0u) << statuses.at("book.m4a");
    EXPECT_TRUE(std::regex_match(statuses.at("song.mp3"),
                                 std::regex(R"(Conversion failure \(the output holds 0:(09|10) of 0:20\))")))
        << statuses.at("song.mp3");
    for (const char* old : {"book.wav", "album.wav", "song.wav"}) EXPECT_EQ(readFile(dir.file(old)), "old");
    EXPECT_NE(run.err.find("3 of 3 files could not be converted."), std::string::npos) << run.err;
}

// Damaged frames are skipped, the output is complete, and the Status and the run's end say so.
TEST(CliCheckedOutputs, DamagedSourcesConvertAndSaySo) {
    TempDir dir;
    ASSERT_TRUE(makeDamagedMp3(dir.file("noisy.mp3"), 20, 12));
    const CliRun run = runCli(dir, {"convert", "--format", "1200", "--set", kBeside, dir.file("noisy.mp3")});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    std::smatch found;
    const std::string status = statusesOf(run)["noisy.mp3"];
    ASSERT_TRUE(std::regex_match(status, found, std::regex(R"(noisy\.wav \((\d+) damaged frames skipped\))")))
        << status;
    // Each zeroed stretch spoils the one or two frames it falls in (and at most the next's bit reservoir).
    const int frames = std::stoi(found[1]);
    EXPECT_GE(frames, 12);
    EXPECT_LE(frames, 36);
    // Whatever could be decoded is there: the source less at most three frames of 1152 samples a place.
    const double seconds = inspectMedia(dir.file("noisy.wav"), "wav").seconds;
    EXPECT_GT(seconds, 20 - 3 * 12 * 1152 / 44100.0);
    EXPECT_LE(seconds, 20.0);
    EXPECT_NE(run.err.find("1 file was converted from a damaged source"), std::string::npos) << run.err;
}

// A VBR MP3 without a header, whose length the transcoder guesses from its first frames (silence, then
// loud noise), and a film whose sound ends long before its picture both convert.
TEST(CliCheckedOutputs, EstimatesAndFilmsOnlyFailWithoutAudio) {
    TempDir dir;
    ASSERT_TRUE(makeMedia(dir.file("guess.mp3"),
                          "-t 6 -f lavfi -i anullsrc=r=44100:cl=stereo -f lavfi -i "
                          "anoisesrc=r=44100:d=6:a=0.9 -filter_complex [0:a][1:a]concat=n=2:v=0:a=1 "
                          "-c:a libmp3lame -q:a 0 -write_xing 0"));
    const double guessed = inspectMedia(dir.file("guess.mp3"), "mp3").seconds;
    ASSERT_GT(guessed, 24) << "the guess must be far off for the case to mean something";
    ASSERT_TRUE(makeMedia(dir.file("film.mkv"),
                          "-f lavfi -i testsrc=size=96x64:rate=10:duration=8 -f lavfi -i "
                          "sine=duration=2 -c:v mpeg4 -c:a aac"));
    ASSERT_NEAR(inspectMedia(dir.file("film.mkv"), "mkv").seconds, 8, 0.2);

    const CliRun run = runCli(
        dir, {"convert", "--format", "1160", "--set", kBeside, dir.file("guess.mp3"), dir.file("film.mkv")});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(statusesOf(run),
              (std::map<std::string, std::string>{{"film.mkv", "film.mp3"}, {"guess.mp3", "guess_1.mp3"}}));
    EXPECT_NEAR(inspectMedia(dir.file("guess_1.mp3"), "mp3").seconds, 12, 0.3);
    EXPECT_NEAR(inspectMedia(dir.file("film.mp3"), "mp3").seconds, 2, 0.2);
}

#ifndef _WIN32
namespace {

// A copy of the console program beside a stand-in transcoder: a script that passes probes and decodings
// to the real one and does what the test asks with conversions (those end with "-y OUTPUT").
std::string withStandIn(const TempDir& dir, const std::string& onConversion, bool hangOnProbe = false) {
    fs::create_directories(fromU8(dir.file("prog")));
    const std::string program = dir.file("prog/melodrift-cli");
    fs::copy_file(fromU8(binFolder() + "melodrift-cli"), fromU8(program));
    const std::string script = "#!/bin/sh\nreal='" + binFolder() + "mdxcode'\n" +
                               (hangOnProbe ? "exec sleep 600\n" : "") +
                               "case \" $* \" in *' -y '*) ;; *) exec \"$real\" \"$@\" ;; esac\n" +
                               "for out; do :; done\n" + onConversion;
    EXPECT_TRUE(writeFile(dir.file("prog/mdxcode"), script));
    chmod(dir.file("prog/mdxcode").c_str(), 0755);
    return program;
}

}  // namespace

// A transcoder that reports a whole conversion but leaves half the file passes the length check; the verify
// step decodes the output and fails the job, and the previous target stays.
TEST(CliCheckedOutputs, VerifyCatchesAHalfWrittenOutput) {
    TempDir dir;
    ASSERT_TRUE(makeSineWav(dir.file("tone.wav"), 6));
    const std::string program = withStandIn(
        dir,
        "\"$real\" \"$@\" || exit $?\nsize=$(stat -c %s \"$out\")\ntruncate -s $((size / 2)) \"$out\"\n");
    const CliRun unchecked =
        runCli(dir, {"convert", "--format", "1160", "--set", kBeside, dir.file("tone.wav")}, program);
    EXPECT_EQ(statusesOf(unchecked)["tone.wav"], "tone.mp3") << unchecked.err;

    ASSERT_TRUE(writeFile(dir.file("tone.mp3"), "old"));
    const CliRun verified = runCli(dir,
                                   {"convert", "--format", "1160", "--set", kBeside, "--set", kOverwrite,
                                    "--set", "VerifyOutputs=1", dir.file("tone.wav")},
                                   program);
    EXPECT_EQ(verified.exitCode, 1);
    EXPECT_TRUE(std::regex_match(statusesOf(verified)["tone.wav"],
                                 std::regex(R"(Conversion failure \(the output holds 0:0[23] of 0:06\))")))
        << verified.out << verified.err;
    EXPECT_EQ(readFile(dir.file("tone.mp3")), "old");
}

// A transcoder that prints nothing is ended after the limit, in a conversion and in a probe.
TEST(CliCheckedOutputs, StalledTranscoderIsEnded) {
    TempDir dir;
    ASSERT_TRUE(makeSineWav(dir.file("tone.wav"), 2));
    ASSERT_TRUE(writeFile(dir.file("tone.mp3"), "old"));
    const std::vector<std::string> args = {"convert",
                                           "--format",
                                           "1160",
                                           "--set",
                                           kBeside,
                                           "--set",
                                           kOverwrite,
                                           "--set",
                                           "TranscoderStallSeconds=2",
                                           dir.file("tone.wav")};
    const CliRun converting = runCli(dir, args, withStandIn(dir, "exec sleep 600\n"));
    EXPECT_EQ(converting.exitCode, 1);
    EXPECT_EQ(statusesOf(converting)["tone.wav"], "Conversion failure (the transcoder stopped answering)")
        << converting.out << converting.err;
    EXPECT_EQ(readFile(dir.file("tone.mp3")), "old");

    TempDir other;
    ASSERT_TRUE(makeSineWav(other.file("tone.wav"), 2));
    std::vector<std::string> probeArgs = args;
    probeArgs.back() = other.file("tone.wav");
    const CliRun probing = runCli(other, probeArgs, withStandIn(other, "", true));
    EXPECT_EQ(probing.exitCode, 1);
    EXPECT_EQ(statusesOf(probing)["tone.wav"], "The transcoder stopped answering while reading the file")
        << probing.out << probing.err;
}
#endif
