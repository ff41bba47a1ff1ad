#include <gtest/gtest.h>

#include "engine/Probe.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"
#include "support/CliAndMedia.h"

using namespace testing_support;

namespace {

using Stream = std::tuple<std::string, uint32_t, uint32_t, uint32_t>;  // id, Hz, kbit/s, channels

std::vector<Stream> streamsOf(const SourceItem& item) {
    std::vector<Stream> streams;
    for (size_t i = 0; i < item.streamCount(); ++i)
        streams.emplace_back(item.streamIds.at(i), item.streamSampleRates[i], item.streamBitRates.at(i),
                             item.streamChannels.at(i));
    return streams;
}

}  // namespace

TEST(ProbeParsing, DurationTexts) {
    // Only what comes before the first comma counts.
    const std::vector<std::pair<std::string, uint32_t>> cases = {
        {"00:01:02.50, start: 0.000000, bitrate: 1411 kb/s", 62},
        {"N/A, start: 0.000000, bitrate: N/A", 0},
        {"00:00, 12:00:00", 0},
        {"123:04:05.99", 123 * 3600 + 4 * 60 + 5},
        {"-1:00:00", 0}};
    for (const auto& [text, seconds] : cases) EXPECT_EQ(parseDurationText(text), seconds) << text;
    const std::vector<std::pair<std::string, uint64_t>> exact = {{"00:01:02.50, start: 0.000000", 62500},
                                                                 {"10:02:13.07", 36133070},
                                                                 {"00:00:00.04", 40},
                                                                 {"N/A, start: 0.000000", 0}};
    for (const auto& [text, ms] : exact) EXPECT_EQ(parseDurationMs(text), ms) << text;
}

// A guessed length and a picture are noted; a cover picture is not a film.
TEST(ProbeParsing, EstimatedLengthsAndPictures) {
    const auto read = [](const std::vector<std::string>& lines) {
        SourceItem item;
        ProbeReading reading(item);
        for (const auto& line : lines) reading.line(line);
        return std::tuple(item.durationEstimated, item.hasVideo, item.tags.hasCover);
    };
    EXPECT_EQ(read({"[mp3 @ 0x5581] Estimating duration from bitrate, this may be inaccurate",
                    "  Duration: 00:01:20.00, start: 0.000000, bitrate: 32 kb/s",
                    "  Stream #0:0: Audio: mp3, 44100 Hz, stereo, fltp, 32 kb/s",
                    "  Stream #0:1: Video: mjpeg (Baseline), yuvj420p, 300x300, 90k tbr (attached pic)"}),
              std::tuple(true, false, true));
    // The older build does not say "attached pic": a picture has no frame rate.
    EXPECT_EQ(
        read({"  Duration: 00:00:01.00, start: 0.000000, bitrate: 164 kb/s",
              "    Stream #0:0: Audio: flac, 44100 Hz, mono, s16",
              "    Stream #0:1: Video: mjpeg (Baseline), yuvj420p(pc), 32x32, 90k tbr, 90k tbn, 90k tbc"}),
        std::tuple(false, false, true));
    EXPECT_EQ(read({"  Duration: 00:00:08.00, start: 0.000000, bitrate: 300 kb/s",
                    "  Stream #0:0: Video: mpeg4 (Simple Profile), yuv420p, 96x64, 10 fps",
                    "  Stream #0:1: Audio: aac (LC), 44100 Hz, mono, fltp",
                    "    Metadata:", "      title           : Estimating duration from bitrate"}),
              std::tuple(false, true, false));
}

TEST(ProbeParsing, StreamIds) {
    // Well formed: "<file>:<stream>" followed by the hex id, the language or the colon.
    const std::vector<std::pair<std::string, std::string>> ids = {
        {"1:12: Audio", "1:12"},
        {"0:0[0x1c0]: Audio", "0:0"},
        {"0:1(eng): Audio", "0:1"},
        {"0.1: Audio", ""},
        {"12", ""},
        {"0:: Audio", ""},
        {std::string(3000, '7') + ":1: Audio", ""},
    };
    for (const auto& [text, id] : ids) EXPECT_EQ(parseStreamId(text), id) << text;
}

