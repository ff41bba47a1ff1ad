// Names from tags: what a pattern makes of a source's tags, the names Windows refuses, the cut of long
// paths, and the targets of a run under the pattern.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/NamePattern.h"
#include "engine/OutputNaming.h"
#include "formats/OutputFormat.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

const std::string kSep(1, platform::kPathSeparator);

SourceTags tagsOf(std::initializer_list<std::pair<TagField, const char*>> values) {
    SourceTags tags;
    for (const auto& [field, value] : values) tags[field] = value;
    return tags;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : "|") + part;
    return text;
}

TEST(NamePattern, ExpandsTagsWithFallbacksAndCleanNames) {
    const SourceTags full = tagsOf({{kTagTitle, "Waterloo"},
                                    {kTagArtist, "ABBA"},
                                    {kTagAlbumArtist, "Various"},
                                    {kTagAlbum, "Gold"},
                                    {kTagTrack, "3"},
                                    {kTagDate, "1974"}});
    const struct {
        const char* pattern;
        SourceTags tags;
        const char* expected;  // the parts, '|' between them
    } cases[] = {
        {"<albumartist>\\<album>\\<track> - <title>", full, "Various|Gold|03 - Waterloo"},
        {"<artist>/<date>/<TITLE>", full, "ABBA|1974|Waterloo"},
        // Fallbacks: the album artist is the artist, then "Unknown Artist"; the title is the file name.
        {"<albumartist>\\<album>\\<title>", tagsOf({{kTagArtist, "Queen"}}), "Queen|Unknown Album|01 intro"},
        {"<albumartist>\\<artist>\\<title>", tagsOf({{kTagTitle, "   "}}),
         "Unknown Artist|Unknown Artist|01 intro"},
        {"<genre>\\\\<title><comment>", full, "Waterloo"},  // empty folders go
        {"<filename> (<foldername>)", {}, "01 intro (Abba)"},
        {"<track>", tagsOf({{kTagTrack, "12"}}), "12"},
        {"<track>", tagsOf({{kTagTrack, "A1"}}), "A1"},
        {"<track>", {}, "01 intro"},  // an empty name is the source's
        // A tag's separator makes no folder; every refused character becomes '_'.
        {"<artist>\\<title>", tagsOf({{kTagArtist, "AC/DC"}, {kTagTitle, "What? \"Now\": <1|2>*\\"}}),
         "AC_DC|What_ _Now__ _1_2___"},
        {"<title>", tagsOf({{kTagTitle, "a\tb\x01\x7f"}}), "a_b__"},
        // Blanks at both ends and dots at the end go; a part of dots never climbs out of the folder.
        {"..\\<album>\\ .<title>. ", tagsOf({{kTagAlbum, " Vol. 2... "}, {kTagTitle, "x"}}), "Vol. 2|.x"},
        {"<album>\\<title>", tagsOf({{kTagAlbum, "..."}, {kTagTitle, "y"}}), "y"},
        // Device names, also with an extension or blanks before it; longer names are no devices.
        {"<album>\\<title>", tagsOf({{kTagAlbum, "Aux"}, {kTagTitle, "con.txt"}}), "Aux_|con_.txt"},
        {"<album>\\<title>", tagsOf({{kTagAlbum, "COM1"}, {kTagTitle, "nul .x"}}), "COM1_|nul_ .x"},
        {"<album>\\<title>", tagsOf({{kTagAlbum, "COM10"}, {kTagTitle, "LPT0"}}), "COM10|LPT0"},
        {"<artist>\\<title>", tagsOf({{kTagArtist, "Björk"}, {kTagTitle, "東京 ♫"}}), "Björk|東京 ♫"},
    };
    const std::string source = kSep + "music" + kSep + "Abba" + kSep + "01 intro.flac";
    for (const auto& c : cases)
        EXPECT_EQ(joined(expandNamePattern(c.pattern, c.tags, source)), c.expected) << c.pattern;
}

TEST(NamePattern, RefusesWhatItCannotExpand) {
    for (const char* good : {"", "plain", "<track> - <Title>", "<filename>\\<foldername>"})
        EXPECT_EQ(namePatternError(good), std::nullopt) << good;
    const struct {
        const char* pattern;
        const char* says;
    } bad[] = {
        {"<artist>\\<year>", "unknown placeholder \"<year>\""},
        {"<title", "\"<\" without its \">\""},
        {"title>", "\">\" without its \"<\""},
        {"<>", "unknown placeholder \"<>\""},
    };
    for (const auto& c : bad) {
        const std::optional<std::string> error = namePatternError(c.pattern);
        ASSERT_TRUE(error) << c.pattern;
        EXPECT_NE(error->find(c.says), std::string::npos) << *error;
    }
    EXPECT_NE(namePatternError("<x>")->find("<albumartist> <album> <track>"), std::string::npos);
}

