// Prints what adding a large batch costs: 1,000 short files (WAV, MP3 and FLAC in turn) added to an
// empty list by SourceAdder::addBatch (transcoders describing many files each) with its default probe
// threads, against `xargs -P <threads>` running one probe command line per file and against as many
// threads each running one probe per file (medians of the rounds; aim: at most 0.15 of xargs). Besides
// wall time it prints the CPU time of this process and its children, which a busy machine disturbs far
// less; xargs is also timed starting the transcoder without a shell in between.
// Then the console's whole convert: 40 WAV files of 30 s to MP3 at 128 kbit/s with two jobs, probing
// included, against `xargs -P 2` of the plain transcoder line (aim: at most 1.03).
// On Windows (and under Wine) only the adding is measured, against the single probes side by side.
// Usage: add_bench [rounds]   (3 when not given)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "engine/AddSources.h"
#include "engine/CommandLine.h"
#include "engine/ListHost.h"
#include "engine/Probe.h"
#include "engine/Transcoder.h"
#include "platform/Files.h"
#include "settings/AppSettings.h"
#include "sources/FileList.h"
#include "sources/SourceItem.h"

using namespace std::chrono;
namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 1000;

struct QuietBusy final : BusyIndicator {
    void setText(const std::string&) override {}
    int barWidth() const override { return 300; }
    void setBar(int) override {}
    void setPercent(const std::string&) override {}
    void pumpMessages() override {}
    bool cancelled() const override { return false; }
};

