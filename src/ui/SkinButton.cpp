#include "ui/SkinButton.h"

#include <commctrl.h>

#include <string>

#include "platform/win32/WinText.h"
#include "resources/resource.h"
#include "ui/DialogWindow.h"

namespace ui {

namespace {

HINSTANCE programModule() { return GetModuleHandleW(nullptr); }

Size imageSize(HICON icon) {
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info)) return {};
    const BitmapHandle mask(info.hbmMask), color(info.hbmColor);
    BITMAP bm{};
    // A monochrome icon keeps its AND and XOR masks stacked in one bitmap of twice the height.
    if (color && GetObjectW(color.get(), sizeof bm, &bm)) return {bm.bmWidth, bm.bmHeight};
    if (mask && GetObjectW(mask.get(), sizeof bm, &bm)) return {bm.bmWidth, bm.bmHeight / 2};
    return {};
}

Size imageSize(HBITMAP bitmap) {
    BITMAP bm{};
    if (bitmap == nullptr || !GetObjectW(bitmap, sizeof bm, &bm)) return {};
    return {bm.bmWidth, bm.bmHeight};
}

bool measurable(Size size) { return size.width > 0 && size.height > 0; }

RECT toRect(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

void fillSolid(HDC dc, const RECT& r, COLORREF color) {
    const COLORREF old = SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

// One-pixel lines: top and left in one colour, bottom and right in the other.
void draw3dRect(HDC dc, int width, int height, COLORREF topLeft, COLORREF bottomRight) {
    fillSolid(dc, {0, 0, width - 1, 1}, topLeft);
    fillSolid(dc, {0, 0, 1, height - 1}, topLeft);
    fillSolid(dc, {width - 1, 0, width, height}, bottomRight);
    fillSolid(dc, {0, height - 1, width, height}, bottomRight);
}

FontHandle createFont(const FontSpec& font) {
    const std::wstring face = platform::win32::widen(font.face);
    return FontHandle(CreateFontW(font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE,
                                  font.underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                  face.c_str()));
}

}  // namespace

HCURSOR loadHandCursor() {
    // The program's own hand; until its resource is there, the system's.
    if (HCURSOR own = LoadCursorW(programModule(), MAKEINTRESOURCEW(IDC_HAND_CURSOR))) return own;
    return LoadCursorW(nullptr, IDC_HAND);
}

SkinButton::SkinButton() : font_(createFont(FontSpec{})) {
    style_.textColor = GetSysColor(COLOR_BTNTEXT);
    style_.hoverTextColor = style_.textColor;
    style_.backColor = GetSysColor(COLOR_BTNFACE);
    style_.hoverBackColor = style_.backColor;
}

SkinButton::~SkinButton() {
    if (hooks_.control != nullptr && IsWindow(hooks_.control)) detach();
}

bool SkinButton::attach(HWND button) {
    if (!hooks_.take(button, this)) return false;
    const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    SetWindowLongPtrW(button, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    if (!hooks_.hook()) {
        detach();
        return false;
    }
    InvalidateRect(button, nullptr, FALSE);
    return true;
}

void SkinButton::detach() {
    hooks_.release();
    backgroundCache_.reset();
    hovering_ = false;
}

template <typename Handle>
void SkinButton::release(Images<Handle>& images) {
    images.normal.reset(), images.hover.reset();
    images.normalSize = images.hoverSize = {};
    style_.*images.has = style_.*images.hasHover = false;
}

void SkinButton::repaint(bool redraw) {
    if (!redraw || hooks_.control == nullptr) return;
    InvalidateRect(hooks_.control, nullptr, FALSE);
    UpdateWindow(hooks_.control);
}

void SkinButton::resizeTo(Size image) {
    if (hooks_.control == nullptr) return;
    const Size size = fittedButtonSize(image, style_.pressedOffset, style_.drawBorder);
    SetWindowPos(hooks_.control, nullptr, 0, 0, size.width, size.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool SkinButton::setIcons(int normalId, int hoverId, bool resizeToFit, bool redraw) {
    const auto load = [](int id) {
        return static_cast<HICON>(LoadImageW(programModule(), MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, 0));
    };
    IconHandle normal(load(normalId)), hover(hoverId == -1 ? nullptr : load(hoverId));
    if (!normal || (hoverId != -1 && !hover)) {
        release(icons_);
        repaint(redraw);
        return false;
    }
    return adoptIcons(normal.release(), hover.release(), resizeToFit, redraw);
}

bool SkinButton::setBitmaps(int normalId, int hoverId, bool resizeToFit, bool redraw) {
    const auto load = [](int id) {
        return static_cast<HBITMAP>(
            LoadImageW(programModule(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    };
    BitmapHandle normal(load(normalId)), hover(hoverId == -1 ? nullptr : load(hoverId));
    if (!normal || (hoverId != -1 && !hover)) {
        release(bitmaps_);
        repaint(redraw);
        return false;
    }
    return adoptBitmaps(normal.release(), hover.release(), resizeToFit, redraw);
}

template <typename Handle, typename Raw>
bool SkinButton::adopt(Images<Handle>& images, Raw normal, Raw hover, bool resizeToFit, bool redraw) {
    Handle normalOwner(normal), hoverOwner(hover);
    release(images);
    const Size normalSize = imageSize(normal), hoverSize = imageSize(hover);
    if (!measurable(normalSize) || (hover != nullptr && !measurable(hoverSize))) {
        repaint(redraw);
        return false;
    }
    images.normal = std::move(normalOwner), images.hover = std::move(hoverOwner);
    images.normalSize = normalSize, images.hoverSize = hoverSize;
    style_.*images.has = true, style_.*images.hasHover = hover != nullptr;
    if (resizeToFit) resizeTo(normalSize);
    repaint(redraw);
    return true;
}

bool SkinButton::adoptIcons(HICON normal, HICON hover, bool resizeToFit, bool redraw) {
    return adopt(icons_, normal, hover, resizeToFit, redraw);
}

bool SkinButton::adoptBitmaps(HBITMAP normal, HBITMAP hover, bool resizeToFit, bool redraw) {
    return adopt(bitmaps_, normal, hover, resizeToFit, redraw);
}

bool SkinButton::setCursor(int cursorId) {
    cursor_ = cursorId == IDC_HAND_CURSOR ? loadHandCursor()
                                          : LoadCursorW(programModule(), MAKEINTRESOURCEW(cursorId));
    return cursor_ != nullptr;
}

void SkinButton::setFont(const FontSpec& font, bool redraw) {
    font_ = createFont(font);
    repaint(redraw);
}

void SkinButton::setTextColors(Color normal, Color hover, bool redraw) {
    style_.textColor = normal, style_.hoverTextColor = hover;
    repaint(redraw);
}

void SkinButton::setBackColors(Color normal, Color hover, bool redraw) {
    style_.backColor = normal, style_.hoverBackColor = hover;
    style_.transparent = false;
    repaint(redraw);
}

void SkinButton::setShowText(bool show, bool redraw) {
    style_.showText = show;
    repaint(redraw);
}

void SkinButton::setShowFocus(bool show, bool redraw) {
    style_.showFocus = show;
    repaint(redraw);
}

void SkinButton::setTextOffset(int dx, int dy, bool redraw) {
    style_.textDx = dx, style_.textDy = dy;
    repaint(redraw);
}

void SkinButton::setDrawBorder(bool draw, bool redraw) {
    style_.drawBorder = draw;
    repaint(redraw);
}

void SkinButton::setFlat(bool flat, bool redraw) {
    style_.flat = flat;
    repaint(redraw);
}

void SkinButton::setPressedOffset(bool offset, bool redraw) {
    style_.pressedOffset = offset;
    repaint(redraw);
}

void SkinButton::setBackgroundSource(HBITMAP source, bool redraw) {
    backgroundSource_ = source;
    backgroundCache_.reset();
    repaint(redraw);
}

void SkinButton::setHighlight(bool on, bool redraw) {
    style_.highlight = on;
    repaint(redraw);
}

void SkinButton::paint(HDC dc) {
    if (hooks_.control == nullptr) return;
    const auto state = static_cast<UINT>(SendMessageW(hooks_.control, BM_GETSTATE, 0, 0));
    paint(dc, {hovering_, (state & BST_PUSHED) != 0, !IsWindowEnabled(hooks_.control),
               GetFocus() == hooks_.control});
}

void SkinButton::captureBackground(int width, int height) {
    backgroundCache_ = createPixelBitmap(width, height);
    MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!backgroundCache_ || !dc) return;
    SelectGuard select(dc.get(), backgroundCache_.get());
    fillSolid(dc.get(), {0, 0, width, height}, GetSysColor(COLOR_BTNFACE));
    POINT at{0, 0};
    MapWindowPoints(hooks_.control, hooks_.parent, &at, 1);
    if (backgroundSource_ != nullptr) {
        MemoryDc source(CreateCompatibleDC(nullptr));
        SelectGuard selectSource(source.get(), backgroundSource_);
        if (source && selectSource.selected()) {
            BitBlt(dc.get(), 0, 0, width, height, source.get(), at.x, at.y, SRCCOPY);
            return;
        }
    }
    // The parent paints its background into our bitmap, shifted so that the part under the button lands
    // at the origin: unlike a copy of the screen this never picks up the button itself or other windows.
    POINT old{};
    SetViewportOrgEx(dc.get(), -at.x, -at.y, &old);
    SendMessageW(hooks_.parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
    SetViewportOrgEx(dc.get(), old.x, old.y, nullptr);
}

void SkinButton::paint(HDC target, const ButtonState& state) {
    RECT client{};
    GetClientRect(hooks_.control, &client);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return;
    const ButtonLook look = buttonLook(style_, state, {width, height}, GetSysColor(COLOR_GRAYTEXT));

    uint32_t* pixels = nullptr;
    const BitmapHandle canvas = createPixelBitmap(width, height, &pixels);
    MemoryDc dc(CreateCompatibleDC(target));
    if (!canvas || !dc) return;
    SelectGuard selectCanvas(dc.get(), canvas.get());

    if (look.fill) {
        fillSolid(dc.get(), client, *look.fill);
    } else {
        if (!backgroundCache_) captureBackground(width, height);
        MemoryDc cache(CreateCompatibleDC(dc.get()));
        SelectGuard selectCache(cache.get(), backgroundCache_.get());
        if (selectCache.selected()) {
            BitBlt(dc.get(), 0, 0, width, height, cache.get(), 0, 0, SRCCOPY);
        } else {
            fillSolid(dc.get(), client, GetSysColor(COLOR_BTNFACE));
        }
    }

    if (look.border != Border::None) {
        const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
        const bool sunken = look.border == Border::Sunken;
        draw3dRect(dc.get(), width, height, sunken ? shadow : light, sunken ? light : shadow);
    }
    if (look.highlight != Highlight::None) {
        GdiFlush();
        paintHighlight(pixels, width, height, {0, 0, width, height}, look.highlight, look.frame);
    }

    const bool hoverImage = look.image == ButtonImage::HoverIcon || look.image == ButtonImage::HoverBitmap;
    if (look.image == ButtonImage::Icon || look.image == ButtonImage::HoverIcon) {
        const HICON icon = hoverImage ? icons_.hover.get() : icons_.normal.get();
        const Size size = hoverImage ? icons_.hoverSize : icons_.normalSize;
        const Point at = centredIn(look.content, size);
        if (look.imageDisabled) {
            DrawStateW(dc.get(), nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, at.x, at.y, size.width,
                       size.height, DST_ICON | DSS_DISABLED);
        } else {
            DrawIconEx(dc.get(), at.x, at.y, icon, size.width, size.height, 0, nullptr, DI_NORMAL);
        }
    } else if (look.image == ButtonImage::Bitmap || look.image == ButtonImage::HoverBitmap) {
        const Size size = hoverImage ? bitmaps_.hoverSize : bitmaps_.normalSize;
        MemoryDc source(CreateCompatibleDC(dc.get()));
        SelectGuard selectSource(source.get(), hoverImage ? bitmaps_.hover.get() : bitmaps_.normal.get());
        BitBlt(dc.get(), look.content.left, look.content.top, size.width, size.height, source.get(), 0, 0,
               SRCCOPY);
    }

    if (look.text) {
        const std::wstring text = platform::win32::widen(windowText(hooks_.control));
        if (!text.empty()) {
            SelectGuard selectFont(dc.get(), font_.get());
            SetBkMode(dc.get(), TRANSPARENT);
            SetTextColor(dc.get(), look.textColor);
            UINT format = DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOCLIP;
            // Mnemonic underlines only once the user has pressed Alt, like the system's buttons.
            if (SendMessageW(hooks_.control, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) format |= DT_HIDEPREFIX;
            RECT r = toRect(look.textRect);
            DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &r, format);
        }
    }

    if (look.focus) {
        SetTextColor(dc.get(), RGB(0, 0, 0));
        SetBkColor(dc.get(), RGB(255, 255, 255));
        const RECT r = toRect(look.focusRect);
        DrawFocusRect(dc.get(), &r);
    }

    BitBlt(target, 0, 0, width, height, dc.get(), 0, 0, SRCCOPY);
}

LRESULT SkinButton::onButtonMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEMOVE:
            if (!hovering_) {
                hovering_ = true;
                repaint(true);
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
                TrackMouseEvent(&track);
            }
            break;
        case WM_MOUSELEAVE:
            hovering_ = false;
            repaint(true);
            break;
        case WM_SIZE: {
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            backgroundCache_.reset();
            return result;
        }
        case WM_SETCURSOR:
            if (cursor_ != nullptr) {
                SetCursor(cursor_);
                return TRUE;
            }
            break;
        case WM_ERASEBKGND:
            return TRUE;
        case WM_LBUTTONDBLCLK:
            // An owner-drawn button reports a quick second click as a double click, which nobody handles:
            // every click should press the button.
            return DefSubclassProc(window, WM_LBUTTONDOWN, wParam, lParam);
        case BM_SETSTYLE:
            // The dialog manager marks the default button this way; the button must stay owner-drawn.
            return DefSubclassProc(window, message,
                                   (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW, lParam);
        case WM_ENABLE:
        case WM_UPDATEUISTATE: {
            // Owner-drawn buttons do not repaint for these by themselves.
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            InvalidateRect(window, nullptr, FALSE);
            return result;
        }
        case WM_NCDESTROY:
            detach();
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT SkinButton::onParentMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item != nullptr && item->CtlType == ODT_BUTTON && item->hwndItem == hooks_.control) {
            paint(item->hDC, {hovering_, (item->itemState & ODS_SELECTED) != 0,
                              (item->itemState & ODS_DISABLED) != 0, (item->itemState & ODS_FOCUS) != 0});
            return TRUE;
        }
    }
    return hooks_.parentDefault(window, message, wParam, lParam);
}

}  // namespace ui
