// melodrift-cli convert as a script uses it: groups of formats, sources that need preparation, joining,
// a missing transcoder and Ctrl+C.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "formats/Catalogue.h"
#include "platform/Process.h"
#include "support/AudioTestFiles.h"
#include "support/CliAndMedia.h"

#ifndef _WIN32
#include <signal.h>

#include "support/SettingsTestEnv.h"
#endif

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

const char* const kBeside = "DestOutputFolderOpt=199";  // never the user's Documents folder
#ifdef _WIN32
const char* const kExe = ".exe";
#else
const char* const kExe = "";
#endif

// The lines of the final report, each split at its tabs.
std::vector<std::vector<std::string>> reportOf(const CliRun& run) {
    std::vector<std::vector<std::string>> lines;
    std::stringstream in(run.out);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::stringstream parts(line);
        for (std::string field; std::getline(parts, field, '\t');) fields.push_back(field);
        lines.push_back(fields);
    }
    return lines;
}

}  // namespace

// A group of three formats over three sources, a DWVW file and a voice-recorder file among them, which the
// program decodes first: nine outputs, in the group's order below each source.
TEST(CliConvert, GroupOfFormatsAndPreparedSources) {
    TempDir dir;
    ASSERT_TRUE(makeSineWav(dir.file("tone.wav"), 2));
    ASSERT_TRUE(
        writeFile(dir.file("speech.aifc"), makeDwvwAifc({}, makeSignal(Signal::Sine, 16, 1, 44100 * 2))));
    const CliRun added = runCli(dir, {"custom", "add", "Trio", "1200", "1090", "1160"});
    ASSERT_EQ(added.exitCode, 0) << added.err;
    const std::string id = added.out.substr(0, added.out.find('\t'));
    const CliRun run = runCli(
        dir, {"convert", "--format", id, "--set", kBeside, dir.file("tone.wav"), dir.file("speech.aifc")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::vector<std::string>> expected;
    for (const char* stem : {"tone", "speech"}) {
        for (const char* ext : {"flac", "mp3", "wav"}) {  // catalogue order
            const std::string name = std::string(stem) + "." + ext;
            expected.push_back(
                {dir.file(std::string(stem) + (stem[0] == 't' ? ".wav" : ".aifc")), name, dir.file(name)});
        }
    }
    expected[2][1] = "tone_1.wav";  // the source's own name is taken
    expected[2][2] = dir.file("tone_1.wav");
    EXPECT_EQ(reportOf(run), expected);
    for (const auto& line : expected) EXPECT_GT(readFile(line[2]).size(), 1000u) << line[2];
    EXPECT_EQ(runCli(dir, {"custom", "remove", "Trio"}).exitCode, 0);  // the registry is shared on Windows
}

// Without the transcoder beside the program every job says so, and the exit status says it failed.
TEST(CliConvert, MissingTranscoderSaysToReinstall) {
    TempDir dir;
    const std::string program = dir.file(std::string("melodrift-cli") + kExe);
    fs::copy_file(fromU8(binFolder() + "melodrift-cli" + kExe), fromU8(program));
    // The probe needs no transcoder for a DWVW file.
    ASSERT_TRUE(writeFile(dir.file("b.aifc"), makeDwvwAifc({}, makeSignal(Signal::Sine, 16, 1, 8000))));
    const CliRun run =
        runCli(dir, {"convert", "--format", "1200", "--set", kBeside, dir.file("b.aifc")}, program);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, dir.file("b.aifc") +
                           "\tConversion failure (Some files of the program are missing or corrupted. Please "
                           "reinstall the program)\t\n");
}

// The quality the Audio page marks "high quality, big size" gives the bigger file, for each codec with VBR.
TEST(CliConvert, TheHighQualityEndOfTheVbrScaleMakesTheBiggerFile) {
    TempDir dir;
    ASSERT_TRUE(makeMedia(dir.file("noise.wav"), "-f lavfi -i anoisesrc=d=4:c=pink:a=0.3 -ac 2 -ar 44100"));
    const Catalogue catalogue;
    for (const auto& [id, prefix] : {std::pair("1160", "MP3"), std::pair("1180", "OGG")}) {
        const CodecInfo* codec = findCodec(*catalogue.findById(std::stoi(id)));
        ASSERT_NE(codec, nullptr);
        std::vector<uintmax_t> sizes;
        for (const int32_t quality : {codec->vbrLowQuality, codec->vbrHighQuality}) {
            const std::string prefixText = prefix;
            const CliRun run = runCli(
                dir, {"convert", "--format", id, "--set", kBeside, "--set", prefixText + "AudioVBREnabled=1",
                      "--set", prefixText + "AudioVBRQuality=" + std::to_string(quality), "--set",
                      "TargetExistsOpt=22", dir.file("noise.wav")});
            ASSERT_EQ(run.exitCode, 0) << run.err;
            sizes.push_back(fs::file_size(fromU8(reportOf(run).at(0).at(2))));
        }
        EXPECT_LT(sizes[0], sizes[1]) << prefix << ": quality " << codec->vbrLowQuality << " is marked low, "
                                      << codec->vbrHighQuality << " high";
    }
}

// "version" names the program's version and the transcoder a conversion would start, with the version that
// transcoder prints itself, or says that there is none.
TEST(CliVersion, NamesTheTranscoderBesideTheProgram) {
    TempDir dir;
    std::istringstream banner(runTranscoder({"-version"}).output);
    std::string name, word, version;
    banner >> name >> word >> version;
    ASSERT_EQ(word, "version");
    EXPECT_EQ(runCli(dir, {"version"}).out, "Melodrift " MELODRIFT_VERSION "\nTranscoder: " +
                                                transcoderPath() + " (FFmpeg " + version + ")\n");

    const std::string program = dir.file(std::string("melodrift-cli") + kExe);
    fs::copy_file(fromU8(binFolder() + "melodrift-cli" + kExe), fromU8(program));
    EXPECT_EQ(runCli(dir, {"version"}, program).out,
              "Melodrift " MELODRIFT_VERSION "\nTranscoder: " + dir.file(std::string("mdxcode") + kExe) +
                  " (not found)\n");
}

#ifndef _WIN32
// Ctrl+C cancels like the Cancel button: no partial output, exit status 130.
TEST(CliConvert, InterruptCancelsTheRun) {
    TempDir dir;
    ASSERT_TRUE(makeSineWav(dir.file("long.wav"), 600));
    const ScopedEnv settings("XDG_CONFIG_HOME", dir.file("config").c_str());
    auto child =
        platform::startChildProcess("\"" + binFolder() + "melodrift-cli\" convert --format 1160 --set " +
                                        kBeside + " \"" + dir.file("long.wav") + "\"",
                                    "");
    ASSERT_TRUE(child.process) << child.error;
    std::string out;
    char buffer[4096];
    while (out.find("1 running") == std::string::npos) {
        const size_t n = child.process->read(buffer, sizeof buffer);
        ASSERT_GT(n, 0u) << out;
        out.append(buffer, n);
    }
    kill(static_cast<pid_t>(child.process->id()), SIGINT);
    while (const size_t n = child.process->read(buffer, sizeof buffer)) out.append(buffer, n);
    child.process->wait(60000);
    EXPECT_EQ(child.process->exitCode(), 130u) << out;
    EXPECT_NE(out.find("long.wav\tCancelled\t\n"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(dir.path() / "long.mp3"));
}
#endif
