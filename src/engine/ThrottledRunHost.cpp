#include "engine/ThrottledRunHost.h"

#include <chrono>

ThrottledRunHost::ThrottledRunHost(RunHost& host, uint32_t intervalMs, Clock clock)
    : host_(host), intervalMs_(intervalMs), clock_(std::move(clock)) {
    if (!clock_) {
        clock_ = [] {
            return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::steady_clock::now().time_since_epoch())
                                             .count());
        };
    }
}

template <typename T, typename Send>
void ThrottledRunHost::offer(Slot<T>& slot, T value, uint64_t now, const Send& send) {
    if (slot.sentAt && now - *slot.sentAt < intervalMs_) {
        slot.waiting = std::move(value);
        return;
    }
    slot.waiting.reset();
    slot.sentAt = now;
    send(value);
}

template <typename T, typename Send>
void ThrottledRunHost::sendIfDue(Slot<T>& slot, uint64_t now, bool force, const Send& send) {
    if (!slot.waiting || (!force && slot.sentAt && now - *slot.sentAt < intervalMs_)) return;
    T value = std::move(*slot.waiting);
    slot.waiting.reset();
    slot.sentAt = now;
    send(value);
}

void ThrottledRunHost::sendDue(bool force) {
    const uint64_t now = clock_();
    for (auto it = rows_.begin(); it != rows_.end();) {
        SourceItem& item = *it->first;
        sendIfDue(it->second, now, force, [&](const std::string& text) { host_.setStatus(item, text); });
        // A row with nothing waiting is forgotten once its interval is over, so a long run keeps only the
        // rows of its recent jobs.
        const bool idle = !it->second.waiting && (force || now - *it->second.sentAt >= intervalMs_);
        it = idle ? rows_.erase(it) : std::next(it);
    }
    sendIfDue(text_, now, force, [&](const std::string& text) { host_.setProgressText(text); });
    sendIfDue(fraction_, now, force, [&](double fraction) { host_.setProgressFraction(fraction); });
    sendIfDue(percent_, now, force, [&](const std::string& text) { host_.setProgressPercent(text); });
    sendIfDue(steps_, now, force, [&](int) { host_.stepProgressBar(); });
}

void ThrottledRunHost::tick() { sendDue(false); }

void ThrottledRunHost::flush() { sendDue(true); }

void ThrottledRunHost::setStatus(SourceItem& item, const std::string& text) {
    offer(rows_[&item], text, clock_(), [&](const std::string& t) { host_.setStatus(item, t); });
    tick();
}

void ThrottledRunHost::setProgressText(const std::string& text) {
    offer(text_, text, clock_(), [&](const std::string& t) { host_.setProgressText(t); });
    tick();
}

void ThrottledRunHost::setProgressFraction(double fraction) {
    offer(fraction_, fraction, clock_(), [&](double f) { host_.setProgressFraction(f); });
    tick();
}

void ThrottledRunHost::stepProgressBar() {
    offer(steps_, 1, clock_(), [&](int) { host_.stepProgressBar(); });
    tick();
}

void ThrottledRunHost::setProgressPercent(const std::string& text) {
    offer(percent_, text, clock_(), [&](const std::string& t) { host_.setProgressPercent(t); });
    tick();
}

void ThrottledRunHost::setMainWindowEnabled(bool enabled) {
    flush();
    host_.setMainWindowEnabled(enabled);
}

void ThrottledRunHost::openProgress(const ProgressSetup& setup) {
    flush();
    // A new window starts with nothing shown: its first values pass at once.
    text_ = {};
    fraction_ = {};
    percent_ = {};
    steps_ = {};
    host_.openProgress(setup);
}

bool ThrottledRunHost::closeProgress() {
    flush();
    return host_.closeProgress();
}

void ThrottledRunHost::showMessage(const std::string& text, MessageIcon icon) {
    flush();
    host_.showMessage(text, icon);
}

std::optional<std::string> ThrottledRunHost::chooseJoinedOutput(const std::string& extension) {
    flush();
    return host_.chooseJoinedOutput(extension);
}

void ThrottledRunHost::showInFileManager(const std::string& path) {
    flush();
    host_.showInFileManager(path);
}

void ThrottledRunHost::startShutdownCountdown() {
    flush();
    host_.startShutdownCountdown();
}
