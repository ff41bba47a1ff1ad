// An owner-drawn push button that paints itself over its window's background picture: an icon, a bitmap or
// its text, a hover state, and a flat or 3-D border (or the rounded highlight). It takes over an existing
// button of a dialog; the owner-draw requests and its parent's reflection are handled inside, so the
// dialog's own code needs nothing for it.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "ui/GdiHandles.h"
#include "ui/MemberSubclass.h"
#include "ui/logic/ButtonLook.h"

namespace ui {

struct FontSpec {
    std::string face = "MS Sans Serif";
    int height = -11;  // negative: character height in pixels
    bool bold = false;
    bool underline = false;
};

// The system's hand cursor stands in while the program's own cursor resource is missing.
HCURSOR loadHandCursor();

class SkinButton {
public:
    SkinButton();
    ~SkinButton();
    SkinButton(const SkinButton&) = delete;
    SkinButton& operator=(const SkinButton&) = delete;

    // Takes over a button: makes it owner-drawn and watches it and its parent. False when it is not a
    // window or this object already has one.
    bool attach(HWND button);
    bool attach(HWND dialog, int controlId) { return attach(GetDlgItem(dialog, controlId)); }
    HWND window() const { return hooks_.control; }

    // Resource ids of this program; hoverId -1: none. Each replaces the images of its own kind (an icon, when
    // there is one, is drawn instead of the bitmap). With resizeToFit the window keeps its top-left corner
    // and takes the image's size plus the border and the pressed offset. False (and none of that kind)
    // when an image cannot be loaded or measured.
    bool setIcons(int normalId, int hoverId, bool resizeToFit, bool redraw);
    bool setBitmaps(int normalId, int hoverId, bool resizeToFit, bool redraw);
    // The same with images made elsewhere; the button takes them over.
    bool adoptIcons(HICON normal, HICON hover, bool resizeToFit, bool redraw);
    bool adoptBitmaps(HBITMAP normal, HBITMAP hover, bool resizeToFit, bool redraw);

    // A cursor resource of this program; false and no cursor when it is missing, except the hand cursor
    // which falls back to the system's.
    bool setCursor(int cursorId);
    void setFont(const FontSpec& font, bool redraw);
    // hover kSameColor (-1): the normal colour.
    void setTextColors(Color normal, Color hover, bool redraw);
    // Fill colours instead of the background picture; hover kSameColor: the normal colour.
    void setBackColors(Color normal, Color hover, bool redraw);
    void setShowText(bool show, bool redraw);
    void setShowFocus(bool show, bool redraw);
    void setTextOffset(int dx, int dy, bool redraw);
    void setDrawBorder(bool draw, bool redraw);
    void setFlat(bool flat, bool redraw);
    void setPressedOffset(bool offset, bool redraw);
    // A bitmap the size of the parent's client area that the background is taken from (not owned; it must
    // outlive the button). Null: the parent's own erased background.
    void setBackgroundSource(HBITMAP source, bool redraw);
    // The rounded look: a translucent fill while hovered or pressed and a one-pixel rounded outline where
    // the border would show, instead of the 3-D lines.
    void setHighlight(bool on, bool redraw);

    bool hovering() const { return hovering_; }
    const ButtonStyle& style() const { return style_; }

    // Paints the button as it is now (pressed, focused and enabled read from the window) into dc.
    void paint(HDC dc);

private:
    LRESULT onButtonMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onParentMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void detach();
    void paint(HDC dc, const ButtonState& state);
    void captureBackground(int width, int height);
    void resizeTo(Size image);
    // The normal and the hover image of one kind, their sizes, and the style's flags that say they are there.
    template <typename Handle>
    struct Images {
        Handle normal, hover;
        Size normalSize, hoverSize;
        bool ButtonStyle::*has;
        bool ButtonStyle::*hasHover;
    };
    template <typename Handle>
    void release(Images<Handle>& images);
    // Takes over both images; false (and none of that kind) when one cannot be measured.
    template <typename Handle, typename Raw>
    bool adopt(Images<Handle>& images, Raw normal, Raw hover, bool resizeToFit, bool redraw);
    void repaint(bool redraw);

    ControlSubclass<SkinButton, &SkinButton::onButtonMessage, &SkinButton::onParentMessage> hooks_;
    ButtonStyle style_;
    Images<IconHandle> icons_{{}, {}, {}, {}, &ButtonStyle::hasIcon, &ButtonStyle::hasHoverIcon};
    Images<BitmapHandle> bitmaps_{{}, {}, {}, {}, &ButtonStyle::hasBitmap, &ButtonStyle::hasHoverBitmap};
    HCURSOR cursor_ = nullptr;  // shared cursors are never destroyed
    FontHandle font_;
    HBITMAP backgroundSource_ = nullptr;
    BitmapHandle backgroundCache_;
    bool hovering_ = false;
};

}  // namespace ui
