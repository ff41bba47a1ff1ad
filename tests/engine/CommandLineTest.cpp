#include <gtest/gtest.h>

#include "engine/CommandLine.h"
#include "formats/OutputFormat.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"

namespace {

// Test-local codec records with the capabilities of the real ones.
constexpr int32_t kSrE[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, -1};
constexpr int32_t kSrD[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 88200, 96000, -1};
constexpr int32_t kBrMp[] = {8000,   16000,  24000,  32000,  40000,  48000,  56000,  64000,  80000, 96000,
                             112000, 128000, 144000, 160000, 192000, 224000, 256000, 320000, -1};
constexpr int32_t kBrAac[] = {16000,  24000,  32000,  40000,  48000,  56000,  64000,
                              80000,  96000,  112000, 128000, 144000, 160000, 192000,
                              224000, 256000, 320000, 384000, 448000, 512000, -1};
constexpr int32_t kLevels012[] = {0, 1, 2, -1};
constexpr int32_t kSr8000[] = {8000, -1};
constexpr int32_t kG726Bits[] = {2, 3, 4, 5, -1};

const CodecInfo kLame{"libmp3lame", "MP3", 3, kSrE, kBrMp, 0, 10, 3};
const CodecInfo kAac{"aac", "AAC", 1, kSrD, kBrAac, -1, -1, 63};
const CodecInfo kAlac{"alac", "ALAC", 4, kSrD, kLevels012, -1, -1, 2};
const CodecInfo kDca{"dca", "DTS", 0, kSrE, nullptr, -1, -1, 3};
const CodecInfo kG726{"g726", "G.726", 1, kSr8000, kG726Bits, -1, -1, 1};
const CodecInfo kPcm{"pcm_s16le", "PCM", 0, nullptr, nullptr, -1, -1, 255};

const CodecInfo* const kMp3Codecs[] = {&kLame, nullptr};
const CodecInfo* const kM4aCodecs[] = {&kAac, &kAlac, nullptr};
const CodecInfo* const kWavCodecs[] = {&kPcm, &kDca, &kG726, &kAac, nullptr};

OutputFormat mp3Format() {
    OutputFormat f;
    f.id = 1160;
    f.kind = kFormatBuiltIn;
    f.AudioCodec = "libmp3lame";
    f.AudioVBRQuality = 5;
    f.extension = "mp3";
    f.codecs = kMp3Codecs;
    return f;
}

OutputFormat m4aFormat() {
    OutputFormat f;
    f.id = 1100;
    f.kind = kFormatBuiltIn;
    f.AudioCodec = "aac";
    f.AudioCompressionLevel = 2;
    f.extension = "m4a";
    f.muxer = "ipod";
    f.flags = kFormatFastStart;
    f.codecs = kM4aCodecs;
    return f;
}

OutputFormat wavFormat(const std::string& codec) {
    OutputFormat f;
    f.id = 1200;
    f.kind = kFormatBuiltIn;
    f.AudioCodec = codec;
    f.extension = "wav";
    f.codecs = kWavCodecs;
    return f;
}

SourceItem stereoWav() {
    SourceItem item;
    item.path = "C:\\Music\\song.wav";
    item.extension = "wav";
    item.outputPath = "C:\\Music\\song.mp3";
    item.streamIds = {"0:0"};
    item.streamChannels = {2};
    item.streamSampleRates = {44100};
    item.streamBitRates = {1411};
    item.duration = 10;
    return item;
}

SourceItem twoStreamClip() {
    SourceItem item;
    item.path = "C:\\Video\\clip.mkv";
    item.extension = "mkv";
    item.outputPath = "C:\\Video\\clip.m4a";
    item.audioStream = 1;
    item.streamIds = {"0:1", "0:2"};
    item.streamChannels = {6, 2};
    item.streamSampleRates = {44100, 48000};
    item.streamBitRates = {384, 192};
    item.duration = 300;
    return item;
}

const std::string kExe = "D:\\Apps\\mdxcode.exe";

}  // namespace

TEST(CommandLine, WorkedExampleMp3FromWav) {
    EXPECT_EQ(
        buildCommandLine(stereoWav(), mp3Format(), AppSettings{}, kExe),
        "\"D:\\Apps\\mdxcode.exe\" -i \"C:\\Music\\song.wav\" -dn -sn -c:v mjpeg -q:v 2 -c:a libmp3lame "
        "-id3v2_version 3 -ar 44100 -ac 2 -b:a 128000 -y \"C:\\Music\\song.mp3\"");
}

