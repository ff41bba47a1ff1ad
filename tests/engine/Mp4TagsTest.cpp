// Freeform tags written into M4A files that the transcoder made, read back by an independent reader; the
// audio must decode as before, whether the movie box comes before or after the media data.
#include "engine/Mp4Tags.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

#include "platform/Files.h"
#include "support/TagReader.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

struct TopBox {
    size_t at = 0, size = 0;
    std::string type;
};

uint32_t be32(const std::string& b, size_t at) {
    return uint32_t{static_cast<unsigned char>(b[at])} << 24 |
           uint32_t{static_cast<unsigned char>(b[at + 1])} << 16 |
           uint32_t{static_cast<unsigned char>(b[at + 2])} << 8 | static_cast<unsigned char>(b[at + 3]);
}

void setBe32(std::string& b, size_t at, uint64_t v) {
    for (size_t i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
}

// The boxes (32-bit sizes only) from at to end.
std::vector<TopBox> boxes(const std::string& b, size_t at, size_t end) {
    std::vector<TopBox> found;
    for (; at + 8 <= end && be32(b, at) >= 8; at += be32(b, at))
        found.push_back({at, be32(b, at), b.substr(at + 4, 4)});
    return found;
}

TopBox find(const std::vector<TopBox>& list, const std::string& type) {
    for (const TopBox& box : list)
        if (box.type == type) return box;
    ADD_FAILURE() << "no " << type;
    return {};
}

std::string audioMd5(const std::string& path) {
    const std::string out =
        runTranscoder({"-v", "error", "-i", path, "-map", "0:a", "-f", "md5", "-"}).output;
    const size_t at = out.find("MD5=");
    return at == std::string::npos ? "none: " + out : out.substr(at + 4, 32);
}

const std::string kMean = "----:com.apple.iTunes:";

}  // namespace

