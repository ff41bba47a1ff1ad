// A static text that behaves like a web link: link, hover and visited colours, underline, the hand cursor,
// a tooltip with its target, and a click that opens the target through the shell. It takes over an existing
// static control of a dialog and watches the parent for the control's colour and click notifications, so
// the dialog's own code needs nothing for it.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>

#include "platform/Shell.h"
#include "ui/GdiHandles.h"
#include "ui/MemberSubclass.h"
#include "ui/logic/HyperLinkLogic.h"

namespace ui {

class HyperLink {
public:
    // Tells the user that the target could not be opened (owner: the link's top-level window).
    using FailureReport = std::function<void(HWND owner, const std::string& text)>;
    static constexpr UINT_PTR kHoverTimer = 100;

    explicit HyperLink(platform::Shell& shell = platform::systemShell());
    ~HyperLink();
    HyperLink(const HyperLink&) = delete;
    HyperLink& operator=(const HyperLink&) = delete;

    // False when it is not a child window or this object already has one.
    bool attach(HWND control);
    bool attach(HWND dialog, int controlId) { return attach(GetDlgItem(dialog, controlId)); }
    HWND window() const { return hooks_.control; }

    void setUrl(const std::string& url);
    const std::string& url() const { return url_; }
    void setUnderlineMode(UnderlineMode mode);
    void setColors(const LinkColors& colors);
    void setAutoSize(bool on) { autoSize_ = on; }
    // The exclamation beep and a message box unless replaced.
    void setFailureReport(FailureReport report) { report_ = std::move(report); }

    bool hovering() const { return state_.hovering(); }
    bool visited() const { return state_.visited(); }
    Color textColor() const { return state_.textColor(); }

private:
    LRESULT onLinkMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onParentMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void detach();
    void click();
    void fitToText();
    void showFont();
    void repaint();
    void createTooltip();
    void updateTool();

    platform::Shell& shell_;
    FailureReport report_;
    HyperLinkState state_;
    std::string url_;
    bool autoSize_ = true;
    ControlSubclass<HyperLink, &HyperLink::onLinkMessage, &HyperLink::onParentMessage> hooks_;
    FontHandle normalFont_, underlinedFont_;
    HCURSOR handCursor_ = nullptr;  // shared, never destroyed
    WindowHandle tooltip_;
};

}  // namespace ui
