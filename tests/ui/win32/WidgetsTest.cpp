#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/ShellRecorder.h"
#include "ui/HyperLink.h"
#include "ui/SkinButton.h"

using namespace ui;

namespace {

constexpr COLORREF kBackground = RGB(40, 60, 90);
constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);

std::vector<WORD> notifications;  // notification codes of WM_COMMAND the parent received

LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) notifications.push_back(HIWORD(wParam));
    return DefWindowProcW(window, message, wParam, lParam);
}

// A 32-bit bitmap of one colour; for icons with an opaque alpha byte.
BitmapHandle solidBitmap(int w, int h, COLORREF color, bool opaque = false) {
    uint32_t* px = nullptr;
    BitmapHandle bitmap = createPixelBitmap(w, h, &px);
    const uint32_t value =
        (opaque ? 0xFF000000u : 0u) | GetRValue(color) << 16 | GetGValue(color) << 8 | GetBValue(color);
    for (int i = 0; i < w * h; ++i) px[i] = value;
    return bitmap;
}

HICON solidIcon(int size, COLORREF color) {
    BitmapHandle colour = solidBitmap(size, size, color, true);
    const std::vector<BYTE> zeros(static_cast<size_t>(size * size), 0);
    BitmapHandle mask(CreateBitmap(size, size, 1, 1, zeros.data()));
    ICONINFO info{TRUE, 0, 0, mask.get(), colour.get()};
    return CreateIconIndirect(&info);
}

// What the control paints for WM_PRINTCLIENT.
struct Picture {
    BitmapHandle bitmap;  // outlives the DC it is selected into
    MemoryDc dc{CreateCompatibleDC(nullptr)};
    explicit Picture(HWND window) {
        RECT r{};
        GetClientRect(window, &r);
        bitmap = solidBitmap(r.right, r.bottom, RGB(255, 0, 255));
        SelectObject(dc.get(), bitmap.get());
        SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
    }
    COLORREF at(int x, int y) const { return GetPixel(dc.get(), x, y); }
};

class Widgets : public testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = parentProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"WidgetsTestParent";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        RegisterClassW(&wc);
        parent = CreateWindowExW(0, wc.lpszClassName, L"Widgets", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                 400, 300, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(parent, nullptr);
        RECT r{};
        GetClientRect(parent, &r);
        background = solidBitmap(r.right, r.bottom, kBackground);
        notifications.clear();
    }
    void TearDown() override { DestroyWindow(parent); }

    HWND child(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id) {
        return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                               nullptr);
    }

    HWND parent = nullptr;
    BitmapHandle background;
};

// Flat: nothing but the background until hovered, then a raised border; pressed: sunken, the image one
// pixel further in; a quick second click is a click, not a double click nobody handles.
TEST_F(Widgets, SkinButtonBorderHoverAndPress) {
    HWND hwnd = child(L"BUTTON", L"", BS_PUSHBUTTON, 20, 20, 40, 30, 101);
    SkinButton button;
    ASSERT_TRUE(button.attach(hwnd));
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    SendMessageW(hwnd, BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);  // as a dialog marks its default button
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    button.setBackgroundSource(background.get(), false);
    ASSERT_TRUE(button.adoptBitmaps(solidBitmap(4, 4, kRed).release(), nullptr, false, false));
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
    ASSERT_NE(light, kBackground);

    Picture rest(hwnd);
    EXPECT_EQ(std::vector({rest.at(0, 0), rest.at(20, 0), rest.at(39, 15), rest.at(20, 29), rest.at(5, 5)}),
              std::vector(5, kBackground));
    EXPECT_EQ(std::pair(rest.at(1, 1), rest.at(4, 4)), std::pair(kRed, kRed));

    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(button.hovering());
    Picture hover(hwnd);
    EXPECT_EQ(std::vector({hover.at(20, 0), hover.at(0, 15), hover.at(39, 15), hover.at(20, 29)}),
              std::vector({light, light, shadow, shadow}));
    SendMessageW(hwnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(button.hovering());
    EXPECT_EQ(Picture(hwnd).at(20, 0), kBackground);

    SendMessageW(hwnd, BM_SETSTATE, TRUE, 0);
    Picture pressed(hwnd);
    EXPECT_EQ(std::vector({pressed.at(20, 0), pressed.at(39, 15), pressed.at(1, 1), pressed.at(2, 2),
                           pressed.at(5, 5), pressed.at(6, 6)}),
              std::vector({shadow, light, kBackground, kRed, kRed, kBackground}));
    SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);

    // The rounded look lightens the dark background while hovered, and draws no 3-D lines.
    button.setHighlight(true, false);
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    Picture lit(hwnd);
    EXPECT_GT(GetBValue(lit.at(20, 15)), GetBValue(kBackground));
    EXPECT_NE(lit.at(20, 0), light);
    SendMessageW(hwnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Picture(hwnd).at(20, 15), kBackground);

    for (const UINT down : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}) {
        SendMessageW(hwnd, down, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }
    EXPECT_EQ(notifications, std::vector<WORD>({BN_CLICKED, BN_CLICKED}));
}

