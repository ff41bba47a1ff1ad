// Posts a run's reports to a window: WM_CONVERT_PROGRESS with the ProgressReport, WM_CONVERT_DONE with the
// job's item and its DoneReport (the completion text and the exit code). The receiver owns both records
// and frees them, also when it discards them after a cancel (see takeProgress/takeDone).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "engine/RunMessages.h"
#include "engine/Transcoder.h"

class WindowPostingSink final : public RunEventSink {
public:
    explicit WindowPostingSink(HWND window) : window_(window) {}
    ~WindowPostingSink() override { waitForReaders(); }
    void postProgress(std::unique_ptr<ProgressReport> report) override;
    void postDone(std::unique_ptr<DoneReport> report) override;

    // The receiving side re-owns the records carried by a message.
    static std::unique_ptr<ProgressReport> takeProgress(LPARAM lParam);
    static std::unique_ptr<DoneReport> takeDone(LPARAM lParam);

private:
    HWND window_;
};
