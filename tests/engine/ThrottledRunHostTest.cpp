// The run's display throttle: at most one value per target an interval, the latest one always shown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ThrottledRunHost.h"
#include "sources/SourceItem.h"

namespace {

// Records what reaches the window, as "target=value" lines.
struct Recorder final : RunHost {
    std::vector<std::string> calls;
    void setStatus(SourceItem& item, const std::string& text) override {
        calls.push_back(item.path + "=" + text);
    }
    void openProgress(const ProgressSetup&) override { calls.push_back("open"); }
    void setProgressText(const std::string& text) override { calls.push_back("text=" + text); }
    void setProgressFraction(double fraction) override {
        calls.push_back("bar=" + std::to_string(static_cast<int>(fraction * 100)));
    }
    void stepProgressBar() override { calls.push_back("step"); }
    void setProgressPercent(const std::string& text) override { calls.push_back("percent=" + text); }
    bool closeProgress() override {
        calls.push_back("close");
        return true;
    }
    void showMessage(const std::string& text, MessageIcon) override { calls.push_back("message=" + text); }
    std::optional<std::string> chooseJoinedOutput(const std::string&) override { return std::nullopt; }
    void showInFileManager(const std::string&) override {}
    void startShutdownCountdown() override {}
    std::vector<std::string> take() { return std::exchange(calls, {}); }
};

using Calls = std::vector<std::string>;

struct ThrottleTest : ::testing::Test {
    Recorder window;
    uint64_t now = 1000;
    ThrottledRunHost host{window, 250, [this] { return now; }};
    SourceItem a, b;
    void SetUp() override {
        a.path = "a";
        b.path = "b";
    }
};

TEST_F(ThrottleTest, PassesTheFirstValueAndTheLatestAfterTheInterval) {
    host.setStatus(a, "10%");
    host.setProgressFraction(0.1);
    host.setProgressPercent("10%");
    EXPECT_EQ(window.take(), (Calls{"a=10%", "bar=10", "percent=10%"}));
    // Lines within the interval wait; each replaces the one before it.
    for (int p = 11; p <= 40; ++p) {
        now += 5;
        host.setStatus(a, std::to_string(p) + "%");
        host.setProgressFraction(p / 100.0);
        host.setProgressPercent(std::to_string(p) + "%");
    }
    EXPECT_TRUE(window.take().empty());
    // Another row has its own interval.
    host.setStatus(b, "Initialize...");
    EXPECT_EQ(window.take(), Calls{"b=Initialize..."});
    now = 1249;
    host.tick();
    EXPECT_TRUE(window.take().empty());
    now = 1250;
    host.tick();
    EXPECT_EQ(window.take(), (Calls{"a=40%", "bar=40", "percent=40%"}));
    // 5,000 lines over ten seconds reach the window about four times a second.
    size_t shown = 0;
    for (int line = 0; line < 5000; ++line) {
        now += 2;
        host.setProgressPercent(std::to_string(line));
        shown += window.take().size();
    }
    EXPECT_GE(shown, 39u);
    EXPECT_LE(shown, 41u);
}

TEST_F(ThrottleTest, TheLastStatesReachTheWindowBeforeItCloses) {
    host.setStatus(a, "99%");
    host.setProgressText("Converting 2 file(s)...");
    window.take();
    now += 10;
    host.setStatus(a, "Completed");
    host.setProgressText("Done");
    host.stepProgressBar();
    host.stepProgressBar();
    EXPECT_EQ(window.take(), Calls{"step"});
    // A message interrupts the display: what waited is shown first.
    host.showMessage("warning", MessageIcon::kWarning);
    EXPECT_EQ(window.take(), (Calls{"a=Completed", "text=Done", "step", "message=warning"}));
    now += 10;
    host.setStatus(a, "Failed");
    EXPECT_TRUE(host.closeProgress());
    EXPECT_EQ(window.take(), (Calls{"a=Failed", "close"}));
    // A new window shows its first values at once.
    host.openProgress({});
    host.setProgressText("again");
    EXPECT_EQ(window.take(), (Calls{"open", "text=again"}));
}

TEST_F(ThrottleTest, ForgetsTheRowsOfJobsLongDone) {
    std::vector<SourceItem> items(5000);
    for (SourceItem& item : items) {
        now += 100;
        host.setStatus(item, "Initialize...");
        host.setStatus(item, "Completed");
        // The rows of the last two intervals or so: 6 at ten jobs a second.
        ASSERT_LE(host.trackedRows(), 8u);
    }
    host.flush();
    EXPECT_EQ(window.take().size(), 10000u);
    EXPECT_EQ(host.trackedRows(), 0u);
}

}  // namespace
