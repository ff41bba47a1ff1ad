#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/KnownFolders.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

class EnvOverride {
public:
    EnvOverride(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvOverride() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(DocumentsFolder, FromXdgOrHome) {
    testing_support::TempDir dir;
    const std::string home = dir.file("home");
    const std::string xdg = dir.file("xdgdocs");
    EnvOverride homeVar("HOME", home.c_str());
    {
        EnvOverride xdgVar("XDG_DOCUMENTS_DIR", nullptr);
        EXPECT_EQ(platform::documentsFolder(false), "");  // not there yet
        EXPECT_EQ(platform::documentsFolder(true), home + "/Documents");
        EXPECT_TRUE(fs::is_directory(home + "/Documents"));
        EXPECT_EQ(platform::documentsFolder(false), home + "/Documents");
    }
    {
        EnvOverride xdgVar("XDG_DOCUMENTS_DIR", (xdg + "/").c_str());
        EXPECT_EQ(platform::documentsFolder(false), "");
        EXPECT_EQ(platform::documentsFolder(true), xdg);
        EXPECT_TRUE(fs::is_directory(xdg));
    }
    {
        EnvOverride xdgVar("XDG_DOCUMENTS_DIR", "relative/docs");  // ignored
        EXPECT_EQ(platform::documentsFolder(false), home + "/Documents");
    }
    {
        // A file where the folder should be: unknown, and nothing is replaced.
        const std::string blocked = dir.file("blocked");
        ASSERT_TRUE(testing_support::writeFile(blocked, "x"));
        EnvOverride xdgVar("XDG_DOCUMENTS_DIR", blocked.c_str());
        EXPECT_EQ(platform::documentsFolder(true), "");
        EXPECT_EQ(testing_support::readFile(blocked), "x");
    }
}

}  // namespace
