#include "engine/win32/WindowPostingSink.h"

#include "platform/win32/WinText.h"

void WindowPostingSink::postProgress(std::unique_ptr<ProgressReport> report) {
    if (PostMessageW(window_, kWmConvertProgress, 0, reinterpret_cast<LPARAM>(report.get())))
        report.release();
}

void WindowPostingSink::postDone(SourceItem* item, std::string completionText) {
    auto text = std::make_unique<std::wstring>(platform::win32::widen(completionText));
    // The done report must arrive: a full queue is retried rather than the job left running forever.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (PostMessageW(window_, kWmConvertDone, reinterpret_cast<WPARAM>(item),
                         reinterpret_cast<LPARAM>(text.get()))) {
            text.release();
            return;
        }
        if (!IsWindow(window_)) return;
        Sleep(50);
    }
}

std::unique_ptr<ProgressReport> WindowPostingSink::takeProgress(LPARAM lParam) {
    return std::unique_ptr<ProgressReport>(reinterpret_cast<ProgressReport*>(lParam));
}

std::unique_ptr<std::wstring> WindowPostingSink::takeCompletionText(LPARAM lParam) {
    return std::unique_ptr<std::wstring>(reinterpret_cast<std::wstring*>(lParam));
}
