// Prints what loudness costs: 40 sources of 30 s stereo WAV (pink noise at varied levels) converted to
// MP3 at 128 kbit/s with two jobs side by side by melodrift-cli convert, in each loudness mode against the
// plain run (aims: ReplayGain tags at most 1.2 times the plain run, normalising at most 1.3 times; the
// measurement is made again each round, as for new sources), and the analysis alone in times real time.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/Transcoder.h"

#ifndef _WIN32
#include <unistd.h>
#endif

using namespace std::chrono;
namespace fs = std::filesystem;

#ifndef _WIN32
namespace {

constexpr int kSources = 40;
constexpr int kSeconds = 30;
constexpr int kRounds = 2;

std::string quoted(const std::string& s) { return "'" + s + "'"; }

double timed(const std::string& command) {
    const auto t0 = steady_clock::now();
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
    return duration_cast<duration<double>>(steady_clock::now() - t0).count();
}

}  // namespace
#endif

int main() {
#ifdef _WIN32
    std::printf("loudness_bench runs natively only\n");
    return 0;
#else
    const fs::path root = fs::temp_directory_path() / ("md-loudness-" + std::to_string(getpid()));
    fs::create_directories(root / "in");
    const std::string transcoder = transcoderPath();
    const std::string cli = (fs::path(transcoder).parent_path() / "melodrift-cli").string();
    for (int i = 0; i < kSources; ++i) {
        const std::string file = (root / "in" / ("s" + std::to_string(i) + ".wav")).string();
        const std::string make =
            quoted(transcoder) +
            " -hide_banner -loglevel error -f lavfi -i anoisesrc=color=pink:sample_rate=44100:"
            "duration=" +
            std::to_string(kSeconds) + ":amplitude=0." + std::to_string(1 + i % 8) +
            ":seed=" + std::to_string(i) + " -ac 2 -y " + quoted(file);
        if (std::system(make.c_str()) != 0) return 1;
    }
    const std::string env = "XDG_CONFIG_HOME=" + quoted((root / "config").string()) + " ";
    const auto convert = [&](int mode) {
        fs::remove_all(root / "out");
        return env + quoted(cli) + " convert --format 1160 --threads 2 --set MP3AudioBitRate=128000 --set " +
               "LoudnessMode=" + std::to_string(mode) +
               " --set DestOutputFolderOpt=399 --set DestSpecifiedFolder=" + quoted((root / "out").string()) +
               " --set BrowseOutputFolder=0 " + quoted((root / "in").string()) + " >/dev/null 2>&1";
    };
    double best[3] = {1e9, 1e9, 1e9};
    for (int round = 0; round < kRounds; ++round)
        for (int mode = 0; mode < 3; ++mode) best[mode] = std::min(best[mode], timed(convert(mode)));
    double analysis = 1e9;
    for (int round = 0; round < kRounds; ++round)
        analysis = std::min(analysis, timed(env + quoted(cli) + " analyze --set ConversionThreads=2 " +
                                            quoted((root / "in").string()) + " >/dev/null 2>&1"));
    std::printf("%d x %d s WAV to MP3 128 kbit/s, 2 jobs side by side (best of %d):\n", kSources, kSeconds,
                kRounds);
    std::printf("  plain           %6.2f s\n", best[0]);
    std::printf("  ReplayGain tags %6.2f s  %.2fx (aim 1.2x)\n", best[1], best[1] / best[0]);
    std::printf("  normalised      %6.2f s  %.2fx (aim 1.3x)\n", best[2], best[2] / best[0]);
    std::printf("analysis alone    %6.2f s  %.0fx real time (two side by side)\n", analysis,
                kSources * kSeconds / analysis);
    fs::remove_all(root);
    return 0;
#endif
}
