// Builds command lines for every catalogue format and reads a long probe listing (a file with many
// streams, as a DVD title or a broadcast capture has), and prints the rates.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "engine/CommandLine.h"
#include "engine/Probe.h"
#include "engine/Transcoder.h"
#include "formats/Catalogue.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    Catalogue catalogue;
    AppSettings settings;
    settings.EnableSkipLength = 1;
    settings.SkipLength = 90500;
    SourceItem item;
    item.path = "C:\\Video\\clip.mkv";
    item.extension = "mkv";
    item.outputPath = "C:\\Video\\clip.out";
    item.streamIds = {"0:1", "0:2"};
    item.streamChannels = {6, 2};
    item.streamSampleRates = {48000, 44100};
    item.streamBitRates = {384, 128};
    item.duration = 600;

    constexpr int kRounds = 20000;
    size_t bytes = 0;
    auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < kRounds; ++round) {
        for (const auto& format : catalogue.formats()) {
            bytes += buildCommandLine(item, *format, settings, "D:\\Apps\\mdxcode.exe").size();
        }
    }
    const double lines = static_cast<double>(kRounds) * static_cast<double>(catalogue.formats().size());
    std::printf("command lines: %.0f built in %.3f s (%.0f per second, %zu bytes)\n", lines,
                secondsSince(start), lines / secondsSince(start), bytes);

    // A listing of 2000 lines, half of them audio streams, fed through the line splitter in 51196-byte
    // blocks.
    std::string listing =
        "Input #0, mpeg, from 'VTS_01_1.VOB':\r\n  Duration: 01:02:03.04, start: 0.28, bitrate: 9000 "
        "kb/s\r\n";
    for (int i = 0; i < 1000; ++i) {
        listing += "    Stream #0:" + std::to_string(2 * i) +
                   "[0x1e0]: Video: mpeg2video (Main), yuv420p, 720x576\r\n";
        listing += "    Stream #0:" + std::to_string(2 * i + 1) +
                   "[0x80]: Audio: ac3, 48000 Hz, 5.1(side), fltp, 448 kb/s (default)\r\n";
    }
    constexpr int kListings = 200;
    start = std::chrono::steady_clock::now();
    size_t streams = 0;
    for (int n = 0; n < kListings; ++n) {
        SourceItem probed;
        ProbeReading reading(probed);
        LineSplitter splitter;
        for (size_t at = 0; at < listing.size(); at += 51196) {
            const size_t size = std::min<size_t>(51196, listing.size() - at);
            splitter.feed(listing.data() + at, size, [&](std::string_view line) { reading.line(line); });
        }
        streams += probed.streamCount();
    }
    const double mb = static_cast<double>(listing.size()) * kListings / 1e6;
    std::printf("probe reading: %d listings of %zu bytes (%zu audio streams) in %.3f s (%.1f MB/s)\n",
                kListings, listing.size(), streams / kListings, secondsSince(start),
                mb / secondsSince(start));

    return 0;
}
