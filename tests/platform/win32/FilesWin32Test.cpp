#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "platform/Files.h"
#include "platform/Text.h"
#include "platform/win32/WinText.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using namespace testing_support;
using platform::win32::widen;

namespace {

// Wine keeps files on a POSIX file system: no settable creation time, and its root user may write to
// read-only files.
bool underWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

TEST(WindowsPaths, DriveLettersAndBothSeparators) {
    EXPECT_EQ(platform::fileNamePart("C:\\a\\b.wav"), "b.wav");
    EXPECT_EQ(platform::fileNamePart("C:/a/b.wav"), "b.wav");
    EXPECT_EQ(platform::extensionPart("C:\\a.b\\c"), std::nullopt);
    EXPECT_EQ(platform::extensionPart("C:/a.b/c"), std::nullopt);
    EXPECT_EQ(platform::folderPart("C:\\a\\b.wav"), "C:\\a\\");
    EXPECT_EQ(platform::folderPart("C:/a/b.wav"), "C:/a/");
    EXPECT_EQ(platform::fullPath("C:/a/./b\\\\c\\..\\d.wav"), "C:\\a\\b\\d.wav");
    EXPECT_EQ(platform::withTrailingSeparator("D:\\Output"), "D:\\Output\\");
}

TEST(WindowsPaths, CaseIsIgnored) {
    TempDir dir;
    writeFile(dir.file("Song.wav"), "s");
    EXPECT_TRUE(platform::pathExists(dir.file("SONG.WAV")));
    EXPECT_TRUE(platform::isExistingFile(dir.file("song.wav")));
    EXPECT_TRUE(platform::sameFile(dir.file("Song.wav"), platform::toUpperAscii(dir.file("Song.wav"))));
    EXPECT_TRUE(platform::samePath(dir.file("Song.wav"), dir.file("SONG.WAV")));
    EXPECT_TRUE(platform::samePath(dir.file("Песня.wav"), dir.file("ПЕСНЯ.WAV")));
}

TEST(WindowsFolders, TreeWithDriveLetterAndForwardSlashes) {
    TempDir dir;
    const std::string base = platform::fullPath(u8(dir.path()));
    ASSERT_EQ(base[1], ':');
    EXPECT_TRUE(platform::createFolderTree(base + "\\x\\y\\"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "x" / "y"));
    EXPECT_TRUE(platform::createFolderTree(base + "/p/q"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "p" / "q"));
    writeFile(dir.file("file"), "x");
    EXPECT_FALSE(platform::createFolderTree(base + "\\file\\sub\\"));
    // A drive root exists; a missing drive does not become a folder.
    EXPECT_TRUE(platform::createFolderTree(base.substr(0, 3)));
}

TEST(WindowsFiles, ReadOnlyFileIsNotWritableAndStaysIntact) {
    TempDir dir;
    const std::string path = dir.file("ro.mp3");
    writeFile(path, "keep");
    ASSERT_TRUE(SetFileAttributesW(widen(path).c_str(), FILE_ATTRIBUTE_READONLY));
    const bool writable = platform::proveWritable(path);
    if (!underWine()) {
        EXPECT_FALSE(writable);
    }
    SetFileAttributesW(widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(readFile(path), "keep");
}

TEST(WindowsFiles, CreationAndModificationTimes) {
    TempDir dir;
    const std::string src = dir.file("src.wav"), out = dir.file("out.mp3");
    writeFile(src, "s");
    writeFile(out, "o");
    FILETIME created = {0x12345600u, 0x01D00000u}, written = {0x65432100u, 0x01D10000u};
    {
        HANDLE h = CreateFileW(widen(src).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        SetFileTime(h, &created, nullptr, &written);
        CloseHandle(h);
    }
    const struct { bool creation, lastWrite; } cases[] = {{true, false}, {false, true}, {true, true}};
    for (const auto& c : cases) {
        HANDLE h = CreateFileW(widen(out).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        FILETIME fresh = {0x11110000u, 0x01D80000u};
        SetFileTime(h, &fresh, nullptr, &fresh);
        CloseHandle(h);
        EXPECT_TRUE(platform::copyFileTimes(src, out, c.creation, c.lastWrite));
        FILETIME gotCreated, gotAccess, gotWritten;
        h = CreateFileW(widen(out).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                        nullptr);
        GetFileTime(h, &gotCreated, &gotAccess, &gotWritten);
        CloseHandle(h);
        const FILETIME& wantCreated = c.creation ? created : fresh;
        const FILETIME& wantWritten = c.lastWrite ? written : fresh;
        if (!underWine()) {
            EXPECT_EQ(CompareFileTime(&gotCreated, &wantCreated), 0) << c.creation << c.lastWrite;
        }
        EXPECT_EQ(CompareFileTime(&gotWritten, &wantWritten), 0) << c.creation << c.lastWrite;
    }
}

TEST(WindowsFiles, TemporaryFolderIsTheSystemOne) {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    EXPECT_TRUE(platform::samePath(platform::temporaryFolder(),
                                   platform::win32::narrow(std::wstring_view(buffer, n))));
    EXPECT_EQ(platform::makeTempFileName("", "", ".wav").rfind(platform::temporaryFolder(), 0), 0u);
}

}  // namespace
