#include "engine/EventQueue.h"

void EventQueue::push(RunEvent event) {
    // Notified under the lock: a consumer that destroys the queue on this event cannot do so before the
    // notification is over.
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(std::move(event));
    ready_.notify_one();
}

void EventQueue::postProgress(std::unique_ptr<ProgressReport> report) {
    RunEvent event;
    event.kind = RunEvent::kProgress;
    event.item = report->item;
    event.progress = std::move(report);
    push(std::move(event));
}

void EventQueue::postDone(std::unique_ptr<DoneReport> report) {
    RunEvent event;
    event.kind = RunEvent::kDone;
    event.item = report->item;
    event.done = std::move(report);
    push(std::move(event));
}

std::optional<RunEvent> EventQueue::take(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!ready_.wait_for(lock, timeout, [this] { return !events_.empty(); })) return std::nullopt;
    RunEvent event = std::move(events_.front());
    events_.pop_front();
    return event;
}
