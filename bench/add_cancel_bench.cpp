// How the adding of a long batch answers: 5,000 short WAV files (copies of one) added by
// SourceAdder::addBatch while the busy window's Cancel is pressed after one second. Prints how often the
// count was shown, the rows added, and how long Cancel took to end the batch (aim: under 250 ms).
// Usage: add_cancel_bench [files]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/AddSources.h"
#include "engine/ListHost.h"
#include "settings/AppSettings.h"
#include "sources/FileList.h"

using namespace std::chrono;
namespace fs = std::filesystem;

namespace {

const auto kCancelAfter = milliseconds(1000);

struct Seen {
    steady_clock::time_point start = steady_clock::now();
    steady_clock::time_point pressed{};
    size_t texts = 0;
};

// Cancel is pressed a second after the batch starts; what it saw outlives it (the adder drops it).
struct TimedBusy final : BusyIndicator {
    Seen& seen;
    explicit TimedBusy(Seen& s) : seen(s) {}
    void setText(const std::string&) override { ++seen.texts; }
    int barWidth() const override { return 300; }
    void setBar(int) override {}
    void setPercent(const std::string&) override {}
    void pumpMessages() override {
        if (seen.pressed == steady_clock::time_point{} && steady_clock::now() - seen.start >= kCancelAfter)
            seen.pressed = steady_clock::now();
    }
    bool cancelled() const override { return seen.pressed != steady_clock::time_point{}; }
};

struct QuietHost final : ListHost {
    std::unique_ptr<BusyIndicator> openBusy(const std::string&) override { return nullptr; }
    void setMainWindowEnabled(bool) override {}
    void pumpMessages() override {}
    void showMessage(const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    const fs::path root = fs::temp_directory_path() / ("mdaddcancel-" + std::to_string(std::rand()));
    fs::create_directories(root);
    const fs::path first = root / "0.wav";
    const std::string make =
        "ffmpeg -hide_banner -loglevel error -f lavfi -i sine=duration=0.25 -y " + first.string();
    if (std::system(make.c_str()) != 0) return 1;
    std::vector<std::string> batch = {first.string()};
    for (int i = 1; i < files; ++i) {
        const fs::path copy = root / (std::to_string(i) + ".wav");
        fs::copy_file(first, copy);
        batch.push_back(copy.string());
    }
    AppSettings settings;
    FileList list;
    QuietHost host;
    SourceAdder adder(list, settings, host);
    Seen seen;
    const auto t0 = seen.start;
    adder.addBatch(batch, std::make_unique<TimedBusy>(seen));
    const auto end = steady_clock::now();
    const auto ms = [](auto d) { return duration_cast<duration<double, std::milli>>(d).count(); };
    std::printf("%d files: %zu added in %.0f ms before Cancel, count shown %zu times\n", files, list.size(),
                ms(seen.pressed - t0), seen.texts);
    std::printf("Cancel to the end of the batch: %.1f ms\n", ms(end - seen.pressed));
    fs::remove_all(root);
    return 0;
}