TEST(ProbeParsing, ReadingLines) {
    SourceItem item;
    ProbeReading reading(item);
    for (const char* line : {
             "Input #0, matroska,webm, from 'clip.mkv':",
             "    DURATION        : 00:00:02.050000000",
             "  Duration: 00:01:02.05, start: 0.000000, bitrate: 344 kb/s",
             "  Duration: 00:09:00.00, start: 0.000000",  // a later duration line changes nothing
             "  Stream #0:0: Video: mpeg4 (Simple Profile), yuv420p, 160x120, 10 fps",
             "\t Stream #0:1(eng): Audio: aac (LC), 44100 Hz, stereo, fltp, 128 kb/s (default)",
             "  Stream #0:2[0x1c0]: Audio: mp2, 48000 Hz, stereo, s16p, 384 kb/s",
             "  Stream #0:5:  \tAudio: pcm_s16le, 22050 Hz, 1 channels",
             "  Stream #0:6: Data: Audio: none",
             "  Stream #0:7: Audio: pcm_s16le ([1][0][0][0] / 0x0001), 44100 Hz, 2 channels, s16, 1411 kb/s",
             "  Stream #0:8: Audio: aac (LC), 48000 Hz, 5.1, fltp (default)",
             "  Stream #0:10: Audio: x, 2.1, 4.1, 6.1",  // a later piece overwrites an earlier one
             "  Stream #0:13: Audio: pcm_s16le, 44100 Hz, 3 channels, s16",
             "  Stream #0:15: Audio:,,, ,",
             "  Stream #0:16: Audio: wmav2, -5 Hz, stereo",
         }) {
        reading.line(line);
    }
    EXPECT_TRUE(reading.foundAudio());
    EXPECT_EQ(item.duration, 62u);
    const std::vector<Stream> expected = {
        {"0:1", 44100, 128, 2},  {"0:2", 48000, 384, 2}, {"0:5", 22050, 0, 1},
        {"0:7", 44100, 1411, 2}, {"0:8", 48000, 0, 6},   {"0:10", 0, 0, 7},
        {"0:13", 44100, 0, 3},   {"0:15", 0, 0, 0},      {"0:16", 0, 0, 2},
    };
    EXPECT_EQ(streamsOf(item), expected);
}

// Tags are printed as they are: keys and values that look like the transcoder's own lines must not count.
// The layouts are those of the two transcoder builds (the older one indents every stream line by four and
// its tags at the same depth as the stream).
TEST(ProbeParsing, TagsCannotFakeDurationOrStreams) {
    const std::vector<std::vector<const char*>> outputs = {
        {"Input #0, mp3, from 'spoof.mp3':", "  Metadata:",
         "    Duration: 99:00:00.00, start: 0.0, bitrate: 1 kb/s: v",
         "    Stream #0:7: Audio: aac, 44100 Hz, stereo: x", "    lyrics          : first line",
         "                    : Duration: 50:00:00.00",
         "                    :   Stream #0:8: Audio: aac, 8000 Hz, mono",
         "  Duration: 00:00:02.04, start: 0.025057, bitrate: 65 kb/s",
         "    Chapter #0:0: start 0.000000, end 1.000000", "      Metadata:", "        title           : x",
         "  Stream #0:0: Audio: mp3, 44100 Hz, mono, fltp, 64 kb/s", "    Metadata:",
         "      Stream #0:9: Audio: aac, 8000 Hz, mono: x", "  Stream #0:: Audio: aac, 8000 Hz, mono"},
        {"Input #0, mpegts, from 'prog.ts':", "  Duration: 00:00:02.01, start: 1.400000, bitrate: 838 kb/s",
         "  Program 1 ", "    Metadata:", "      service_name    : Service01",
         "    Stream #0:0[0x100]: Audio: mp2 ([3][0][0][0] / 0x0003), 44100 Hz, mono, fltp, 384 kb/s",
         "    Metadata:", "      Stream #0:5: Audio: aac, 8000 Hz, mono: x", "  Program 2 ",
         "    Stream #0:0[0x100]: Audio: mp2 ([3][0][0][0] / 0x0003), 44100 Hz, mono, fltp, 384 kb/s",
         "    Stream #0:1[0x101]: Audio: mp2 ([3][0][0][0] / 0x0003), 48000 Hz, stereo, fltp, 192 kb/s"},
        {"Input #0, mpegts, from 'prog.ts':", "  Duration: 00:00:02.01, start: 1.400000, bitrate: 838 kb/s",
         "  Program 1 ", "    Metadata:", "      service_name    : Service01",
         "  Stream #0:0[0x100]: Audio: mp2 ([3][0][0][0] / 0x0003), 44100 Hz, mono, fltp, 384 kb/s",
         "  Stream #0:1[0x101]: Audio: mp2 ([3][0][0][0] / 0x0003), 48000 Hz, stereo, fltp, 192 kb/s"},
    };
    const std::vector<std::pair<uint32_t, std::vector<Stream>>> expected = {
        {2, {{"0:0", 44100, 64, 1}}},
        {2, {{"0:0", 44100, 384, 1}, {"0:1", 48000, 192, 2}}},
        {2, {{"0:0", 44100, 384, 1}, {"0:1", 48000, 192, 2}}},
    };
    for (size_t i = 0; i < outputs.size(); ++i) {
        SourceItem item;
        ProbeReading reading(item);
        for (const char* line : outputs[i]) reading.line(line);
        EXPECT_EQ(std::pair(item.duration, streamsOf(item)), expected[i]) << "output " << i;
    }
}

