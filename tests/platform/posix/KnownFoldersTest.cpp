#include <gtest/gtest.h>

#include <filesystem>

#include "platform/KnownFolders.h"
#include "support/SettingsTestEnv.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using testing_support::ScopedEnv;

namespace {

TEST(DocumentsFolder, FromXdgOrHome) {
    testing_support::TempDir dir;
    const std::string home = dir.file("home");
    const std::string xdg = dir.file("xdgdocs");
    ScopedEnv homeVar("HOME", home.c_str());
    {
        ScopedEnv xdgVar("XDG_DOCUMENTS_DIR", nullptr);
        EXPECT_EQ(platform::documentsFolder(false), "");  // not there yet
        EXPECT_EQ(platform::documentsFolder(true), home + "/Documents");
        EXPECT_TRUE(fs::is_directory(home + "/Documents"));
        ScopedEnv relative("XDG_DOCUMENTS_DIR", "relative/docs");  // ignored
        EXPECT_EQ(platform::documentsFolder(false), home + "/Documents");
    }
    ScopedEnv xdgVar("XDG_DOCUMENTS_DIR", (xdg + "/").c_str());
    EXPECT_EQ(platform::documentsFolder(true), xdg);
}

}  // namespace