TEST(CommandLine, WorkedExampleM4aSecondStreamTrimmed) {
    AppSettings settings;
    settings.KeepID3Tag = 0;
    settings.FixAudioUnsync = 1;
    settings.EnableSkipLength = 1;
    settings.SkipLength = 90500;
    settings.EnableConvertLength = 1;
    settings.ConvertLength = 60000;
    OutputFormat format = m4aFormat();
    format.AudioVolume = 150;
    EXPECT_EQ(buildCommandLine(twoStreamClip(), format, settings, kExe),
              "\"D:\\Apps\\mdxcode.exe\" -i \"C:\\Video\\clip.mkv\" -dn -sn -f ipod -movflags faststart -vn "
              "-map 0:2 -c:a aac -strict -2 -cutoff 21000 -ar 48000 -ac 2 -b:a 192000 -vol 384 -async 1 "
              "-ss 00:01:30.500 -t 60 -map_metadata -1 -y \"C:\\Video\\clip.m4a\"");
}

// The audio part of a line for one variation of the format or the item; each case is derived by hand.
TEST(CommandLine, AudioPieces) {
    struct Case {
        const char* name;
        OutputFormat format;
        SourceItem item;
        std::string expectedMiddle;  // between "-dn -sn " and "-y "
    };
    auto with = [](OutputFormat f, auto change) {
        change(f);
        return f;
    };
    auto item = [](auto change) {
        SourceItem i = stereoWav();
        change(i);
        return i;
    };
    const std::vector<Case> cases = {
        {"codec not in list: no audio options at all",
         with(mp3Format(),
              [](OutputFormat& f) {
                  f.AudioCodec = "pcm_s16le";
                  f.AudioVolume = 50;
              }),
         stereoWav(), "-c:v mjpeg -q:v 2 -an "},
        {"empty codec", with(mp3Format(), [](OutputFormat& f) { f.AudioCodec.clear(); }), stereoWav(),
         "-c:v mjpeg -q:v 2 -an "},
        {"no codec list", with(mp3Format(), [](OutputFormat& f) { f.codecs = nullptr; }), stereoWav(),
         "-c:v mjpeg -q:v 2 -an "},
        {"item without streams", mp3Format(), item([](SourceItem& i) {
             i.streamIds.clear();
             i.streamChannels.clear();
             i.streamSampleRates.clear();
             i.streamBitRates.clear();
         }),
         "-c:v mjpeg -q:v 2 -an "},
        {"zero channels stay zero", mp3Format(), item([](SourceItem& i) { i.streamChannels = {0}; }),
         "-c:v mjpeg -q:v 2 -c:a libmp3lame -id3v2_version 3 -ar 44100 -ac 0 -b:a 128000 "},
        {"unknown sample rate means 44100, mono picks the mono rate", mp3Format(), item([](SourceItem& i) {
             i.streamSampleRates = {0};
             i.streamChannels = {1};
         }),
         "-c:v mjpeg -q:v 2 -c:a libmp3lame -id3v2_version 3 -ar 44100 -ac 1 -b:a 96000 "},
        {"5.1 onto a stereo-only codec", mp3Format(), item([](SourceItem& i) { i.streamChannels = {6}; }),
         "-c:v mjpeg -q:v 2 -c:a libmp3lame -id3v2_version 3 -ar 44100 -ac 2 -b:a 128000 "},
        {"sample rate snapped; halfway goes to the lower",
         with(mp3Format(), [](OutputFormat& f) { f.AudioSampleRate = 46050; }), stereoWav(),
         "-c:v mjpeg -q:v 2 -c:a libmp3lame -id3v2_version 3 -ar 44100 -ac 2 -b:a 128000 "},
        {"bit rate halfway between two snaps to the lower",
         with(mp3Format(), [](OutputFormat& f) { f.AudioBitRate = 136000; }), stereoWav(),
         "-c:v mjpeg -q:v 2 -c:a libmp3lame -id3v2_version 3 -ar 44100 -ac 2 -b:a 128000 "},
        {"bit rate above the list", with(mp3Format(), [](OutputFormat& f) { f.AudioBitRate = 999000; }),
         stereoWav(), "-c:v mjpeg -q:v 2 -c:a libmp3lame -id3v2_version 3 -ar 44100 -ac 2 -b:a 320000 "},
        {"VBR quality passed unchanged",
         with(mp3Format(),
              [](OutputFormat& f) {
                  f.AudioVBREnabled = 1;
                  f.AudioVBRQuality = 12;
              }),
         stereoWav(), "-c:v mjpeg -q:v 2 -c:a libmp3lame -id3v2_version 3 -ar 44100 -ac 2 -q:a 12 "},
        {"VBR enabled without quality falls back to a bit rate",
         with(mp3Format(),
              [](OutputFormat& f) {
                  f.AudioVBREnabled = 1;
                  f.AudioVBRQuality = -1;
              }),
         stereoWav(), "-c:v mjpeg -q:v 2 -c:a libmp3lame -id3v2_version 3 -ar 44100 -ac 2 -b:a 128000 "},
        {"VBR on a codec without VBR",
         with(m4aFormat(),
              [](OutputFormat& f) {
                  f.AudioVBREnabled = 1;
                  f.AudioVBRQuality = 3;
              }),
         stereoWav(),
         "-f ipod -movflags faststart -vn -c:a aac -strict -2 -cutoff 21000 -ar 44100 -ac 2 -b:a 128000 "},
        {"compression level -1 becomes the first level",
         with(m4aFormat(),
              [](OutputFormat& f) {
                  f.AudioCodec = "alac";
                  f.AudioCompressionLevel = -1;
              }),
         stereoWav(), "-f ipod -movflags faststart -vn -c:a alac -ar 44100 -ac 2 -compression_level 0 "},
        {"mono onto a stereo-only codec", with(m4aFormat(), [](OutputFormat& f) { f.AudioCodec = "alac"; }),
         item([](SourceItem& i) { i.streamChannels = {1}; }),
         "-f ipod -movflags faststart -vn -c:a alac -ar 44100 -ac 2 -compression_level 2 "},
        {"channels above 8 count as 8", wavFormat("pcm_s16le"),
         item([](SourceItem& i) { i.streamChannels = {12}; }), "-vn -c:a pcm_s16le -ar 44100 -ac 8 "},
        {"5 channels fit a 5.1 mask", m4aFormat(), item([](SourceItem& i) {
             i.streamChannels = {5};
             i.streamSampleRates = {48000};
         }),
         "-f ipod -movflags faststart -vn -c:a aac -strict -2 -cutoff 21000 -ar 48000 -ac 5 -b:a 448000 "},
        {"explicit mono wins over the source",
         with(wavFormat("pcm_s16le"),
              [](OutputFormat& f) {
                  f.AudioChannels = 1;
                  f.AudioVolume = 50;
              }),
         stereoWav(), "-vn -c:a pcm_s16le -ar 44100 -ac 1 -vol 128 "},
        {"dca is strict", wavFormat("dca"), stereoWav(), "-vn -c:a dca -ar 44100 -ac 2 -strict -2 "},
        {"g726 bits per sample times the rate",
         with(wavFormat("g726"), [](OutputFormat& f) { f.AudioBitRate = 4; }), stereoWav(),
         "-vn -c:a g726 -ar 8000 -ac 1 -b:a 32000 "},
        {"g726 automatic rate snaps to the largest bit count", wavFormat("g726"), stereoWav(),
         "-vn -c:a g726 -ar 8000 -ac 1 -b:a 40000 "},
        {"volume 150 and 1", with(wavFormat("pcm_s16le"), [](OutputFormat& f) { f.AudioVolume = 1; }),
         stereoWav(), "-vn -c:a pcm_s16le -ar 44100 -ac 2 -vol 2 "},
        {"adts writes an APE tag",
         with(m4aFormat(),
              [](OutputFormat& f) {
                  f.id = 1010;
                  f.muxer = "adts";
                  f.flags = 0;
              }),
         stereoWav(),
         "-f adts -vn -c:a aac -strict -2 -cutoff 21000 -write_apetag 1 -ar 44100 -ac 2 -b:a 128000 "},
        {"aiff writes ID3v2.3", with(wavFormat("pcm_s16le"), [](OutputFormat& f) { f.id = 1040; }),
         stereoWav(), "-vn -c:a pcm_s16le -write_id3v2 1 -id3v2_version 3 -ar 44100 -ac 2 "},
        {"one stream of several is mapped by its id", mp3Format(), twoStreamClip(),
         "-c:v mjpeg -q:v 2 -map 0:2 -c:a libmp3lame -id3v2_version 3 -ar 48000 -ac 2 -b:a 192000 "},
        {"a choice outside the streams means the first", mp3Format(),
         [] {
             SourceItem i = twoStreamClip();
             i.audioStream = 5;
             return i;
         }(),
         "-c:v mjpeg -q:v 2 -map 0:1 -c:a libmp3lame -id3v2_version 3 -ar 44100 -ac 2 -b:a 128000 "},
        {"first of several streams", mp3Format(),
         [] {
             SourceItem i = twoStreamClip();
             i.audioStream = 0;
             return i;
         }(),
         "-c:v mjpeg -q:v 2 -map 0:1 -c:a libmp3lame -id3v2_version 3 -ar 44100 -ac 2 -b:a 128000 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string line = buildCommandLine(c.item, c.format, AppSettings{}, kExe);
        const std::string head = "\"" + kExe + "\" -i \"" + c.item.path + "\" -dn -sn ";
        const std::string tail = "-y \"" + c.item.outputPath + "\"";
        ASSERT_EQ(line.substr(0, head.size()), head) << line;
        ASSERT_GE(line.size(), head.size() + tail.size());
        EXPECT_EQ(line.substr(line.size() - tail.size()), tail);
        EXPECT_EQ(line.substr(head.size(), line.size() - head.size() - tail.size()), c.expectedMiddle);
    }
}

TEST(CommandLine, TrimPieces) {
    struct Case {
        const char* name;
        uint32_t duration;
        uint32_t skip, convert, ignore;  // 0 = switched off
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"nothing", 10, 0, 0, 0, ""},
        {"skip in whole seconds", 300, 90000, 0, 0, "-ss 90 "},
        {"skip with a fraction", 300, 90500, 0, 0, "-ss 00:01:30.500 "},
        {"convert length", 300, 0, 61001, 0, "-t 00:01:01.001 "},
        {"convert wins over ignore, skip still applies", 300, 2000, 5000, 7000, "-ss 2 -t 5 "},
        {"ignore the last from the whole", 10, 0, 0, 3000, "-t 7 "},
        {"ignore the last after a skip", 10, 2500, 0, 3000, "-ss 00:00:02.500 -t 00:00:04.500 "},
        {"ignore more than remains", 10, 8000, 0, 2000, "-ss 8 -t 0 "},
        {"skip beyond the end leaves nothing", 10, 20000, 0, 1000, "-ss 20 -t 0 "},
        {"unknown duration", 0, 0, 0, 1000, "-t 0 "},
        {"hours beyond two digits", 400000, 0, 360000500, 0, "-t 100:00:00.500 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SourceItem item = stereoWav();
        item.duration = c.duration;
        AppSettings settings;
        settings.KeepID3Tag = 0;
        settings.EnableSkipLength = c.skip != 0;
        settings.SkipLength = c.skip;
        settings.EnableConvertLength = c.convert != 0;
        settings.ConvertLength = c.convert;
        settings.EnableIgnoreTheLast = c.ignore != 0;
        settings.IgnoreLength = c.ignore;
        const std::string line = buildCommandLine(item, wavFormat("pcm_s16le"), settings, kExe);
        const std::string before = "-ar 44100 -ac 2 ";
        const std::string after = "-map_metadata -1 -y";
        const size_t from = line.find(before) + before.size();
        EXPECT_EQ(line.substr(from, line.find(after) - from), c.expected) << line;
    }
}

TEST(CommandLine, LengthsSwitchedOnWithZeroAreIgnored) {
    AppSettings settings;
    settings.EnableSkipLength = 1;
    settings.EnableConvertLength = 1;
    settings.EnableIgnoreTheLast = 1;
    const std::string line = buildCommandLine(stereoWav(), wavFormat("pcm_s16le"), settings, kExe);
    EXPECT_EQ(line.find("-ss "), std::string::npos);
    EXPECT_EQ(line.find("-t "), std::string::npos);
}

TEST(CommandLine, HeadForRawPreparedAndCombinedInputs) {
    AppSettings settings;
    settings.FixAudioUnsync = 1;
    SourceItem raw = stereoWav();
    raw.path = "C:\\in\\voice.ULAW";
    raw.extension = sourceExtension(raw.path);
    EXPECT_EQ(
        buildCommandLine(raw, wavFormat("pcm_s16le"), settings, kExe)
            .rfind("\"D:\\Apps\\mdxcode.exe\" -f mulaw -ar 8k -ac 1 -i \"C:\\in\\voice.ULAW\" -dn -sn -vn",
                   0),
        0u);

    SourceItem prepared = stereoWav();
    prepared.needsPreparation = 1;
    prepared.prepared = 1;
    prepared.preparedPath = "C:\\Temp\\md1.wav";
    EXPECT_NE(
        buildCommandLine(prepared, wavFormat("pcm_s16le"), settings, kExe).find("-i \"C:\\Temp\\md1.wav\""),
        std::string::npos);
    prepared.prepared = 0;  // not made yet: the source itself
    EXPECT_NE(
        buildCommandLine(prepared, wavFormat("pcm_s16le"), settings, kExe).find("-i \"C:\\Music\\song.wav\""),
        std::string::npos);

    SourceItem combined = stereoWav();
    combined.kind = kSourceCombineList;
    combined.path = "C:\\Temp\\list.txt";
    combined.extension = "ulw";  // never forced for the list
    const std::string line = buildCommandLine(combined, wavFormat("pcm_s16le"), settings, kExe);
    EXPECT_EQ(line.rfind("\"D:\\Apps\\mdxcode.exe\" -f concat -i \"C:\\Temp\\list.txt\" -dn -sn ", 0), 0u);
    EXPECT_EQ(line.find("-async"), std::string::npos);
    EXPECT_NE(buildCommandLine(stereoWav(), wavFormat("pcm_s16le"), settings, kExe).find("-async 1 "),
              std::string::npos);
}

TEST(CommandLine, RawInputTable) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"264", "h264"},
        {"h264", "h264"},
        {"263", "h263"},
        {"h263", "h263"},
        {"261", "h261"},
        {"h261", "h261"},
        {"ulw", "mulaw -ar 8k -ac 1"},
        {"ulaw", "mulaw -ar 8k -ac 1"},
        {"alw", "alaw -ar 8k -ac 1"},
        {"alaw", "alaw -ar 8k -ac 1"},
        {"mjpg", "mjpeg"},
        {"mjpeg", "mjpeg"},
        {"hevc", "hevc"},
        {"265", "hevc"},
        {"h265", "hevc"},
        {"722", "g722"},
        {"g722", "g722"},
        {"723_1", "g723_1"},
        {"g723_1", "g723_1"},
        {"729", "g729"},
        {"g729", "g729"},
        {"wav", ""},
        {"", ""},
        {"ULW", ""},
        {"g729x", ""},
    };
    for (const auto& [ext, text] : cases) EXPECT_EQ(rawInputFormat(ext), text) << ext;
}

