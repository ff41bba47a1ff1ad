// A run of many short jobs gives back what it took: the handles, threads and child processes of the
// process are as many after it as before (after a first run has made what is made once).
#include <gtest/gtest.h>
#include <windows.h>

#include <tlhelp32.h>

#include <chrono>
#include <memory>
#include <vector>

#include "engine/ConversionRun.h"
#include "engine/EventQueue.h"
#include "engine/Probe.h"
#include "engine/ThrottledRunHost.h"
#include "formats/Catalogue.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"
#include "support/RunFakes.h"
#include "support/TestSupport.h"

using namespace std::chrono_literals;

namespace {

struct QuietHost final : testing_support::QuietRunHost {
    size_t completed = 0;
    void setStatus(SourceItem&, const std::string& text) override { completed += text.ends_with(".mp3"); }
    void showMessage(const std::string& text, MessageIcon) override { ADD_FAILURE() << text; }
};

using List = testing_support::ItemSources;

struct Counts {
    DWORD handles = 0;
    int threads = 0;
    int children = 0;
    bool operator==(const Counts&) const = default;
};

Counts counts() {
    Counts c;
    GetProcessHandleCount(GetCurrentProcess(), &c.handles);
    const DWORD self = GetCurrentProcessId();
    const HANDLE threads = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 thread{};
    thread.dwSize = sizeof thread;
    for (BOOL more = Thread32First(threads, &thread); more; more = Thread32Next(threads, &thread))
        c.threads += thread.th32OwnerProcessID == self;
    CloseHandle(threads);
    const HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W process{};
    process.dwSize = sizeof process;
    for (BOOL more = Process32FirstW(processes, &process); more; more = Process32NextW(processes, &process))
        c.children += process.th32ParentProcessID == self;
    CloseHandle(processes);
    return c;
}

}  // namespace

TEST(RunLeaks, ManyShortJobsGiveBackTheirHandlesThreadsAndProcesses) {
    testing_support::TempDir dir;
    AppSettings settings;
    settings.OutputFiles2MyDocuments = 0;
    settings.BrowseOutputFolder = 0;
    settings.TargetExistsOpt = kTargetOverwrite;
    settings.ConversionThreads = 2;
    Catalogue catalogue;
    List list;
    ASSERT_TRUE(testing_support::makeSineWav(dir.file("0.wav"), 1, 8000, 1));
    auto probed = probeSource(dir.file("0.wav"), settings);
    ASSERT_TRUE(probed) << probed.reason();
    const SourceItem first = *probed.take();
    constexpr size_t kJobs = 24;
    for (size_t i = 0; i < kJobs; ++i) {
        auto item = std::make_unique<SourceItem>(first);
        item->path = dir.file(std::to_string(i) + ".wav");
        if (i > 0) {
            ASSERT_TRUE(CopyFileW(std::filesystem::path(dir.file("0.wav")).c_str(),
                                  std::filesystem::path(item->path).c_str(), FALSE));
        }
        list.items.push_back(std::move(item));
    }
    const auto runOnce = [&](size_t jobs) {
        List part;
        for (size_t i = 0; i < jobs; ++i) part.items.push_back(std::make_unique<SourceItem>(*list.items[i]));
        QuietHost window;
        ThrottledRunHost host(window);
        EventQueue queue;
        ConversionRun run(settings, catalogue, part, host, queue);
        run.start(false, false, RunChoice{catalogue.findById(1160), {}, {}});
        const auto giveUp = std::chrono::steady_clock::now() + 3min;
        while ((run.isActive() || run.awaitsReports()) && std::chrono::steady_clock::now() < giveUp) {
            auto event = queue.take(100ms);
            host.tick();
            if (!event) continue;
            if (event->kind == RunEvent::kProgress) {
                run.onProgress(std::move(event->progress));
            } else {
                run.onDone(std::move(event->done));
            }
        }
        host.flush();
        return window.completed;
    };
    ASSERT_EQ(runOnce(2), 2u);  // what is made once (the pipes' first threads, the loader's tables)
    Sleep(200);
    const Counts before = counts();
    ASSERT_EQ(runOnce(kJobs), kJobs);
    Sleep(200);  // a finished transcoder's process may take a moment to leave the snapshot
    const Counts after = counts();
    EXPECT_EQ(after.children, 0);
    EXPECT_LE(after.threads, before.threads);
    // One handle kept per job would show as 24.
    EXPECT_LE(after.handles, before.handles + 2);
}
