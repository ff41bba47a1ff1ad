// A run over many short files (5,000 of a quarter second when not told): how many display calls the run
// makes and how many reach the window through the throttle (per second), and, every 1,000 jobs, the
// open handles (descriptors), threads and memory of the process, which should not grow with the jobs done.
// Usage: run_many_bench [files]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>
#endif

#include "engine/ConversionRun.h"
#include "engine/EventQueue.h"
#include "engine/Probe.h"
#include "engine/ThrottledRunHost.h"
#include "formats/Catalogue.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"
#include "support/RunFakes.h"

using namespace std::chrono;
namespace fs = std::filesystem;

namespace {

struct CountingHost final : RunHost {
    size_t calls = 0;
    void setStatus(SourceItem&, const std::string&) override { ++calls; }
    void openProgress(const ProgressSetup&) override {}
    void setProgressText(const std::string&) override { ++calls; }
    void setProgressFraction(double) override { ++calls; }
    void stepProgressBar() override { ++calls; }
    void setProgressPercent(const std::string&) override { ++calls; }
    bool closeProgress() override { return false; }
    void showMessage(const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    std::optional<std::string> chooseJoinedOutput(const std::string&) override { return std::nullopt; }
    void showInFileManager(const std::string&) override {}
    void startShutdownCountdown() override {}
};

// Counts what the run's host is asked, then passes it on to the throttle.
struct Tap final : RunHost {
    RunHost& next;
    size_t calls = 0;
    explicit Tap(RunHost& host) : next(host) {}
    void setStatus(SourceItem& item, const std::string& text) override {
        ++calls, next.setStatus(item, text);
    }
    void openProgress(const ProgressSetup& setup) override { next.openProgress(setup); }
    void setProgressText(const std::string& text) override { ++calls, next.setProgressText(text); }
    void setProgressFraction(double fraction) override { ++calls, next.setProgressFraction(fraction); }
    void stepProgressBar() override { ++calls, next.stepProgressBar(); }
    void setProgressPercent(const std::string& text) override { ++calls, next.setProgressPercent(text); }
    bool closeProgress() override { return next.closeProgress(); }
    void showMessage(const std::string& text, MessageIcon icon) override { next.showMessage(text, icon); }
    std::optional<std::string> chooseJoinedOutput(const std::string& e) override {
        return next.chooseJoinedOutput(e);
    }
    void showInFileManager(const std::string& path) override { next.showInFileManager(path); }
    void startShutdownCountdown() override { next.startShutdownCountdown(); }
};

using List = testing_support::ItemSources;

struct Usage {
    size_t handles = 0, threads = 0, memoryKb = 0;
};

Usage usage() {
    Usage u;
#ifdef _WIN32
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    u.handles = handles;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        u.threads += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    K32GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof counters);
    u.memoryKb = counters.PrivateUsage / 1024;
#else
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++u.handles;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/task")) ++u.threads;
    std::ifstream statm("/proc/self/statm");
    size_t size = 0, resident = 0;
    statm >> size >> resident;
    u.memoryKb = resident * 4;
#endif
    return u;
}

// A quarter second of a quiet tone, 8 kHz mono 16-bit.
void writeWav(const fs::path& path) {
    constexpr uint32_t kSamples = 2000;
    std::ofstream out(path, std::ios::binary);
    const auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4), u32(36 + kSamples * 2), out.write("WAVEfmt ", 8), u32(16), u16(1), u16(1);
    u32(8000), u32(16000), u16(2), u16(16), out.write("data", 4), u32(kSamples * 2);
    for (uint32_t i = 0; i < kSamples; ++i) u16(static_cast<uint16_t>((i % 40) * 200));
}

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    const fs::path root = fs::temp_directory_path() / ("mdrunmany-" + std::to_string(std::rand()));
    fs::create_directories(root / "in");
    AppSettings settings;
    settings.OutputFiles2MyDocuments = 0;
    settings.BrowseOutputFolder = 0;
    settings.TargetExistsOpt = kTargetOverwrite;
    settings.ConversionThreads = std::max(2u, std::thread::hardware_concurrency());
    settings.DestOutputFolderOpt = kOutputSpecificFolder;
    settings.DestSpecifiedFolder = (root / "out").string();
    Catalogue catalogue;
    List list;
    writeWav(root / "in" / "0.wav");
    auto probed = probeSource((root / "in" / "0.wav").string(), settings);
    if (!probed) return 1;
    const SourceItem first = *probed.take();
    for (int i = 0; i < files; ++i) {
        const fs::path wav = root / "in" / (std::to_string(i) + ".wav");
        if (i > 0) fs::copy_file(root / "in" / "0.wav", wav);
        auto item = std::make_unique<SourceItem>(first);
        item->path = wav.string();
        list.items.push_back(std::move(item));
    }

    CountingHost window;
    ThrottledRunHost throttle(window);
    Tap tap(throttle);
    EventQueue queue;
    ConversionRun run(settings, catalogue, list, tap, queue);
    const Usage before = usage();
    std::printf("%d files, %u at a time; before: %zu handles, %zu threads, %zu KB\n", files,
                settings.ConversionThreads, before.handles, before.threads, before.memoryKb);
    const auto t0 = steady_clock::now();
    run.start(false, false, RunChoice{catalogue.findById(1160), {}, {}});
    size_t done = 0;
    while (run.isActive() || run.awaitsReports()) {
        auto event = queue.take(milliseconds(100));
        throttle.tick();
        if (!event) continue;
        if (event->kind == RunEvent::kProgress) {
            run.onProgress(std::move(event->progress));
            continue;
        }
        run.onDone(std::move(event->done));
        if (++done % 1000 == 0) {
            const Usage u = usage();
            std::printf("after %zu jobs: %zu handles, %zu threads, %zu KB\n", done, u.handles, u.threads,
                        u.memoryKb);
        }
    }
    throttle.flush();
    const double seconds = duration_cast<duration<double>>(steady_clock::now() - t0).count();
    const Usage after = usage();
    std::printf("after the run: %zu handles, %zu threads, %zu KB\n", after.handles, after.threads,
                after.memoryKb);
    std::printf("%.1f s; display calls asked %zu (%.0f/s), reaching the window %zu (%.0f/s)\n", seconds,
                tap.calls, tap.calls / seconds, window.calls, window.calls / seconds);
    size_t completed = 0;
    for (const auto& item : list.items) completed += fs::exists(item->outputPath);
    std::printf("%zu of %d outputs written\n", completed, files);
    fs::remove_all(root);
    return completed == static_cast<size_t>(files) ? 0 : 1;
}
