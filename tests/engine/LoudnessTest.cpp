// The meter's output as both transcoder builds print it, the gates worked by hand, and the texts and
// filters made from a measurement.
#include "engine/Loudness.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/Probe.h"
#include "formats/OutputFormat.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"
#include "support/BusyRecorder.h"
#include "support/CliAndMedia.h"

using namespace testing_support;

namespace {

LoudnessReading parse(const std::vector<std::string>& lines) {
    LoudnessParser parser;
    for (const std::string& line : lines) parser.line(line);
    return parser.take();
}

TEST(LoudnessParser, ReadsTheBlocksAndTheSummaryOfEitherBuild) {
    const LoudnessReading reading = parse({
        // Not full blocks yet: never counted.
        "[Parsed_ebur128_0 @ 0x55d3] t: 0.299979   TARGET:-23 LUFS    M: -10.0 S:-120.7     I: -70.0 LUFS",
        // The older build glues a value to its colon.
        "[Parsed_ebur128_0 @ 0000000000cfbf80] t: 0.399979   TARGET:-23 LUFS    M:-20.0 S:-120.7  I: -20.0 "
        "LUFS",
        "[Parsed_ebur128_0 @ 0x55d3] t: 0.5  TARGET:-23 LUFS    M: -20.0 S: -20.0     I: -20.0 LUFS",
        "[Parsed_ebur128_0 @ 0x55d3] t: 0.6  TARGET:-23 LUFS    M: -40.0 S: -30.0     I: -21.0 LUFS",
        "[Parsed_ebur128_0 @ 0x55d3] t: 0.7  TARGET:-23 LUFS    M:-120.7 S: -30.0     I: -21.0 LUFS",
        // A tag line of the input looks like a summary line but comes before the summary.
        "    I               : not a value",
        "size=N/A time=00:00:01.00 bitrate=N/A speed=16.6x",
        "[Parsed_ebur128_0 @ 0x55d3] Summary:",
        "  Integrated loudness:",
        "    I:         -20.1 LUFS",
        "    Threshold: -30.1 LUFS",
        "  Loudness range:",
        "    LRA:         6.5 LU",
        "    Threshold: -40.0 LUFS",
        "  True peak:",
        "    Peak:       -1.5 dBFS",
    });
    ASSERT_TRUE(reading.facts);
    EXPECT_EQ(reading.blocks, (LoudnessBlocks{{-400, 1}, {-200, 2}}));
    // Ungated: the mean of two blocks at -20 and one at -40; the relative gate, 10 LU below, drops the -40.
    EXPECT_NEAR(reading.facts->integrated, -20.0, 1e-9);
    EXPECT_DOUBLE_EQ(reading.facts->range, 6.5);
    EXPECT_DOUBLE_EQ(reading.facts->truePeak, -1.5);
    EXPECT_FALSE(reading.facts->silent);

    const LoudnessReading silence = parse({"[Parsed_ebur128_0 @ 0x1] Summary:", "    I:         -70.0 LUFS",
                                           "    LRA:         0.0 LU", "    Peak:       -inf dBFS"});
    ASSERT_TRUE(silence.facts);
    EXPECT_TRUE(silence.facts->silent);
    EXPECT_FALSE(parse({"[Parsed_ebur128_0 @ 0x1] t: 0.5 M: -20.0"}).facts);  // cut off before its summary
}

TEST(LoudnessGates, AnAlbumIsGatedAsOneFile) {
    // Blocks at -10 and -30 in equal numbers: the mean energy is 10^-1 + 10^-3 over two, -12.97 + 0 LU; the
    // relative gate at -22.97 keeps only the -10 ones.
    EXPECT_NEAR(*gatedLoudness({{-300, 5}, {-100, 5}}), -10.0, 1e-9);
    // Each member alone would pass its own blocks; together the quiet member's fall under the gate.
    RowLoudness loud, quiet;
    loud.track = LoudnessFacts{-10, 0, -2, false};
    loud.blocks = {{-100, 5}};
    quiet.track = LoudnessFacts{-30, 0, -20, false};
    quiet.blocks = {{-300, 5}};
    const LoudnessFacts album = albumFacts({&loud, &quiet});
    EXPECT_NEAR(album.integrated, -10.0, 1e-9);
    EXPECT_DOUBLE_EQ(album.truePeak, -2);
    EXPECT_FALSE(gatedLoudness({{-700, 3}}));  // at the absolute gate, not above it
}

TEST(LoudnessOutput, TagsAndTheNormalisingFilters) {
    RowLoudness row;
    row.track = LoudnessFacts{-11.48, 5, -0.5, false};
    OutputFormat flac;
    flac.id = 1090;
    flac.AudioCodec = "flac";
    EXPECT_EQ(replayGainTags(row, flac),
              (TagList{{"REPLAYGAIN_TRACK_GAIN", "-6.52 dB"}, {"REPLAYGAIN_TRACK_PEAK", "0.944061"}}));
    row.album = LoudnessFacts{-20, 0, -0.5, false};
    OutputFormat opus;
    opus.id = 1182;
    opus.AudioCodec = "libopus";
    // (-23 - -11.48) * 256 = -2949.12; (-23 - -20) * 256 = -768.
    EXPECT_EQ(replayGainTags(row, opus),
              (TagList{{"R128_TRACK_GAIN", "-2949"}, {"R128_ALBUM_GAIN", "-768"}}));

    AppSettings settings;
    settings.LoudnessMode = kLoudnessNormalise;  // -16 LUFS under -1 dBTP
    // The album's gain, +4 dB, would lift the track's -0.5 dBTP to +3.5: limited 1 dB under the ceiling
    // (-2 dB is 0.794328), the limiter's delay of 44100 / 1000 - 1 samples taken back.
    EXPECT_EQ(normaliseFilters(row, flac, settings, 44100),
              "volume=4.00dB,apad=pad_len=43,alimiter=limit=0.794328:level=0:attack=1:release=50,"
              "atrim=start_sample=43,asetpts=PTS-STARTPTS");
    EXPECT_EQ(loudnessRemark(row, settings), "peaks limited to -1.0 dBTP");
    row.album.reset();
    row.track->truePeak = -12;
    EXPECT_EQ(normaliseFilters(row, flac, settings, 44100), "volume=-4.52dB");
    EXPECT_EQ(loudnessRemark(row, settings), "");
    row.track->silent = true;
    EXPECT_EQ(normaliseFilters(row, flac, settings, 44100), "");
    EXPECT_TRUE(replayGainTags(row, flac).empty());
    EXPECT_EQ(loudnessRemark(row, settings), "too quiet to normalize");
}

// Three sources measured two at a time on worker threads: the rows get their values in order, the folder
// its album, and a second analysis measures nothing again; a Cancel at the first pump ends it early.
TEST(LoudnessAnalysis, SideBySideInOrderReusedAndCancelled) {
    TempDir dir;
    std::vector<std::unique_ptr<SourceItem>> owned;
    std::vector<SourceItem*> items;
    AppSettings settings;
    settings.ConversionThreads = 2;
    // The sine source's amplitude is 1/8: -20, -26.02 and -38.06 dBFS, the same in LUFS on two channels.
    for (const char* level : {"0.8", "0.4", "0.1"}) {
        const std::string path = dir.file(std::string("tone") + level + ".wav");
        ASSERT_TRUE(
            makeMedia(path, "-f lavfi -i sine=frequency=997:sample_rate=48000:duration=3 -af volume=" +
                                std::string(level) + ",pan=stereo|c0=c0|c1=c0 -c:a pcm_s16le"));
        Result<std::unique_ptr<SourceItem>> probed = probeSource(path, settings);
        ASSERT_TRUE(probed);
        items.push_back(probed->get());
        owned.push_back(probed.take());
    }
    const auto noFormat = [](const SourceItem&) -> const OutputFormat* { return nullptr; };
    std::vector<size_t> order;
    BusyRecorder busy;
    ASSERT_TRUE(
        analyseLoudness(items, noFormat, settings, false, busy, [&](size_t i, const std::string& error) {
            EXPECT_EQ(error, "");
            order.push_back(i);
        }));
    EXPECT_EQ(order, (std::vector<size_t>{0, 1, 2}));
    const double expected[] = {-20, -26.02, -38.06};
    for (size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(items[i]->loudness.track);
        EXPECT_NEAR(items[i]->loudness.track->integrated, expected[i], 0.1);
        ASSERT_TRUE(items[i]->loudness.album);
        // The three's mean energy is -23.75 LUFS; the relative gate 10 LU below drops the -38.06 blocks,
        // and the other two give -22.04.
        EXPECT_NEAR(items[i]->loudness.album->integrated, -22.04, 0.1);
    }
    order.clear();
    ASSERT_TRUE(analyseLoudness(items, noFormat, settings, false, busy,
                                [&](size_t i, const std::string&) { order.push_back(i); }));
    EXPECT_TRUE(order.empty());

    for (SourceItem* item : items) item->loudness = {};
    BusyRecorder cancelling;
    cancelling.cancelAtPump = 1;
    EXPECT_FALSE(
        analyseLoudness(items, noFormat, settings, false, cancelling, [](size_t, const std::string&) {}));
    EXPECT_FALSE(items[2]->loudness.track);
}

}  // namespace
