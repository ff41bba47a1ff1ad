#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Transcoder.h"

namespace {

std::vector<std::string> feedAll(LineSplitter& splitter, const std::vector<std::string>& reads) {
    std::vector<std::string> lines;
    for (const auto& r : reads)
        splitter.feed(r.data(), r.size(), [&](std::string_view l) { lines.emplace_back(l); });
    return lines;
}

}  // namespace

TEST(LineSplitter, CutsAtRunsOfCrAndLfAndCarriesPartialLines) {
    struct Case {
        std::vector<std::string> reads;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        // CR LF pairs and runs give no empty lines.
        {{"one\r\ntwo\r\n\r\n\nthree\n"}, {"one", "two", "three"}},
        // Progress lines end in a bare CR.
        {{"size=1 time=00:00:01.00\rsize=2 time=00:00:02.00\r"},
         {"size=1 time=00:00:01.00", "size=2 time=00:00:02.00"}},
        // A line split across reads is handed on once, whole.
        {{"frame=  10 size=  12kB ti", "me=00:01:02.50 bitrate=1\r", "next\n"},
         {"frame=  10 size=  12kB time=00:01:02.50 bitrate=1", "next"}},
        // A line end at the very start of a read finishes the carried line.
        {{"abc", "\r\ndef\r\n"}, {"abc", "def"}},
        // An unfinished last line is never handled.
        {{"done\n", "half a line"}, {"done"}},
        {{"\r\n\r\n"}, {}},
    };
    for (const auto& c : cases) {
        LineSplitter splitter;
        EXPECT_EQ(feedAll(splitter, c.reads), c.lines) << c.reads.front();
    }
}

TEST(LineSplitter, CarryGrowsBeyondItsFirstCapacity) {
    LineSplitter splitter;
    EXPECT_GE(splitter.carryCapacity(), 10240u);
    const std::string chunk(7000, 'x');
    std::vector<std::string> lines = feedAll(splitter, {chunk, chunk, chunk, "y\nz"});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], chunk + chunk + chunk + "y");
    EXPECT_GE(splitter.carryCapacity(), 21000u);
    EXPECT_EQ(splitter.carrySize(), 1u);  // "z" waits for its line end
}

TEST(TranscoderLine, ReadsElapsedTimeFromProgressLines) {
    struct Case {
        std::string line;
        LineKind kind;
        int64_t ms;
    };
    const Case cases[] = {
        {"size=     256kB time=00:01:02.50 bitrate= 128.0kbits/s speed=40x", LineKind::kProgress, 62500},
        {"frame=   48 fps=0.0 q=-0.0 size=N/A time=00:00:01.92 bitrate=N/A", LineKind::kProgress, 1920},
        {"size=N/A time=123:00:00.00 bitrate=N/A", LineKind::kProgress, 123LL * 3600000},
        {"size=1kB time=00:00:05 bitrate=1", LineKind::kProgress, 5000},
        {"size=1kB time=7 bitrate=1", LineKind::kProgress, 7 * 3600000},
        {"size=     256kB bitrate=N/A", LineKind::kIgnoredProgress, 0},
        {R"({"position": 12.345, "duration": 60})", LineKind::kProgress, 12345},
        {R"({"position":3})", LineKind::kProgress, 3000},
        {R"({"status": "running"})", LineKind::kIgnoredProgress, 0},
        {"Stream mapping:", LineKind::kMessage, 0},
        {"  time=00:00:01.00 does not start a progress line", LineKind::kMessage, 0},
        {"", LineKind::kEmpty, 0},
    };
    for (const auto& c : cases) {
        const ParsedLine parsed = parseTranscoderLine(c.line);
        EXPECT_EQ(parsed.kind, c.kind) << c.line;
        EXPECT_EQ(parsed.elapsedMs, c.ms) << c.line;
    }
}

TEST(TranscoderLine, PercentFollowsTheFullDuration) {
    EXPECT_EQ(progressPercent(62500, 125), 50);
    EXPECT_EQ(progressPercent(0, 125), 0);
    EXPECT_EQ(progressPercent(124999, 125), 99);
    EXPECT_EQ(progressPercent(500000, 125), 100);  // beyond the duration: never above 100
    EXPECT_EQ(progressPercent(62500, 0), -1);      // unknown duration
    EXPECT_EQ(progressPercent(0, 0), -1);
    // Divisor at least 1 even for absurd durations is covered by 1 s: 10 ms per percent.
    EXPECT_EQ(progressPercent(990, 1), 99);
}
