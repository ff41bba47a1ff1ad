// A job's tags as its metadata file gives them, read back by an independent reader: values far longer
// than a command line may be, with quotes, line breaks and the file's own special characters, a row's
// edits over the source's tags, and a folder's cover where the source has none. The file goes with the job.
#include <gtest/gtest.h>

#include "engine/OutputTags.h"
#include "engine/Probe.h"
#include "formats/Catalogue.h"
#include "platform/Files.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"
#include "support/ConversionJob.h"
#include "support/TagReader.h"
#include "support/TestSupport.h"

using namespace testing_support;

TEST(OutputTags, LongValuesEditsAndAFolderCover) {
    TempDir dir;
    ASSERT_TRUE(makeSineWav(dir.file("take.wav"), 1));
    ASSERT_TRUE(makeMedia(dir.file("folder.jpg"), "-f lavfi -i testsrc=size=48x32:duration=1 -frames:v 1"));
    AppSettings settings;
    settings.CoverFromFolder = 1;
    Result<std::unique_ptr<SourceItem>> probed = probeSource(dir.file("take.wav"), settings);
    ASSERT_TRUE(probed) << probed.reason();
    SourceItem& item = **probed;
    std::string lyrics;
    while (lyrics.size() < 100000)
        lyrics += "Verse = \"sung\"; #" + std::to_string(lyrics.size()) + " \\ on\r\n";
    item.tags[kTagTitle] = "Take \"one\"\nsecond line";
    item.tags[kTagArtist] = "Source artist";
    item.tags[kTagAlbum] = "Removed by the row";
    item.tags[kTagComment] = lyrics;
    item.tagEdits.values[kTagArtist] = "Edited artist";
    item.tagEdits.values[kTagAlbum] = "";
    const std::string cover = readTags({}, {dir.file("folder.jpg")})[dir.file("folder.jpg")]["cover"];

    const Catalogue catalogue;
    for (const int id : {1160, 1180, 1100}) {
        const OutputFormat& format = *catalogue.findById(id);
        item.outputPath = dir.file("take." + format.extension);
        Result<TagInputs> tags = makeTagInputs(item, true, format, settings);
        ASSERT_TRUE(tags) << tags.reason();
        const ConversionOutcome outcome = runConversion(item, format, settings, *tags);
        ASSERT_EQ(outcome.error, "") << outcome.line;
        EXPECT_LT(outcome.line.size(), 2000u);
        EXPECT_TRUE(removeTagInputs(*tags));
        EXPECT_FALSE(platform::pathExists(tags->metadataFile));

        auto found = readTags({item.outputPath})[item.outputPath];
        EXPECT_EQ(found["title"], escapedTagValue(item.tags[kTagTitle])) << id;
        EXPECT_EQ(found["artist"], "Edited artist") << id;
        EXPECT_EQ(found.count("album"), 0u) << id;
        const std::string comment = escapedTagValue(lyrics);
        EXPECT_EQ(found["comment"], id == 1160 ? "TXXX:" + comment : comment) << id;
        EXPECT_EQ(found["cover"], cover) << id;
    }
}