TEST(NamePattern, LongNamesAreCutAndDeepFoldersLeftOut) {
    const platform::PathLimits limits{.name = 20, .path = 60, .folder = 50};
    const std::string folder = "/out/";  // 5
    const std::string a(20, 'a'), b(20, 'b');
    const struct {
        std::vector<std::string> parts;
        size_t reserve;
        std::optional<std::string> expected;
    } cases[] = {
        {{"x", "name"}, 10, "x" + kSep + "name"},
        // A name beyond 20 is cut to 20, and its trailing blank goes with the cut.
        {{std::string(19, 'n') + " tail"}, 0, std::string(19, 'n')},
        // 5 + 21 + 21 leaves 3 for the name: too few, so the deeper folder goes.
        {{a, b, "name"}, 10, a + kSep + "name"},
        // A name is cut to 20 first; 5 + 21 and the reserve leave 24, then 18 for it.
        {{a, std::string(30, 'n')}, 10, a + kSep + std::string(20, 'n')},
        {{a, std::string(30, 'n')}, 16, a + kSep + std::string(18, 'n')},
        // 14 would be shorter than a cut name may get: the folder goes instead.
        {{a, std::string(30, 'n')}, 20, std::string(20, 'n')},
        // Without folders the name takes whatever room there is.
        {{std::string(30, 'n')}, 50, std::string(5, 'n')},
        {{"name"}, 55, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(fitNameParts(c.parts, folder, c.reserve, limits), c.expected);

    // A cut never splits a character: on POSIX "é" is two bytes, on Windows one unit.
    std::string accents;
    for (int i = 0; i < 30; ++i) accents += "é";
#ifdef _WIN32
    const size_t kept = 20;
#else
    const size_t kept = 10;
#endif
    std::string expected;
    for (size_t i = 0; i < kept; ++i) expected += "é";
    EXPECT_EQ(fitNameParts({accents + "x"}, folder, 0, limits), expected);
}

// The pattern in a run: its folders made below the output folder, and collisions handled as for plain names.
TEST(NamePattern, RunTargetsFollowThePatternAndItsCollisions) {
    const struct {
        uint32_t policy;
        std::string second;  // the target of the second source of the same tags, or its refusal
    } cases[] = {{kTargetRename, "Queen" + kSep + "Jazz" + kSep + "05 - Mustapha_1.mp3"},
                 {kTargetSkip, kTargetSkippedText},
                 {kTargetOverwrite, "Queen" + kSep + "Jazz" + kSep + "05 - Mustapha_1.mp3"}};
    for (const auto& c : cases) {
        TempDir dir;
        AppSettings settings;
        settings.TargetExistsOpt = c.policy;
        settings.OutputFiles2MyDocuments = 0;
        settings.DestOutputFolderOpt = kOutputSpecificFolder;
        settings.DestSpecifiedFolder = dir.file("out");
        settings.OutputNamePattern = "<artist>\\<album>\\<track> - <title>";
        OutputFormat format;
        format.extension = "mp3";
        PlannedTargets planned;
        const auto choose = [&](const std::string& name) {
            SourceItem item;
            item.path = dir.file(name);
            writeFile(item.path, "source");
            item.tags = tagsOf(
                {{kTagArtist, "Queen"}, {kTagAlbum, "Jazz"}, {kTagTrack, "5"}, {kTagTitle, "Mustapha"}});
            const Result<std::string> target = chooseTarget(item, format, false, settings, planned);
            return target ? *target : target.reason();
        };
        const std::string out = dir.file("out") + kSep;
        EXPECT_EQ(choose("a.flac"), out + "Queen" + kSep + "Jazz" + kSep + "05 - Mustapha.mp3") << c.policy;
        EXPECT_TRUE(fs::is_directory(fromU8(out + "Queen" + kSep + "Jazz")));
        const std::string second = choose("b.flac");
        EXPECT_EQ(second, c.policy == kTargetSkip ? c.second : out + c.second) << c.policy;
    }

    // Beside the source, a pattern that names the source itself never replaces it.
    TempDir dir;
    AppSettings settings;
    settings.TargetExistsOpt = kTargetOverwrite;
    settings.DestOutputFolderOpt = kOutputBesideSource;
    settings.OutputNamePattern = "<title>";
    SourceItem item;
    item.path = dir.file("Song.mp3");
    writeFile(item.path, "source");
    item.tagEdits.values[kTagTitle] = "Song";  // the row's edit counts, as for its output's tags
    OutputFormat format;
    format.extension = "mp3";
    PlannedTargets planned;
    const Result<std::string> own = chooseTarget(item, format, false, settings, planned);
    EXPECT_EQ(own ? *own : own.reason(), kTargetIsSourceText);
    EXPECT_EQ(readFile(item.path), "source");

    // A pattern the program cannot expand refuses the job.
    settings.OutputNamePattern = "<year>";
    const Result<std::string> refused = chooseTarget(item, format, false, settings, planned);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.reason().find("<year>"), std::string::npos);
}

}  // namespace
