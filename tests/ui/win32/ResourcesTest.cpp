// The resource script against what the program's windows expect of it: the artwork has the sizes the
// windows draw it at.
#include <gtest/gtest.h>
#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include <set>

#include "platform/win32/Handle.h"
#include "resources/resource.h"

namespace {

template <auto Free>
struct Freer {
    template <typename T>
    void operator()(T handle) const {
        Free(handle);
    }
};
using GdiHandle = platform::win32::UniqueHandle<HGDIOBJ, Freer<DeleteObject>>;

HINSTANCE self() { return GetModuleHandleW(nullptr); }

// The image sizes a resource's directory lists (0 in the directory means 256).
std::set<int> iconSizes(int id, LPCWSTR groupType) {
    HRSRC found = FindResourceW(self(), MAKEINTRESOURCEW(id), groupType);
    if (found == nullptr) return {};
    const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(self(), found)));
    std::set<int> sizes;
    const int count = dir[4] | dir[5] << 8;
    for (int i = 0; i < count; ++i) sizes.insert(dir[6 + 14 * i] == 0 ? 256 : dir[6 + 14 * i]);
    return sizes;
}

TEST(Resources, ArtworkHasItsSizes) {
    GdiHandle background(LoadImageW(self(), MAKEINTRESOURCEW(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_TRUE(background);
    BITMAP bm{};
    GetObjectW(background.get(), sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 950);
    EXPECT_EQ(bm.bmHeight, 650);

    EXPECT_EQ(iconSizes(IDI_MAIN, RT_GROUP_ICON), (std::set<int>{16, 32, 48, 256}));
    for (int id : {IDI_CLOSE, IDI_MINIMIZE, IDI_HELP})
        EXPECT_EQ(iconSizes(id, RT_GROUP_ICON), std::set<int>{16}) << id;
}

}  // namespace
