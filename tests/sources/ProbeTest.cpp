#include <gtest/gtest.h>

#include "settings/AppSettings.h"
#include "sources/Probe.h"
#include "sources/SourceItem.h"
#include "support/TestSupport.h"

using testing_support::TempDir;

namespace {

struct ExpectedStream {
    std::string id;
    uint32_t sampleRate, bitRate, channels;
};

void expectStreams(const SourceItem& item, const std::vector<ExpectedStream>& expected) {
    ASSERT_EQ(item.streamCount(), expected.size());
    ASSERT_EQ(item.streamIds.size(), expected.size());
    ASSERT_EQ(item.streamChannels.size(), expected.size());
    ASSERT_EQ(item.streamBitRates.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(item.streamIds[i], expected[i].id);
        EXPECT_EQ(item.streamSampleRates[i], expected[i].sampleRate);
        EXPECT_EQ(item.streamBitRates[i], expected[i].bitRate);
        EXPECT_EQ(item.streamChannels[i], expected[i].channels);
    }
}

// Makes test media with the transcoder; true when the file came out non-empty.
bool makeMedia(const std::string& path, std::vector<std::string> args) {
    args.insert(args.begin(), {"-hide_banner", "-loglevel", "error"});
    args.insert(args.end(), {"-y", path});
    const auto run = testing_support::runTranscoder(args);
    const std::string bytes = testing_support::readFile(path);
    if (bytes.empty()) ADD_FAILURE() << "could not make " << path << ": " << run.output;
    return !bytes.empty();
}

}  // namespace

TEST(ProbeParsing, DurationTexts) {
    const std::vector<std::pair<std::string, uint32_t>> cases = {
        {"00:01:02.50, start: 0.000000, bitrate: 1411 kb/s", 62},
        {"00:00:25.47", 25},
        {"01:00:00.00, start: 0", 3600},
        {"123:04:05.99", 123 * 3600 + 4 * 60 + 5},
        {"N/A, start: 0.000000, bitrate: N/A", 0},
        {"10:5", 10 * 3600 + 5 * 60},
        {"7", 7 * 3600},
        {"", 0},
        {"garbage", 0},
        {"00:00, 12:00:00", 0},  // only what comes before the first comma counts
        {"-1:00:00", 0},
    };
    for (const auto& [text, seconds] : cases) EXPECT_EQ(parseDurationText(text), seconds) << text;
}

TEST(ProbeParsing, StreamIds) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0:1(eng): Audio: aac", "0:1"},
        {"0:0[0x1c0]: Audio: mp2", "0:0"},
        {"1:12: Audio", "1:12"},
        {"0:1:2 x", "0:1"},
        {"0.1: Audio", "0"},
        {"x0:1: Audio", ""},
        {"", ""},
        {"12", "12"},
    };
    for (const auto& [text, id] : cases) EXPECT_EQ(parseStreamId(text), id) << text;
    EXPECT_EQ(parseStreamId(std::string(3000, '7')).size(), 1023u);
}