// The input's block gives the tags; a stream's block only in an Ogg file, and only the first audio
// stream's (elsewhere a stream's title names the track: "Commentary"). A chapter's title is no tag. The
// older build prints stream tags at the stream's own depth.
TEST(ProbeParsing, TagsOfTheInputOrOfAnOggStream) {
    const std::vector<std::vector<const char*>> outputs = {
        {"Input #0, matroska,webm, from 'film.mkv':", "  Metadata:", "    title           : The Film",
         "    ARTIST          : Director", "  Duration: 00:00:02.00, start: 0.000000, bitrate: 9 kb/s",
         "    Chapter #0:0: start 0.000000, end 1.000000", "      Metadata:",
         "        album           : Chapter", "  Stream #0:0: Audio: vorbis, 44100 Hz, mono, fltp",
         "    Metadata:", "      title           : Commentary", "      genre           : Talk"},
        {"Input #0, ogg, from 'song.ogg':", "  Duration: 00:00:02.00, start: 0.000000, bitrate: 9 kb/s",
         "    Stream #0:0: Video: theora, yuv420p, 32x32", "    Metadata:", "      title           : Picture",
         "    Stream #0:1: Audio: vorbis, 44100 Hz, mono, fltp", "    Metadata:",
         "      title           : Song", "      comment         : one", "                      : two",
         "      track           : 2/10", "    Stream #0:2: Audio: vorbis, 44100 Hz, mono, fltp",
         "    Metadata:", "      album           : Other"},
    };
    const std::vector<std::vector<std::pair<TagField, const char*>>> expected = {
        {{kTagTitle, "The Film"}, {kTagArtist, "Director"}},
        {{kTagTitle, "Song"}, {kTagComment, "one\ntwo"}, {kTagTrack, "2"}, {kTagTrackTotal, "10"}},
    };
    for (size_t i = 0; i < outputs.size(); ++i) {
        SourceItem item;
        ProbeReading reading(item);
        for (const char* line : outputs[i]) reading.line(line);
        SourceTags want;
        for (const auto& [field, value] : expected[i]) want[field] = value;
        EXPECT_EQ(item.tags.values, want.values) << "output " << i;
    }
}

// The decoder's sample format after the layout, as both transcoder builds print it; one per stream.
TEST(ProbeParsing, SampleFormats) {
    const std::pair<const char*, SampleFormat> cases[] = {
        {"pcm_s16le ([1][0][0][0] / 0x0001), 44100 Hz, stereo, s16, 1411 kb/s", {16, false}},
        {"flac, 48000 Hz, mono, s32 (24 bit)", {24, false}},
        {"alac (alac / 0x63616C61), 44100 Hz, mono, s32p (24 bit), 497 kb/s (default)", {24, false}},
        {"pcm_s32le ([1][0][0][0] / 0x0001), 44100 Hz, mono, s32, 1411 kb/s", {32, false}},
        {"aac (LC), 44100 Hz, stereo, fltp, 128 kb/s (default)", {32, true}},
        {"pcm_f64le ([3][0][0][0] / 0x0003), 44100 Hz, mono, dbl, 2822 kb/s", {64, true}},
        {"pcm_u8 ([1][0][0][0] / 0x0001), 8000 Hz, mono, u8, 64 kb/s", {8, false}},
        {"wavpack, 44100 Hz, 5.1(side), s16p", {16, false}},
        {"s16le, 44100 Hz, stereo", {}},  // a codec's name is no sample format
        {"pcm_s16le, 22050 Hz, 1 channels", {}},
        {"x, 44100 Hz, stereo, s32 (40 bit)", {32, false}},  // never more bits than the format has
    };
    for (const auto& [text, format] : cases) {
        const SampleFormat parsed = parseAudioFields(text).sampleFormat;
        EXPECT_EQ(std::pair(parsed.bits, parsed.floating), std::pair(format.bits, format.floating)) << text;
    }
    SourceItem item;
    ProbeReading reading(item);
    for (const char* line : {"  Stream #0:0: Audio: mp3, 44100 Hz, stereo, fltp, 320 kb/s",
                             "  Stream #0:1: Audio: pcm_s16le, 22050 Hz, 1 channels",
                             "    Stream #0:2: Audio: flac, 96000 Hz, stereo, s32 (24 bit)"})
        reading.line(line);
    EXPECT_TRUE(item.streamSampleFormats == (std::vector<SampleFormat>{{32, true}, {}, {24, false}}));
}