TEST(CommandLine, DefaultBitRateTable) {
    struct Case {
        int32_t rate, channels, expected;
    };
    const Case cases[] = {
        {8000, 1, 24000},   {12000, 2, 48000},  {12001, 1, 32000},  {16000, 2, 56000},  {22050, 1, 48000},
        {22051, 2, 64000},  {24000, 1, 48000},  {32000, 2, 96000},  {44100, 1, 96000},  {44100, 2, 128000},
        {44101, 1, 128000}, {48000, 2, 192000}, {96000, 0, 192000}, {48000, 6, 576000}, {44100, 6, 384000},
        {22050, 3, 96000},  {8000, 8, 192000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(defaultBitRate(c.rate, c.channels), c.expected) << c.rate << "/" << c.channels;
}

TEST(CommandLine, ChannelFitting) {
    struct Case {
        int32_t channels;
        uint32_t mask;
        int32_t expected;
    };
    const Case cases[] = {
        {0, 3, 0}, {-1, 3, -1}, {1, 3, 1},  {2, 3, 2},  {6, 3, 2},   {1, 2, 2},     {6, 2, 2},
        {1, 1, 1}, {2, 1, 1},   {5, 63, 5}, {7, 63, 6}, {9, 255, 8}, {100, 255, 8}, {3, 0, 2},
    };
    for (const Case& c : cases) EXPECT_EQ(fitChannelCount(c.channels, c.mask), c.expected) << c.channels;
}

TEST(CommandLine, TrimLengthForms) {
    EXPECT_EQ(trimLengthText(0), "0");
    EXPECT_EQ(trimLengthText(90000), "90");
    EXPECT_EQ(trimLengthText(90500), "00:01:30.500");
    EXPECT_EQ(trimLengthText(1), "00:00:00.001");
    EXPECT_EQ(trimLengthText(3600999), "01:00:00.999");
    EXPECT_EQ(trimLengthText(4294967295ull), "1193:02:47.295");
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
