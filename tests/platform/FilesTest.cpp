#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/Files.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

// File systems keep times at different precisions; whole seconds survive all of them.
fs::file_time_type wholeSeconds(fs::file_time_type t) {
    return fs::file_time_type(std::chrono::floor<std::chrono::seconds>(t.time_since_epoch()));
}

// Writes a path with '/' and gives it back with the native separator.
std::string P(std::string path) {
    for (char& c : path) {
        if (c == '/') c = platform::kPathSeparator;
    }
    return path;
}

TEST(PathParts, FileNamePart) {
    const struct {
        std::string path, expected;
    } cases[] = {
        {P("/a/b.wav"), "b.wav"},
        {"b.wav", "b.wav"},
        {P("/a/b/"), ""},
        {P("/a.b/c"), "c"},
        {"", ""},
        {P("/music/Песня 中文 😀.mp3"), "Песня 中文 😀.mp3"},
#ifdef _WIN32
        {"C:\\a\\b.wav", "b.wav"},
        {"C:/a/b.wav", "b.wav"},
        {"C:\\a/b\\c.wav", "c.wav"},
#endif
    };
    for (const auto& c : cases) EXPECT_EQ(platform::fileNamePart(c.path), c.expected) << c.path;
}

TEST(PathParts, ExtensionPart) {
    const struct {
        std::string path;
        std::optional<std::string> expected;
    } cases[] = {
        {P("/a/b.wav"), ".wav"},    {P("/a.b/c"), std::nullopt},  {"track", std::nullopt},
        {"x.tar.gz", ".gz"},        {P("/a/.hidden"), ".hidden"}, {P("/a/name."), "."},
        {P("/a.b/"), std::nullopt},
    };
    for (const auto& c : cases) {
        const auto got = platform::extensionPart(c.path);
        EXPECT_EQ(got.has_value(), c.expected.has_value()) << c.path;
        if (got && c.expected) {
            EXPECT_EQ(*got, *c.expected) << c.path;
        }
    }
}

TEST(PathParts, FolderPartAndTrailingSeparator) {
    EXPECT_EQ(platform::folderPart(P("/a/b.wav")), P("/a/"));
    EXPECT_EQ(platform::folderPart(P("/a/b/")), P("/a/b/"));
    EXPECT_EQ(platform::folderPart("b.wav"), std::nullopt);
    EXPECT_EQ(platform::withTrailingSeparator(P("/a")), P("/a/"));
    EXPECT_EQ(platform::withTrailingSeparator(P("/a/")), P("/a/"));
    EXPECT_EQ(platform::withTrailingSeparator(""), "");
}

TEST(PathParts, FullPathResolvesSteps) {
    TempDir dir;
    const std::string base = u8(dir.path());
    EXPECT_EQ(platform::fullPath(base + P("/a/./b//c/../d.wav")), base + P("/a/b/d.wav"));
    EXPECT_EQ(platform::fullPath(base + P("/a/b/../c")), base + P("/a/c"));
    // A relative path is taken from the current folder.
    EXPECT_EQ(platform::fullPath("rel.wav"), u8(fs::current_path() / "rel.wav"));
}

TEST(FormatByteSize, UnitsAndBoundaries) {
    const struct {
        int64_t bytes;
        const char* expected;
    } cases[] = {
        {0, "0 B"},
        {-5, "-5 B"},
        {-2000, "-2000 B"},
        {999, "999 B"},
        {1000, "1.0 KB"},
        {1023999, "1000.0 KB"},
        {1024000, "0.98 MB"},
        {1536000, "1.46 MB"},
        {1048575999, "1000.00 MB"},
        {1048576000, "0.98 GB"},
        {1073741823999, "1000.00 GB"},
        {1073741824000, "0.98 TB"},
        {5497558138880, "5.00 TB"},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::formatByteSize(c.bytes), c.expected) << c.bytes;
}

TEST(FileTests, ExistenceAndKind) {
    TempDir dir;
    writeFile(dir.file("f.txt"), "hello");
    fs::create_directory(dir.path() / "sub");
    const struct {
        std::string path;
        bool exists, isFile, isFolder;
    } cases[] = {
        {dir.file("f.txt"), true, true, false},
        {dir.file("sub"), true, false, true},
        {dir.file("sub") + platform::kPathSeparator, true, false, true},
        {dir.file("missing"), false, false, false},
        {dir.file("f.txt") + platform::kPathSeparator + "x", false, false, false},
        {"", false, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::pathExists(c.path), c.exists) << c.path;
        EXPECT_EQ(platform::isExistingFile(c.path), c.isFile) << c.path;
        EXPECT_EQ(platform::isExistingFolder(c.path), c.isFolder) << c.path;
    }
}