TEST(ProbeParsing, CommandLineAndAutomaticStreamChoice) {
    EXPECT_EQ(probeCommandLine("C:\\P\\mdxcode.exe", "mp3", "C:\\a b.mp3"),
              "\"C:\\P\\mdxcode.exe\"  -i \"C:\\a b.mp3\"");
    EXPECT_EQ(probeCommandLine("/p/mdxcode", "ulw", "/m/v.ULW"),
              "\"/p/mdxcode\" -f mulaw -ar 8k -ac 1 -i \"/m/v.ULW\"");
    // {RequestAudioIndex, streams, chosen}
    const int cases[][3] = {{1, 1, 0}, {1, 3, 0}, {0, 3, 0},  {2, 1, 0}, {2, 2, 1},
                            {3, 2, 0}, {3, 3, 2}, {99, 3, 0}, {2, 0, 0}};
    for (const auto& c : cases) EXPECT_EQ(automaticAudioStream(c[0], c[1]), c[2]) << c[0] << " of " << c[1];
}

// Real files made and probed by the transcoder (a video with two audio streams: CliProbeCommandTest).
struct ProbeFiles : ::testing::Test {
    TempDir dir;
    AppSettings settings;
};

TEST_F(ProbeFiles, OneAudioStream) {
    const std::string sine = "-f lavfi -i sine=sample_rate=";
    const struct {
        const char* name;
        std::string make;  // transcoder arguments; empty: 100 silent 10-byte frames
        uint32_t duration;
        Stream stream;
    } cases[] = {
        {"\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F \xE6\xAD\x8C.wav",
         sine + "8000:duration=1 -c:a pcm_s16le",
         1,
         {"0:0", 8000, 128, 1}},
        // MPEG-PS: the stream line carries a bracketed hex id.
        {"title.vob",
         "-f lavfi -i testsrc=size=160x120:rate=25:duration=2 " + sine +
             "48000:duration=2 -c:v mpeg2video -c:a mp2 -ac 2 -b:a 192k -f vob",
         2,
         {"0:1", 48000, 192, 2}},
        // A live Matroska stream: Duration N/A.
        {"live.mka", sine + "44100:duration=1 -c:a libvorbis -f matroska -live 1", 0, {"0:0", 44100, 0, 1}},
        {"voice.ULW", sine + "8000:duration=3 -f mulaw", 3, {"0:0", 8000, 64, 1}},  // needs the forced format
        {"tone.G722", sine + "16000:duration=2 -c:a g722 -f g722", 2, {"0:0", 16000, 64, 1}},
        // G.723.1 streams tell no duration.
        {"tone.723_1", sine + "8000:duration=1 -c:a g723_1 -b:a 6300 -f g723_1", 0, {"0:0", 8000, 0, 1}},
        {"silence.g729", "", 1, {"0:0", 8000, 0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(c.make.empty() ? writeFile(path, std::string(1000, '\0')) : makeMedia(path, c.make));
        auto probed = probeSource(path, settings);
        ASSERT_TRUE(probed) << probed.reason();
        const auto item = probed.take();
        EXPECT_EQ(item->kind, kSourceFile);
        EXPECT_EQ(item->audioStream, 0);
        EXPECT_EQ(item->duration, c.duration);
        EXPECT_EQ(streamsOf(*item), std::vector<Stream>{c.stream});
    }
}

TEST_F(ProbeFiles, Refusals) {
    ASSERT_TRUE(
        makeMedia(dir.file("silent.mkv"), "-f lavfi -i testsrc=size=160x120:rate=10:duration=1 -c:v mpeg4"));
    ASSERT_TRUE(writeFile(dir.file("notes.txt"), "just words\n"));
    std::vector<std::pair<std::string, std::string>> cases = {
        {"missing.wav", "File not found"},
        {"silent.mkv", "No audio stream found"},
        {"notes.txt", openComplaint(dir.file("notes.txt"))},
    };
#ifndef _WIN32
    ASSERT_TRUE(makeSineWav(dir.file("say \"hi\".wav"), 1));
    cases.push_back(
        {"say \"hi\".wav", "The file name contains a double quote and cannot be given to the transcoder"});
#endif
    for (const auto& [name, message] : cases) {
        const auto probed = probeSource(dir.file(name), settings);
        EXPECT_FALSE(probed) << name;
        EXPECT_EQ(probed.reason(), message) << name;
    }
}
