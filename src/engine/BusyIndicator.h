// The busy window of long steps on the main thread (adding a batch, preparing sources): a status line, a
// bar, a percent label and a Cancel button. The desktop window and the console implement it.
#pragma once

#include <string>

class BusyIndicator {
public:
    virtual ~BusyIndicator() = default;
    virtual void setText(const std::string& text) = 0;  // the status line
    virtual int barWidth() const = 0;                   // the bar's range is 0 .. barWidth()
    virtual void setBar(int position) = 0;
    virtual void setPercent(const std::string& text) = 0;  // "%d%%"
    virtual void pumpMessages() = 0;                       // let pending window messages run
    virtual bool cancelled() const = 0;
};
