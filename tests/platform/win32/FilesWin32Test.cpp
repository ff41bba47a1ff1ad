#include <gtest/gtest.h>
#include <windows.h>

#include "platform/Files.h"
#include "platform/win32/WinText.h"
#include "support/TestSupport.h"

using namespace testing_support;
using platform::win32::widen;

namespace {

// Wine keeps files on a POSIX file system: no settable creation time, and its root user may write to
// read-only files.
bool underWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

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
    // Sets (get false) or reads the creation and last-write times of a file.
    auto times = [](const std::string& path, FILETIME& created, FILETIME& written, bool get) {
        HANDLE h = CreateFileW(widen(path).c_str(), get ? GENERIC_READ : GENERIC_WRITE, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        get ? GetFileTime(h, &created, nullptr, &written) : SetFileTime(h, &created, nullptr, &written);
        CloseHandle(h);
    };
    FILETIME created = {0x12345600u, 0x01D00000u}, written = {0x65432100u, 0x01D10000u};
    times(src, created, written, false);
    const struct { bool creation, lastWrite; } cases[] = {{true, false}, {false, true}, {true, true}};
    for (const auto& c : cases) {
        FILETIME fresh = {0x11110000u, 0x01D80000u}, freshToo = fresh, gotCreated, gotWritten;
        times(out, fresh, freshToo, false);
        EXPECT_TRUE(platform::copyFileTimes(src, out, c.creation, c.lastWrite));
        times(out, gotCreated, gotWritten, true);
        if (!underWine()) {
            EXPECT_EQ(CompareFileTime(&gotCreated, c.creation ? &created : &fresh), 0) << c.creation;
        }
        EXPECT_EQ(CompareFileTime(&gotWritten, c.lastWrite ? &written : &fresh), 0) << c.lastWrite;
    }
}

}  // namespace
