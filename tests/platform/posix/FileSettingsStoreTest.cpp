// The settings file of the POSIX builds: where it lives, reading creates nothing, a damaged file reads as
// empty and goes aside, a save that cannot be written says so.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/SettingsTree.h"
#include "platform/UserSettingsStore.h"
#include "settings/Settings.h"
#include "support/SettingsTestEnv.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::ScopedEnv;
using testing_support::TempDir;

namespace {

TEST(FileStore, UserFileFollowsXdgConfigHome) {
    ScopedEnv home("HOME", "/home/someone");
    for (const char* xdg : {"/tmp/cfg/", "relative/cfg", "", static_cast<const char*>(nullptr)}) {
        ScopedEnv xdgVar("XDG_CONFIG_HOME", xdg);
        EXPECT_EQ(platform::userSettingsFilePath(), xdg && *xdg == '/'
                                                        ? "/tmp/cfg/melodrift/settings.conf"
                                                        : "/home/someone/.config/melodrift/settings.conf");
    }
}

TEST(FileStore, ReadingCreatesNothingAndWritingIsPrivate) {
    TempDir dir;
    const std::string path = dir.file("sub/settings.conf");
    auto store = platform::openFileSettingsStore(path);
    AppSettings s = defaultSettings("");
    Catalogue c;
    loadSettings(*store, s, c);
    EXPECT_FALSE(fs::exists(dir.path() / "sub"));
    ASSERT_TRUE(saveSettings(*store, s, c, kSaveExitGroup));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(FileStore, DamagedFileReadsAsEmptyAndIsKeptAside) {
    SettingsTree tree;
    SettingsTree::setValue(tree.createKey("Software\\Melodrift 4\\Options"), "ConversionThreads", kValueDword,
                           std::string("\5\0\0\0", 4));
    const std::string good = tree.serialize();
    for (const std::string& text :
         {std::string("garbage"), good.substr(0, good.size() - 1), good + "dword \"x\" 1\n"}) {
        TempDir dir;
        const std::string path = dir.file("settings.conf");
        ASSERT_TRUE(testing_support::writeFile(path, text));
        auto store = platform::openFileSettingsStore(path);
        AppSettings s = defaultSettings("");
        Catalogue c;
        loadSettings(*store, s, c);
        EXPECT_EQ(s.ConversionThreads, 2u);
        EXPECT_TRUE(takeFirstRun(*store));  // writes: the damaged file goes aside
        EXPECT_EQ(readFile(path + ".corrupt"), text);
        EXPECT_FALSE(takeFirstRun(*platform::openFileSettingsStore(path)));
    }
}

TEST(FileStore, AFolderInPlaceOfTheFileIsAnEmptyStoreThatCannotBeWritten) {
    TempDir dir;
    fs::create_directories(dir.file("settings.conf"));
    auto store = platform::openFileSettingsStore(dir.file("settings.conf"));
    EXPECT_FALSE(saveSettings(*store, defaultSettings(""), Catalogue(), kSaveExitGroup));
    EXPECT_EQ(store->openKey("Software\\Melodrift 4\\Options"), nullptr);  // nothing kept in memory either
    EXPECT_TRUE(fs::is_directory(dir.file("settings.conf")));
}

}  // namespace
