// Owners of GDI objects, icons, menus, key tables, memory device contexts and windows, and a guard that puts
// back what a device context held before.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/win32/Handle.h"

namespace ui {

struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DestroyIconHandle {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct DestroyMenuHandle {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
struct DestroyKeyTable {
    void operator()(HACCEL keys) const { DestroyAcceleratorTable(keys); }
};
struct DeleteMemoryDc {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct DestroyWindowHandle {
    void operator()(HWND window) const {
        if (IsWindow(window)) DestroyWindow(window);  // an owned window may have gone with its owner
    }
};

using BitmapHandle = platform::win32::UniqueHandle<HBITMAP, DeleteGdiObject>;
using FontHandle = platform::win32::UniqueHandle<HFONT, DeleteGdiObject>;
using BrushHandle = platform::win32::UniqueHandle<HBRUSH, DeleteGdiObject>;
using IconHandle = platform::win32::UniqueHandle<HICON, DestroyIconHandle>;
// A popup menu with its submenus.
using MenuHandle = platform::win32::UniqueHandle<HMENU, DestroyMenuHandle>;
// An accelerator table from CreateAcceleratorTableW.
using KeyTableHandle = platform::win32::UniqueHandle<HACCEL, DestroyKeyTable>;
// A DC from CreateCompatibleDC.
using MemoryDc = platform::win32::UniqueHandle<HDC, DeleteMemoryDc>;
// A window this code created and destroys.
using WindowHandle = platform::win32::UniqueHandle<HWND, DestroyWindowHandle>;

// Selects an object into a DC for the guard's lifetime.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectGuard() {
        if (old_) SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    // False when the object could not be selected (a bitmap already selected into another DC).
    bool selected() const { return old_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A window's DC from GetDC, released at the end of the scope.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A 32-bit top-down DIB section (pixels 0x00RRGGBB); `bits` receives its pixels. Null on failure.
inline BitmapHandle createPixelBitmap(int width, int height, uint32_t** bits = nullptr) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    BitmapHandle bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (bits != nullptr) *bits = bitmap ? static_cast<uint32_t*>(pixels) : nullptr;
    return bitmap;
}

}  // namespace ui
