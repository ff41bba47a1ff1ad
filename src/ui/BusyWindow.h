// The busy window of long steps on the main thread (adding a batch of files, preparing sources): status
// line, bar, percent label and Cancel. The main window's ListHost::openBusy returns one of these; it is
// shown while the object lives.
#pragma once

#include <windows.h>

#include <string>

#include "engine/BusyIndicator.h"
#include "ui/DialogWindow.h"

namespace ui {

class BusyWindow final : public BusyIndicator, private DialogWindow {
public:
    // Shows the window centred over owner with its first text. When it cannot be created the object
    // still answers (no bar, never cancelled), so a long step runs without it.
    BusyWindow(HWND owner, const std::string& text, HINSTANCE module = nullptr);
    ~BusyWindow() override;

    using DialogWindow::handle;
    using DialogWindow::isOpen;

    void setText(const std::string& text) override;
    int barWidth() const override;
    void setBar(int position) override;
    void setPercent(const std::string& text) override;
    // Runs the waiting messages, the window's keys included, so that Cancel and Escape are seen.
    void pumpMessages() override;
    bool cancelled() const override { return cancelled_; }

private:
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

    bool cancelled_ = false;
};

}  // namespace ui
