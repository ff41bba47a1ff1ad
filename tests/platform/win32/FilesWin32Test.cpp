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

}  // namespace
