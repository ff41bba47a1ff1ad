#include "ui/logic/ButtonLook.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

Color orSame(Color color, Color fallback) { return color == kSameColor ? fallback : color; }

Border borderFor(const ButtonStyle& style, const ButtonState& state) {
    if (!style.drawBorder) return Border::None;
    if (state.pressed) return Border::Sunken;
    if (!style.flat || state.hovering) return Border::Raised;
    return Border::None;
}

ButtonImage imageFor(const ButtonStyle& style, const ButtonState& state) {
    // The hover image answers the mouse; a disabled button never does.
    const bool hot = (state.hovering || state.pressed) && !state.disabled;
    if (style.hasIcon) return hot && style.hasHoverIcon ? ButtonImage::HoverIcon : ButtonImage::Icon;
    if (style.hasBitmap) return hot && style.hasHoverBitmap ? ButtonImage::HoverBitmap : ButtonImage::Bitmap;
    return ButtonImage::None;
}

}  // namespace

ButtonLook buttonLook(const ButtonStyle& style, const ButtonState& state, Size client, Color grayText) {
    ButtonLook look;
    const bool hot = state.hovering || state.pressed;
    if (!style.transparent) look.fill = hot ? orSame(style.hoverBackColor, style.backColor) : style.backColor;

    const Border border = borderFor(style, state);
    if (style.highlight) {
        // The rounded look replaces the 3-D lines; the border rule still decides whether an outline shows.
        if (hot && !state.disabled) look.highlight = state.pressed ? Highlight::Pressed : Highlight::Hover;
        look.frame = look.highlight != Highlight::None && border != Border::None;
    } else {
        look.border = border;
    }
    look.content = {0, 0, client.width, client.height};
    if (style.drawBorder) look.content = look.content.inset(1);
    if (state.pressed && style.pressedOffset) look.content = look.content.moved(1, 1);

    look.image = imageFor(style, state);
    look.imageDisabled =
        state.disabled && (look.image == ButtonImage::Icon || look.image == ButtonImage::HoverIcon);

    look.text = style.showText;
    look.textRect = look.content.moved(style.textDx, style.textDy);
    if (state.disabled) {
        look.textColor = grayText;
    } else if (hot) {
        look.textColor = orSame(style.hoverTextColor, style.textColor);
    } else {
        look.textColor = style.textColor;
    }

    look.focus = state.focused && style.showFocus;
    look.focusRect = look.content.inset(3);
    return look;
}

Size fittedButtonSize(Size image, bool pressedOffset, bool drawBorder) {
    const int extra = (pressedOffset ? 1 : 0) + (drawBorder ? 2 : 0);
    return {image.width + extra, image.height + extra};
}

Point centredIn(const Rect& area, Size image) {
    return {area.left + (area.width() - image.width) / 2, area.top + (area.height() - image.height) / 2};
}

namespace {

struct Tone {
    double fill;   // opacity of the fill
    double frame;  // opacity of the outline
};

uint32_t blend(uint32_t pixel, uint32_t toward, double alpha) {
    if (alpha <= 0) return pixel;
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double a = (pixel >> shift) & 0xFF, b = (toward >> shift) & 0xFF;
        out |= static_cast<uint32_t>(std::lround(a + (b - a) * std::min(alpha, 1.0))) << shift;
    }
    return out;
}

// Mean luminance (0..255) of the pixels of the area.
double meanLuminance(const uint32_t* pixels, int width, const Rect& area) {
    double sum = 0;
    long count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const uint32_t p =
                pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
            sum += 0.299 * ((p >> 16) & 0xFF) + 0.587 * ((p >> 8) & 0xFF) + 0.114 * (p & 0xFF);
            ++count;
        }
    }
    return count == 0 ? 0 : sum / static_cast<double>(count);
}

}  // namespace

void paintHighlight(uint32_t* pixels, int width, int height, const Rect& area, Highlight highlight,
                    bool frame) {
    if (highlight == Highlight::None || pixels == nullptr) return;
    const Rect clip{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, width),
                    std::min(area.bottom, height)};
    if (clip.width() <= 0 || clip.height() <= 0) return;

    const bool overDark = meanLuminance(pixels, width, clip) < 150;
    const uint32_t toward = overDark ? 0xFFFFFF : 0x000000;
    // Dark veils show more than light ones at the same opacity. Pressed reads darker than hovered on
    // either background, as if pushed away from the light.
    const Tone hover = overDark ? Tone{0.16, 0.50} : Tone{0.06, 0.25};
    const Tone pressed = overDark ? Tone{0.09, 0.40} : Tone{0.11, 0.35};
    const Tone tone = highlight == Highlight::Pressed ? pressed : hover;

    // A rounded rectangle through the centres of the area's outermost pixels; d is the signed distance of a
    // pixel's centre from its outline (negative inside).
    const double cx = (area.left + area.right) / 2.0, cy = (area.top + area.bottom) / 2.0;
    const double hx = area.width() / 2.0 - 0.5, hy = area.height() / 2.0 - 0.5;
    const double radius = std::clamp(std::min(area.width(), area.height()) / 4.0, 0.0, 4.0);
    for (int y = clip.top; y < clip.bottom; ++y) {
        for (int x = clip.left; x < clip.right; ++x) {
            const double qx = std::abs(x + 0.5 - cx) - (hx - radius);
            const double qy = std::abs(y + 0.5 - cy) - (hy - radius);
            const double d =
                std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - radius;
            // With an outline the fill stops where the outline starts; without one it runs to the edge.
            const double fillCover = std::clamp(frame ? -d : 1.0 - d, 0.0, 1.0);
            const double frameCover = frame ? std::clamp(1.0 - std::abs(d), 0.0, 1.0) : 0.0;
            uint32_t& p =
                pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
            p = blend(blend(p, toward, tone.fill * fillCover), toward, tone.frame * frameCover);
        }
    }
}

}  // namespace ui
