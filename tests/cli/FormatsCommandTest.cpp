// melodrift-cli formats and the shared settings options of the console commands.
#include <gtest/gtest.h>

#include <cstdlib>

#include "settings/Settings.h"
#include "support/TestSupport.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

using testing_support::TempDir;

namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs melodrift-cli through the command processor (for the exit status and separate streams). On POSIX
// the settings come from <dir>/config.
CliRun runFormatsCli(const TempDir& dir, const std::vector<std::string>& args) {
    const std::string outFile = dir.file("formats.out");
    const std::string errFile = dir.file("formats.err");
    CliRun run;
#ifdef _WIN32
    auto q = [](const std::string& s) { return "\"" + s + "\""; };
    std::string line = "\"" + q(testing_support::binFolder() + "melodrift-cli.exe");
    for (const auto& a : args) line += " " + q(a);
    line += " >" + q(outFile) + " 2>" + q(errFile) + "\"";
    run.exitCode = std::system(line.c_str());
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
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    for (auto [file, text] : {std::pair{outFile, &run.out}, std::pair{errFile, &run.err}}) {
        for (char c : testing_support::readFile(file))
            if (c != '\r') *text += c;
    }
    return run;
}

std::vector<std::string> lines(const std::string& text) { return split(text, "\n"); }

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        out.push_back(line.substr(start, tab - start));
    out.push_back(line.substr(start));
    return out;
}

TEST(FormatsCommand, PrintsOneLinePerFormat) {
    TempDir dir;
    const CliRun run = runFormatsCli(dir, {"formats"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const auto all = lines(run.out);
    ASSERT_EQ(all.size(), 28u);
    int previous = 0;
    for (const auto& line : all) {
        const auto f = fields(line);
        ASSERT_EQ(f.size(), 5u) << line;
        EXPECT_GT(std::atoi(f[0].c_str()), previous);
        previous = std::atoi(f[0].c_str());
    }
    EXPECT_EQ(all.front(), "1010\tAAC (*.aac)\tAAC\taac\taac");
    EXPECT_EQ(all[18], "1160\tMP3\tMP3\tlibmp3lame\tlibmp3lame");
    EXPECT_EQ(all[11], "1095\tFLV (audio track) (*.flv)\tFLVAUDIO\tlibmp3lame\tlibmp3lame,aac");
    EXPECT_EQ(all[1], "1020\tAAC for iPod/iPhone/iPad/iTunes/DSi (*.m4a)\tAACDEVICE\taac\taac");
    EXPECT_EQ(all.back(), "1220\tWV (WavPack Lossless) (*.wv)\tWV\twavpack\twavpack");
    EXPECT_EQ(all[25],
              "1200\tWAV\tWAV\tpcm_s16le\taac,ac3,libopencore_amrnb,libvo_amrwbenc,pcm_alaw,pcm_mulaw,dca,"
              "eac3,flac,"
              "g722,g723_1,g726,adpcm_ima_wav,adpcm_ms,libgsm_ms,mp2,libmp3lame,pcm_u8,pcm_s16le,pcm_s24le,"
              "pcm_s32le,pcm_f32le,pcm_f64le,libspeex,libvorbis,wmav1,wmav2,adpcm_yamaha");
}

TEST(FormatsCommand, OverridesApplyToThisRunOnly) {
    TempDir dir;
    const CliRun run =
        runFormatsCli(dir, {"formats", "--set", "MP3AudioCodec=pcm_s16le", "--set=m4aaudiocodec=alac"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto all = lines(run.out);
    ASSERT_EQ(all.size(), 28u);
    EXPECT_EQ(all[18], "1160\tMP3\tMP3\tpcm_s16le\tlibmp3lame");
    EXPECT_EQ(fields(all[12])[3], "alac");  // 1100
    EXPECT_EQ(fields(all[1])[3], "aac");    // 1020 shares the extension, not the setting
    const CliRun again = runFormatsCli(dir, {"formats"});
    EXPECT_EQ(lines(again.out)[18], "1160\tMP3\tMP3\tlibmp3lame\tlibmp3lame");
}

TEST(FormatsCommand, UsageErrorsExitWithTwo) {
    TempDir dir;
    const std::vector<std::vector<std::string>> cases = {
        {"formats", "extra"},
        {"formats", "--set"},
        {"formats", "--set", "NoSuchSetting=1"},
        {"formats", "--set", "ConversionThreads=many"},
        {"formats", "--set", "=1"},
        {"formats", "--format", "999"},
        {"formats", "--format", "mp3"},
    };
    for (const auto& args : cases) {
        const CliRun run = runFormatsCli(dir, args);
        EXPECT_EQ(run.exitCode, 2) << args.back();
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(lines(run.err).size(), 1u) << run.err;
        EXPECT_EQ(run.err.rfind("melodrift-cli: ", 0), 0u) << run.err;
    }
}

#ifndef _WIN32
TEST(FormatsCommand, ReadsTheUsersStoredSettings) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "config" / "melodrift");
    ASSERT_TRUE(testing_support::writeFile(dir.file("config/melodrift/settings.conf"),
                                           "melodrift-settings 1\n"
                                           "key \"Software\\\\Melodrift 4\\\\Options\"\n"
                                           "sz \"MP3AudioCodec\" \"libvo_aacenc\"\n"
                                           "sz \"FLVAUDIOAudioCodec\" \"aac\"\n"
                                           "end\n"));
    const CliRun run = runFormatsCli(dir, {"formats"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto all = lines(run.out);
    ASSERT_EQ(all.size(), 28u);
    EXPECT_EQ(all[18], "1160\tMP3\tMP3\taac\tlibmp3lame");
    EXPECT_EQ(fields(all[11])[3], "aac");
    // Nothing is written back.
    EXPECT_EQ(testing_support::readFile(dir.file("config/melodrift/settings.conf")).find("FirstRun"),
              std::string::npos);
}
#endif

}  // namespace
