#include <gtest/gtest.h>

#include <vector>

#include "ui/logic/ButtonLook.h"

using namespace ui;

namespace {

constexpr Size kClient{20, 10};
constexpr Color kGray = rgb(128, 128, 128);

ButtonLook lookOf(ButtonStyle style, ButtonState state) { return buttonLook(style, state, kClient, kGray); }

}  // namespace

// Flat: no border until hovered, sunken while pressed; the border takes a pixel off the content whether it
// shows or not; pressing moves the content by one pixel when the offset is on.
TEST(ButtonLook, BorderAndContentPlace) {
    struct Case {
        bool flat, drawBorder, pressedOffset, hovering, pressed;
        Border border;
        Rect content;
    };
    const Case cases[] = {
        {true, true, true, false, false, Border::None, {1, 1, 19, 9}},
        {true, true, true, true, false, Border::Raised, {1, 1, 19, 9}},
        {true, true, true, false, true, Border::Sunken, {2, 2, 20, 10}},
        {true, true, true, true, true, Border::Sunken, {2, 2, 20, 10}},
        {false, true, true, false, false, Border::Raised, {1, 1, 19, 9}},
        {false, true, false, false, true, Border::Sunken, {1, 1, 19, 9}},
        {true, false, true, true, false, Border::None, {0, 0, 20, 10}},
        {true, false, true, false, true, Border::None, {1, 1, 21, 11}},
    };
    for (const auto& c : cases) {
        ButtonStyle style;
        style.flat = c.flat, style.drawBorder = c.drawBorder, style.pressedOffset = c.pressedOffset;
        const ButtonLook look = lookOf(style, {c.hovering, c.pressed, false, false});
        EXPECT_EQ(look.border, c.border)
            << c.flat << c.drawBorder << c.pressedOffset << c.hovering << c.pressed;
        EXPECT_EQ(look.content, c.content)
            << c.flat << c.drawBorder << c.pressedOffset << c.hovering << c.pressed;
        EXPECT_EQ(look.highlight, Highlight::None);
    }
}

// The rounded look keeps the border rule (flat: outline only while hot) but draws no 3-D lines, and a
// disabled button shows none of it.
TEST(ButtonLook, HighlightFollowsTheBorderRule) {
    struct Case {
        bool flat, drawBorder;
        ButtonState state;
        Highlight highlight;
        bool frame;
    };
    const Case cases[] = {
        {true, true, {false, false, false, false}, Highlight::None, false},
        {true, true, {true, false, false, false}, Highlight::Hover, true},
        {true, true, {true, true, false, false}, Highlight::Pressed, true},
        {true, false, {true, false, false, false}, Highlight::Hover, false},
        {false, true, {false, false, false, false}, Highlight::None, false},
        {true, true, {true, false, true, false}, Highlight::None, false},
    };
    for (const auto& c : cases) {
        ButtonStyle style;
        style.highlight = true, style.flat = c.flat, style.drawBorder = c.drawBorder;
        const ButtonLook look = lookOf(style, c.state);
        EXPECT_EQ(std::tuple(look.border, look.highlight, look.frame),
                  std::tuple(Border::None, c.highlight, c.frame))
            << c.flat << c.drawBorder << c.state.hovering << c.state.pressed << c.state.disabled;
    }
}

// An icon wins over a bitmap; the hover image shows only while hovered or pressed and never when disabled.
TEST(ButtonLook, ImageChoice) {
    struct Case {
        bool icon, hoverIcon, bitmap, hoverBitmap, hovering, pressed, disabled;
        ButtonImage image;
        bool greyed;
    };
    const Case cases[] = {
        {false, false, false, false, true, false, false, ButtonImage::None, false},
        {true, true, true, true, false, false, false, ButtonImage::Icon, false},
        {true, true, true, true, true, false, false, ButtonImage::HoverIcon, false},
        {true, true, true, true, false, true, false, ButtonImage::HoverIcon, false},
        {true, true, false, false, true, false, true, ButtonImage::Icon, true},
        {true, false, true, true, true, false, false, ButtonImage::Icon, false},
        {false, false, true, true, true, false, false, ButtonImage::HoverBitmap, false},
        {false, false, true, true, false, true, true, ButtonImage::Bitmap, false},
        {false, false, true, false, true, false, false, ButtonImage::Bitmap, false},
    };
    for (const auto& c : cases) {
        ButtonStyle style;
        style.hasIcon = c.icon, style.hasHoverIcon = c.hoverIcon;
        style.hasBitmap = c.bitmap, style.hasHoverBitmap = c.hoverBitmap;
        const ButtonLook look = lookOf(style, {c.hovering, c.pressed, c.disabled, false});
        EXPECT_EQ(std::pair(look.image, look.imageDisabled), std::pair(c.image, c.greyed))
            << c.icon << c.hoverIcon << c.bitmap << c.hoverBitmap << c.hovering << c.pressed << c.disabled;
    }
}

