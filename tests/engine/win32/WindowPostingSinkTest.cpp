// Reports of a real job arrive as window messages, in order, with records the receiver owns.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "engine/win32/WindowPostingSink.h"
#include "sources/SourceItem.h"
#include "support/TestSupport.h"

TEST(WindowPostingSink, JobReportsArriveAsMessagesInOrder) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    testing_support::TempDir dir;
    SourceItem item;
    item.duration = 20;
    WindowPostingSink sink(window);
    const std::string line = "\"" + transcoderPath() +
                             "\" -f lavfi -i sine=duration=20 -c:a pcm_s16le -y \"" + dir.file("x.wav") +
                             "\"";
    ASSERT_TRUE(startConversion(line, item, 32, sink));

    int progressCount = 0;
    int lastPercent = -1;
    bool done = false;
    const DWORD until = GetTickCount() + 60000;
    while (!done && GetTickCount() < until) {
        MSG msg;
        if (!PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLPOSTMESSAGE);
            continue;
        }
        if (msg.message == kWmConvertProgress) {
            EXPECT_EQ(msg.wParam, 0u);
            auto report = WindowPostingSink::takeProgress(msg.lParam);
            EXPECT_EQ(report->item, &item);
            EXPECT_GE(report->percent, lastPercent);
            lastPercent = report->percent;
            ++progressCount;
        } else if (msg.message == kWmConvertDone) {
            EXPECT_EQ(reinterpret_cast<SourceItem*>(msg.wParam), &item);
            auto report = WindowPostingSink::takeDone(msg.lParam);
            ASSERT_TRUE(report);
            EXPECT_EQ(report->exitCode, 0u);
            done = true;
        }
    }
    EXPECT_TRUE(done);
    EXPECT_GT(progressCount, 0);
    EXPECT_EQ(lastPercent, 100);
    item.process.reset();
    DestroyWindow(window);
}

// Set when the watched block is deleted.
static std::atomic<void*> watchedBlock{nullptr};
static std::atomic<bool> watchedBlockFreed{false};

void operator delete(void* block) noexcept {
    if (block != nullptr && block == watchedBlock.load()) watchedBlockFreed = true;
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

// A window gone before its reports (its run was closed): posting fails, and the sink frees the records
// instead of retrying or leaking them.
TEST(WindowPostingSink, ReportsForAGoneWindowAreFreed) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    DestroyWindow(window);
    WindowPostingSink sink(window);
    auto progress = std::make_unique<ProgressReport>();
    watchedBlock = progress.get();
    sink.postProgress(std::move(progress));
    EXPECT_TRUE(watchedBlockFreed.exchange(false));
    auto done = std::make_unique<DoneReport>();
    watchedBlock = done.get();
    sink.postDone(std::move(done));
    EXPECT_TRUE(watchedBlockFreed.exchange(false));
    watchedBlock = nullptr;
}
