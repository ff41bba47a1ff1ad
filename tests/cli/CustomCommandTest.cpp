// melodrift-cli custom: groups added, listed and removed in the user's store.
#include <gtest/gtest.h>

#include "settings/Settings.h"
#include "support/CliAndMedia.h"

using namespace testing_support;

namespace {

TEST(CustomCommand, AddsListsAndRemovesGroups) {
    TempDir dir;
    // The Windows registry is shared with other runs: work relative to what is there.
    const std::string before = runCli(dir, {"custom", "list"}).out;
    const int next = 21001 + static_cast<int>(split(before, "\n").size());
    const std::string mix = std::to_string(next) + "\tcli mix\t1160,1200\n";
    const std::string two = std::to_string(next + 1) + "\tcli two\t1010\n";
    EXPECT_EQ(runCli(dir, {"custom", "add", "cli mix", "1200", "1160", "1200"}).exitCode, 0);
    EXPECT_EQ(runCli(dir, {"custom", "add", "cli two", "1010"}).exitCode, 0);
    EXPECT_EQ(runCli(dir, {"custom", "add", "bad", "1010", "999"}).exitCode, 2);
    EXPECT_EQ(runCli(dir, {"custom", "list"}).out, before + mix + two);
    EXPECT_EQ(runCli(dir, {"custom", "remove", "cli mix"}).exitCode, 0);
    const CliRun again = runCli(dir, {"custom", "remove", "cli mix"});
    EXPECT_EQ(std::tuple(again.exitCode, again.err.rfind("melodrift-cli: ", 0)), std::tuple(1, 0u));
    EXPECT_EQ(runCli(dir, {"custom", "list"}).out, before + std::to_string(next) + "\tcli two\t1010\n");
    EXPECT_EQ(runCli(dir, {"custom", "remove", "cli two"}).exitCode, 0);
}

}  // namespace
