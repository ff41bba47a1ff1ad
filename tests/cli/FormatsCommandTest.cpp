// melodrift-cli formats and the shared settings options of the console commands.
#include <gtest/gtest.h>

#include "settings/Settings.h"
#include "support/CliAndMedia.h"

using testing_support::TempDir;

namespace {

struct FormatsRun {
    int exitCode;
    std::vector<std::string> out;  // lines
    std::string err;
};

FormatsRun runFormatsCli(const TempDir& dir, const std::vector<std::string>& args) {
    const auto run = testing_support::runCli(dir, args);
    return {run.exitCode, split(run.out, "\n"), run.err};
}

TEST(FormatsCommand, PrintsOneLinePerFormatAndAppliesOverridesForThisRunOnly) {
    TempDir dir;
    const FormatsRun run = runFormatsCli(dir, {"formats"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ASSERT_EQ(run.out.size(), 28u);
    for (const auto& line : run.out) EXPECT_EQ(split(line, "\t").size(), 5u) << line;
    EXPECT_EQ(run.out.front(), "1010\tAAC (*.aac)\tAAC\taac\taac");
    EXPECT_EQ(run.out[1], "1020\tAAC for iPod/iPhone/iPad/iTunes/DSi (*.m4a)\tAACDEVICE\taac\taac");
    EXPECT_EQ(run.out[11], "1095\tFLV (audio track) (*.flv)\tFLVAUDIO\tlibmp3lame\tlibmp3lame,aac");
    EXPECT_EQ(run.out[18], "1160\tMP3\tMP3\tlibmp3lame\tlibmp3lame");
    EXPECT_EQ(run.out.back(), "1220\tWV (WavPack Lossless) (*.wv)\tWV\twavpack\twavpack");
    EXPECT_EQ(run.out[25].rfind("1200\tWAV\tWAV\tpcm_s16le\taac,ac3,libopencore_amrnb,", 0), 0u);
    EXPECT_EQ(split(run.out[25], ",").size(), 28u);
    const FormatsRun set =
        runFormatsCli(dir, {"formats", "--set", "MP3AudioCodec=pcm_s16le", "--set=m4aaudiocodec=alac"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out[18], "1160\tMP3\tMP3\tpcm_s16le\tlibmp3lame");
    EXPECT_EQ(split(set.out[12], "\t")[3], "alac");  // 1100
    EXPECT_EQ(split(set.out[1], "\t")[3], "aac");    // 1020 shares the extension, not the setting
    EXPECT_EQ(runFormatsCli(dir, {"formats"}).out, run.out);
}

TEST(FormatsCommand, UsageErrorsExitWithTwo) {
    TempDir dir;
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"formats", "extra"},
                                               {"formats", "--set"},
                                               {"formats", "--set", "NoSuchSetting=1"},
                                               {"formats", "--set", "ConversionThreads=many"},
                                               {"formats", "--format", "999"}}) {
        const FormatsRun run = runFormatsCli(dir, args);
        EXPECT_EQ(run.exitCode, 2) << args.back();
        EXPECT_TRUE(run.out.empty());
        EXPECT_EQ(split(run.err, "\n").size(), 1u) << run.err;
        EXPECT_EQ(run.err.rfind("melodrift-cli: ", 0), 0u) << run.err;
    }
}

#ifndef _WIN32
TEST(FormatsCommand, ReadsTheUsersStoredSettingsAndWritesNothing) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "config" / "melodrift");
    const std::string conf = dir.file("config/melodrift/settings.conf");
    const std::string text =
        "melodrift-settings 1\nkey \"Software\\\\Melodrift 4\\\\Options\"\n"
        "sz \"MP3AudioCodec\" \"libvo_aacenc\"\nsz \"FLVAUDIOAudioCodec\" \"aac\"\nend\n";
    ASSERT_TRUE(testing_support::writeFile(conf, text));
    const FormatsRun run = runFormatsCli(dir, {"formats"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_EQ(run.out.size(), 28u);
    EXPECT_EQ(run.out[18], "1160\tMP3\tMP3\taac\tlibmp3lame");
    EXPECT_EQ(split(run.out[11], "\t")[3], "aac");
    EXPECT_EQ(testing_support::readFile(conf), text);
}
#endif

}  // namespace
