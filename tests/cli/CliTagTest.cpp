// melodrift-cli convert --tag: the outputs get the given tags, read back by ffprobe; the source keeps
// its bytes; a name that is no tag is refused.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <sstream>

#include "support/CliAndMedia.h"
#include "support/MediaInspector.h"

using namespace testing_support;

namespace {

// The container's tags as ffprobe reads them, by lower-case key.
std::map<std::string, std::string> probedTags(const std::string& path) {
    const auto run = media_inspector::runProbe(
        {"-v", "error", "-show_entries", "format_tags:format=duration", "-of", "default"}, path);
    std::map<std::string, std::string> tags;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t eq = line.find('=');
        if (line.rfind("TAG:", 0) != 0 || eq == std::string::npos) continue;
        std::string key = line.substr(4, eq - 4);
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        tags[key] = line.substr(eq + 1);
    }
    return tags;
}

}  // namespace

TEST(CliTag, TagsReachTheOutputAndTheSourceKeepsItsBytes) {
    TempDir dir;
    const std::string source = dir.file("tagged.flac");
    ASSERT_TRUE(makeMedia(source,
                          "-f lavfi -i sine=frequency=440:duration=1 -metadata title=Old -metadata "
                          "artist=Kept -metadata comment=Gone -c:a flac"));
    const std::string before = readFile(source);
    ASSERT_EQ(probedTags(source)["title"], "Old");

    const CliRun run =
        runCli(dir, {"convert", "--format", "1160", "--set", "DestOutputFolderOpt=199", "--tag",
                     "TITLE=New Title", "--tag=album=Live", "--tag", "comment=", source});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::map<std::string, std::string> tags = probedTags(dir.file("tagged.mp3"));
    EXPECT_EQ(tags.count("title") ? tags.at("title") : "(none)", "New Title");
    EXPECT_EQ(tags.count("album") ? tags.at("album") : "(none)", "Live");
    EXPECT_EQ(tags.count("artist") ? tags.at("artist") : "(none)", "Kept") << "a field not given stays";
    EXPECT_EQ(tags.count("comment"), 0u) << "an empty value removes the field";
    EXPECT_TRUE(readFile(source) == before) << "the source was changed";

    const CliRun refused = runCli(dir, {"convert", "--tag", "titel=X", source});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("no tag is named 'titel'"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("title, artist, albumartist, album, track, tracktotal, disc, disctotal, date, "
                               "genre, composer, comment"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(runCli(dir, {"convert", "--tag", "title", source}).exitCode, 2) << "no '='";
}