TEST(Mp4Tags, FreeformTagsAddedAndReplacedAudioKept) {
    TempDir dir;
    const std::string sine = "-f lavfi -i sine=frequency=440:duration=2 -c:a ";
    ASSERT_TRUE(makeMedia(dir.file("fast.m4a"),
                          sine + "aac -movflags faststart -metadata title=Tune -metadata artist=Band"));
    ASSERT_TRUE(makeMedia(dir.file("late.m4a"), sine + "aac -metadata title=Tune -metadata artist=Band"));
    ASSERT_TRUE(makeMedia(dir.file("alac.m4a"), sine + "alac -movflags faststart"));
    // Byte-built variants: a 64-bit media data header in place of "free" + "mdat"; a last box of size 0 (to
    // the end of the file); a movie without udta (moov is last, udta its last child).
    std::string late = readFile(dir.file("late.m4a"));
    const auto lateTop = boxes(late, 0, late.size());
    const TopBox mdat = find(lateTop, "mdat"), moov = find(lateTop, "moov");
    ASSERT_EQ(find(lateTop, "free").at + 8, mdat.at);
    std::string wide = late;
    setBe32(wide, mdat.at - 8, 1);
    wide.replace(mdat.at - 4, 4, "mdat");
    setBe32(wide, mdat.at, 0);
    setBe32(wide, mdat.at + 4, mdat.size + 8);
    ASSERT_TRUE(writeFile(dir.file("wide.m4a"), wide));
    const TopBox udta = find(boxes(late, moov.at + 8, late.size()), "udta");
    ASSERT_EQ(udta.at + udta.size, late.size());
    setBe32(late, moov.at, moov.size - udta.size);
    ASSERT_TRUE(writeFile(dir.file("plain.m4a"), late.substr(0, udta.at)));
    std::string open = readFile(dir.file("alac.m4a"));
    const auto fastTop = boxes(open, 0, open.size());
    ASSERT_LT(find(fastTop, "moov").at, find(fastTop, "mdat").at);
    ASSERT_EQ(fastTop.back().type, "mdat");
    setBe32(open, fastTop.back().at, 0);
    ASSERT_TRUE(writeFile(dir.file("open.m4a"), open));

    const std::vector<std::string> names = {"fast", "late", "alac", "wide", "plain", "open"};
    std::vector<std::string> files, md5s;
    for (const std::string& name : names) {
        files.push_back(dir.file(name + ".m4a"));
        md5s.push_back(audioMd5(files.back()));
        ASSERT_EQ(md5s.back().size(), 32u) << name << ": " << md5s.back();
    }
    using Values = std::map<std::string, std::string>;
    const TagList first = {{"REPLAYGAIN_TRACK_GAIN", "-6.52 dB"},
                           {"REPLAYGAIN_TRACK_PEAK", "0.501187"},
                           {"REPLAYGAIN_ALBUM_GAIN", "-7.01 dB"},
                           {"REPLAYGAIN_ALBUM_PEAK", "0.6"}};
    // Names in another case replace the first ones; of a name given twice the last value stays.
    const TagList second = {{"replaygain_track_gain", "+1.25 dB"},
                            {"ReplayGain_Album_Peak", "0.25"},
                            {"Note", "1"},
                            {"Note", "\"\xC3\x84\" two"}};
    Values after = {first[1], first[2], second[0], second[1], second[3]};
    const std::vector<std::pair<TagList, Values>> rounds = {{first, Values(first.begin(), first.end())},
                                                            {second, after}};
    for (const auto& [tags, expected] : rounds) {
        for (const std::string& file : files) {
            Result<> added = addFreeformTags(file, tags);
            ASSERT_TRUE(added) << file << ": " << added.reason();
        }
        auto found = readTags(files);
        for (size_t i = 0; i < files.size(); ++i) {
            std::map<std::string, std::string> freeform;
            for (const auto& [key, value] : found[files[i]])
                if (key.starts_with(kMean)) freeform[key.substr(kMean.size())] = value;
            EXPECT_EQ(freeform, expected) << names[i];
            const bool titled = names[i] == "fast" || names[i] == "late" || names[i] == "wide";
            EXPECT_EQ(found[files[i]]["title"], titled ? "Tune" : "") << names[i];
            EXPECT_EQ(found[files[i]]["artist"], titled ? "Band" : "") << names[i];
            EXPECT_EQ(audioMd5(files[i]), md5s[i]) << names[i];
        }
    }
    EXPECT_EQ(platform::listFolder(u8(dir.path()))->size(), names.size() + 1);  // and the reader's report
}

TEST(Mp4Tags, RefusedFilesLeftAsTheyWere) {
    TempDir dir;
    ASSERT_TRUE(makeMedia(dir.file("fast.m4a"), "-f lavfi -i sine=duration=1 -c:a aac -movflags faststart"));
    ASSERT_TRUE(makeMedia(dir.file("late.m4a"), "-f lavfi -i sine=duration=1 -c:a aac"));
    const std::string fast = readFile(dir.file("fast.m4a")), late = readFile(dir.file("late.m4a"));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"text.m4a", "just some text, long enough to hold a box header\n"},
        {"tiny.m4a", "ftyp"},
        {"cut-media.m4a", fast.substr(0, fast.size() - 100)},
        {"cut-movie.m4a", late.substr(0, late.size() - 10)},
    };
    for (const auto& [name, bytes] : cases) {
        ASSERT_TRUE(writeFile(dir.file(name), bytes));
        Result<> result = addFreeformTags(dir.file(name), {{"REPLAYGAIN_TRACK_GAIN", "-6.52 dB"}});
        EXPECT_FALSE(result) << name;
        EXPECT_NE(result.reason(), "") << name;
        EXPECT_EQ(readFile(dir.file(name)), bytes) << name;
    }
    EXPECT_EQ(platform::listFolder(u8(dir.path()))->size(), cases.size() + 2);
}
