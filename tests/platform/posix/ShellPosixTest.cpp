#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/Shell.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

// Puts a recording xdg-open first on PATH for the test's lifetime.
class FakeOpener {
public:
    FakeOpener() {
        const std::string script = dir_.file("xdg-open");
        writeFile(script,
                  "#!/bin/sh\n"
                  "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                      dir_.file("args.tmp") +
                      "\"\n"
                      "mv \"" +
                      dir_.file("args.tmp") + "\" \"" + dir_.file("args") + "\"\n");
        chmod(script.c_str(), 0755);
        const char* path = std::getenv("PATH");
        oldPath_ = path ? path : "";
        setenv("PATH", (u8(dir_.path()) + ":" + oldPath_).c_str(), 1);
    }
    ~FakeOpener() { setenv("PATH", oldPath_.c_str(), 1); }

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
    std::string oldPath_;
};

TEST(PosixShell, OpensDocumentsWithoutAShell) {
    FakeOpener opener;
    const struct {
        std::string target, expectedArgument;
    } cases[] = {
        {"/tmp/it's a & b; $(touch pwned) `id` Песня 中文 😀.mp3",
         "/tmp/it's a & b; $(touch pwned) `id` Песня 中文 😀.mp3"},
        {"https://example.org/?a=1&b=2", "https://example.org/?a=1&b=2"},
        {"--help", "./--help"},  // never read as an option
    };
    for (const auto& c : cases) {
        EXPECT_GT(platform::systemShell().openDocument(c.target, platform::kShowNormal), 32);
        EXPECT_EQ(opener.arguments(), c.expectedArgument + "\n") << c.target;
    }
    EXPECT_FALSE(fs::exists("pwned"));
}

TEST(PosixShell, ShowInExplorerOpensTheContainingFolder) {
    FakeOpener opener;
    platform::systemShell().showInExplorer("/srv/my music/a & b.mp3");
    EXPECT_EQ(opener.arguments(), "/srv/my music/\n");
}

TEST(PosixShell, MissingOpenerIsAFailureResult) {
    TempDir empty;
    const char* path = std::getenv("PATH");
    const std::string old = path ? path : "";
    setenv("PATH", u8(empty.path()).c_str(), 1);
    const auto result = platform::systemShell().openDocument("/tmp/x.mp3", platform::kShowNormal);
    setenv("PATH", old.c_str(), 1);
    EXPECT_LE(result, 32);
}

TEST(PosixShell, NoChoosers) {
    EXPECT_EQ(platform::systemShell().chooseFile({}), std::nullopt);
    EXPECT_EQ(platform::systemShell().chooseFolder({}), std::nullopt);
}

}  // namespace
