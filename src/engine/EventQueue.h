// A RunEventSink that queues the reports for a loop on another thread to take (the console program and
// the tests; the desktop program posts window messages instead).
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "engine/Transcoder.h"

struct RunEvent {
    enum Kind { kProgress, kDone } kind = kProgress;
    std::unique_ptr<ProgressReport> progress;  // kProgress
    SourceItem* item = nullptr;                // kDone
    std::string completionText;                // kDone
};

class EventQueue final : public RunEventSink {
public:
    void postProgress(std::unique_ptr<ProgressReport> report) override;
    void postDone(SourceItem* item, std::string completionText) override;
    // The next event, waiting up to timeout; nothing when none came.
    std::optional<RunEvent> take(std::chrono::milliseconds timeout);

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<RunEvent> events_;
};
