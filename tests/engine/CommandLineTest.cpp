#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "engine/CommandLine.h"
#include "formats/OutputFormat.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"

namespace {

// Test-local codec records: rates, bit rates, levels and channel masks the rules work on.
constexpr int32_t kSrE[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, -1};
constexpr int32_t kBrMp[] = {8000,   16000,  24000,  32000,  40000,  48000,  56000,  64000,  80000, 96000,
                             112000, 128000, 144000, 160000, 192000, 224000, 256000, 320000, -1};
constexpr int32_t kLevels012[] = {0, 1, 2, -1};
constexpr int32_t kSr8000[] = {8000, -1};
constexpr int32_t kG726Bits[] = {2, 3, 4, 5, -1};

const CodecInfo kLame{"libmp3lame", "MP3", 3, kSrE, kBrMp, 0, 10, 3};
const CodecInfo kAac{"aac", "AAC", 1, kSrE, kBrMp, -1, -1, 63};
const CodecInfo kAlac{"alac", "ALAC", 4, kSrE, kLevels012, -1, -1, 2};
const CodecInfo kDca{"dca", "DTS", 0, kSrE, nullptr, -1, -1, 3};
const CodecInfo kG726{"g726", "G.726", 1, kSr8000, kG726Bits, -1, -1, 1};
const CodecInfo kPcm{"pcm_s16le", "PCM", 0, nullptr, nullptr, -1, -1, 255};

const CodecInfo* const kMp3Codecs[] = {&kLame, nullptr};
const CodecInfo* const kM4aCodecs[] = {&kAac, &kAlac, nullptr};
const CodecInfo* const kWavCodecs[] = {&kPcm, &kDca, &kG726, &kAac, nullptr};

OutputFormat format(int32_t id, const std::string& codec, const std::string& extension,
                    const CodecInfo* const* codecs, int32_t vbrQuality = -1) {
    OutputFormat f;
    f.id = id;
    f.kind = kFormatBuiltIn;
    f.AudioCodec = codec;
    f.extension = extension;
    f.codecs = codecs;
    f.AudioVBRQuality = vbrQuality;
    return f;
}
OutputFormat mp3Format() { return format(1160, "libmp3lame", "mp3", kMp3Codecs, 5); }
OutputFormat m4aFormat() {
    OutputFormat f = format(1100, "aac", "m4a", kM4aCodecs);
    f.AudioCompressionLevel = 2;
    f.muxer = "ipod";
    f.flags = kFormatFastStart;
    return f;
}
OutputFormat wavFormat(const std::string& codec) { return format(1200, codec, "wav", kWavCodecs); }

SourceItem sourceItem(const std::string& path, const std::string& extension, std::vector<std::string> ids,
                      std::vector<uint32_t> channels, std::vector<uint32_t> rates,
                      std::vector<uint32_t> bitRates, uint32_t seconds) {
    SourceItem item;
    item.path = path + "." + extension;
    item.extension = extension;
    item.streamIds = std::move(ids);
    item.streamChannels = std::move(channels);
    item.streamSampleRates = std::move(rates);
    item.streamBitRates = std::move(bitRates);
    item.duration = seconds;
    return item;
}
SourceItem stereoWav() {
    SourceItem item = sourceItem("C:\\Music\\song", "wav", {"0:0"}, {2}, {44100}, {1411}, 10);
    item.outputPath = "C:\\Music\\song.mp3";
    return item;
}
SourceItem twoStreamClip() {
    SourceItem item =
        sourceItem("C:\\Video\\clip", "mkv", {"0:1", "0:2"}, {6, 2}, {44100, 48000}, {384, 192}, 300);
    item.outputPath = "C:\\Video\\clip.m4a";
    item.audioStream = 1;
    return item;
}

const std::string kExe = "D:\\Apps\\mdxcode.exe";

}  // namespace

