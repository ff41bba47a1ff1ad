// Prints what the conversion run costs over running the same transcoder command lines directly: 40
// sources of 30 s stereo WAV converted to MP3 and to FLAC with one job per core, against
// `xargs -P <cores>` starting the same command lines (median of the rounds), what verifying the outputs
// costs against the plain run (aim: at most 1.15 for MP3), and how quickly a raised thread count starts
// new jobs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/CommandLine.h"
#include "engine/ConversionRun.h"
#include "engine/EventQueue.h"
#include "engine/Probe.h"
#include "formats/Catalogue.h"
#include "platform/Files.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"
#include "support/RunFakes.h"

using namespace std::chrono;
namespace fs = std::filesystem;

namespace {

constexpr int kSources = 40;
constexpr int kRounds = 3;
constexpr int kSongs = 12;
constexpr int kSongSeconds = 200;

struct QuietHost final : testing_support::QuietRunHost {
    void showMessage(const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

using List = testing_support::ItemSources;

void drive(ConversionRun& run, EventQueue& queue) {
    while (run.isActive() || run.awaitsReports()) {
        auto event = queue.take(milliseconds(500));
        if (!event) continue;
        if (event->kind == RunEvent::kProgress) {
            run.onProgress(std::move(event->progress));
        } else {
            run.onDone(std::move(event->done));
        }
    }
}

double secondsSince(steady_clock::time_point since) {
    return duration_cast<duration<double>>(steady_clock::now() - since).count();
}

}  // namespace

int main() {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const fs::path root = fs::temp_directory_path() / ("mdrunbench-" + std::to_string(std::rand()));
    fs::create_directories(root / "in");
    std::printf("making %d sources of 30 s...\n", kSources);
    AppSettings settings;
    settings.OutputFiles2MyDocuments = 0;
    settings.BrowseOutputFolder = 0;
    settings.TargetExistsOpt = kTargetOverwrite;
    settings.ConversionThreads = cores;
    settings.DestOutputFolderOpt = kOutputSpecificFolder;
    Catalogue catalogue;
    List list;
    for (int i = 0; i < kSources; ++i) {
        const std::string wav = (root / "in" / ("s" + std::to_string(i) + ".wav")).string();
        const std::string make =
            "ffmpeg -hide_banner -loglevel error -f lavfi -i sine=duration=30:frequency=" +
            std::to_string(200 + i * 10) + " -ac 2 -y " + wav;
        if (std::system(make.c_str()) != 0) return 1;
        auto probed = probeSource(wav, settings);
        if (!probed) return 1;
        list.items.push_back(probed.take());
    }

    for (const int32_t formatId : {1160, 1090}) {
        const OutputFormat* format = catalogue.findById(formatId);
        std::vector<double> ratios;
        for (int round = 0; round < kRounds; ++round) {
            // Through the run.
            settings.DestSpecifiedFolder = (root / "run").string();
            fs::remove_all(root / "run");
            EventQueue queue;
            QuietHost host;
            ConversionRun run(settings, catalogue, list, host, queue);
            const auto t0 = steady_clock::now();
            run.start(false, false, RunChoice{format, {}, {}});
            drive(run, queue);
            const double viaRun = secondsSince(t0);

            // The same command lines through xargs.
            fs::remove_all(root / "direct");
            fs::create_directories(root / "direct");
            const fs::path lines = root / "lines.txt";
            {
                std::ofstream out(lines);
                for (const auto& item : list.items) {
                    SourceItem copy = *item;
                    copy.outputPath = (root / "direct" / fs::path(item->outputPath).filename()).string();
                    out << buildCommandLine(copy, *format, settings, transcoderPath()) << "\n";
                }
            }
            const std::string xargs =
                "xargs -P " + std::to_string(cores) + " -I{} sh -c '{} 2>/dev/null' < " + lines.string();
            const auto t1 = steady_clock::now();
            if (std::system(xargs.c_str()) != 0) return 1;
            const double direct = secondsSince(t1);
            ratios.push_back(viaRun / direct);
            std::printf("%s round %d: run %.3f s, xargs -P %u %.3f s, ratio %.3f\n",
                        format->extension.c_str(), round + 1, viaRun, cores, direct, viaRun / direct);
        }
        std::sort(ratios.begin(), ratios.end());
        std::printf("%s: median ratio run/xargs %.3f over %d rounds\n", format->extension.c_str(),
                    ratios[ratios.size() / 2], kRounds);
    }

    // Verified outputs: the same run with every output decoded once more, over the 30 s sources and over
    // sources of a song's length (the second transcoder start weighs less there).
    List songs;
    for (int i = 0; i < kSongs; ++i) {
        const std::string wav = (root / "in" / ("song" + std::to_string(i) + ".wav")).string();
        const std::string make =
            "ffmpeg -hide_banner -loglevel error -f lavfi -i sine=duration=" + std::to_string(kSongSeconds) +
            ":frequency=" + std::to_string(300 + i * 10) + " -ac 2 -y " + wav;
        if (std::system(make.c_str()) != 0) return 1;
        auto probed = probeSource(wav, settings);
        if (!probed) return 1;
        songs.items.push_back(probed.take());
    }
    for (const auto& [formatId, sources] :
         {std::pair<int32_t, List*>{1160, &list}, {1160, &songs}, {1090, &songs}}) {
        const OutputFormat* format = catalogue.findById(formatId);
        const std::string name = format->extension + " from " + std::to_string(sources->items.size()) +
                                 " x " + std::to_string(sources->items.front()->duration) + " s";
        std::vector<double> ratios;
        for (int round = 0; round < kRounds; ++round) {
            double seconds[2] = {};
            for (const uint32_t verify : {0u, 1u}) {
                settings.VerifyOutputs = verify;
                settings.DestSpecifiedFolder = (root / "verify").string();
                fs::remove_all(root / "verify");
                EventQueue queue;
                QuietHost host;
                ConversionRun run(settings, catalogue, *sources, host, queue);
                const auto t0 = steady_clock::now();
                run.start(false, false, RunChoice{format, {}, {}});
                drive(run, queue);
                seconds[verify] = secondsSince(t0);
            }
            ratios.push_back(seconds[1] / seconds[0]);
            std::printf("%s round %d: plain %.3f s, verified %.3f s, ratio %.3f\n", name.c_str(), round + 1,
                        seconds[0], seconds[1], seconds[1] / seconds[0]);
        }
        std::sort(ratios.begin(), ratios.end());
        std::printf("%s: median ratio verified/plain %.3f over %d rounds\n", name.c_str(),
                    ratios[ratios.size() / 2], kRounds);
    }
    settings.VerifyOutputs = 0;

    // A raised thread count: how long until the new jobs are running.
    {
        settings.ConversionThreads = 1;
        settings.DestSpecifiedFolder = (root / "threads").string();
        EventQueue queue;
        QuietHost host;
        ConversionRun run(settings, catalogue, list, host, queue);
        run.start(false, false, RunChoice{catalogue.findById(1160), {}, {}});
        const auto t0 = steady_clock::now();
        run.setThreads(4);
        std::printf("threads raised from 1 to 4: %zu jobs running after %.3f ms\n", run.runningCount(),
                    secondsSince(t0) * 1000);
        run.cancel();
        drive(run, queue);
    }
    fs::remove_all(root);
    return 0;
}
