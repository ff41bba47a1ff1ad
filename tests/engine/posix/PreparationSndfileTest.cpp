// A DWVW file made by sndfile-convert, prepared for the transcoder, against sndfile-convert's decoding.
#include <gtest/gtest.h>

#include "engine/Preparation.h"
#include "platform/Files.h"
#include "support/AudioTestFiles.h"
#include "support/BusyRecorder.h"
#include "support/CliAndMedia.h"

using namespace testing_support;

namespace {

TEST(Preparation, DecodesDwvwAsSndfileDoesWithGrowingProgress) {
    TempDir dir;
    const std::string source = dir.file("source.wav"), aifc = dir.file("made.aifc");
    ASSERT_TRUE(makeMedia(source, "-f lavfi -i sine=frequency=700:sample_rate=22050 -t 2.3 -c:a pcm_s16le"));
    ASSERT_TRUE(runProgram("/usr/bin/sndfile-convert", {"-dwvw16", source, aifc}).started);
    ASSERT_TRUE(runProgram("/usr/bin/sndfile-convert", {"-pcm16", aifc, dir.file("ref.raw")}).started);
    const std::string reference = readFile(dir.file("ref.raw"));
    ASSERT_EQ(reference.size(), 22050u * 23 / 10 * 2);

    SourceItem item;
    item.kind = kSourceAifc;
    item.path = aifc;
    item.needsPreparation = true;
    BusyRecorder busy;
    const Result<> prepared = prepareSource(item, busy);
    ASSERT_TRUE(prepared) << prepared.reason();
    EXPECT_TRUE(readFile(item.preparedPath) == wavBytes(1, 22050, 16, reference));
    EXPECT_EQ(busy.texts, std::vector<std::string>{"Loading made.aifc..."});
    EXPECT_TRUE(busy.grewToFull()) << ::testing::PrintToString(busy.percents);
    EXPECT_TRUE(preparedFileExists(item)) << "a later run reuses the file";
    ASSERT_TRUE(platform::deleteFile(item.preparedPath));
    EXPECT_FALSE(preparedFileExists(item)) << "a deleted file is prepared again";
}

}  // namespace
