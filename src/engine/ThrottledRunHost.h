// A run's row texts and progress window at a pace a window can follow: the transcoders report many
// progress lines a second per job, and with thousands of short jobs the window would spend its time
// repainting. Each target (a row's status, the progress text, bar, percent) is passed on at most once an
// interval; a newer value in between waits and replaces the one waiting, and is passed on by the next
// call or tick after its interval, or at once before anything that ends or interrupts the run's display
// (opening or closing the progress window, enabling the main window, a message, a dialog). So the last
// value of every target is always shown, only up to an interval later.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

#include "engine/ConversionRun.h"

class ThrottledRunHost final : public RunHost {
public:
    using Clock = std::function<uint64_t()>;  // milliseconds, never going back
    static constexpr uint32_t kDefaultIntervalMs = 250;

    explicit ThrottledRunHost(RunHost& host, uint32_t intervalMs = kDefaultIntervalMs, Clock clock = {});

    // Passes on what has waited its interval; a timer calls this while a run goes on.
    void tick();
    // Passes on everything waiting.
    void flush();
    // How many rows have a status waiting or recently passed on (kept small however many jobs ran).
    size_t trackedRows() const { return rows_.size(); }

    void setStatus(SourceItem& item, const std::string& text) override;
    void scrollIntoView(int32_t row) override { host_.scrollIntoView(row); }
    void widenStatusColumn() override { host_.widenStatusColumn(); }
    void setMainWindowEnabled(bool enabled) override;
    void openProgress(const ProgressSetup& setup) override;
    void setProgressText(const std::string& text) override;
    void setProgressFraction(double fraction) override;
    void stepProgressBar() override;
    void setProgressPercent(const std::string& text) override;
    bool closeProgress() override;
    void keepThreads(uint32_t threads) override { host_.keepThreads(threads); }
    void keepPriority(uint32_t priorityClass) override { host_.keepPriority(priorityClass); }
    void showMessage(const std::string& text, MessageIcon icon) override;
    std::optional<std::string> chooseJoinedOutput(const std::string& extension) override;
    void showInFileManager(const std::string& path) override;
    void startShutdownCountdown() override;

private:
    // One target: when it was last passed on, and the value waiting, if any.
    template <typename T>
    struct Slot {
        std::optional<uint64_t> sentAt;
        std::optional<T> waiting;
    };
    // Passes value on now when the target's interval is over, else keeps it waiting.
    template <typename T, typename Send>
    void offer(Slot<T>& slot, T value, uint64_t now, const Send& send);
    template <typename T, typename Send>
    void sendIfDue(Slot<T>& slot, uint64_t now, bool force, const Send& send);
    void sendDue(bool force);

    RunHost& host_;
    uint32_t intervalMs_;
    Clock clock_;
    std::unordered_map<SourceItem*, Slot<std::string>> rows_;
    Slot<std::string> text_;
    Slot<double> fraction_;
    Slot<std::string> percent_;
    Slot<int> steps_;  // bar steps asked for since the last one passed on (the bar only animates)
};
