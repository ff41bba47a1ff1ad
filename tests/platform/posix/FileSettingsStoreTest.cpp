#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "platform/UserSettingsStore.h"
#include "settings/Settings.h"
#include "platform/SettingsTree.h"
#include "platform/StoreContract.h"
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

// A writer killed at random moments leaves the old or the new file, never a damaged or mixed one.
TEST(FileStore, SurvivesBeingKilledMidSave) {
    TempDir dir;
    const std::string path = dir.file("cfg/settings.conf");
    std::mt19937 random(20261206);
    uint32_t lastSeen = 0;
    int roundsWithFile = 0;
    for (uint32_t round = 1; round <= 30; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            auto store = platform::openFileSettingsStore(path);
            for (uint32_t n = round * 1000000;; ++n) {
                SettingsBatch batch(*store);
                auto key = store->createKey("Software\\Melodrift 4\\Options");
                if (!key) ::_exit(3);
                for (int i = 0; i < 300; ++i) key->writeDword("v" + std::to_string(i), n);
                key->writeString("padding", std::string(static_cast<size_t>(n % 4096), 'p'));
            }
        }
        ::usleep(static_cast<useconds_t>(random() % 40000));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "writer stopped by itself";
        if (!fs::exists(path)) continue;
        ++roundsWithFile;
        auto tree = SettingsTree::parse(readFile(path));
        ASSERT_TRUE(tree.has_value()) << "round " << round;
        const StoredKey* key = tree->findKey("Software\\Melodrift 4\\Options");
        ASSERT_TRUE(key && key->values.size() == 301) << "round " << round;
        const std::string first = key->values[0].bytes;
        for (int i = 0; i < 300; ++i)
            ASSERT_EQ(key->values[i].bytes, first) << "a mixed file in round " << round;
        uint32_t n = 0;
        std::memcpy(&n, first.data(), 4);
        EXPECT_GE(n, lastSeen);  // never older than what a previous round left
        lastSeen = n;
    }
    EXPECT_GT(roundsWithFile, 0);
}

}  // namespace
