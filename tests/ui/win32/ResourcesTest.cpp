// The resource script against what the program's models and windows expect of it: the context menu and
// the key table agree with the file list, the artwork has the sizes the windows draw it at.
#include <gtest/gtest.h>
#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/Handle.h"
#include "platform/win32/WinText.h"
#include "resources/resource.h"
#include "sources/FileList.h"

using platform::win32::narrow;

namespace {

template <auto Free>
struct Freer {
    template <typename T>
    void operator()(T handle) const {
        Free(handle);
    }
};
using MenuHandle = platform::win32::UniqueHandle<HMENU, Freer<DestroyMenu>>;
using GdiHandle = platform::win32::UniqueHandle<HGDIOBJ, Freer<DeleteObject>>;

HINSTANCE self() { return GetModuleHandleW(nullptr); }

struct Item {
    UINT id = 0;
    std::string text;
    bool separator = false;
    HMENU submenu = nullptr;
};

Item menuItem(HMENU menu, int position) {
    wchar_t text[256] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 255;
    EXPECT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info));
    return Item{info.wID, narrow(text), (info.fType & MFT_SEPARATOR) != 0, info.hSubMenu};
}

// A menu as lines: "-" for a separator, "TEXT >" for a submenu, "TEXT #ID" for a command.
std::vector<std::string> lines(HMENU menu) {
    std::vector<std::string> out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        const Item item = menuItem(menu, i);
        out.push_back(item.separator ? "-"
                      : item.submenu ? item.text + " >"
                                     : item.text + " #" + std::to_string(item.id));
    }
    return out;
}

TEST(Resources, MenusAreTheListModelsAndTheHelpMenu) {
    MenuHandle menus(LoadMenuW(self(), MAKEINTRESOURCEW(IDR_MENUS)));
    ASSERT_TRUE(menus);
    std::vector<std::string> expected;
    for (const MenuEntry& e : FileList().contextMenu()) {
        expected.push_back(e.submenu   ? e.text + " >"
                           : e.id == 0 ? "-"
                                       : e.text + " #" + std::to_string(e.id));
    }
    EXPECT_EQ(lines(GetSubMenu(menus.get(), 0)), expected);
    // The stream submenu holds only its greyed placeholder until the window fills it.
    EXPECT_EQ(lines(GetSubMenu(GetSubMenu(menus.get(), 0), 0)),
              std::vector<std::string>{"None #" + std::to_string(command::kNoStream)});
    EXPECT_EQ(lines(GetSubMenu(menus.get(), 1)),
              (std::vector<std::string>{"&Help Topics\tF1 #57670", "-", "&Tell A Friend #32782",
                                        "&Feedback and Support #32783", "Home&page #32784",
                                        "&Check for Updates #32785", "-", "&About... #1017"}));
}

// The key a menu text shows after its tab ("F11", "Ctrl+Del", "Ctrl+O") as the key table writes it.
std::pair<BYTE, WORD> keyOf(const std::string& name) {
    const bool ctrl = name.rfind("Ctrl+", 0) == 0;
    const std::string key = ctrl ? name.substr(5) : name;
    const BYTE flags = static_cast<BYTE>(FVIRTKEY | (ctrl ? FCONTROL : 0));
    if (key == "Del") return {flags, VK_DELETE};
    if (key.size() > 1 && key[0] == 'F')
        return {flags, static_cast<WORD>(VK_F1 + std::stoi(key.substr(1)) - 1)};
    return {flags, static_cast<WORD>(key.at(0))};
}

TEST(Resources, KeyTableRunsTheCommandsTheMenusShow) {
    HACCEL keys = LoadAcceleratorsW(self(), MAKEINTRESOURCEW(IDR_KEYS));  // freed with the module
    ASSERT_NE(keys, nullptr);
    std::vector<ACCEL> table(static_cast<size_t>(CopyAcceleratorTableW(keys, nullptr, 0)));
    CopyAcceleratorTableW(keys, table.data(), static_cast<int>(table.size()));
    std::map<std::pair<BYTE, WORD>, WORD> commandOf;
    for (const ACCEL& a : table) {
        const auto key =
            std::make_pair(static_cast<BYTE>(a.fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT)), a.key);
        EXPECT_TRUE(commandOf.emplace(key, a.cmd).second) << "key " << a.key << " twice";
    }

    // Every key shown in the context and help menus runs that item's command.
    MenuHandle menus(LoadMenuW(self(), MAKEINTRESOURCEW(IDR_MENUS)));
    ASSERT_TRUE(menus);
    size_t shown = 0;
    for (int popup = 0; popup < 2; ++popup) {
        HMENU menu = GetSubMenu(menus.get(), popup);
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            const Item item = menuItem(menu, i);
            const size_t tab = item.text.find('\t');
            if (tab == std::string::npos) continue;
            ++shown;
            EXPECT_EQ(commandOf[keyOf(item.text.substr(tab + 1))], item.id) << item.text;
        }
    }
    EXPECT_EQ(shown, 18u);
    // Select All has no menu item; F1 is the plain key (modified F1 stays with the system).
    EXPECT_EQ(commandOf[keyOf("Ctrl+A")], IDC_SELECT_ALL);
    EXPECT_EQ(commandOf[keyOf("F1")], ID_HELP_TOPICS);
    EXPECT_EQ(table.size(), 19u);
}

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
