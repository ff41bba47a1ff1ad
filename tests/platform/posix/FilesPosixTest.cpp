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
    fs::create_symlink(dir.path() / "real.mp3", dir.path() / "link.mp3", ec);
    ASSERT_FALSE(ec);
    ASSERT_EQ(mkfifo(dir.file("pipe.mp3").c_str(), 0644), 0);

    EXPECT_TRUE(platform::proveWritable(dir.file("link.mp3")));
    EXPECT_EQ(readFile(dir.file("real.mp3")), "real");
    EXPECT_TRUE(platform::sameFile(dir.file("link.mp3"), dir.file("real.mp3")));

    // A pipe is no output file, and proving so must not wait for a reader.
    EXPECT_FALSE(platform::proveWritable(dir.file("pipe.mp3")));
}

}  // namespace
