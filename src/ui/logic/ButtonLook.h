// What an owner-drawn button paints for its settings and its moment's state: border, content place, image,
// text colour, focus, and the rounded highlight that text buttons over the main window's picture use.
#pragma once

#include <cstdint>
#include <optional>

namespace ui {

// Colours as Windows stores them: 0x00BBGGRR.
using Color = uint32_t;
constexpr Color rgb(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<Color>(r) | static_cast<Color>(g) << 8 | static_cast<Color>(b) << 16;
}
// As a hover colour: the same as the normal one (Windows code passes -1).
inline constexpr Color kSameColor = 0xFFFFFFFF;

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    Rect moved(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    Rect inset(int by) const { return {left + by, top + by, right - by, bottom - by}; }
    bool operator==(const Rect&) const = default;
};

enum class Border { None, Raised, Sunken };
enum class ButtonImage { None, Icon, HoverIcon, Bitmap, HoverBitmap };
enum class Highlight { None, Hover, Pressed };

// How the button is set up.
struct ButtonStyle {
    bool flat = true;           // border only while hovered or pressed
    bool drawBorder = true;     // a one-pixel border, which also takes a pixel off the content
    bool pressedOffset = true;  // content moves by (1, 1) while pressed
    bool showText = true;
    bool showFocus = false;
    bool transparent = true;  // the parent's background instead of a fill colour
    bool highlight = false;   // translucent rounded fill and frame instead of the 3-D lines
    bool hasIcon = false, hasHoverIcon = false, hasBitmap = false, hasHoverBitmap = false;
    Color textColor = 0;
    Color hoverTextColor = kSameColor;
    Color backColor = 0;
    Color hoverBackColor = kSameColor;
    int textDx = 0, textDy = 0;
};

// The facts of the moment.
struct ButtonState {
    bool hovering = false;
    bool pressed = false;
    bool disabled = false;
    bool focused = false;
};

// The painting decisions for one frame, in client coordinates.
struct ButtonLook {
    std::optional<Color> fill;     // none: copy the captured background
    Border border = Border::None;  // the 3-D lines
    Highlight highlight = Highlight::None;
    bool frame = false;  // the highlight's rounded outline
    Rect content;
    ButtonImage image = ButtonImage::None;
    bool imageDisabled = false;  // the icon in its greyed look
    bool text = false;
    Rect textRect;
    Color textColor = 0;
    bool focus = false;
    Rect focusRect;
};

// grayText: the system's colour for disabled text.
ButtonLook buttonLook(const ButtonStyle& style, const ButtonState& state, Size client, Color grayText);

// The window size that fits an image with the border and the pressed offset around it.
Size fittedButtonSize(Size image, bool pressedOffset, bool drawBorder);

// Top-left corner of an image centred in a rectangle.
struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};
Point centredIn(const Rect& area, Size image);

// Paints the highlight into 32-bit pixels (0x00RRGGBB, rows top-down, `width` pixels a row) over `area`:
// a translucent fill with rounded corners and, when `frame`, a one-pixel anti-aliased rounded outline on
// the area's outermost pixels. The tone follows what lies beneath: light over dark pictures, dark over light
// ones, so it reads on any background.
void paintHighlight(uint32_t* pixels, int width, int height, const Rect& area, Highlight highlight,
                    bool frame);

}  // namespace ui
