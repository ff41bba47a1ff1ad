// One transcoder describing many files must learn what one transcoder per file learns.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "engine/Probe.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"
#include "support/CliAndMedia.h"

using namespace testing_support;

namespace {

// Every field of the facts, for comparing whole probes.
auto factsOf(const SourceFacts& f) {
    std::vector<std::pair<uint32_t, bool>> formats;
    for (const SampleFormat& s : f.streamSampleFormats) formats.emplace_back(s.bits, s.floating);
    return std::tuple(f.kind, f.path, f.extension, f.titleSet, f.titleNumber, f.dvdFolder, f.audioStream,
                      f.streamIds, f.streamChannels, f.streamSampleRates, formats, f.streamBitRates,
                      f.duration, f.durationMs, f.durationEstimated, f.hasVideo);
}

std::string outcomeText(const Result<std::unique_ptr<SourceItem>>& probed) {
    return probed ? "ok" : "refused: " + probed.reason();
}

// A worked example of a batch's output: what is printed while an input is opened belongs to it, stream
// ids are the file's own, and a tag stays inside its input.
TEST(ProbeBatch, SplitsTheOutputPerInput) {
    SourceItem a, b, c;
    a.path = "/m/a.wav";
    b.path = "/m/b.mp3";
    c.path = "/m/c d.ogg";
    BatchReading reading({&a, &b, &c});
    for (const char* line : {
             "ffmpeg version 5.1",
             "  configuration: --enable-gpl",
             "Input #0, wav, from '/m/a.wav':",
             "  Duration: 00:00:03.00, bitrate: 1411 kb/s",
             "  Stream #0:0: Audio: pcm_s16le, 44100 Hz, stereo, s16, 1411 kb/s",
             "[mp3 @ 0x55d0] Estimating duration from bitrate, this may be inaccurate",
             "Input #1, mp3, from '/m/b.mp3':",
             "  Metadata:",
             "    comment         : first line",
             "                    :   Duration: 09:00:00.00",
             "                    :   Stream #1:5: Audio: mp3, 8000 Hz, mono, fltp, 8 kb/s",
             "  Duration: 00:00:02.04, start: 0.025057, bitrate: 64 kb/s",
             "  Stream #1:0: Audio: mp3, 22050 Hz, mono, fltp, 64 kb/s",
             "  Stream #1:1: Video: mjpeg, yuvj420p, 300x300, 90k tbr (attached pic)",
         }) {
        reading.line(line);
    }
    EXPECT_EQ(reading.complete(), 1u);
    EXPECT_EQ(reading.opened(), 2u);
    reading.line("/m/c d.ogg: Invalid data found when processing input");
    EXPECT_EQ(reading.openError(), "Invalid data found when processing input");
    EXPECT_EQ(
        std::tuple(a.durationMs, a.durationEstimated, a.streamIds, a.streamSampleRates),
        std::tuple(uint64_t{3000}, false, std::vector<std::string>{"0:0"}, std::vector<uint32_t>{44100}));
    EXPECT_EQ(
        std::tuple(b.durationMs, b.durationEstimated, b.hasVideo, b.streamIds, b.streamBitRates),
        std::tuple(uint64_t{2040}, true, false, std::vector<std::string>{"0:0"}, std::vector<uint32_t>{64}));
    EXPECT_TRUE(reading.foundAudio(0) && reading.foundAudio(1) && !reading.foundAudio(2));
    EXPECT_TRUE(c.streamIds.empty());
}

TEST(ProbeBatch, SameFactsAsOneProbePerFile) {
    TempDir dir;
    AppSettings settings;
    const std::string sine = "-f lavfi -i sine=frequency=500:sample_rate=";
    // Deep enough for a path of more than 260 characters.
    std::string deep = dir.file(std::string(120, 'd'));
    deep += std::string(1, std::filesystem::path::preferred_separator) + std::string(120, 'e');
    std::filesystem::create_directories(fromU8(deep));
    const std::string longName = u8(fromU8(deep) / "a rather long name for the last part of the path.flac");
    ASSERT_GT(longName.size(), 260u);
    ASSERT_TRUE(makeMedia(longName, sine + "48000:duration=2 -ac 2 -sample_fmt s32 -c:a flac"));
    const struct {
        std::string name;
        std::string make;  // empty: written as text
    } files[] = {
        {"tone.wav", sine + "44100:duration=3 -ac 2 -c:a pcm_s16le"},
        // No header: the length is estimated from the bit rate, a line printed before "Input #N".
        {"it's & more.mp3", sine + "22050:duration=2 -ac 1 -c:a libmp3lame -b:a 64k -write_xing 0"},
        {"film two languages.mkv",
         "-f lavfi -i testsrc=size=160x120:rate=10:duration=2 " + sine + "44100:duration=2 " + sine +
             "48000:duration=2 -map 0 -map 1 -map 2 -c:v mpeg4 -c:a:0 aac -ac:a:0 2 -c:a:1 libvorbis "
             "-metadata:s:a:0 language=eng -metadata:s:a:1 language=deu "
             "-metadata comment=Duration:_99:00:00.00"},
        {"broken.mp3", ""},
        {"\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F \xE6\xAD\x8C.flac", sine + "32000:duration=1 -c:a flac"},
        {"voice.ULW", sine + "8000:duration=2 -f mulaw"},
        {"picture only.mkv", "-f lavfi -i testsrc=size=160x120:rate=10:duration=1 -c:v mpeg4"},
        {"notes.txt", ""},
        {"voice.opus", sine + "48000:duration=1 -c:a libopus -metadata title=x"},
    };
    std::vector<std::string> paths;
    for (const auto& f : files) {
        const std::string path = dir.file(f.name);
        ASSERT_TRUE(f.make.empty() ? writeFile(path, "not a media file at all\n") : makeMedia(path, f.make))
            << f.name;
        paths.push_back(path);
        if (paths.size() == 4) paths.push_back(longName);
        if (paths.size() == 6) paths.push_back(dir.file("missing.wav"));
    }
    // More than one command line's worth of long paths: the batch is split.
    const size_t varied = paths.size();
    while (paths.size() < varied + 130) paths.push_back(longName);

    std::vector<Result<std::unique_ptr<SourceItem>>> batched;
    probeSources(paths, settings, [&](size_t i, Result<std::unique_ptr<SourceItem>> probed) {
        EXPECT_EQ(i, batched.size()) << "in order";
        batched.push_back(std::move(probed));
    });
    ASSERT_EQ(batched.size(), paths.size());
    for (size_t i = 0; i < varied; ++i) {
        SCOPED_TRACE(paths[i]);
        const auto single = probeSource(paths[i], settings);
        ASSERT_EQ(outcomeText(batched[i]), outcomeText(single));
        if (single) {
            EXPECT_EQ(factsOf(**batched[i]), factsOf(**single));
        }
    }

    // What the files are, as the transcoder's own probe tells.
    for (const size_t ok : {0, 1, 2, 4, 5, 7, 10}) ASSERT_TRUE(batched[ok]) << paths[ok];
    const auto& film = **batched[2];
    EXPECT_EQ(film.streamIds, (std::vector<std::string>{"0:1", "0:2"}));
    EXPECT_EQ(film.streamSampleRates, (std::vector<uint32_t>{44100, 48000}));
    EXPECT_TRUE(film.hasVideo);
    EXPECT_EQ(film.duration, 2u);
    EXPECT_TRUE((*batched[1])->durationEstimated);
    EXPECT_FALSE((*batched[0])->durationEstimated);
    EXPECT_EQ((*batched[4])->streamSampleFormats.at(0), (SampleFormat{24, false}));
    EXPECT_EQ(outcomeText(batched[3]), "refused: " + openComplaint(paths[3], "opened"));
    EXPECT_EQ(outcomeText(batched[6]), "refused: File not found");
    EXPECT_EQ((*batched[7])->streamSampleRates, std::vector<uint32_t>{8000});
    EXPECT_EQ(outcomeText(batched[8]), "refused: No audio stream found");
    EXPECT_EQ(outcomeText(batched[9]), "refused: " + openComplaint(paths[9]));
    for (size_t i = varied; i < paths.size(); ++i) EXPECT_EQ(factsOf(**batched[i]), factsOf(**batched[4]));
}

TEST(ProbeBatch, StopEndsTheBatch) {
    TempDir dir;
    AppSettings settings;
    ASSERT_TRUE(makeSineWav(dir.file("a.wav"), 1));
    const std::vector<std::string> paths(40, dir.file("a.wav"));
    std::atomic<bool> stop{false};
    size_t reported = 0;
    probeSources(
        paths, settings,
        [&](size_t, Result<std::unique_ptr<SourceItem>> probed) {
            EXPECT_TRUE(probed) << probed.reason();
            if (++reported == 3) stop = true;
        },
        &stop);
    EXPECT_EQ(reported, 3u);
}

}  // namespace
