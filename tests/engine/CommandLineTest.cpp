#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "engine/CommandLine.h"
#include "formats/Catalogue.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"

namespace {

const std::string kExe = "D:\\Apps\\mdxcode.exe";

// A catalogue format, with another of its codecs when given.
OutputFormat format(int32_t id, const char* codec = nullptr) {
    OutputFormat f = *Catalogue().findById(id);
    if (codec) f.AudioCodec = codec;
    return f;
}

// A source whose streams are given as {id, channels, Hz, kbit/s}.
SourceItem source(const std::string& path, const std::string& output, uint32_t seconds,
                  std::vector<std::tuple<std::string, uint32_t, uint32_t, uint32_t>> streams) {
    SourceItem item;
    item.path = path;
    item.extension = sourceExtension(path);
    item.outputPath = output;
    item.duration = seconds;
    for (const auto& [id, channels, rate, kbps] : streams) {
        item.streamIds.push_back(id);
        item.streamChannels.push_back(channels);
        item.streamSampleRates.push_back(rate);
        item.streamBitRates.push_back(kbps);
    }
    return item;
}
SourceItem stereoWav() {
    return source("C:\\Music\\song.wav", "C:\\Music\\song.mp3", 10, {{"0:0", 2, 44100, 1411}});
}
// A video whose chosen second stream is 48000 Hz stereo.
SourceItem twoStreamClip() {
    SourceItem item = source("C:\\Video\\clip.mkv", "C:\\Video\\clip.m4a", 300,
                             {{"0:1", 6, 44100, 384}, {"0:2", 2, 48000, 192}});
    item.audioStream = 1;
    return item;
}

}  // namespace

TEST(CommandLine, WorkedExamples) {
    EXPECT_EQ(
        buildCommandLine(stereoWav(), format(1160), AppSettings{}, kExe),
        "\"D:\\Apps\\mdxcode.exe\" -i \"C:\\Music\\song.wav\" -dn -sn -c:v mjpeg -q:v 2 -c:a libmp3lame "
        "-id3v2_version 3 -ar 44100 -ac 2 -b:a 128000 -y \"C:\\Music\\song.mp3\"");

    AppSettings settings;
    settings.KeepID3Tag = 0;
    settings.FixAudioUnsync = 1;
    settings.EnableSkipLength = 1;
    settings.SkipLength = 90500;
    settings.EnableConvertLength = 1;
    settings.ConvertLength = 60000;
    OutputFormat m4a = format(1100);
    m4a.AudioVolume = 150;
    EXPECT_EQ(buildCommandLine(twoStreamClip(), m4a, settings, kExe),
              "\"D:\\Apps\\mdxcode.exe\" -i \"C:\\Video\\clip.mkv\" -dn -sn -f ipod -movflags faststart -vn "
              "-map 0:2 -c:a aac -strict -2 -cutoff 21000 -ar 48000 -ac 2 -b:a 192000 -vol 384 -async 1 "
              "-ss 00:01:30.500 -t 60 -map_metadata -1 -y \"C:\\Video\\clip.m4a\"");
}

