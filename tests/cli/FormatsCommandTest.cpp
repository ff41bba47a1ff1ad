// melodrift-cli formats, and the usage errors of the console commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "settings/Settings.h"
#include "support/CliAndMedia.h"

using namespace testing_support;

namespace {

// The stored settings (POSIX: the user's file) are read, --set applies on top for this run only.
TEST(FormatsCommand, PrintsEachFormatWithItsStoredOrOverriddenCodec) {
    TempDir dir;
    std::string stored = "libmp3lame";
#ifndef _WIN32
    std::filesystem::create_directories(dir.path() / "config" / "melodrift");
    const std::string conf = dir.file("config/melodrift/settings.conf");
    const std::string text =
        "melodrift-settings 1\nkey \"Software\\\\Melodrift 4\\\\Options\"\n"
        "sz \"MP3AudioCodec\" \"libvo_aacenc\"\nsz \"FLVAUDIOAudioCodec\" \"aac\"\nend\n";
    ASSERT_TRUE(writeFile(conf, text));
    stored = "aac";
#endif
    const CliRun run =
        runCli(dir, {"formats", "--set", "MP3AudioCodec=pcm_s16le", "--set=m4aaudiocodec=alac"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> lines = split(run.out, "\n");
    ASSERT_EQ(lines.size(), 28u);
    // 1020 shares the extension with 1100, not the setting.
    EXPECT_EQ(lines[1], "1020\tAAC for iPod/iPhone/iPad/iTunes/DSi (*.m4a)\tAACDEVICE\taac\taac");
    EXPECT_EQ(lines[11], "1095\tFLV (audio track) (*.flv)\tFLVAUDIO\t" + stored + "\tlibmp3lame,aac");
    EXPECT_EQ(lines[12], "1100\tM4A (MPEG-4 audio) (*.m4a)\tM4A\talac\taac,alac");
    EXPECT_EQ(lines[18], "1160\tMP3\tMP3\tpcm_s16le\tlibmp3lame");
    EXPECT_EQ(lines.back(), "1220\tWV (WavPack Lossless) (*.wv)\tWV\twavpack\twavpack");
#ifndef _WIN32
    EXPECT_EQ(readFile(conf), text);
#endif
}

TEST(CliUsage, ErrorsSayOneLineAndExitWithTwo) {
    TempDir dir;
    for (const std::string args :
         {"formats extra", "formats --set", "formats --set NoSuchSetting=1",
          "formats --set ConversionThreads=4294967296", "formats --format 999", "probe", "command --format",
          "command --format 4 x.wav", "probe --set RequestAudioIndex x.wav", "decode", "nosuchcommand"}) {
        const CliRun r = runCli(dir, words(args));
        EXPECT_EQ(std::tuple(r.exitCode, r.out, std::count(r.err.begin(), r.err.end(), '\n'),
                             r.err.rfind("melodrift-cli: ", 0)),
                  std::tuple(2, "", 1, 0u))
            << args << ": " << r.err;
    }
}

}  // namespace
