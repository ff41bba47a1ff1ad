#include "ui/logic/HyperLinkLogic.h"

namespace ui {

Color HyperLinkState::textColor() const {
    if (hovering_) return colors_.hover;
    return visited_ ? colors_.visited : colors_.link;
}

bool HyperLinkState::underlined() const {
    switch (mode_) {
        case UnderlineMode::Always:
            return true;
        case UnderlineMode::Never:
            return false;
        case UnderlineMode::WhileHovering:
            return hovering_;
    }
    return false;
}

bool HyperLinkState::setUnderlineMode(UnderlineMode mode) {
    if (mode == mode_) return false;
    mode_ = mode;
    return true;
}

bool HyperLinkState::mouseMoved() {
    if (hovering_) return false;
    hovering_ = true;
    return true;
}

std::optional<std::string> HyperLinkState::opened(intptr_t result) {
    if (result > 32) {
        visited_ = true;
        return std::nullopt;
    }
    return openFailureText(result);
}

std::string shellOpenReason(intptr_t result) {
    const char* reason = nullptr;
    switch (result) {
        case 0:
            reason = "The operating system is out\nof memory or resources.";
            break;
        case 2:
            reason = "The specified file was not found.";
            break;
        case 3:
            reason = "The specified path was not found.";
            break;
        case 5:
            reason = "The operating system denied\naccess to the specified file.";
            break;
        case 8:
            reason = "There was not enough memory to complete the operation.";
            break;
        case 11:
            reason = "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
            break;
        case 26:
            reason = "A sharing violation occurred. ";
            break;
        case 27:
            reason = "The filename association is\nincomplete or invalid.";
            break;
        case 28:
            reason = "The DDE transaction could not\nbe completed because the request timed out.";
            break;
        case 29:
            reason = "The DDE transaction failed.";
            break;
        case 30:
            reason =
                "The DDE transaction could not\nbe completed because other DDE transactions\nwere being "
                "processed.";
            break;
        case 31:
            reason = "There is no application associated\nwith the given filename extension.";
            break;
        case 32:
            reason = "The specified dynamic-link library was not found.";
            break;
        default:
            break;
    }
    return reason != nullptr ? reason : "Unknown Error (" + std::to_string(result) + ") occurred.";
}

std::string openFailureText(intptr_t result) {
    return "Unable to open hyperlink:\n\n" + shellOpenReason(result);
}

LinkTexts linkTexts(const std::string& url, const std::string& windowText) {
    LinkTexts texts{url.empty() ? windowText : url, windowText};
    if (texts.shown.empty()) texts.shown = texts.url;
    return texts;
}

Rect fitToSize(const Rect& old, Size size, HorizontalAnchor anchor, bool centreVertically) {
    Rect r;
    switch (anchor) {
        case HorizontalAnchor::Left:
            r.left = old.left;
            break;
        case HorizontalAnchor::Centre:
            r.left = old.left + (old.width() - size.width) / 2;
            break;
        case HorizontalAnchor::Right:
            r.left = old.right - size.width;
            break;
    }
    r.top = centreVertically ? old.top + (old.height() - size.height) / 2 : old.top;
    r.right = r.left + size.width;
    r.bottom = r.top + size.height;
    return r;
}

}  // namespace ui
