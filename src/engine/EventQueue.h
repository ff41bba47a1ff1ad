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
    SourceItem* item = nullptr;
    std::unique_ptr<ProgressReport> progress;  // kProgress
    std::unique_ptr<DoneReport> done;          // kDone
};

class EventQueue final : public RunEventSink {
public:
    ~EventQueue() override { waitForReaders(); }
    void postProgress(std::unique_ptr<ProgressReport> report) override;
    void postDone(std::unique_ptr<DoneReport> report) override;
    // The next event, waiting up to timeout; nothing when none came.
    std::optional<RunEvent> take(std::chrono::milliseconds timeout);

private:
    void push(RunEvent event);

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<RunEvent> events_;
};