// The audio part of a line for one variation of the format or the item; each case is derived by hand.
// (Explicit bit rates, VBR qualities, channels, volume and G.726 bits: the end-to-end test.)
TEST(CommandLine, AudioPieces) {
    using Change = std::function<void(OutputFormat&, SourceItem&)>;
    struct Case {
        const char* name;
        OutputFormat format;
        Change change;
        std::string middle;  // between "-dn -sn " and "-y "
    };
    const std::string mp3 = "-c:v mjpeg -q:v 2 -c:a libmp3lame -id3v2_version 3 -ar 44100 ";
    const std::string m4a = "-f ipod -movflags faststart -vn -c:a ";
    const std::vector<Case> cases = {
        {"codec not in list: no audio options at all", format(1160),
         [](auto& f, auto&) { f.AudioCodec = "pcm_s16le", f.AudioVolume = 50; }, "-c:v mjpeg -q:v 2 -an "},
        {"item without streams", format(1160), [](auto&, auto& i) { i = SourceItem{}; },
         "-c:v mjpeg -q:v 2 -an "},
        {"unknown sample rate means 44100, mono picks the mono rate", format(1160),
         [](auto&, auto& i) { i.streamSampleRates = {0}, i.streamChannels = {1}; },
         mp3 + "-ac 1 -b:a 96000 "},
        {"bit rate above the list", format(1160), [](auto& f, auto&) { f.AudioBitRate = 999000; },
         mp3 + "-ac 2 -b:a 320000 "},
        {"VBR without quality falls back to a bit rate", format(1160),
         [](auto& f, auto&) { f.AudioVBREnabled = 1, f.AudioVBRQuality = -1; }, mp3 + "-ac 2 -b:a 128000 "},
        {"VBR on a codec without VBR", format(1100),
         [](auto& f, auto&) { f.AudioVBREnabled = 1, f.AudioVBRQuality = 3; },
         m4a + "aac -strict -2 -cutoff 21000 -ar 44100 -ac 2 -b:a 128000 "},
        {"compression level -1 becomes the first level", format(1100, "alac"),
         [](auto& f, auto&) { f.AudioCompressionLevel = -1; },
         m4a + "alac -ar 44100 -ac 2 -compression_level 0 "},
        {"dca is strict", format(1200, "dca"), nullptr, "-vn -c:a dca -ar 44100 -ac 2 -strict -2 "},
        {"g726 automatic: largest bit count", format(1200, "g726"), nullptr,
         "-vn -c:a g726 -ar 8000 -ac 1 -b:a 40000 "},
        {"adts writes an APE tag", format(1010), nullptr,
         "-f adts -vn -c:a aac -strict -2 -cutoff 21000 -write_apetag 1 -ar 44100 -ac 2 -b:a 128000 "},
        {"aiff writes ID3v2.3", format(1040), nullptr,
         "-vn -c:a pcm_s16be -write_id3v2 1 -id3v2_version 3 -ar 44100 -ac 2 "},
        {"a stream choice outside the streams means the first", format(1160),
         [](auto&, auto& i) { i = twoStreamClip(), i.audioStream = 5; },
         "-c:v mjpeg -q:v 2 -map 0:1 -c:a libmp3lame -id3v2_version 3 -ar 44100 -ac 2 -b:a 128000 "},
    };
    for (const Case& c : cases) {
        OutputFormat f = c.format;
        SourceItem item = stereoWav();
        if (c.change) c.change(f, item);
        EXPECT_EQ(buildCommandLine(item, f, AppSettings{}, kExe), "\"" + kExe + "\" -i \"" + item.path +
                                                                      "\" -dn -sn " + c.middle + "-y \"" +
                                                                      item.outputPath + "\"")
            << c.name;
    }
}

TEST(CommandLine, TrimPieces) {
    constexpr int64_t kOff = -1;
    struct Case {
        const char* name;
        uint32_t duration;
        int64_t skip, convert, ignore;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"switched on with zero", 10, 0, 0, 0, ""},
        {"skip with a fraction", 300, 90500, kOff, kOff, "-ss 00:01:30.500 "},
        {"convert length", 300, kOff, 61001, kOff, "-t 00:01:01.001 "},
        {"convert wins over ignore, skip still applies", 300, 90000, 5000, 7000, "-ss 90 -t 5 "},
        {"ignore the last from the whole", 10, kOff, kOff, 3000, "-t 7 "},
        {"ignore the last after a skip", 10, 2500, kOff, 3000, "-ss 00:00:02.500 -t 00:00:04.500 "},
        {"ignore more than remains", 10, 8000, kOff, 2000, "-ss 8 -t 0 "},
        {"unknown duration", 0, kOff, kOff, 1000, "-t 0 "},
        {"hours beyond two digits", 10, 4294967295, kOff, kOff, "-ss 1193:02:47.295 "},
    };
    for (const Case& c : cases) {
        SourceItem item = stereoWav();
        item.duration = c.duration;
        AppSettings s;
        s.KeepID3Tag = 0;
        s.EnableSkipLength = c.skip != kOff;
        s.SkipLength = static_cast<uint32_t>(std::max<int64_t>(c.skip, 0));
        s.EnableConvertLength = c.convert != kOff;
        s.ConvertLength = static_cast<uint32_t>(std::max<int64_t>(c.convert, 0));
        s.EnableIgnoreTheLast = c.ignore != kOff;
        s.IgnoreLength = static_cast<uint32_t>(std::max<int64_t>(c.ignore, 0));
        const std::string line = buildCommandLine(item, format(1200), s, kExe);
        const std::string before = "-ar 44100 -ac 2 ";
        const size_t from = line.find(before) + before.size();
        EXPECT_EQ(line.substr(from, line.find("-map_metadata -1 -y") - from), c.expected) << c.name;
    }
}

