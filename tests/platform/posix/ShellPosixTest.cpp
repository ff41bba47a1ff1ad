#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/Shell.h"
#include "support/SettingsTestEnv.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

// Puts a recording xdg-open (or, with record false, none at all) first on PATH for the test's lifetime.
class FakeOpener {
public:
    explicit FakeOpener(bool record = true) {
        const std::string args = dir_.file("args"), script = dir_.file("xdg-open");
        if (record) {
            writeFile(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" + args +
                                  ".tmp\"\nmv \"" + args + ".tmp\" \"" + args + "\"\n");
            chmod(script.c_str(), 0755);
        }
        const char* path = std::getenv("PATH");
        path_.emplace("PATH", (u8(dir_.path()) + (record && path ? ":" + std::string(path) : "")).c_str());
    }

    // The arguments of the last call, one a line; empty when it never came.
    std::string arguments() {
        const std::string file = dir_.file("args");
        for (int i = 0; i < 1000 && !fs::exists(file); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::string text = readFile(file);
        fs::remove(file);
        return text;
    }

private:
    TempDir dir_;
    std::optional<ScopedEnv> path_;
};

TEST(PosixShell, OpensDocumentsWithoutAShellAndHasNoChoosers) {
    FakeOpener opener;
    const std::string nasty = "/tmp/it's a & b; $(touch pwned) `id` Песня 中文 😀.mp3";
    const std::pair<std::string, std::string> cases[] = {
        // {target, the opener's argument}
        {nasty, nasty},
        {"https://example.org/?a=1&b=2", "https://example.org/?a=1&b=2"},
        {"--help", "./--help"},  // never read as an option
    };
    for (const auto& [target, argument] : cases) {
        EXPECT_GT(platform::systemShell().openDocument(target, platform::kShowNormal), 32);
        EXPECT_EQ(opener.arguments(), argument + "\n") << target;
    }
    EXPECT_FALSE(fs::exists("pwned"));
    platform::systemShell().showInExplorer("/srv/my music/a & b.mp3");  // opens the containing folder
    EXPECT_EQ(opener.arguments(), "/srv/my music/\n");

    FakeOpener none(false);  // a missing opener is a failure result
    EXPECT_LE(platform::systemShell().openDocument("/tmp/x.mp3", platform::kShowNormal), 32);
    EXPECT_EQ(platform::systemShell().chooseFile({}), std::nullopt);  // no choosers here
    EXPECT_EQ(platform::systemShell().chooseFolder({}), std::nullopt);
}

}  // namespace