// Disabled text is grey; hovered or pressed text takes the hover colour, which -1 makes the normal one.
TEST(ButtonLook, TextColourTextPlaceAndFocus) {
    const Color text = rgb(10, 20, 30), hover = rgb(200, 0, 0);
    struct Case {
        Color hoverColor;
        ButtonState state;
        Color expected;
    };
    const Case cases[] = {
        {hover, {false, false, false, false}, text},     {hover, {true, false, false, false}, hover},
        {hover, {false, true, false, false}, hover},     {hover, {true, false, true, false}, kGray},
        {kSameColor, {true, false, false, false}, text}, {kSameColor, {false, true, false, false}, text},
    };
    for (const auto& c : cases) {
        ButtonStyle style;
        style.textColor = text, style.hoverTextColor = c.hoverColor;
        EXPECT_EQ(lookOf(style, c.state).textColor, c.expected) << c.state.hovering << c.state.pressed;
    }

    ButtonStyle style;
    style.textDx = 3, style.textDy = -2;
    ButtonLook look = lookOf(style, {false, true, false, true});
    EXPECT_EQ(look.textRect, (Rect{5, 0, 23, 8}));  // content {2,2,20,10} moved by the offset
    EXPECT_FALSE(look.focus);
    style.showFocus = true;
    look = lookOf(style, {false, false, false, true});
    EXPECT_TRUE(look.focus);
    EXPECT_EQ(look.focusRect, (Rect{4, 4, 16, 6}));
    EXPECT_FALSE(lookOf(style, {}).focus);
}

// Over a dark picture the highlight lightens, over a light one it darkens; the outline is stronger than
// the fill, pressed is darker than hovered, the rounded corners and everything outside stay untouched.
TEST(ButtonLook, HighlightPixels) {
    constexpr int w = 30, h = 12;
    const Rect area{2, 1, 28, 11};
    const auto paint = [&](uint32_t base, Highlight highlight, bool frame) {
        std::vector<uint32_t> px(w * h, base);
        paintHighlight(px.data(), w, h, area, highlight, frame);
        return px;
    };
    const auto at = [&](const std::vector<uint32_t>& px, int x, int y) { return px[y * w + x] & 0xFF; };
    for (const uint32_t base : {0x303030u, 0xE0E0E0u}) {
        const bool dark = base == 0x303030u;
        const auto hover = paint(base, Highlight::Hover, true);
        const auto pressed = paint(base, Highlight::Pressed, true);
        const uint32_t b = base & 0xFF;
        const auto further = [&](uint32_t a, uint32_t c) { return dark ? a > c : a < c; };  // a beyond c
        EXPECT_TRUE(further(at(hover, 15, 6), b)) << base;                                  // filled inside
        EXPECT_TRUE(further(at(hover, 15, 1), at(hover, 15, 6))) << base;  // outline on the top row
        EXPECT_TRUE(further(at(hover, 2, 6), at(hover, 15, 6))) << base;   // and on the left column
        EXPECT_LT(at(pressed, 15, 6), at(hover, 15, 6)) << base;           // pressed reads darker
        EXPECT_NE(at(pressed, 15, 6), b) << base;
        EXPECT_EQ(at(hover, 2, 1), b) << base;  // rounded corner
        EXPECT_EQ(at(hover, 27, 10), b) << base;
        EXPECT_EQ(at(hover, 1, 6), b) << base;  // outside the area
        EXPECT_EQ(at(hover, 15, 0), b) << base;
        EXPECT_EQ(hover[6 * w + 15] >> 24, 0u);  // no alpha byte written
    }
    // Without an outline the edge row carries the fill, not more.
    const auto plain = paint(0x303030, Highlight::Hover, false);
    EXPECT_EQ(at(plain, 15, 1), at(plain, 15, 6));
    EXPECT_EQ(paint(0x303030, Highlight::None, true), std::vector<uint32_t>(w * h, 0x303030));
}
