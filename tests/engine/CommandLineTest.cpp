#include <gtest/gtest.h>

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

}  // namespace

// A whole MP3 line (the worked example with M4A, trims, volume and resync: the CLI command test, from a
// probed source). A stream choice outside the streams converts the first stream; a whole 90 s skip stays a
// bare number; the convert length wins over ignoring the last part. (Other trims, bit rates, VBR, channels,
// volume and G.726 bits: the end-to-end test.)
TEST(CommandLine, StreamChoiceOutsideTheStreamsAndTrims) {
    SourceItem clip = source("C:\\Video\\clip.mkv", "C:\\Video\\clip.m4a", 300,
                             {{"0:1", 6, 44100, 384}, {"0:2", 2, 48000, 192}});
    clip.audioStream = 5;
    AppSettings settings;
    settings.EnableSkipLength = settings.EnableConvertLength = settings.EnableIgnoreTheLast = 1;
    settings.SkipLength = 90000;
    settings.ConvertLength = 5000;
    settings.IgnoreLength = 7000;
    EXPECT_EQ(buildCommandLine(clip, format(1160), settings, kExe),
              "\"D:\\Apps\\mdxcode.exe\" -i \"C:\\Video\\clip.mkv\" -dn -sn -vn -map 0:1 "
              "-c:a libmp3lame -id3v2_version 3 -ar 44100 -ac 2 -b:a 128000 -ss 90 -t 5 -map_metadata -1 -y "
              "\"C:\\Video\\clip.m4a\"");
}

// (A raw source's forced format on the line: the probe test and the end-to-end G.722 case.)
TEST(CommandLine, HeadForPreparedAndCombinedInputs) {
    AppSettings settings;
    settings.FixAudioUnsync = 1;
    auto head = [&](const SourceItem& item) {
        const std::string line = buildCommandLine(item, format(1200), settings, kExe);
        return line.substr(0, line.find(" -dn -sn "));
    };
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

    // Raw G.723.1 is named without a rate or channels, which its reader refuses; names are matched exactly.
    const std::pair<std::string, std::string> rawCases[] = {
        {"alaw", "alaw -ar 8k -ac 1"}, {"723_1", "g723_1"}, {"wav", ""}, {"ULW", ""}, {"g729x", ""}};
    for (const auto& [ext, text] : rawCases) EXPECT_EQ(rawInputFormat(ext), text) << ext;
}

TEST(CommandLine, DefaultBitRateBoundaries) {
    const int32_t cases[][3] = {{12000, 2, 48000},  {12001, 1, 32000},  {22050, 1, 48000},
                                {22051, 2, 64000},  {44100, 2, 128000}, {44101, 1, 128000},
                                {96000, 0, 192000}, {48000, 6, 576000}};
    for (const auto& c : cases) EXPECT_EQ(defaultBitRate(c[0], c[1]), c[2]) << c[0] << "/" << c[1];
}

TEST(CommandLine, PathsThatCannotBeQuoted) {
    EXPECT_EQ(quotedPath("/tmp/odd\\"), "\"/tmp/odd\\\\\"");

    SourceItem item = stereoWav();
    EXPECT_EQ(unquotablePathError(item, kExe), "");  // (a quote in the source: the probe test)
    item.outputPath = "/tmp/\".mp3";
    EXPECT_FALSE(unquotablePathError(item, kExe).empty());
    item = stereoWav();
    item.needsPreparation = item.prepared = 1;
    item.preparedPath = "/tmp/x.wav";
    item.path = "/tmp/\"never used\".cda";  // only the prepared file goes on the line
    EXPECT_EQ(unquotablePathError(item, kExe), "");
    EXPECT_FALSE(unquotablePathError(stereoWav(), "/opt/\"md\"/mdxcode").empty());
}

