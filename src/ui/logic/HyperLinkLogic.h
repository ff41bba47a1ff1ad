// The rules of a text that behaves like a web link: its colours, its underline, what it shows, how it fits
// its text, and what the user is told when the target cannot be opened.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ui/logic/ButtonLook.h"

namespace ui {

struct LinkColors {
    Color link = rgb(0, 0, 238);
    Color visited = rgb(85, 26, 139);
    Color hover = rgb(255, 0, 0);
};

enum class UnderlineMode { WhileHovering = -1, Never = 0, Always = 1 };

class HyperLinkState {
public:
    explicit HyperLinkState(LinkColors colors = {}) : colors_(colors) {}

    bool hovering() const { return hovering_; }
    bool visited() const { return visited_; }
    Color textColor() const;
    // Which of the two fonts the link shows now.
    bool underlined() const;
    UnderlineMode underlineMode() const { return mode_; }
    // True when the mode changed.
    bool setUnderlineMode(UnderlineMode mode);
    void setColors(const LinkColors& colors) { colors_ = colors; }

    // The mouse moved over the link: true when it starts hovering now (repaint, start watching the cursor).
    bool mouseMoved();
    // The cursor was found outside.
    void mouseLeft() { hovering_ = false; }
    // A click opens the target; the link stops showing its hover colour while that happens.
    void clicked() { hovering_ = false; }
    // The result of opening the target (above 32 is success): the message for the user when it failed.
    std::optional<std::string> opened(intptr_t result);

private:
    LinkColors colors_;
    UnderlineMode mode_ = UnderlineMode::WhileHovering;
    bool hovering_ = false;
    bool visited_ = false;
};

// Why the shell could not open a target, for an open result of 32 or below.
std::string shellOpenReason(intptr_t result);
// "Unable to open hyperlink:\n\n" and the reason.
std::string openFailureText(intptr_t result);

// A link without a target takes its text as the target; a link without text shows its target.
struct LinkTexts {
    std::string url;
    std::string shown;
};
LinkTexts linkTexts(const std::string& url, const std::string& windowText);

enum class HorizontalAnchor { Left, Centre, Right };
// The window's new place when it takes `size`: which edge or centre of the old rectangle stays.
Rect fitToSize(const Rect& old, Size size, HorizontalAnchor anchor, bool centreVertically);

}  // namespace ui
