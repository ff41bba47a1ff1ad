// The menus and the key table made from the command table: the context menu is the list model's, the
// help menu and the keys are what the main window has always shown, and every key a menu entry names
// runs that entry's command.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "platform/win32/WinText.h"
#include "sources/FileList.h"
#include "ui/CommandMenus.h"

using platform::win32::narrow;

namespace {

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

TEST(CommandMenus, MenusAreTheListModelsAndTheHelpMenu) {
    const ui::MenuHandle list = ui::commandMenu(commands::Menu::kList);
    const ui::MenuHandle help = ui::commandMenu(commands::Menu::kHelp);
    ASSERT_TRUE(list && help);
    std::vector<std::string> expected;
    for (const MenuEntry& e : FileList().contextMenu()) {
        expected.push_back(e.submenu   ? e.text + " >"
                           : e.id == 0 ? "-"
                                       : e.text + " #" + std::to_string(e.id));
    }
    EXPECT_EQ(lines(list.get()), expected);
    // The stream submenu holds only its greyed placeholder until the window fills it.
    const HMENU streams = GetSubMenu(list.get(), 0);
    EXPECT_EQ(lines(streams), std::vector<std::string>{"None #" + std::to_string(ID_NO_STREAM)});
    EXPECT_TRUE(GetMenuState(streams, ID_NO_STREAM, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(lines(help.get()),
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

TEST(CommandMenus, KeyTableRunsTheCommandsTheMenusShow) {
    const ui::KeyTableHandle keys = ui::commandKeys();
    ASSERT_TRUE(keys);
    std::vector<ACCEL> table(static_cast<size_t>(CopyAcceleratorTableW(keys.get(), nullptr, 0)));
    CopyAcceleratorTableW(keys.get(), table.data(), static_cast<int>(table.size()));
    std::map<std::pair<BYTE, WORD>, WORD> commandOf;
    for (const ACCEL& a : table) {
        const auto key =
            std::make_pair(static_cast<BYTE>(a.fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT)), a.key);
        EXPECT_TRUE(commandOf.emplace(key, a.cmd).second) << "key " << a.key << " twice";
    }

    // Every key shown in the context and help menus runs that item's command.
    const ui::MenuHandle popups[] = {ui::commandMenu(commands::Menu::kList),
                                     ui::commandMenu(commands::Menu::kHelp)};
    size_t shown = 0;
    for (const ui::MenuHandle& popup : popups) {
        HMENU menu = popup.get();
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            const Item item = menuItem(menu, i);
            const size_t tab = item.text.find('\t');
            if (tab == std::string::npos) continue;
            ++shown;
            EXPECT_EQ(commandOf[keyOf(item.text.substr(tab + 1))], item.id) << item.text;
        }
    }
    EXPECT_EQ(shown, 21u);
    // Select All has no menu item; F1 is the plain key (modified F1 stays with the system).
    EXPECT_EQ(commandOf[keyOf("Ctrl+A")], ID_SELECT_ALL);
    EXPECT_EQ(commandOf[keyOf("F1")], ID_HELP_TOPICS);
    EXPECT_EQ(table.size(), 22u);
}

}  // namespace
