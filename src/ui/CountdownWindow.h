// The shut-down countdown after a run with "Shut down Windows after converting" ticked: 30 seconds in
// which Cancel keeps Windows running; then Windows is shut down. Modal and topmost while open.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/Shutdown.h"
#include "ui/DialogWindow.h"
#include "ui/GdiHandles.h"
#include "ui/logic/RunWindowsLogic.h"

namespace ui {

class CountdownWindow final : private DialogWindow {
public:
    // Tells the user that the shut-down failed (a warning box in the program).
    using ShowWarning = std::function<void(const std::string& text)>;

    enum class Outcome { kCancelled, kShutDown, kShutDownFailed, kNotShown };

    // tickMs: the timer's interval (a second; tests run faster). module: where the template is.
    CountdownWindow(platform::Shutdown& shutdown, ShowWarning showWarning, UINT tickMs = 1000,
                    HINSTANCE module = nullptr);
    ~CountdownWindow() override;

    // Counts down over owner, then shuts down unless the user cancelled.
    Outcome run(HWND owner);

    using DialogWindow::handle;

private:
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

    platform::Shutdown& shutdown_;
    ShowWarning showWarning_;
    UINT tickMs_;
    ShutdownCountdown countdown_;
    FontHandle font_;
    HBRUSH background_ = nullptr;
};

// A warning box captioned "Melodrift" over owner: how the program shows a failed shut-down.
CountdownWindow::ShowWarning warningBox(HWND owner);

}  // namespace ui
