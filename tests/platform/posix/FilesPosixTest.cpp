#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/Files.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

TEST(PosixFiles, LinksAndPipes) {
    TempDir dir;
    writeFile(dir.file("real.mp3"), "real");
    std::error_code ec;
    fs::create_symlink(dir.path() / "nowhere.mp3", dir.path() / "dangling.mp3", ec);
    ASSERT_FALSE(ec);
    fs::create_symlink(dir.path() / "real.mp3", dir.path() / "link.mp3", ec);
    ASSERT_FALSE(ec);
    ASSERT_EQ(mkfifo(dir.file("pipe.mp3").c_str(), 0644), 0);

    // A dangling link is an entry: writing to its name would create a file somewhere else.
    EXPECT_TRUE(platform::pathExists(dir.file("dangling.mp3")));
    EXPECT_FALSE(platform::isExistingFile(dir.file("dangling.mp3")));
    EXPECT_FALSE(platform::proveWritable(dir.file("dangling.mp3")));
    EXPECT_FALSE(fs::exists(dir.path() / "nowhere.mp3"));

    EXPECT_TRUE(platform::proveWritable(dir.file("link.mp3")));
    EXPECT_EQ(readFile(dir.file("real.mp3")), "real");
    EXPECT_TRUE(platform::sameFile(dir.file("link.mp3"), dir.file("real.mp3")));

    // A pipe is no output file, and proving so must not wait for a reader.
    EXPECT_FALSE(platform::proveWritable(dir.file("pipe.mp3")));
}

}  // namespace