TEST(FileTests, Sizes) {
    TempDir dir;
    writeFile(dir.file("five.bin"), "12345");
    EXPECT_EQ(platform::fileSize64(dir.file("five.bin")), 5u);
    EXPECT_EQ(platform::fileSize32(dir.file("five.bin")), 5u);
    EXPECT_EQ(platform::fileSize64(dir.file("missing")), std::nullopt);
    EXPECT_EQ(platform::fileSize32(dir.file("missing")), std::nullopt);
    // A sparse file above 4 GiB: the 32-bit size is the low part.
    writeFile(dir.file("big.bin"), "");
    std::error_code ec;
    fs::resize_file(fromU8(dir.file("big.bin")), (1ull << 32) + 7, ec);
    if (ec) GTEST_SKIP() << "no sparse files here";
    EXPECT_EQ(platform::fileSize64(dir.file("big.bin")), (1ull << 32) + 7);
    EXPECT_EQ(platform::fileSize32(dir.file("big.bin")), 7u);
}

TEST(FolderTree, CreatesEveryLevel) {
    TempDir dir;
    const std::string trailing = dir.file(P("x/y/"));
    EXPECT_TRUE(platform::createFolderTree(trailing));
    EXPECT_TRUE(fs::is_directory(dir.path() / "x" / "y"));

    const std::string noTrailing = dir.file(P("p/q/r"));
    EXPECT_TRUE(platform::createFolderTree(noTrailing));
    EXPECT_TRUE(fs::is_directory(dir.path() / "p" / "q" / "r"));

    // Doubled separators and an already existing tree are fine.
    EXPECT_TRUE(platform::createFolderTree(dir.file(P("p//q//s/"))));
    EXPECT_TRUE(fs::is_directory(dir.path() / "p" / "q" / "s"));
    EXPECT_TRUE(platform::createFolderTree(trailing));

    const std::string unicode = dir.file(P("Папка 中文 it's & 😀/sub"));
    EXPECT_TRUE(platform::createFolderTree(unicode));
    EXPECT_TRUE(fs::is_directory(fromU8(unicode)));
}

TEST(FolderTree, RefusesFilesOnTheWay) {
    TempDir dir;
    writeFile(dir.file("file"), "x");
    const std::string cases[] = {
        dir.file(P("file/sub/")),  // through a file
        dir.file(P("file/sub")),
        dir.file("file"),  // the last step is a file
        dir.file(P("file/")),     "",
    };
    for (const auto& path : cases) EXPECT_FALSE(platform::createFolderTree(path)) << path;
    EXPECT_EQ(readFile(dir.file("file")), "x");
}

TEST(FolderTree, EnsureFolderCreatesOnlyWhenAsked) {
    TempDir dir;
    EXPECT_TRUE(platform::ensureFolder(u8(dir.path()), false));
    EXPECT_FALSE(platform::ensureFolder(dir.file(P("new/deep")), false));
    EXPECT_FALSE(fs::exists(dir.path() / "new"));
    EXPECT_TRUE(platform::ensureFolder(dir.file(P("new/deep")), true));
    EXPECT_TRUE(fs::is_directory(dir.path() / "new" / "deep"));
}

TEST(TempNames, ShapeAndFreshness) {
    const std::string tmp = platform::temporaryFolder();
    ASSERT_FALSE(tmp.empty());
    EXPECT_EQ(tmp.back(), platform::kPathSeparator);
    EXPECT_TRUE(fs::is_directory(fromU8(tmp)));

    const std::string plain = platform::makeTempFileName("", "", ".wav");
    EXPECT_EQ(plain.rfind(tmp, 0), 0u) << plain;
    EXPECT_EQ(plain.substr(plain.size() - 4), ".wav");
    EXPECT_FALSE(fs::exists(fromU8(plain)));

    TempDir dir;
    const std::string folder = u8(dir.path());  // no final separator: one is added
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string name = platform::makeTempFileName(folder, "md", ".vob");
        EXPECT_EQ(name.rfind(folder + platform::kPathSeparator + "md", 0), 0u) << name;
        EXPECT_EQ(name.substr(name.size() - 4), ".vob");
        for (const char c : name.substr(folder.size() + 3, name.size() - folder.size() - 7)) {
            EXPECT_TRUE(c >= '0' && c <= '9') << name;
        }
        EXPECT_FALSE(fs::exists(fromU8(name))) << name;
        EXPECT_TRUE(seen.insert(name).second) << name;
        writeFile(name, "taken");  // later names must step around it
    }
    // No prefix and no extension: digits only.
    const std::string bare = platform::makeTempFileName(folder, "", "");
    EXPECT_EQ(bare.find_first_not_of("0123456789", folder.size() + 1), std::string::npos) << bare;
}

