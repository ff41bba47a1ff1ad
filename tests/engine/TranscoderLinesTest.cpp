#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Transcoder.h"

// Runs of CR and LF end a line (never an empty one), also across reads; an unfinished line is not handed on.
TEST(LineSplitter, CutsAtRunsOfCrAndLfAndCarriesPartialLines) {
    const std::string longPiece(7000, 'x');  // three of them outgrow the carry's first capacity
    const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
        {{"one\r\n\r\n\ntwo\rthr", "ee", "\r\nfour\n", "half a line"}, {"one", "two", "three", "four"}},
        {{longPiece, longPiece, longPiece, "y\nz"}, {longPiece + longPiece + longPiece + "y"}},
    };
    for (const auto& [reads, expected] : cases) {
        LineSplitter splitter;
        std::vector<std::string> lines;
        for (const auto& r : reads)
            splitter.feed(r.data(), r.size(), [&](std::string_view l) { lines.emplace_back(l); });
        EXPECT_EQ(lines, expected);
    }
}

TEST(TranscoderLine, ElapsedTimeAndPercent) {
    const std::tuple<std::string, LineKind, int64_t> cases[] = {
        {"size=N/A time=123:00:00.00 bitrate=N/A", LineKind::kProgress, 123LL * 3600000},
        {"size=1kB time=7 bitrate=1", LineKind::kProgress, 7 * 3600000},
        {"size=     256kB bitrate=N/A", LineKind::kIgnoredProgress, 0},
        {R"({"position": 12.345, "duration": 60})", LineKind::kProgress, 12345},
        {"  time=00:00:01.00 does not start a progress line", LineKind::kMessage, 0},
        {"", LineKind::kEmpty, 0}};
    for (const auto& [line, kind, ms] : cases) {
        const ParsedLine parsed = parseTranscoderLine(line);
        EXPECT_EQ(std::tuple(parsed.kind, parsed.elapsedMs), std::tuple(kind, ms)) << line;
    }
    // Never rounded up, never above 100, -1 for an unknown duration.
    EXPECT_EQ(std::tuple(progressPercent(124999, 125), progressPercent(500000, 125), progressPercent(1, 0)),
              std::tuple(99, 100, -1));
}
