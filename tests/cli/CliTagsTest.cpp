// Every output carries its source's tags in its container's own form, read back by an independent reader,
// and its cover byte for byte: an MP3 with ID3 tags (quotes, '=', ';', '#', a backslash and line breaks)
// and an attached JPEG, and an OGG whose tags sit on its stream with a PNG beside it. (The transcoder's
// description, which the probe reads, shows at most 255 characters of a value: the long ones are the
// engine's tag test.)
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "support/CliAndMedia.h"
#include "support/TagReader.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

using Tags = std::map<std::string, std::string>;

const Tags kSongTags = {
    {"title", "Say \"hi\" = yes; #1 \\ back\nsecond line"},
    {"artist", "The Artist"},
    {"albumartist", "Various"},
    {"album", "The Album"},
    {"track", "3"},
    {"tracktotal", "12"},
    {"disc", "1"},
    {"disctotal", "2"},
    {"date", "2001"},
    {"genre", "Rock"},
    {"composer", "Someone"},
    {"comment", "Lyrics: \"one\"\nline two = 2; #3 \\ " + std::string(150, 'c')},
};
const Tags kTuneTags = {
    {"title", "Tune"},      {"artist", "Player"}, {"albumartist", "Band"}, {"album", "Stream Album"},
    {"track", "5"},         {"tracktotal", "9"},  {"disc", "2"},           {"disctotal", "3"},
    {"date", "1999-05-01"}, {"genre", "Jazz"},    {"composer", "Writer"},  {"comment", "From the stream"},
};

// What each form keeps: the fields a form has no place for are absent; ID3's comment is the transcoder's
// TXXX frame; a cover where the format holds one.
struct FormatCase {
    int id;
    const char* name;
    std::vector<std::string> absent;
    bool cover;
    bool id3 = false;
};
const FormatCase kFormats[] = {
    {1160, "MP3", {}, true, true},
    {1040, "AIFF", {}, true, true},
    {1090, "FLAC", {}, true},
    {1180, "OGG", {}, true},
    {1182, "Opus", {}, true},
    {1185, "Speex", {}, true},
    {1100, "M4A", {}, true},
    {1050, "ALAC", {}, true},
    {1220, "WavPack", {}, false},
    {1210, "WMA", {"tracktotal"}, false},
    {1200, "WAV", {"albumartist", "composer", "disc", "disctotal", "tracktotal"}, false},
};

Tags expected(const Tags& source, const FormatCase& format, const std::string& coverMd5) {
    Tags tags;
    for (const auto& [key, value] : source) {
        if (std::find(format.absent.begin(), format.absent.end(), key) != format.absent.end()) continue;
        tags[key] = escapedTagValue(format.id3 && key == "comment" ? "TXXX:" + value : value);
    }
    if (format.id3) tags["id3"] = "2.3";
    if (format.cover) {
        tags["cover"] = coverMd5;
        tags["type"] = "3";
    }
    return tags;
}

bool makeSources(const TempDir& dir) {
    fs::create_directories(fromU8(dir.file("mp3")));
    fs::create_directories(fromU8(dir.file("ogg")));
    if (!makeMedia(dir.file("art.jpg"), "-f lavfi -i testsrc=size=64x48:duration=1 -frames:v 1") ||
        !makeMedia(dir.file("ogg/cover.png"), "-f lavfi -i testsrc=size=40x30:duration=1 -frames:v 1"))
        return false;
    std::vector<std::string> song =
        words("-hide_banner -loglevel error -f lavfi -i sine=duration=1 -i", {dir.file("art.jpg")});
    song.insert(song.end(), {"-map", "0:a", "-map", "1:v", "-c:v", "copy", "-disposition:v", "attached_pic",
                             "-id3v2_version", "3"});
    const std::map<std::string, std::string> id3Keys = {
        {"title", "title"}, {"artist", "artist"}, {"albumartist", "album_artist"}, {"album", "album"},
        {"date", "date"},   {"genre", "genre"},   {"composer", "composer"},        {"comment", "comment"}};
    for (const auto& [field, key] : id3Keys)
        song.insert(song.end(), {"-metadata", key + "=" + kSongTags.at(field)});
    song.insert(song.end(), {"-metadata", "track=3/12", "-metadata", "disc=1/2", "-metadata",
                             "publisher=Stale", "-y", dir.file("mp3/song.mp3")});
    runTranscoder(song);

    std::vector<std::string> tune =
        words("-hide_banner -loglevel error -f lavfi -i sine=duration=1 -c:a libvorbis");
    const std::map<std::string, std::string> vorbisKeys = {
        {"title", "TITLE"},           {"artist", "ARTIST"},   {"albumartist", "ALBUMARTIST"},
        {"album", "ALBUM"},           {"date", "DATE"},       {"genre", "GENRE"},
        {"composer", "COMPOSER"},     {"comment", "COMMENT"}, {"track", "TRACKNUMBER"},
        {"tracktotal", "TRACKTOTAL"}, {"disc", "DISCNUMBER"}, {"disctotal", "DISCTOTAL"}};
    for (const auto& [field, key] : vorbisKeys)
        tune.insert(tune.end(), {"-metadata:s:a", key + "=" + kTuneTags.at(field)});
    tune.insert(tune.end(), {"-metadata:s:a", "LYRICIST=Stale", "-y", dir.file("ogg/tune.ogg")});
    runTranscoder(tune);
    return !readFile(dir.file("mp3/song.mp3")).empty() && !readFile(dir.file("ogg/tune.ogg")).empty();
}