TEST(CommandLine, HeadForRawPreparedAndCombinedInputs) {
    AppSettings settings;
    settings.FixAudioUnsync = 1;
    auto head = [&](const SourceItem& item) {
        const std::string line = buildCommandLine(item, format(1200), settings, kExe);
        return line.substr(0, line.find(" -dn -sn "));
    };
    SourceItem raw = stereoWav();
    raw.path = "C:\\in\\voice.ULAW";
    raw.extension = sourceExtension(raw.path);
    EXPECT_EQ(head(raw), "\"" + kExe + "\" -f mulaw -ar 8k -ac 1 -i \"C:\\in\\voice.ULAW\"");
    SourceItem prepared = stereoWav();
    prepared.needsPreparation = prepared.prepared = 1;
    prepared.preparedPath = "C:\\Temp\\md1.wav";
    EXPECT_EQ(head(prepared), "\"" + kExe + "\" -i \"C:\\Temp\\md1.wav\"");
    prepared.prepared = 0;  // not made yet: the source itself
    EXPECT_EQ(head(prepared), "\"" + kExe + "\" -i \"C:\\Music\\song.wav\"");
    SourceItem combined = stereoWav();
    combined.kind = kSourceCombineList;
    combined.path = "C:\\Temp\\list.txt";
    combined.extension = "ulw";  // never forced for the list
    EXPECT_EQ(head(combined), "\"" + kExe + "\" -f concat -safe 0 -i \"C:\\Temp\\list.txt\"");
    EXPECT_EQ(buildCommandLine(combined, format(1200), settings, kExe).find("-async"), std::string::npos);
    EXPECT_NE(buildCommandLine(stereoWav(), format(1200), settings, kExe).find("-async 1 "),
              std::string::npos);

    const std::pair<std::string, std::string> rawCases[] = {{"ulw", "mulaw -ar 8k -ac 1"},
                                                            {"alaw", "alaw -ar 8k -ac 1"},
                                                            {"265", "hevc"},
                                                            {"723_1", "g723_1"},
                                                            {"h264", "h264"},
                                                            {"wav", ""},
                                                            {"", ""},
                                                            {"ULW", ""},
                                                            {"g729x", ""}};
    for (const auto& [ext, text] : rawCases) EXPECT_EQ(rawInputFormat(ext), text) << ext;
}

TEST(CommandLine, DefaultBitRateBoundaries) {
    const int32_t cases[][3] = {
        {8000, 1, 24000},   {12000, 2, 48000},  {12001, 1, 32000},  {22050, 1, 48000},  {22051, 2, 64000},
        {44100, 1, 96000},  {44100, 2, 128000}, {44101, 1, 128000}, {48000, 2, 192000}, {96000, 0, 192000},
        {48000, 6, 576000}, {44100, 6, 384000}, {22050, 3, 96000}};
    for (const auto& c : cases) EXPECT_EQ(defaultBitRate(c[0], c[1]), c[2]) << c[0] << "/" << c[1];
}

TEST(CommandLine, ChannelFitting) {
    const int32_t cases[][3] = {{0, 3, 0},  {-1, 3, -1}, {1, 3, 1},   {6, 3, 2},     {1, 2, 2}, {2, 1, 1},
                                {5, 63, 5}, {7, 63, 6},  {9, 255, 8}, {100, 255, 8}, {3, 0, 2}};
    for (const auto& c : cases)
        EXPECT_EQ(fitChannelCount(c[0], static_cast<uint32_t>(c[1])), c[2]) << c[0] << "/" << c[1];
}

TEST(CommandLine, PathsThatCannotBeQuoted) {
    EXPECT_EQ(quotedPath("C:\\a b\\c.wav"), "\"C:\\a b\\c.wav\"");
    EXPECT_EQ(quotedPath("/tmp/odd\\"), "\"/tmp/odd\\\\\"");

    SourceItem item = stereoWav();
    EXPECT_EQ(unquotablePathError(item, kExe), "");
    item.path = "/tmp/say \"hi\".wav";
    EXPECT_NE(unquotablePathError(item, kExe).find("/tmp/say \"hi\".wav"), std::string::npos);
    item = stereoWav();
    item.outputPath = "/tmp/\".mp3";
    EXPECT_FALSE(unquotablePathError(item, kExe).empty());
    item = stereoWav();
    item.needsPreparation = item.prepared = 1;
    item.preparedPath = "/tmp/x.wav";
    item.path = "/tmp/\"never used\".cda";  // only the prepared file goes on the line
    EXPECT_EQ(unquotablePathError(item, kExe), "");
    EXPECT_FALSE(unquotablePathError(stereoWav(), "/opt/\"md\"/mdxcode").empty());
}