TEST(TempNames, UniqueNameStemIsDigits) {
    const std::string stem = platform::uniqueNameStem();
    EXPECT_FALSE(stem.empty());
    EXPECT_EQ(stem.find_first_not_of("0123456789"), std::string::npos);
}

TEST(SystemErrorText, KnownAndUnknownCodes) {
    const auto text = platform::systemErrorText(2);  // file not found on both systems
    ASSERT_TRUE(text.has_value());
    EXPECT_FALSE(text->empty());
    EXPECT_EQ(text->find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(platform::systemErrorText(0x7FFFFF3Fu), std::nullopt);
}

TEST(ProgramFolder, IsTheTestExecutablesFolder) {
    const auto folder = platform::programFolder();
    ASSERT_TRUE(folder.has_value());
    EXPECT_TRUE(platform::samePath(*folder, binFolder())) << *folder << " vs " << binFolder();
}

TEST(ProveWritable, LeavesNothingBehindAndNeverHarmsAFile) {
    TempDir dir;
    // A new name: created and removed again.
    const std::string fresh = dir.file("new file it's & ü.mp3");
    EXPECT_TRUE(platform::proveWritable(fresh));
    EXPECT_FALSE(fs::exists(fromU8(fresh)));

    // An existing file: opened without truncation, content and time untouched.
    const std::string mine = dir.file("mine.mp3");
    writeFile(mine, "precious bytes");
    const auto old = wholeSeconds(fs::file_time_type::clock::now() - std::chrono::hours(48));
    fs::last_write_time(fromU8(mine), old);
    EXPECT_TRUE(platform::proveWritable(mine));
    EXPECT_EQ(readFile(mine), "precious bytes");
    EXPECT_EQ(fs::last_write_time(fromU8(mine)), old);

    // Folders and missing folders are not writable files.
    fs::create_directory(dir.path() / "folder.mp3");
    EXPECT_FALSE(platform::proveWritable(dir.file("folder.mp3")));
    EXPECT_TRUE(fs::is_directory(dir.path() / "folder.mp3"));
    EXPECT_FALSE(platform::proveWritable(dir.file(P("missing/x.mp3"))));
    EXPECT_FALSE(platform::proveWritable(""));
}

TEST(SameFile, ComparesIdentityNotSpelling) {
    TempDir dir;
    writeFile(dir.file("a.wav"), "a");
    writeFile(dir.file("b.wav"), "b");
    fs::create_directory(dir.path() / "sub");
    const std::string a = dir.file("a.wav");
    const std::string s(1, platform::kPathSeparator);
    EXPECT_TRUE(platform::sameFile(a, a));
    EXPECT_TRUE(platform::sameFile(a, u8(dir.path()) + s + "." + s + "a.wav"));
    EXPECT_TRUE(platform::sameFile(a, u8(dir.path()) + s + "sub" + s + ".." + s + "a.wav"));
    EXPECT_TRUE(platform::sameFile(a, u8(dir.path()) + s + s + "a.wav"));
    EXPECT_FALSE(platform::sameFile(a, dir.file("b.wav")));
    EXPECT_FALSE(platform::sameFile(a, dir.file("missing.wav")));
    std::error_code ec;
    fs::create_hard_link(fromU8(a), dir.path() / "hard.wav", ec);
    if (!ec) {
        EXPECT_TRUE(platform::sameFile(a, dir.file("hard.wav")));
    }
}

TEST(CopyFileTimes, CopiesTheModificationTime) {
    TempDir dir;
    writeFile(dir.file("src.wav"), "s");
    writeFile(dir.file("out.mp3"), "o");
    const auto stamp = wholeSeconds(fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
    fs::last_write_time(fromU8(dir.file("src.wav")), stamp);
    EXPECT_FALSE(platform::copyFileTimes(dir.file("src.wav"), dir.file("out.mp3"), false, false));
    EXPECT_NE(fs::last_write_time(fromU8(dir.file("out.mp3"))), stamp);
    EXPECT_TRUE(platform::copyFileTimes(dir.file("src.wav"), dir.file("out.mp3"), false, true));
    EXPECT_EQ(fs::last_write_time(fromU8(dir.file("out.mp3"))), stamp);
    EXPECT_EQ(readFile(dir.file("out.mp3")), "o");
    EXPECT_FALSE(platform::copyFileTimes(dir.file("missing.wav"), dir.file("out.mp3"), true, true));
    EXPECT_FALSE(platform::copyFileTimes(dir.file("src.wav"), dir.file("missing.mp3"), true, true));
    EXPECT_FALSE(fs::exists(dir.path() / "missing.mp3"));
}

}  // namespace
