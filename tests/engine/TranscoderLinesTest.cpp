#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Transcoder.h"

TEST(LineSplitter, CutsAtRunsOfCrAndLfAndCarriesPartialLines) {
    const std::string longPiece(7000, 'x');  // three of them outgrow the carry's first capacity
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
        {{longPiece, longPiece, longPiece, "y\nz"}, {longPiece + longPiece + longPiece + "y"}},
        // A line end at the very start of a read finishes the carried line.
        {{"abc", "\r\ndef\r\n"}, {"abc", "def"}},
        // An unfinished last line is never handled.
        {{"done\n", "half a line"}, {"done"}},
        {{"\r\n\r\n"}, {}},
    };
    for (const auto& c : cases) {
        LineSplitter splitter;
        std::vector<std::string> lines;
        for (const auto& r : c.reads)
            splitter.feed(r.data(), r.size(), [&](std::string_view l) { lines.emplace_back(l); });
        EXPECT_EQ(lines, c.lines) << c.reads.front().substr(0, 40);
    }
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
        EXPECT_EQ(std::tuple(parsed.kind, parsed.elapsedMs), std::tuple(c.kind, c.ms)) << c.line;
    }
}

TEST(TranscoderLine, PercentFollowsTheFullDuration) {
    // {elapsed ms, duration s, percent}: never above 100, -1 for an unknown duration.
    const int64_t cases[][3] = {{62500, 125, 50},   {0, 125, 0},    {124999, 125, 99},
                                {500000, 125, 100}, {62500, 0, -1}, {990, 1, 99}};
    for (const auto& c : cases)
        EXPECT_EQ(progressPercent(c[0], static_cast<uint32_t>(c[1])), c[2]) << c[0] << "/" << c[1];
}