CliRun convert(const TempDir& dir, int format, const std::string& folder,
               std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"convert",
                                     "--format",
                                     std::to_string(format),
                                     "--set",
                                     "DestOutputFolderOpt=399",
                                     "--set",
                                     "DestSpecifiedFolder=" + dir.file(folder),
                                     "--set",
                                     "CoverFromFolder=1"};
    for (const std::string& e : extra) args.insert(args.end(), {"--set", e});
    args.insert(args.end(), {dir.file("mp3/song.mp3"), dir.file("ogg/tune.ogg")});
    return runCli(dir, args);
}

}  // namespace

TEST(CliTags, EveryFormatCarriesTheTagsAndTheCover) {
    TempDir dir;
    ASSERT_TRUE(makeSources(dir));
    auto pictures = readTags({}, {dir.file("art.jpg"), dir.file("ogg/cover.png")});
    const std::string jpeg = pictures[dir.file("art.jpg")]["cover"];
    const std::string png = pictures[dir.file("ogg/cover.png")]["cover"];
    ASSERT_FALSE(jpeg.empty());

    std::vector<std::string> outputs;
    std::map<std::string, Tags> wanted;
    for (const FormatCase& f : kFormats) {
        const std::string folder = std::to_string(f.id);
        const CliRun run = convert(dir, f.id, folder);
        ASSERT_EQ(run.exitCode, 0) << f.name << run.out << run.err;
        for (const auto& [source, tags, cover] :
             {std::tuple("song", kSongTags, jpeg), std::tuple("tune", kTuneTags, png)}) {
            const auto found = fs::directory_iterator(fromU8(dir.file(folder)));
            for (const auto& entry : found) {
                if (u8(entry.path().stem()) != source) continue;
                outputs.push_back(u8(entry.path()));
                wanted[outputs.back()] = expected(tags, f, cover);
            }
        }
    }
    // The old ID3 tag on request, and no tags at all when they are not kept.
    ASSERT_EQ(convert(dir, 1160, "v1", {"WriteID3v1=1"}).exitCode, 0);
    outputs.push_back(dir.file("v1/song.mp3"));
    wanted[outputs.back()] = expected(kSongTags, kFormats[0], jpeg);
    wanted[outputs.back()]["id3v1"] = escapedTagValue(kSongTags.at("title").substr(0, 30));
    // A joined file takes its first member's tags and cover (here as an input of its own).
    const CliRun joined = runCli(dir, {"convert", "--format", "1160", "--one", dir.file("joined.mp3"),
                                       dir.file("mp3/song.mp3"), dir.file("ogg/tune.ogg")});
    ASSERT_EQ(joined.exitCode, 0) << joined.err;
    outputs.push_back(dir.file("joined.mp3"));
    wanted[outputs.back()] = expected(kSongTags, kFormats[0], jpeg);
    ASSERT_EQ(convert(dir, 1090, "off", {"KeepID3Tag=0"}).exitCode, 0);
    outputs.push_back(dir.file("off/song.flac"));
    wanted[outputs.back()] = {};

    ASSERT_EQ(outputs.size(), 2 * std::size(kFormats) + 3);
    const auto found = readTags(outputs);
    for (const std::string& output : outputs) {
        EXPECT_TRUE(fs::exists(fromU8(output))) << output;
        const auto tags = found.find(output);
        const Tags got = tags == found.end() ? Tags{} : tags->second;
        std::map<std::string, std::pair<std::string, std::string>> differences;
        for (const auto& [key, value] : got)
            if (wanted[output][key] != value)
                differences[key] = {value.substr(0, 60), wanted[output][key].substr(0, 60)};
        for (const auto& [key, value] : wanted[output])
            if (got.count(key) == 0) differences[key] = {"(none)", value.substr(0, 60)};
        for (const auto& [key, values] : differences)
            ADD_FAILURE() << output << ": " << key << " is " << values.first << ", not " << values.second;
    }
}
