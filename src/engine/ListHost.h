// What the operations on the file list need of the window that shows it: the busy window, disabling the
// main window while they work, letting pending window messages run, and message boxes.
#pragma once

#include <memory>
#include <string>

#include "engine/BusyIndicator.h"

enum class MessageIcon { kInformation, kWarning };

class ListHost {
public:
    virtual ~ListHost() = default;
    // Shows the busy window with its first text; it closes when the returned object goes.
    virtual std::unique_ptr<BusyIndicator> openBusy(const std::string& text) = 0;
    virtual void setMainWindowEnabled(bool enabled) = 0;
    virtual void pumpMessages() = 0;
    // A message box with the caption "Melodrift".
    virtual void showMessage(const std::string& text, MessageIcon icon) = 0;
};
