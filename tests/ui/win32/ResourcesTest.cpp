// The resource script against what the program's models and windows expect of it: the context menu and
// the key table agree with the file list, the small windows hold their controls, the artwork has its sizes.
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

struct DestroyMenuHandle {
    void operator()(HMENU m) const { DestroyMenu(m); }
};
struct DestroyWindowHandle {
    void operator()(HWND w) const { DestroyWindow(w); }
};
struct DeleteGdiObject {
    void operator()(HGDIOBJ o) const { DeleteObject(o); }
};
using MenuHandle = platform::win32::UniqueHandle<HMENU, DestroyMenuHandle>;
using WindowHandle = platform::win32::UniqueHandle<HWND, DestroyWindowHandle>;
using GdiHandle = platform::win32::UniqueHandle<HGDIOBJ, DeleteGdiObject>;

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

TEST(Resources, ContextMenuIsTheListModelsMenu) {
    MenuHandle menus(LoadMenuW(self(), MAKEINTRESOURCEW(IDR_MENUS)));
    ASSERT_TRUE(menus);
    HMENU context = GetSubMenu(menus.get(), 0);
    const FileList list;
    const std::vector<MenuEntry> expected = list.contextMenu();
    ASSERT_EQ(GetMenuItemCount(context), static_cast<int>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].text);
        const Item item = menuItem(context, static_cast<int>(i));
        const bool separator = expected[i].id == 0 && !expected[i].submenu;
        EXPECT_EQ(item.separator, separator);
        if (separator) continue;
        EXPECT_EQ(item.text, expected[i].text);
        EXPECT_EQ(item.submenu != nullptr, expected[i].submenu);
        if (item.submenu == nullptr) {
            EXPECT_EQ(item.id, expected[i].id);
            continue;
        }
        // The stream submenu holds only its greyed placeholder until the window fills it.
        ASSERT_EQ(GetMenuItemCount(item.submenu), 1);
        EXPECT_EQ(menuItem(item.submenu, 0).id, command::kNoStream);
        EXPECT_EQ(menuItem(item.submenu, 0).text, "None");
    }

    const std::vector<std::pair<UINT, std::string>> help = {{ID_HELP_TOPICS, "&Help Topics\tF1"},
                                                            {0, ""},
                                                            {ID_TELL_A_FRIEND, "&Tell A Friend"},
                                                            {ID_FEEDBACK, "&Feedback and Support"},
                                                            {ID_HOMEPAGE, "Home&page"},
                                                            {ID_CHECK_UPDATES, "&Check for Updates"},
                                                            {0, ""},
                                                            {IDC_ABOUT, "&About..."}};
    HMENU helpMenu = GetSubMenu(menus.get(), 1);
    ASSERT_EQ(GetMenuItemCount(helpMenu), static_cast<int>(help.size()));
    for (size_t i = 0; i < help.size(); ++i) {
        const Item item = menuItem(helpMenu, static_cast<int>(i));
        EXPECT_EQ(item.separator, help[i].first == 0) << i;
        if (help[i].first != 0) {
            EXPECT_EQ(std::make_pair(item.id, item.text), help[i]);
        }
    }
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
    EXPECT_EQ(commandOf[keyOf("F5")], IDC_CONVERT_ALL);
    EXPECT_EQ(commandOf[keyOf("Ctrl+Del")], IDC_REMOVE_ALL);
    EXPECT_EQ(commandOf[keyOf("F1")], ID_HELP_TOPICS);
    EXPECT_EQ(table.size(), 19u);
}

INT_PTR CALLBACK plainDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

struct Control {
    int id;
    const wchar_t* cls;
    const char* text;
    DWORD flags = 0;  // style bits that must be set
    int kind = -1;    // a button's or static's kind (the low style bits), when it matters
};

