// Children started side by side inherit only their own pipe ends: a short child's output ends when that
// child ends, not when a long-running neighbour does.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/Process.h"
#include "support/TestSupport.h"

TEST(WindowsProcess, ChildrenStartedTogetherHoldOnlyTheirOwnPipes) {
    const std::string transcoder = "\"" + testing_support::transcoderPath() + "\"";
    // Several pairs: one pair of starts may not overlap closely enough to show a leak.
    for (int pair = 0; pair < 6; ++pair) {
        platform::StartResult longChild, shortChild;
        // Both starts begin at once (spinning: std::latch of this toolchain can miss its wake-up).
        std::atomic<int> arrived{0};
        auto together = [&arrived] {
            ++arrived;
            while (arrived.load() < 2) std::this_thread::yield();
        };
        std::jthread other([&] {
            together();
            // Quiet: nobody reads its pipe, and it must end by itself if it holds the other's write end.
            longChild = platform::startChildProcess(
                transcoder + " -nostats -loglevel error -re -f lavfi -i sine=duration=20 -f null -", "");
        });
        together();
        shortChild = platform::startChildProcess(transcoder + " -version", "");
        other.join();
        ASSERT_TRUE(longChild.process && shortChild.process) << longChild.error << shortChild.error;
        char buffer[4096];
        while (shortChild.process->read(buffer, sizeof buffer) > 0) {
        }
        // Had the long child inherited the short one's write end, the read above would end only with it.
        ASSERT_FALSE(longChild.process->hasEnded()) << "pair " << pair;
        longChild.process->terminate();
    }
}