TEST(ProbeParsing, AudioFields) {
    struct Case {
        std::string text;
        uint32_t rate, kbps, channels;
    };
    const std::vector<Case> cases = {
        {" aac (LC), 44100 Hz, stereo, fltp, 128 kb/s (default)", 44100, 128, 2},
        {" mp2, 48000 Hz, stereo, s16p, 384 kb/s", 48000, 384, 2},
        {" pcm_s16le ([1][0][0][0] / 0x0001), 44100 Hz, 2 channels, s16, 1411 kb/s", 44100, 1411, 2},
        {" aac (LC), 48000 Hz, 5.1, fltp (default)", 48000, 0, 6},
        {" ac3, 48000 Hz, 5.1(side), fltp, 448 kb/s", 48000, 448, 6},
        {" dts, 48000 Hz, 5.0(side), fltp", 48000, 0, 5},
        {" opus, 48000 Hz, 4.0, fltp", 48000, 0, 4},
        {" x, 2.1, 4.1, 6.1", 0, 0, 7},  // a later piece overwrites an earlier one
        {" vorbis, 44100 Hz, 7.1, fltp", 44100, 0, 8},
        {" pcm_mulaw, 8000 Hz, mono, s16, 64 kb/s", 8000, 64, 1},
        {" pcm_s16le, 44100 Hz, 3 channels, s16", 44100, 0, 3},
        {"", 0, 0, 0},
        {",,, ,", 0, 0, 0},
        {" wmav2, -5 Hz, stereo", 0, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const AudioFields f = parseAudioFields(c.text);
        EXPECT_EQ(f.sampleRate, c.rate);
        EXPECT_EQ(f.bitRate, c.kbps);
        EXPECT_EQ(f.channels, c.channels);
    }
}

TEST(ProbeParsing, ReadingLines) {
    SourceItem item;
    ProbeReading reading(item);
    for (const char* line : {
             "Input #0, matroska,webm, from 'clip.mkv':",
             "  Metadata:",
             "    DURATION        : 00:00:02.050000000",
             "  Duration: 00:01:02.05, start: 0.000000, bitrate: 344 kb/s",
             "  Duration: 00:09:00.00, start: 0.000000",  // a later duration line changes nothing
             "  Stream #0:0: Video: mpeg4 (Simple Profile), yuv420p, 160x120, 10 fps",
             "\t Stream #0:1(eng): Audio: aac (LC), 44100 Hz, stereo, fltp, 128 kb/s (default)",
             "  Stream #0:2[0x1c0]: Audio: mp2, 48000 Hz, stereo, s16p, 384 kb/s",
             "  Stream #0:3",
             "  Stream #0:4: Subtitle: ass",
             "  Stream #0:5:  \tAudio: pcm_s16le, 22050 Hz, 1 channels",
             "Stream mapping: Audio: nothing",
             "  Stream #0:6: Data: Audio: none",
         }) {
        reading.line(line);
    }
    EXPECT_TRUE(reading.foundAudio());
    EXPECT_EQ(item.duration, 62u);
    expectStreams(item, {{"0:1", 44100, 128, 2}, {"0:2", 48000, 384, 2}, {"0:5", 22050, 0, 1}});
}

TEST(ProbeParsing, NoAudioNoDuration) {
    SourceItem item;
    ProbeReading reading(item);
    reading.line("  Duration: N/A, start: 0.000000, bitrate: N/A");
    reading.line("  Stream #0:0: Video: h264");
    EXPECT_FALSE(reading.foundAudio());
    EXPECT_EQ(item.duration, 0u);
    EXPECT_EQ(item.streamCount(), 0u);
}

TEST(ProbeParsing, CommandLine) {
    EXPECT_EQ(probeCommandLine("C:\\P\\mdxcode.exe", "mp3", "C:\\a b.mp3"),
              "\"C:\\P\\mdxcode.exe\"  -i \"C:\\a b.mp3\"");
    EXPECT_EQ(probeCommandLine("/p/mdxcode", "ulw", "/m/v.ULW"),
              "\"/p/mdxcode\" -f mulaw -ar 8k -ac 1 -i \"/m/v.ULW\"");
}

TEST(ProbeParsing, AutomaticStreamChoice) {
    struct Case {
        uint32_t setting;
        size_t streams;
        int32_t chosen;
    };
    const Case cases[] = {{1, 1, 0}, {1, 3, 0}, {0, 3, 0},  {2, 1, 0}, {2, 2, 1},
                          {3, 2, 0}, {3, 3, 2}, {99, 3, 0}, {2, 0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(automaticAudioStream(c.setting, c.streams), c.chosen) << c.setting << " of " << c.streams;
    }
}

// Real files made by the transcoder, probed by the transcoder.
class ProbeFiles : public ::testing::Test {
protected:
    TempDir dir;
    AppSettings settings;
};

TEST_F(ProbeFiles, StereoWav) {
    const std::string wav = dir.file("tone.wav");
    ASSERT_TRUE(testing_support::makeSineWav(wav, 2));
    std::string error;
    auto item = probeSource(wav, settings, &error);
    ASSERT_TRUE(item) << error;
    EXPECT_EQ(item->kind, kSourceFile);
    EXPECT_EQ(item->extension, "wav");
    EXPECT_EQ(item->duration, 2u);
    EXPECT_EQ(item->audioStream, 0);
    expectStreams(*item, {{"0:0", 44100, 1411, 2}});
}

TEST_F(ProbeFiles, VideoWithTwoAudioStreams) {
    const std::string clip = dir.file("clip.mkv");
    ASSERT_TRUE(
        makeMedia(clip, {"-f",      "lavfi", "-i",      "testsrc=size=160x120:rate=10:duration=2",
                         "-f",      "lavfi", "-i",      "sine=frequency=440:sample_rate=48000:duration=2",
                         "-f",      "lavfi", "-i",      "sine=frequency=880:sample_rate=22050:duration=2",
                         "-map",    "0:v",   "-map",    "1:a",
                         "-map",    "2:a",   "-c:v",    "mpeg4",
                         "-c:a",    "aac",   "-ac:a:0", "6",
                         "-ac:a:1", "1"}));
    settings.RequestAudioIndex = 2;
    std::string error;
    auto item = probeSource(clip, settings, &error);
    ASSERT_TRUE(item) << error;
    EXPECT_EQ(item->duration, 2u);
    ASSERT_EQ(item->streamCount(), 2u);
    EXPECT_EQ(item->streamIds, (std::vector<std::string>{"0:1", "0:2"}));
    EXPECT_EQ(item->streamSampleRates, (std::vector<uint32_t>{48000, 22050}));
    EXPECT_EQ(item->streamChannels, (std::vector<uint32_t>{6, 1}));
    EXPECT_EQ(item->audioStream, 1);
    EXPECT_EQ(fileColumnText(*item), "clip.mkv (2 audios)");
    EXPECT_EQ(streamColumns(*item).sampleRate, "22050 Hz*2");
    EXPECT_EQ(streamColumns(*item).channels, "Mono");

    settings.RequestAudioIndex = 3;  // beyond the streams: the first
    item = probeSource(clip, settings, &error);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->audioStream, 0);
}

TEST_F(ProbeFiles, VideoOnlyIsRefused) {
    const std::string clip = dir.file("silent.mkv");
    ASSERT_TRUE(
        makeMedia(clip, {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=10:duration=1", "-c:v", "mpeg4"}));
    std::string error;
    EXPECT_FALSE(probeSource(clip, settings, &error));
    EXPECT_EQ(error, "No audio stream found");
}

TEST_F(ProbeFiles, ProgramStreamWithHexIds) {
    const std::string vob = dir.file("title.vob");
    ASSERT_TRUE(makeMedia(vob, {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2", "-f", "lavfi",
                                "-i", "sine=sample_rate=48000:duration=2", "-c:v", "mpeg2video", "-c:a",
                                "mp2", "-ac", "2", "-b:a", "192k", "-f", "vob"}));
    std::string error;
    auto item = probeSource(vob, settings, &error);
    ASSERT_TRUE(item) << error;
    EXPECT_EQ(item->duration, 2u);
    expectStreams(*item, {{"0:1", 48000, 192, 2}});
}

TEST_F(ProbeFiles, UnknownDuration) {
    // A live Matroska stream carries no duration.
    const std::string live = dir.file("live.mka");
    ASSERT_TRUE(makeMedia(live, {"-f", "lavfi", "-i", "sine=sample_rate=44100:duration=1", "-c:a",
                                 "libvorbis", "-f", "matroska", "-live", "1"}));
    std::string error;
    auto item = probeSource(live, settings, &error);
    ASSERT_TRUE(item) << error;
    EXPECT_EQ(item->duration, 0u);
    EXPECT_EQ(durationText(item->duration), "");
    expectStreams(*item, {{"0:0", 44100, 0, 1}});
}

TEST_F(ProbeFiles, RawMuLawNeedsTheForcedFormat) {
    const std::string raw = dir.file("voice.ULW");
    ASSERT_TRUE(makeMedia(raw, {"-f", "lavfi", "-i", "sine=sample_rate=8000:duration=3", "-f", "mulaw"}));
    std::string error;
    auto item = probeSource(raw, settings, &error);
    ASSERT_TRUE(item) << error;
    EXPECT_EQ(item->extension, "ulw");
    EXPECT_EQ(item->duration, 3u);
    expectStreams(*item, {{"0:0", 8000, 64, 1}});
}

TEST_F(ProbeFiles, RawSpeechStreams) {
    struct Case {
        const char* name;
        std::vector<std::string> make;  // transcoder arguments; empty: 100 silent 10-byte frames
        uint32_t duration;
        ExpectedStream stream;
    };
    const std::vector<Case> cases = {
        {"tone.722",
         {"-f", "lavfi", "-i", "sine=sample_rate=16000:duration=2", "-c:a", "g722", "-f", "g722"},
         2,
         {"0:0", 16000, 64, 1}},
        {"tone.G722",
         {"-f", "lavfi", "-i", "sine=sample_rate=16000:duration=1", "-c:a", "g722", "-f", "g722"},
         1,
         {"0:0", 16000, 64, 1}},
        // G.723.1 streams tell no duration.
        {"tone.723_1",
         {"-f", "lavfi", "-i", "sine=sample_rate=8000:duration=1", "-c:a", "g723_1", "-b:a", "6300", "-f",
          "g723_1"},
         0,
         {"0:0", 8000, 0, 1}},
        {"silence.g729", {}, 1, {"0:0", 8000, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        if (c.make.empty()) {
            ASSERT_TRUE(testing_support::writeFile(path, std::string(1000, '\0')));
        } else {
            ASSERT_TRUE(makeMedia(path, c.make));
        }
        std::string error;
        auto item = probeSource(path, settings, &error);
        ASSERT_TRUE(item) << error;
        EXPECT_EQ(item->duration, c.duration);
        expectStreams(*item, {c.stream});
    }
}

TEST_F(ProbeFiles, Refusals) {
    std::string error;
    EXPECT_FALSE(probeSource(dir.file("missing.wav"), settings, &error));
    EXPECT_EQ(error, "File not found");

    const std::string text = dir.file("notes.txt");
    ASSERT_TRUE(testing_support::writeFile(text, "just words\n"));
    EXPECT_FALSE(probeSource(text, settings, &error));
    EXPECT_EQ(error, "No audio stream found");

#ifndef _WIN32
    const std::string quoted = dir.file("say \"hi\".wav");
    ASSERT_TRUE(testing_support::makeSineWav(dir.file("plain.wav"), 1));
    std::filesystem::copy_file(testing_support::fromU8(dir.file("plain.wav")),
                               testing_support::fromU8(quoted));
    EXPECT_FALSE(probeSource(quoted, settings, &error));
    EXPECT_NE(error.find("double quote"), std::string::npos);
#endif
}

TEST_F(ProbeFiles, NonAsciiName) {
    const std::string wav = dir.file("\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F \xE6\xAD\x8C.wav");
    ASSERT_TRUE(testing_support::makeSineWav(wav, 1));
    std::string error;
    auto item = probeSource(wav, settings, &error);
    ASSERT_TRUE(item) << error;
    EXPECT_EQ(item->duration, 1u);
}