// Each window's controls with their class and text, and each control inside the window.
TEST(Resources, WindowsHoldTheirControls) {
    const DWORD none = 0;
    const int owner = BS_OWNERDRAW;
    const struct {
        int dialog;
        bool caption;
        std::vector<Control> controls;
    } windows[] = {
        {IDD_MAIN,
         false,
         {{IDC_ADD_FILES, L"Button", "&Add Files", none, owner},
          {IDC_ADD_FOLDER, L"Button", "Add &Folder", none, owner},
          {IDC_ADD_DVD, L"Button", "Add &DVD", none, owner},
          {IDC_REMOVE_ALL, L"Button", "&Remove All", none, owner},
          {IDC_CONVERT_ALL, L"Button", "&Convert", none, owner},
          {IDC_CONVERT_ALL_TO_ONE, L"Button", "Con&vert to One", none, owner},
          {IDC_OPTIONS, L"Button", "&Options", none, owner},
          {IDC_OUTPUT_FORMAT, L"ComboBox", "", CBS_DROPDOWNLIST},
          {IDC_FILE_LIST, L"SysListView32", "", LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA},
          {IDC_HOMEPAGE, L"Static", "www.melodrift.app", SS_NOTIFY},
          {IDC_HELP_BUTTON, L"Button", "", none, owner},
          {IDC_MINIMIZE, L"Button", "", none, owner},
          {IDC_CLOSE, L"Button", "", none, owner}}},
        {IDD_PROGRESS,
         false,
         {{IDC_PROGRESS_TEXT, L"Static", ""},
          {IDC_PROGRESS_PERCENT, L"Static", "0%", none, SS_RIGHT},
          {IDC_PROGRESS_BAR, L"msctls_progress32", ""},
          {IDC_OUTPUT_FOLDER_BUTTON, L"Button", "&Output Folder:"},
          {IDC_OUTPUT_FOLDER_TEXT, L"Static", "Same as source file"},
          {IDC_SHUT_DOWN, L"Button", "&Shut down Windows after converting", none, BS_AUTOCHECKBOX},
          {IDC_THREADS, L"ComboBox", "", CBS_DROPDOWNLIST},
          {IDC_PRIORITY, L"ComboBox", "", CBS_DROPDOWNLIST},
          {IDC_CANCEL, L"Button", "Cancel"}}},
        {IDD_BUSY,
         false,
         {{IDC_BUSY_TEXT, L"Static", ""},
          {IDC_BUSY_BAR, L"msctls_progress32", ""},
          {IDC_BUSY_PERCENT, L"Static", "0%", none, SS_RIGHT},
          {IDC_CANCEL, L"Button", "Cancel"}}},
        {IDD_COUNTDOWN,
         true,
         {{IDC_COUNTDOWN_WARNING, L"Static", ""},
          {IDC_COUNTDOWN_SECONDS, L"Static", ""},
          {IDCANCEL, L"Button", "Cancel"}}},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.dialog);
        WindowHandle dialog(CreateDialogParamW(self(), MAKEINTRESOURCEW(w.dialog), nullptr, plainDialog, 0));
        ASSERT_TRUE(dialog);
        const LONG_PTR style = GetWindowLongPtrW(dialog.get(), GWL_STYLE);
        EXPECT_EQ((style & WS_CAPTION) == WS_CAPTION, w.caption);
        EXPECT_TRUE(style & WS_POPUP);
        RECT client;
        GetClientRect(dialog.get(), &client);
        MapWindowPoints(dialog.get(), nullptr, reinterpret_cast<POINT*>(&client), 2);
        for (const Control& c : w.controls) {
            SCOPED_TRACE(c.id);
            HWND control = GetDlgItem(dialog.get(), c.id);
            ASSERT_NE(control, nullptr);
            wchar_t cls[64] = {}, text[128] = {};
            GetClassNameW(control, cls, 64);
            GetWindowTextW(control, text, 128);
            EXPECT_EQ(std::wstring(cls), c.cls);
            EXPECT_EQ(narrow(text), c.text);
            const DWORD controlStyle = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
            EXPECT_EQ(controlStyle & c.flags, c.flags);
            if (c.kind >= 0) {
                EXPECT_EQ(static_cast<int>(controlStyle & 0xF), c.kind);
            }
            RECT r, inside;
            GetWindowRect(control, &r);
            if (wcscmp(c.cls, L"ComboBox") == 0) r.bottom = r.top + 1;  // its dropped list may reach below
            EXPECT_TRUE(IntersectRect(&inside, &r, &client) && EqualRect(&inside, &r))
                << "cut off by the window";
        }
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog.get(), WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    }
}

// The sizes of an icon group's images, from its directory (an entry's width 0 means 256).
std::set<int> iconSizes(int id, LPCWSTR groupType) {
    HRSRC found = FindResourceW(self(), MAKEINTRESOURCEW(id), groupType);
    if (found == nullptr) return {};
    const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(self(), found)));
    std::set<int> sizes;
    const int count = dir[4] | dir[5] << 8;
    for (int i = 0; i < count; ++i) sizes.insert(dir[6 + 14 * i] == 0 ? 256 : dir[6 + 14 * i]);
    return sizes;
}

int luminance(COLORREF c) { return (GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c)) / 10; }

TEST(Resources, ArtworkHasItsSizes) {
    GdiHandle background(LoadImageW(self(), MAKEINTRESOURCEW(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_TRUE(background);
    BITMAP bm{};
    GetObjectW(background.get(), sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 950);
    EXPECT_EQ(bm.bmHeight, 650);
    // The light window glyphs sit on the dark title band; the buttons' beds are lighter than the sidebar.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, background.get());
    for (int x : {877, 903, 928}) EXPECT_LT(luminance(GetPixel(dc, x, 21)), 80) << x;
    EXPECT_GT(luminance(GetPixel(dc, 64, 85)), luminance(GetPixel(dc, 64, 108)));
    SelectObject(dc, old);
    DeleteDC(dc);

    EXPECT_EQ(iconSizes(IDI_MAIN, RT_GROUP_ICON), (std::set<int>{16, 32, 48, 256}));
    for (int id : {IDI_CLOSE, IDI_MINIMIZE, IDI_HELP})
        EXPECT_EQ(iconSizes(id, RT_GROUP_ICON), std::set<int>{16}) << id;
    // The 256 px image is stored as PNG: the system must still make an icon of it at that size.
    HICON large = static_cast<HICON>(LoadImageW(self(), MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON, 256, 256, 0));
    ASSERT_NE(large, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(large, &info));
    GdiHandle color(info.hbmColor), mask(info.hbmMask);
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 256);
    DestroyIcon(large);

    // The hand cursor clicks with its fingertip: the hot spot is on the top rows of a 32 px image.
    EXPECT_EQ(iconSizes(IDC_HAND_CURSOR, RT_GROUP_CURSOR), std::set<int>{32});
    HCURSOR hand =
        static_cast<HCURSOR>(LoadImageW(self(), MAKEINTRESOURCEW(IDC_HAND_CURSOR), IMAGE_CURSOR, 0, 0, 0));
    ASSERT_NE(hand, nullptr);
    ASSERT_TRUE(GetIconInfo(hand, &info));
    GdiHandle handColor(info.hbmColor), handMask(info.hbmMask);
    EXPECT_FALSE(info.fIcon);
    EXPECT_LE(info.yHotspot, 2u);
    EXPECT_TRUE(info.xHotspot > 4 && info.xHotspot < 28) << info.xHotspot;
    DestroyCursor(hand);
}

}  // namespace
