// Preparing sources: failures and cancels leave no temporary file; DVD parts joined up to the first gap.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/Preparation.h"
#include "support/AudioTestFiles.h"
#include "support/BusyRecorder.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

size_t filesIn(const std::string& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(fromU8(folder)), {}));
}

TEST(Preparation, FailedOrCancelledDecodeLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string temp = dir.file("temp");
    std::filesystem::create_directory(fromU8(temp));
    ASSERT_TRUE(writeFile(dir.file("a.aifc"), makeDwvwAifc({}, makeSignal(Signal::Sine, 16, 1, 44100))));
    ASSERT_TRUE(writeFile(dir.file("plain.aifc"), makeDwvwAifc({.compression = "NONE"}, {1, 2, 3})));
    struct Case {
        std::string source, folder;
        int cancelAtPump;
        std::string error;
    };
    for (const Case& c :
         {Case{"a.aifc", temp, 4, "Cancelled"}, Case{"plain.aifc", temp, 0, "Failed to open file"},
          Case{"a.aifc", dir.file("missing"), 0, "Failed to create temporary file"}}) {
        SCOPED_TRACE(c.error);
        SourceItem item;
        item.kind = kSourceAifc;
        item.path = dir.file(c.source);
        item.preparedPath = "earlier";
        BusyRecorder busy;
        busy.cancelAtPump = c.cancelAtPump;
        const Result<> decoded = decodeToWav(item, busy, c.folder);
        EXPECT_EQ(std::tuple(decoded.ok(), decoded.reason(), item.preparedPath),
                  std::tuple(false, c.error, ""));
        EXPECT_EQ(filesIn(temp), 0u);
    }
}

TEST(Preparation, JoinsDvdPartsUpToTheFirstMissingOne) {
    TempDir dir;
    const std::string temp = dir.file("temp");
    std::filesystem::create_directory(fromU8(temp));
    const std::string one(10000, 'a'), two(5000, 'b');
    for (const auto& [name, bytes] : {std::pair{"VTS_03_1.VOB", one},
                                      {"VTS_03_2.VOB", two},
                                      {"VTS_03_4.VOB", std::string(100, 'x')},
                                      {"VTS_05_1.VOB", std::string()}})
        ASSERT_TRUE(writeFile(dir.file(name), bytes));
    SourceItem item;
    item.kind = kSourceDvdTitle;
    item.dvdFolder = dir.file("");
    item.titleSet = 3;
    item.titleNumber = 7;
    BusyRecorder busy;
    const Result<> joined = joinDvdTitle(item, busy, temp);
    ASSERT_TRUE(joined) << joined.reason();
    EXPECT_TRUE(readFile(item.preparedPath) == one + two);
    EXPECT_EQ(busy.texts, std::vector<std::string>{"Loading DVD Title 7..."});
    EXPECT_TRUE(busy.grewToFull()) << ::testing::PrintToString(busy.percents);

    // No part, only empty parts, a cancel (which the caller words): nothing is left behind.
    for (const auto& [titleSet, cancelAtPump, expected] :
         {std::tuple{4, 0, "Failed to load from DVD"}, {5, 0, "Failed to load from DVD"}, {3, 6, ""}}) {
        SourceItem failing = item;
        failing.titleSet = titleSet;
        BusyRecorder cancelling;
        cancelling.cancelAtPump = cancelAtPump;
        const Result<> failed = joinDvdTitle(failing, cancelling, temp);
        EXPECT_EQ(std::tuple(failed.ok(), failed.reason(), failing.preparedPath),
                  std::tuple(false, expected, ""));
    }
    EXPECT_EQ(filesIn(temp), 1u);
}

}  // namespace
