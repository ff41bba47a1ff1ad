#include "engine/win32/WindowPostingSink.h"

void WindowPostingSink::postProgress(std::unique_ptr<ProgressReport> report) {
    if (PostMessageW(window_, kWmConvertProgress, 0, reinterpret_cast<LPARAM>(report.get())))
        report.release();
}

void WindowPostingSink::postDone(std::unique_ptr<DoneReport> report) {
    const WPARAM item = reinterpret_cast<WPARAM>(report->item);
    // The done report must arrive: a full queue is retried for as long as the window exists, or the run
    // would wait for this job forever.
    for (;;) {
        if (PostMessageW(window_, kWmConvertDone, item, reinterpret_cast<LPARAM>(report.get()))) {
            report.release();
            return;
        }
        if (!IsWindow(window_)) return;
        Sleep(50);
    }
}

std::unique_ptr<ProgressReport> WindowPostingSink::takeProgress(LPARAM lParam) {
    return std::unique_ptr<ProgressReport>(reinterpret_cast<ProgressReport*>(lParam));
}

std::unique_ptr<DoneReport> WindowPostingSink::takeDone(LPARAM lParam) {
    return std::unique_ptr<DoneReport>(reinterpret_cast<DoneReport*>(lParam));
}