struct QuietHost final : ListHost {
    std::unique_ptr<BusyIndicator> openBusy(const std::string&) override {
        return std::make_unique<QuietBusy>();
    }
    void setMainWindowEnabled(bool) override {}
    void pumpMessages() override {}
    void showMessage(const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

// User and system time of this process and of the children it has waited for (their children too).
// Not counted on Windows, where the xargs reference does not run either.
double cpuSeconds() {
    double total = 0;
#ifndef _WIN32
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
#endif
    return total;
}

struct Cost {
    std::vector<double> wall, cpu;
    template <typename Step>
    void measure(Step step) {
        const double cpu0 = cpuSeconds();
        const auto t0 = steady_clock::now();
        step();
        wall.push_back(duration_cast<duration<double>>(steady_clock::now() - t0).count());
        cpu.push_back(cpuSeconds() - cpu0);
    }
};

// Makes a test file with the transcoder beside the program (started the way the program starts it, so
// that this runs under Wine too).
bool makeFile(const std::string& args, const fs::path& file) {
    const std::string line = quotedPath(transcoderPath()) + " -hide_banner -loglevel error " + args + " -y " +
                             quotedPath(file.string());
    runProbe(line, [](platform::ChildProcess& process) {
        drainProcess(process, [](const char*, size_t) {});
        return true;
    });
    std::error_code ec;
    return fs::file_size(file, ec) > 0 && !ec;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    // The adder's default: one probe per core, at least two.
    const unsigned threads = std::max(2u, std::thread::hardware_concurrency());
    const fs::path root = fs::temp_directory_path() / ("mdaddbench-" + std::to_string(std::rand()));
    fs::create_directories(root / "in");

    // A few originals of each kind with different rates and channels; the rest are copies, which the
    // probe cannot tell apart and which keep the set-up short.
    std::printf("making %d files of 0.5 s (wav, mp3, flac)...\n", kFiles);
    const char* const kinds[] = {"wav", "mp3", "flac"};
    const char* const shapes[] = {"-ar 44100 -ac 2", "-ar 48000 -ac 1", "-ar 22050 -ac 2"};
    std::vector<fs::path> originals;
    for (int kind = 0; kind < 3; ++kind) {
        for (int shape = 0; shape < 3; ++shape) {
            const fs::path file = root / ("orig" + std::to_string(shape) + "." + kinds[kind]);
            if (!makeFile("-f lavfi -i sine=duration=0.5:frequency=" + std::to_string(300 + 100 * shape) +
                              " " + shapes[shape],
                          file))
                return 1;
            originals.push_back(file);
        }
    }
    std::vector<std::string> batch;
    for (int i = 0; i < kFiles; ++i) {
        const int kind = i % 3;
        const fs::path& from = originals[static_cast<size_t>(kind * 3 + (i / 3) % 3)];
        char name[32];
        std::snprintf(name, sizeof name, "f%04d.%s", i, kinds[kind]);
        const fs::path to = root / "in" / name;
        fs::copy_file(from, to, fs::copy_options::overwrite_existing);
        batch.push_back(to.string());
    }

    // The probe command lines exactly as the probe builds them, one per line; -d '\n' keeps xargs from
    // reading the quotes itself, so the shell sees each line as it is. A probe names no output file
    // and ends with status 1, so the exit status tells nothing.
    const fs::path lines = root / "probes.txt";
    // The same lines without the quoted transcoder in front, for xargs to start it without a shell: xargs
    // reads the quotes of the rest as the shell would, so the transcoder gets the same arguments.
    const fs::path arguments = root / "arguments.txt";
    const std::string quotedTranscoder = "\"" + transcoderPath() + "\"";
    {
        std::ofstream out(lines), rest(arguments);
        for (const std::string& path : batch) {
            const std::string line = probeCommandLine(transcoderPath(), sourceExtension(path), path);
            out << line << "\n";
            rest << line.substr(quotedTranscoder.size()) << "\n";
        }
    }
    const std::string xargs = "xargs -d '\\n' -P " + std::to_string(threads) +
                              " -I{} sh -c '{} >/dev/null 2>&1' < " + lines.string() + " ; true";
    const std::string xargsNoShell = "xargs -P " + std::to_string(threads) + " -L 1 " + quotedTranscoder +
                                     " < " + arguments.string() + " >/dev/null 2>&1 ; true";
    std::printf("probe line: %s\n", probeCommandLine(transcoderPath(), "wav", batch[0]).c_str());

    AppSettings settings;
    Cost ours, direct, plain, serial;
    std::vector<double> wallRatios, cpuRatios;
    size_t rows = 0;
    size_t probed = 0;
    for (int round = 0; round < rounds; ++round) {
        {
            FileList list;
            QuietHost host;
            SourceAdder adder(list, settings, host);
            ours.measure([&] { adder.addBatch(batch); });
            rows = list.size();
        }
#ifdef _WIN32
        // No xargs here: the single probes side by side are the reference.
        direct.measure([] {});
        plain.measure([] {});
#else
        direct.measure([&] { (void)std::system(xargs.c_str()); });
        plain.measure([&] { (void)std::system(xargsNoShell.c_str()); });
#endif
        serial.measure([&] {
            std::atomic<size_t> next{0}, found{0};
            std::vector<std::thread> workers;
            for (unsigned t = 0; t < threads; ++t) {
                workers.emplace_back([&] {
                    for (size_t i; (i = next++) < batch.size();) {
                        if (probeSource(batch[i], settings)) ++found;
                    }
                });
            }
            for (std::thread& worker : workers) worker.join();
            probed = found;
        });
        wallRatios.push_back(ours.wall.back() / direct.wall.back());
        cpuRatios.push_back(ours.cpu.back() / direct.cpu.back());
        std::printf(
            "round %d: addBatch %.3f s (cpu %.3f s, %zu rows), xargs -P %u sh -c %.3f s (cpu %.3f s), "
            "xargs -P %u no shell %.3f s (cpu %.3f s), single probes side by side %.3f s (cpu %.3f s, %zu "
            "probed)\n",
            round + 1, ours.wall.back(), ours.cpu.back(), rows, threads, direct.wall.back(),
            direct.cpu.back(), threads, plain.wall.back(), plain.cpu.back(), serial.wall.back(),
            serial.cpu.back(), probed);
        std::fflush(stdout);
    }

    [[maybe_unused]] const double o = median(ours.wall), d = median(direct.wall), p = median(plain.wall),
                                  s = median(serial.wall);
    std::printf(
        "medians over %d rounds, %d files, %u probe threads (wall, then cpu of process and children):\n",
        rounds, kFiles, threads);
    std::printf("  addBatch                %8.3f s  %8.3f s  (%.2f ms per file, %zu rows added)\n", o,
                median(ours.cpu), o * 1000 / kFiles, rows);
#ifndef _WIN32
    std::printf("  xargs -P %u, sh -c       %8.3f s  %8.3f s\n", threads, d, median(direct.cpu));
    std::printf("  xargs -P %u, no shell    %8.3f s  %8.3f s\n", threads, p, median(plain.cpu));
#endif
    std::printf("  single probes, %u threads %6.3f s  %8.3f s\n", threads, s, median(serial.cpu));
#ifndef _WIN32
    std::printf("  ratio addBatch/xargs    %.3f (median of the rounds' ratios %.3f; aim at most 0.15)\n",
                o / d, median(wallRatios));
    std::printf("  ratio addBatch/xargs without a shell %.3f\n", o / p);
#endif
    std::printf("  ratio addBatch/single probes side by side %.3f\n", o / s);
#ifndef _WIN32
    std::printf("  cpu ratio addBatch/xargs %.3f (median of the rounds' ratios %.3f), without a shell %.3f\n",
                median(ours.cpu) / median(direct.cpu), median(cpuRatios),
                median(ours.cpu) / median(plain.cpu));
#endif
    const bool allAdded = rows == static_cast<size_t>(kFiles);
#ifdef _WIN32
    fs::remove_all(root);
    return allAdded ? 0 : 1;
#else

    // The whole convert of the console program against the plain transcoder lines.
    constexpr int kWavs = 40;
    fs::create_directories(root / "wav");
    std::printf("making %d WAV files of 30 s...\n", kWavs);
    std::string sources;
    const fs::path plainLines = root / "plain.txt";
    {
        std::ofstream out(plainLines);
        for (int i = 0; i < kWavs; ++i) {
            const fs::path wav = root / "wav" / ("s" + std::to_string(i) + ".wav");
            const std::string make =
                "ffmpeg -hide_banner -loglevel error -f lavfi -i sine=duration=30:frequency=" +
                std::to_string(200 + i * 10) + " -ac 2 -y " + wav.string();
            if (std::system(make.c_str()) != 0) return 1;
            sources += " \"" + wav.string() + "\"";
            out << "-nostdin -y -i \"" << wav.string() << "\" -c:a libmp3lame -b:a 128k \""
                << (root / "wav" / ("plain" + std::to_string(i) + ".mp3")).string() << "\"\n";
        }
    }
    const std::string cli = "\"" + platform::programFolder().value_or("") + "melodrift-cli\"";
    const std::string convert = "XDG_CONFIG_HOME=\"" + (root / "config").string() + "\" " + cli +
                                " convert --format 1160 --threads 2 --set DestOutputFolderOpt=199 --set "
                                "TargetExistsOpt=22" +
                                sources + " >/dev/null 2>&1";
    const std::string plainRun =
        "xargs -P 2 -L 1 ffmpeg -hide_banner -loglevel error < " + plainLines.string() + " >/dev/null 2>&1";
    const std::string shown = "XDG_CONFIG_HOME=\"" + (root / "config").string() + "\" " + cli +
                              " command --format 1160 \"" + (root / "wav" / "s0.wav").string() + "\"";
    std::printf("the console's line: ");
    std::fflush(stdout);
    (void)std::system(shown.c_str());
    Cost run, xargsRun;
    std::vector<double> runRatios;
    for (int round = 0; round < rounds; ++round) {
        run.measure([&] { (void)std::system(convert.c_str()); });
        xargsRun.measure([&] { (void)std::system(plainRun.c_str()); });
        runRatios.push_back(run.wall.back() / xargsRun.wall.back());
        std::printf("round %d: convert --threads 2 %.3f s (cpu %.3f s), xargs -P 2 %.3f s (cpu %.3f s)\n",
                    round + 1, run.wall.back(), run.cpu.back(), xargsRun.wall.back(), xargsRun.cpu.back());
        std::fflush(stdout);
    }
    std::printf("  convert/xargs %.3f (median of the rounds' ratios %.3f; aim at most 1.03), cpu %.3f\n",
                median(run.wall) / median(xargsRun.wall), median(runRatios),
                median(run.cpu) / median(xargsRun.cpu));
    fs::remove_all(root);
    return allAdded ? 0 : 1;
#endif
}
