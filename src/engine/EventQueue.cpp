#include "engine/EventQueue.h"

void EventQueue::postProgress(std::unique_ptr<ProgressReport> report) {
    RunEvent event;
    event.kind = RunEvent::kProgress;
    event.item = report->item;
    event.progress = std::move(report);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(event));
    }
    ready_.notify_one();
}

void EventQueue::postDone(SourceItem* item, std::string completionText) {
    RunEvent event;
    event.kind = RunEvent::kDone;
    event.item = item;
    event.completionText = std::move(completionText);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(event));
    }
    ready_.notify_one();
}

std::optional<RunEvent> EventQueue::take(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!ready_.wait_for(lock, timeout, [this] { return !events_.empty(); })) return std::nullopt;
    RunEvent event = std::move(events_.front());
    events_.pop_front();
    return event;
}