// An icon is drawn instead of the bitmap, centred; the hover icon while hovered; -1 keeps the text colour.
TEST_F(Widgets, SkinButtonImagesAndText) {
    HWND hwnd = child(L"BUTTON", L"", BS_PUSHBUTTON, 20, 20, 30, 30, 101);
    SkinButton button;
    ASSERT_TRUE(button.attach(hwnd));
    button.setBackgroundSource(background.get(), false);
    ASSERT_TRUE(button.adoptBitmaps(solidBitmap(6, 6, kRed).release(), nullptr, false, false));
    ASSERT_TRUE(button.adoptIcons(solidIcon(8, kGreen), solidIcon(8, kBlue), false, false));
    Picture rest(hwnd);
    EXPECT_EQ(std::vector({rest.at(1, 1), rest.at(15, 15), rest.at(11, 11), rest.at(10, 10)}),
              std::vector({kBackground, kGreen, kGreen, kBackground}));  // 8 pixels centred in 28: 11..18
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Picture(hwnd).at(15, 15), kBlue);
    SendMessageW(hwnd, WM_MOUSELEAVE, 0, 0);

    EXPECT_FALSE(button.setIcons(30999, -1, false, false));  // no such resource: no icon any more
    EXPECT_EQ(Picture(hwnd).at(1, 1), kRed);
    ASSERT_TRUE(button.adoptIcons(solidIcon(8, kGreen), nullptr, true, false));
    RECT r{};
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(std::pair(r.right - r.left, r.bottom - r.top), std::pair(11L, 11L));

    // Text: the window's text in the text colour, also while hovered when the hover colour is -1.
    MoveWindow(hwnd, 20, 20, 80, 30, FALSE);
    button.adoptIcons(nullptr, nullptr, false, false);
    button.adoptBitmaps(nullptr, nullptr, false, false);
    SetWindowTextW(hwnd, L"MMMM");
    button.setFont({"Tahoma", -20, true, false}, false);
    const auto shows = [&](COLORREF color) {
        Picture p(hwnd);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 80; ++x)
                if (p.at(x, y) == color) return true;
        return false;
    };
    button.setTextColors(RGB(255, 255, 0), kSameColor, false);
    EXPECT_TRUE(shows(RGB(255, 255, 0)));
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(shows(RGB(255, 255, 0)));
    button.setTextColors(RGB(255, 255, 0), RGB(0, 255, 255), false);
    EXPECT_TRUE(shows(RGB(0, 255, 255)));
    EXPECT_FALSE(shows(RGB(255, 255, 0)));
}

// A link without text shows its target; a failed open reports the reason and keeps the link colour; a
// successful one turns it to the visited colour; hovering underlines and lets go once the cursor is away.
TEST_F(Widgets, HyperLinkTextClicksAndHover) {
    HWND hwnd = child(L"STATIC", L"", SS_LEFT, 20, 100, 300, 40, 102);
    testing_support::ShellRecorder shell;
    shell.openResults = {2, 42};
    std::vector<std::string> reports;
    HyperLink link(shell);
    link.setFailureReport([&](HWND, const std::string& text) { reports.push_back(text); });
    link.setUrl("https://www.melodrift.app/");
    ASSERT_TRUE(link.attach(hwnd));

    wchar_t text[64] = {};
    GetWindowTextW(hwnd, text, 64);
    EXPECT_EQ(std::wstring(text), L"https://www.melodrift.app/");
    RECT r{};
    GetWindowRect(hwnd, &r);
    EXPECT_LT(r.right - r.left, 300);  // fitted to its text
    EXPECT_LT(r.bottom - r.top, 40);
    EXPECT_GT(r.right - r.left, 60);

    MemoryDc dc(CreateCompatibleDC(nullptr));
    const auto color = [&] {
        const auto brush = SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                                        reinterpret_cast<LPARAM>(hwnd));
        EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), GetStockObject(HOLLOW_BRUSH));
        return GetTextColor(dc.get());
    };
    const auto underlined = [&] {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
        return font.lfUnderline != 0;
    };
    EXPECT_EQ(std::pair(color(), underlined()), std::pair(RGB(0, 0, 238), false));

    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(reports,
              std::vector<std::string>{"Unable to open hyperlink:\n\nThe specified file was not found."});
    EXPECT_EQ(color(), RGB(0, 0, 238));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(color(), RGB(85, 26, 139));
    const testing_support::ShellRecorder::Opened expected{"https://www.melodrift.app/", 5};
    EXPECT_EQ(shell.opened, std::vector({expected, expected}));

    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(std::tuple(link.hovering(), color(), underlined()), std::tuple(true, RGB(255, 0, 0), true));
    SetCursorPos(1270, 1010);
    SendMessageW(hwnd, WM_TIMER, HyperLink::kHoverTimer, 0);
    EXPECT_EQ(std::tuple(link.hovering(), color(), underlined()), std::tuple(false, RGB(85, 26, 139), false));
}

}  // namespace
