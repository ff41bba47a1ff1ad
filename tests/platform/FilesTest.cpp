#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Files.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

// Writes a path with '/' and gives it back with the native separator.
std::string P(std::string path) {
    for (char& c : path) c = c == '/' ? platform::kPathSeparator : c;
    return path;
}

TEST(PathParts, NameExtensionFolderAndFullPath) {
    const std::string none = "none";
    const struct {
        std::string path, name, extension, folder;
    } cases[] = {
        {P("/a/b.wav"), "b.wav", ".wav", P("/a/")}, {P("/a/b/"), "", none, P("/a/b/")},
        {P("/a.b/c"), "c", none, P("/a.b/")},       {"x.tar.gz", "x.tar.gz", ".gz", none},
        {P("/a/name."), "name.", ".", P("/a/")},
#ifdef _WIN32
        {"C:/a.b/c", "c", none, "C:/a.b/"},         {"C:\\a/b\\c.wav", "c.wav", ".wav", "C:\\a/b\\"},
#else
        {"/a/b\\c.wav", "b\\c.wav", ".wav", "/a/"},  // colons and backslashes are ordinary characters
        {"/a:b/c", "c", none, "/a:b/"},
#endif
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::fileNamePart(c.path), c.name) << c.path;
        EXPECT_EQ(platform::extensionPart(c.path).value_or(none), c.extension) << c.path;
        EXPECT_EQ(platform::folderPart(c.path).value_or(none), c.folder) << c.path;
    }

    TempDir dir;
    const std::string base = u8(dir.path());
    EXPECT_EQ(platform::fullPath(base + P("/a/./b//c/../d.wav")), base + P("/a/b/d.wav"));
}

TEST(FileTests, ExistenceKindAndSize) {
    TempDir dir;
    writeFile(dir.file("f.txt"), "hello");
    fs::create_directory(dir.path() / "sub");
    // {path, exists, isFile, isFolder}
    const std::tuple<std::string, bool, bool, bool> cases[] = {
        {dir.file("f.txt"), 1, 1, 0},
        {dir.file("sub") + platform::kPathSeparator, 1, 0, 1},
        {dir.file(P("f.txt/x")), 0, 0, 0},
    };
    for (const auto& [path, exists, isFile, isFolder] : cases) {
        EXPECT_EQ(std::tuple(platform::pathExists(path), platform::isExistingFile(path),
                             platform::isExistingFolder(path)),
                  std::tuple(exists, isFile, isFolder))
            << path;
    }
    EXPECT_EQ(platform::fileSize64(dir.file("missing")), std::nullopt);
    // A sparse file above 4 GiB.
    writeFile(dir.file("big.bin"), "");
    std::error_code ec;
    fs::resize_file(fromU8(dir.file("big.bin")), (1ull << 32) + 7, ec);
    if (ec) GTEST_SKIP() << "no sparse files here";
    EXPECT_EQ(platform::fileSize64(dir.file("big.bin")), (1ull << 32) + 7);
}

// (ensureFolder with and without creating: the naming test, on the real file system.)
TEST(FolderTree, CreatesEveryLevelAndRefusesFilesOnTheWay) {
    TempDir dir;
    writeFile(dir.file("file"), "x");
    const std::pair<std::string, bool> cases[] = {
        {dir.file(P("x/y/")), true},        // a trailing separator creates every level
        {dir.file(P("file/sub/")), false},  // through a file
        {dir.file("file"), false},          // the last step is a file
    };
    for (const auto& [path, ok] : cases) {
        EXPECT_EQ(platform::createFolderTree(path), ok) << path;
        EXPECT_EQ(fs::is_directory(fromU8(path)), ok) << path;
    }
    EXPECT_EQ(readFile(dir.file("file")), "x");
}

TEST(ProveWritable, LeavesNothingBehindAndNeverHarmsAFile) {
    TempDir dir;
    const std::string fresh = dir.file("new file it's & ü.mp3");
    EXPECT_TRUE(platform::proveWritable(fresh));
    EXPECT_FALSE(fs::exists(fromU8(fresh)));

    // An existing file: opened without truncation, content and time untouched.
    const std::string mine = dir.file("mine.mp3");
    writeFile(mine, "precious bytes");
    // Whole seconds survive every file system's time precision.
    const auto old =
        std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now()) - std::chrono::hours(48);
    fs::last_write_time(fromU8(mine), old);
    EXPECT_TRUE(platform::proveWritable(mine));
    EXPECT_EQ(readFile(mine), "precious bytes");
    EXPECT_EQ(fs::last_write_time(fromU8(mine)), old);

    EXPECT_FALSE(platform::proveWritable(dir.file(P("missing/x.mp3"))));
}

}  // namespace