TEST(CommandLine, WorkedExamples) {
    EXPECT_EQ(
        buildCommandLine(stereoWav(), mp3Format(), AppSettings{}, kExe),
        "\"D:\\Apps\\mdxcode.exe\" -i \"C:\\Music\\song.wav\" -dn -sn -c:v mjpeg -q:v 2 -c:a libmp3lame "
        "-id3v2_version 3 -ar 44100 -ac 2 -b:a 128000 -y \"C:\\Music\\song.mp3\"");

    AppSettings settings;
    settings.KeepID3Tag = 0;
    settings.FixAudioUnsync = 1;
    settings.EnableSkipLength = 1;
    settings.SkipLength = 90500;
    settings.EnableConvertLength = 1;
    settings.ConvertLength = 60000;
    OutputFormat m4a = m4aFormat();
    m4a.AudioVolume = 150;
    EXPECT_EQ(buildCommandLine(twoStreamClip(), m4a, settings, kExe),
              "\"D:\\Apps\\mdxcode.exe\" -i \"C:\\Video\\clip.mkv\" -dn -sn -f ipod -movflags faststart -vn "
              "-map 0:2 -c:a aac -strict -2 -cutoff 21000 -ar 48000 -ac 2 -b:a 192000 -vol 384 -async 1 "
              "-ss 00:01:30.500 -t 60 -map_metadata -1 -y \"C:\\Video\\clip.m4a\"");
}

// The audio part of a line for one variation of the format or the item; each case is derived by hand.
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
        {"codec not in list: no audio options at all", mp3Format(),
         [](auto& f, auto&) { f.AudioCodec = "pcm_s16le", f.AudioVolume = 50; }, "-c:v mjpeg -q:v 2 -an "},
        {"no codec list", mp3Format(), [](auto& f, auto&) { f.codecs = nullptr; }, "-c:v mjpeg -q:v 2 -an "},
        {"item without streams", mp3Format(), [](auto&, auto& i) { i = SourceItem{}; },
         "-c:v mjpeg -q:v 2 -an "},
        {"zero channels stay zero", mp3Format(), [](auto&, auto& i) { i.streamChannels = {0}; },
         mp3 + "-ac 0 -b:a 128000 "},
        {"unknown sample rate means 44100, mono picks the mono rate", mp3Format(),
         [](auto&, auto& i) { i.streamSampleRates = {0}, i.streamChannels = {1}; },
         mp3 + "-ac 1 -b:a 96000 "},
        {"sample rate halfway snaps lower", mp3Format(), [](auto& f, auto&) { f.AudioSampleRate = 46050; },
         mp3 + "-ac 2 -b:a 128000 "},
        {"bit rate halfway snaps lower", mp3Format(), [](auto& f, auto&) { f.AudioBitRate = 136000; },
         mp3 + "-ac 2 -b:a 128000 "},
        {"bit rate above the list", mp3Format(), [](auto& f, auto&) { f.AudioBitRate = 999000; },
         mp3 + "-ac 2 -b:a 320000 "},
        {"VBR quality passed unchanged", mp3Format(),
         [](auto& f, auto&) { f.AudioVBREnabled = 1, f.AudioVBRQuality = 12; }, mp3 + "-ac 2 -q:a 12 "},
        {"VBR without quality falls back to a bit rate", mp3Format(),
         [](auto& f, auto&) { f.AudioVBREnabled = 1, f.AudioVBRQuality = -1; }, mp3 + "-ac 2 -b:a 128000 "},
        {"VBR on a codec without VBR", m4aFormat(),
         [](auto& f, auto&) { f.AudioVBREnabled = 1, f.AudioVBRQuality = 3; },
         m4a + "aac -strict -2 -cutoff 21000 -ar 44100 -ac 2 -b:a 128000 "},
        {"compression level -1 becomes the first level", m4aFormat(),
         [](auto& f, auto&) { f.AudioCodec = "alac", f.AudioCompressionLevel = -1; },
         m4a + "alac -ar 44100 -ac 2 -compression_level 0 "},
        {"explicit mono wins over the source", wavFormat("pcm_s16le"),
         [](auto& f, auto&) { f.AudioChannels = 1, f.AudioVolume = 50; },
         "-vn -c:a pcm_s16le -ar 44100 -ac 1 -vol 128 "},
        {"dca is strict", wavFormat("dca"), {}, "-vn -c:a dca -ar 44100 -ac 2 -strict -2 "},
        {"g726 bits per sample times the rate", wavFormat("g726"), [](auto& f, auto&) { f.AudioBitRate = 4; },
         "-vn -c:a g726 -ar 8000 -ac 1 -b:a 32000 "},
        {"g726 automatic: largest bit count",
         wavFormat("g726"),
         {},
         "-vn -c:a g726 -ar 8000 -ac 1 -b:a 40000 "},
        {"adts writes an APE tag", m4aFormat(),
         [](auto& f, auto&) { f.id = 1010, f.muxer = "adts", f.flags = 0; },
         "-f adts -vn -c:a aac -strict -2 -cutoff 21000 -write_apetag 1 -ar 44100 -ac 2 -b:a 128000 "},
        {"aiff writes ID3v2.3", wavFormat("pcm_s16le"), [](auto& f, auto&) { f.id = 1040; },
         "-vn -c:a pcm_s16le -write_id3v2 1 -id3v2_version 3 -ar 44100 -ac 2 "},
        {"a stream choice outside the streams means the first", mp3Format(),
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
        {"nothing", 10, kOff, kOff, kOff, ""},
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
        const std::string line = buildCommandLine(item, wavFormat("pcm_s16le"), s, kExe);
        const std::string before = "-ar 44100 -ac 2 ";
        const size_t from = line.find(before) + before.size();
        EXPECT_EQ(line.substr(from, line.find("-map_metadata -1 -y") - from), c.expected) << c.name;
    }
}

