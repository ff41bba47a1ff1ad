#include <windows.h>
// After windows.h.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <thread>

#include "platform/Shortcut.h"
#include "platform/win32/WinText.h"
#include "support/TestSupport.h"

using namespace testing_support;
using platform::resolveShortcut;
using platform::win32::widen;

namespace {

// Writes a shortcut to target the way the shell does, through its own link object.
bool makeShortcut(const std::string& link, const std::string& target) {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* shellLink = nullptr;
    IPersistFile* file = nullptr;
    const bool saved =
        SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shellLink))) &&
        SUCCEEDED(shellLink->SetPath(widen(target).c_str())) &&
        SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Save(widen(link).c_str(), TRUE));
    if (file) file->Release();
    if (shellLink) shellLink->Release();
    if (SUCCEEDED(init)) CoUninitialize();
    return saved;
}

TEST(WindowsShortcut, ResolvesOneStepAndLeavesTheCallersComAlone) {
    TempDir dir;
    // Wine keeps a link's path in the ANSI code page only: an accent survives there, Cyrillic would not.
    const std::string target = dir.file("Café 1.wav");
    const std::string link = dir.file("song.lnk");
    const std::string outer = dir.file("to song.lnk");
    const std::string notALink = dir.file("notes.lnk");
    ASSERT_TRUE(writeFile(target, "RIFF") && writeFile(notALink, "just some text\r\n"));
    ASSERT_TRUE(makeShortcut(link, target) && makeShortcut(outer, link));

    EXPECT_EQ(resolveShortcut(link), target);
    EXPECT_EQ(resolveShortcut(outer), link);  // chains are the caller's to follow
    EXPECT_EQ(resolveShortcut(notALink), std::nullopt);
    EXPECT_EQ(resolveShortcut(dir.file("missing.lnk")), std::nullopt);

    // A thread without COM is left without it; one in the multithreaded apartment stays there.
    std::thread([&] {
        EXPECT_EQ(resolveShortcut(link), target);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK) << "an apartment was left behind";
        CoUninitialize();
    }).join();
    std::thread([&] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_EQ(resolveShortcut(link), target);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE)
            << "the caller's apartment was ended";
        CoUninitialize();
        CoUninitialize();
    }).join();
}

}  // namespace
