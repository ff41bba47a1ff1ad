// The progress window of a conversion run: status text, bar, percent, the output folder, the shut-down
// box and the threads and priority lists. Modeless and owned by the main window, which keeps one of these
// for the length of a run and forwards RunHost's progress calls to it.
//
// Posted to the owner: kWmRunSetThreads (wParam 1 to 32), kWmRunSetPriority (wParam the priority
// class), kWmRunCancel (Cancel or Escape; the window stays until the run closes it).
#pragma once

#include <windows.h>

#include <string>

#include "engine/ConversionRun.h"
#include "platform/Shell.h"
#include "ui/DialogWindow.h"
#include "ui/logic/RunWindowsLogic.h"

namespace ui {

class ProgressWindow final : private DialogWindow {
public:
    // shell opens the output folder; module holds the window's template (null: the program).
    explicit ProgressWindow(platform::Shell& shell, HINSTANCE module = nullptr);
    ~ProgressWindow() override;

    // Creates and shows the window centred over owner; false when it could not be created (the other
    // calls then do nothing). An open window is closed first.
    bool open(HWND owner, const ProgressSetup& setup);
    // True when "Shut down Windows after converting" was ticked; the window is destroyed.
    bool close();

    using DialogWindow::handle;
    using DialogWindow::isOpen;

    void setText(const std::string& text);
    void setPercent(const std::string& text);
    // The bar runs from 0 to its width in pixels; the run's part done (0 to 1) is placed on it.
    int barWidth() const;
    void setBarFraction(double fraction);
    // One step of 2 forward, for a join whose length is unknown (the bar starts over when full).
    void stepBar();

    const ProgressWindowModel& model() const { return model_; }

private:
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void initialise();
    void onCommand(int id, int code);
    void post(UINT message, WPARAM wParam) const;

    platform::Shell& shell_;
    HWND owner_ = nullptr;
    ProgressWindowModel model_;
};

}  // namespace ui