TEST(CommandLine, HeadForRawPreparedAndCombinedInputs) {
    AppSettings settings;
    settings.FixAudioUnsync = 1;
    const OutputFormat wav = wavFormat("pcm_s16le");
    SourceItem raw = stereoWav();
    raw.path = "C:\\in\\voice.ULAW";
    raw.extension = sourceExtension(raw.path);
    EXPECT_EQ(
        buildCommandLine(raw, wav, settings, kExe)
            .rfind("\"D:\\Apps\\mdxcode.exe\" -f mulaw -ar 8k -ac 1 -i \"C:\\in\\voice.ULAW\" -dn -sn -vn",
                   0),
        0u);

    SourceItem prepared = stereoWav();
    prepared.needsPreparation = 1;
    prepared.prepared = 1;
    prepared.preparedPath = "C:\\Temp\\md1.wav";
    EXPECT_NE(buildCommandLine(prepared, wav, settings, kExe).find("-i \"C:\\Temp\\md1.wav\""),
              std::string::npos);
    prepared.prepared = 0;  // not made yet: the source itself
    EXPECT_NE(buildCommandLine(prepared, wav, settings, kExe).find("-i \"C:\\Music\\song.wav\""),
              std::string::npos);

    SourceItem combined = stereoWav();
    combined.kind = kSourceCombineList;
    combined.path = "C:\\Temp\\list.txt";
    combined.extension = "ulw";  // never forced for the list
    const std::string line = buildCommandLine(combined, wav, settings, kExe);
    EXPECT_EQ(line.rfind("\"D:\\Apps\\mdxcode.exe\" -f concat -i \"C:\\Temp\\list.txt\" -dn -sn ", 0), 0u);
    EXPECT_EQ(line.find("-async"), std::string::npos);
    EXPECT_NE(buildCommandLine(stereoWav(), wav, settings, kExe).find("-async 1 "), std::string::npos);
}

TEST(CommandLine, RawInputSpotChecks) {
    const std::pair<std::string, std::string> cases[] = {{"ulw", "mulaw -ar 8k -ac 1"},
                                                         {"alaw", "alaw -ar 8k -ac 1"},
                                                         {"265", "hevc"},
                                                         {"723_1", "g723_1"},
                                                         {"h264", "h264"},
                                                         {"wav", ""},
                                                         {"", ""},
                                                         {"ULW", ""},
                                                         {"g729x", ""}};
    for (const auto& [ext, text] : cases) EXPECT_EQ(rawInputFormat(ext), text) << ext;
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