// Codecs that lose audio get silence around it, at the output rate, after the trims; Opus encodes at
// 48000 Hz with the chosen rate as its band; AAC in MPEG-4 of a known length moves the last frame's padding
// in front.
TEST(CommandLine, LengthRules) {
    struct Case {
        int32_t id;
        int32_t rate, channels;  // chosen for the format; 0 keeps the automatic one
        uint32_t skip, length, ignore;
        std::string piece, absent;
        uint64_t knownMs = 0;  // the source's length to the millisecond
    };
    const Case cases[] = {
        // WMA frames are 2048 samples above 22050 Hz.
        {1210, 0, 0, 500, 1500, 0,
         "-ar 44100 -ac 2 -b:a 128000 -af "
         "atrim=start=0.500:duration=1.500,asetpts=PTS-STARTPTS,aformat=sample_"
         "rates=44100:channel_layouts=2c,adelay=2048S|2048S,apad=pad_len=2048 -map_metadata -1 -y ",
         " -t "},
        {1210, 0, 0, 2000, 0, 9000, "-b:a 128000 -ss 2 -t 0 ", "-af"},  // nothing left to pad
        {1150, 0, 0, 90000, 0, 0,
         "-af atrim=start=90,asetpts=PTS-STARTPTS,aformat=sample_rates=44100:channel_"
         "layouts=2c,apad=pad_len=481 ",
         "-ss"},
        {1182, 24000, 0, 0, 0, 0, "-ar 48000 -ac 2 -cutoff 12000 -b:a ", "-af"},
        // 66150 samples leave 410 of the last AAC frame, 132300 leave 820, 451584 (10.24 s) none.
        {1100, 0, 0, 500, 1500, 0,
         "-af atrim=start=0.500:duration=1.500,asetpts=PTS-STARTPTS,aformat=sample_rates=44100:channel_"
         "layouts=2c,adelay=410S|410S,asetpts=PTS-410/(SR*TB) -map_metadata -1 -y",
         "-ss"},
        {1100, 0, 0, 0, 0, 0,
         "-af aformat=sample_rates=44100:channel_layouts=2c,adelay=820S|820S,asetpts=PTS-820/(SR*TB) "
         "-map_metadata -1 -y",
         "atrim", 3000},
        {1100, 0, 0, 0, 10240, 0, "-b:a 128000 -t 00:00:10.240 -map_metadata -1 -y", "-af", 3000},
    };
    for (const Case& c : cases) {
        OutputFormat f = format(c.id);
        f.AudioSampleRate = c.rate;
        f.AudioChannels = c.channels;
        AppSettings settings;
        settings.EnableSkipLength = c.skip != 0, settings.SkipLength = c.skip;
        settings.EnableConvertLength = c.length != 0, settings.ConvertLength = c.length;
        settings.EnableIgnoreTheLast = c.ignore != 0, settings.IgnoreLength = c.ignore;
        SourceItem item = stereoWav();
        item.durationMs = c.knownMs;
        const std::string line = buildCommandLine(item, f, settings, kExe);
        EXPECT_NE(line.find(c.piece), std::string::npos) << line;
        EXPECT_EQ(line.find(c.absent), std::string::npos) << line;
    }
}

// The tags come from the metadata file alone (nothing the transcoder copies by itself, global or per
// stream); a cover is the source's picture stream or a third input, copied as it is, with the sound mapped
// beside it; a film's picture never goes in.
TEST(CommandLine, TagsAndCover) {
    AppSettings settings;
    SourceItem song = stereoWav();
    TagInputs tags{"C:\\Temp\\t1.txt", "", true};
    const std::string tail =
        "-map 0:v:0 -c:v copy -disposition:v attached_pic -metadata:s:v \"comment=Cover "
        "(front)\" -map_metadata 1 -map_metadata:s -1 -y \"C:\\Music\\song.mp3\"";
    EXPECT_EQ(
        buildCommandLine(song, format(1160), settings, kExe, tags),
        "\"D:\\Apps\\mdxcode.exe\" -i \"C:\\Music\\song.wav\" -f ffmetadata -i \"C:\\Temp\\t1.txt\" -dn -sn "
        "-map 0:0 -c:a libmp3lame -id3v2_version 3 -ar 44100 -ac 2 -b:a 128000 " +
            tail);
    settings.WriteID3v1 = 1;
    tags = {"", "C:\\Music\\cover.png", false};
    const std::string line = buildCommandLine(song, format(1160), settings, kExe, tags);
    EXPECT_NE(line.find("song.wav\" -i \"C:\\Music\\cover.png\" -dn"), std::string::npos) << line;
    EXPECT_NE(line.find("-map 1:v:0 -c:v copy"), std::string::npos) << line;
    EXPECT_NE(line.find("-write_id3v1 1 -map_metadata -1 -y"), std::string::npos) << line;
    settings.KeepID3Tag = 0;
    EXPECT_EQ(buildCommandLine(song, format(1160), settings, kExe, tags).find("cover.png"),
              std::string::npos);

    // The metadata file of a worked example; a film's picture and a prepared copy's are no cover.
    SourceItem film = stereoWav();
    film.tags[kTagTitle] = "A=b;c#d\\e\nf";
    film.tags[kTagTrack] = "3";
    film.tags[kTagTrackTotal] = "12";
    film.tags.hasCover = film.hasVideo = true;
    EXPECT_EQ(metadataFileText(containerTags(film.tags, TagStyle::kOwnNames)),
              ";FFMETADATA1\ntitle=A\\=b\\;c\\#d\\\\e\\\nf\ntrack=3/12\n");
    EXPECT_EQ(metadataFileText(containerTags(film.tags, TagStyle::kVorbis)),
              ";FFMETADATA1\nTITLE=A\\=b\\;c\\#d\\\\e\\\nf\nTRACKNUMBER=3\nTRACKTOTAL=12\n");
    settings.KeepID3Tag = 1;
    const Result<TagInputs> planned = makeTagInputs(film, true, format(1160), settings, true);
    ASSERT_TRUE(planned);
    EXPECT_FALSE(planned->sourceCover);
    EXPECT_EQ(planned->metadataFile, kPlannedMetadataFile);
    film.hasVideo = false;
    EXPECT_TRUE(makeTagInputs(film, true, format(1160), settings, true)->sourceCover);
    film.needsPreparation = true;
    EXPECT_FALSE(makeTagInputs(film, true, format(1160), settings, true)->sourceCover);
}
