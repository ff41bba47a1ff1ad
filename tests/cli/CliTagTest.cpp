// melodrift-cli convert --tag: the outputs get the given tags, read back by ffprobe; the source keeps
// its bytes; a name that is no tag is refused.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "support/CliAndMedia.h"
#include "support/MediaInspector.h"

using namespace testing_support;

namespace {

// The container's tags as ffprobe reads them: "key=value|" each, keys in lower case, in its order.
std::string probedTags(const std::string& path) {
    const auto run = media_inspector::runProbe(
        {"-v", "error", "-show_entries", "format_tags=title,artist,album,comment:format=duration", "-of",
         "default"},
        path);
    std::string tags;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("TAG:", 0) != 0) continue;
        if (line.back() == '\r') line.pop_back();
        for (size_t i = 4; i < line.size() && line[i] != '='; ++i)
            line[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(line[i])));
        tags += line.substr(4) + "|";
    }
    return tags;
}

}  // namespace

TEST(CliTag, TagsReachTheOutputAndTheSourceKeepsItsBytes) {
    TempDir dir;
    const std::string source = dir.file("tagged.flac");
    ASSERT_TRUE(makeMedia(source,
                          "-f lavfi -i sine=duration=1 -metadata title=Old -metadata artist=Kept "
                          "-metadata comment=Gone -c:a flac"));
    const std::string before = readFile(source);
    ASSERT_NE(probedTags(source).find("title=Old|"), std::string::npos);

    const CliRun run =
        runCli(dir, {"convert", "--format", "1160", "--set", "DestOutputFolderOpt=199", "--tag",
                     "TITLE=New Title", "--tag=album=Live", "--tag", "comment=", source});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string tags = probedTags(dir.file("tagged.mp3"));
    for (const char* tag : {"title=New Title|", "album=Live|", "artist=Kept|"})
        EXPECT_NE(tags.find(tag), std::string::npos) << tag << " in " << tags;
    EXPECT_EQ(tags.find("comment="), std::string::npos) << "an empty value removes the field: " << tags;
    EXPECT_TRUE(readFile(source) == before) << "the source was changed";

    const CliRun refused = runCli(dir, {"convert", "--tag", "titel=X", source});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(
        refused.err.find("no tag is named 'titel' (the names: title, artist, albumartist, album, track, "
                         "tracktotal, disc, disctotal, date, genre, composer, comment)"),
        std::string::npos)
        << refused.err;
    EXPECT_EQ(runCli(dir, {"convert", "--tag", "title", source}).exitCode, 2) << "no '='";
}
