#include <gtest/gtest.h>

#include <filesystem>

#include "engine/OutputNaming.h"
#include "formats/OutputFormat.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

struct Chosen {
    bool ok;
    std::string target, error;
};

Chosen choose(const std::string& source, const AppSettings& settings, PlannedTargets& planned) {
    SourceItem item;
    item.path = source;
    OutputFormat mp3;
    mp3.extension = "mp3";
    Chosen c;
    c.ok = chooseTarget(item, mp3, false, settings, planned, &c.error);
    c.target = item.outputPath;
    return c;
}

AppSettings withPolicy(uint32_t policy) {
    AppSettings s;
    s.TargetExistsOpt = policy;
    s.OutputFiles2MyDocuments = 0;
    return s;
}

TEST(WindowsNaming, PlannedNamesDifferingInCaseCollide) {
    for (const uint32_t policy : {kTargetRename, kTargetOverwrite}) {
        TempDir dir;
        writeFile(dir.file("X.wav"), "s");
        writeFile(dir.file("x.flac"), "s");
        PlannedTargets planned;
        EXPECT_EQ(choose(dir.file("X.wav"), withPolicy(policy), planned).target, dir.file("X.mp3"));
        EXPECT_EQ(choose(dir.file("x.flac"), withPolicy(policy), planned).target, dir.file("x_1.mp3"));
    }
}

TEST(WindowsNaming, ExistingFilesDifferingInCaseCollide) {
    TempDir dir;
    writeFile(dir.file("x.wav"), "s");
    writeFile(dir.file("X.MP3"), "old");
    PlannedTargets planned;
    EXPECT_EQ(choose(dir.file("x.wav"), withPolicy(kTargetRename), planned).target, dir.file("x_1.mp3"));
    const Chosen skipped = choose(dir.file("x.wav"), withPolicy(kTargetSkip), planned);
    EXPECT_EQ(skipped.error, kTargetSkippedText);
}

TEST(WindowsNaming, OverwriteRefusesTheSourceInAnySpelling) {
    TempDir dir;
    fs::create_directory(dir.path() / "in");
    const std::string source = dir.file("in\\A.MP3");
    writeFile(source, "source");
    const std::string in = platform::fullPath(dir.file("in"));
    const std::string folders[] = {
        platform::toUpperAscii(in), platform::toLowerAscii(in), in + "\\.\\", in + "/", in + "\\..\\in",
    };
    for (const auto& folder : folders) {
        AppSettings s = withPolicy(kTargetOverwrite);
        s.DestOutputFolderOpt = kOutputSpecificFolder;
        s.DestSpecifiedFolder = folder;
        PlannedTargets planned;
        const Chosen c = choose(source, s, planned);
        EXPECT_FALSE(c.ok) << folder;
        EXPECT_EQ(c.error, kTargetIsSourceText) << folder;
        EXPECT_EQ(readFile(source), "source");
    }
}

TEST(WindowsNaming, DirectoryTreeBelowADriveLetterFolder) {
    TempDir dir;
    AppSettings s = withPolicy(kTargetRename);
    s.DestOutputFolderOpt = kOutputSpecificFolder;
    s.DestSpecifiedFolder = platform::fullPath(dir.file("Output"));
    s.CreateDirs = 1;
    PlannedTargets planned;
    const Chosen c = choose("C:\\Video\\Friends\\Happy.mp4", s, planned);
    EXPECT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.target, s.DestSpecifiedFolder + "\\C\\Video\\Friends\\Happy.mp3");
    EXPECT_TRUE(fs::is_directory(dir.path() / "Output" / "C" / "Video" / "Friends"));
    // A doubled separator in the source gives the same folders.
    const Chosen again = choose("C:\\\\Video\\Friends\\Happy.mp4", s, planned);
    EXPECT_EQ(again.target, s.DestSpecifiedFolder + "\\C\\Video\\Friends\\Happy_1.mp3");
}

}  // namespace
