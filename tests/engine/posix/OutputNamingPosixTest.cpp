#include <gtest/gtest.h>

#include <filesystem>

#include "engine/OutputNaming.h"
#include "formats/OutputFormat.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

TEST(PosixNaming, LinksAndColonsInNames) {
    TempDir dir;
    writeFile(dir.file("x.wav"), "s");
    fs::create_symlink(dir.path() / "elsewhere.mp3", dir.path() / "x.mp3");
    AppSettings settings;
    settings.OutputFiles2MyDocuments = 0;
    OutputFormat mp3;
    mp3.extension = "mp3";
    PlannedTargets planned;
    SourceItem item;
    item.path = dir.file("x.wav");
    std::string error;
    // A dangling link of the target's name is taken: never written through.
    ASSERT_TRUE(chooseTarget(item, mp3, false, settings, planned, &error));
    EXPECT_EQ(item.outputPath, dir.file("x_1.mp3"));
    EXPECT_FALSE(fs::exists(dir.path() / "elsewhere.mp3"));

    // The directory tree keeps colons on POSIX, where they are ordinary characters.
    fs::create_directory(dir.path() / "a:b");
    writeFile(dir.file("a:b/y.wav"), "s");
    settings.DestOutputFolderOpt = kOutputSpecificFolder;
    settings.DestSpecifiedFolder = dir.file("out");
    settings.CreateDirs = 1;
    item.path = dir.file("a:b/y.wav");
    ASSERT_TRUE(chooseTarget(item, mp3, false, settings, planned, &error)) << error;
    EXPECT_EQ(item.outputPath, dir.file("out") + dir.file("a:b/y.mp3"));
}

}  // namespace
