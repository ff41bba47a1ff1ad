// Posts a run's reports to a window: WM_CONVERT_PROGRESS with the ProgressReport, WM_CONVERT_DONE with the
// job's item and the completion text (UTF-16 on the heap). The receiver owns both and frees them, also
// when it discards them after a cancel (see takeProgress/takeCompletionText).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "engine/RunMessages.h"
#include "engine/Transcoder.h"

class WindowPostingSink final : public RunEventSink {
public:
    explicit WindowPostingSink(HWND window) : window_(window) {}
    void postProgress(std::unique_ptr<ProgressReport> report) override;
    void postDone(SourceItem* item, std::string completionText) override;

    // The receiving side re-owns the records carried by a message.
    static std::unique_ptr<ProgressReport> takeProgress(LPARAM lParam);
    static std::unique_ptr<std::wstring> takeCompletionText(LPARAM lParam);

private:
    HWND window_;
};
