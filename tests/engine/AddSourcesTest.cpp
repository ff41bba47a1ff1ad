// Adding sources: the filter and shortcut rule, the folder order, the batch with its failure report and
// cancel, DVD title sets, and the preparation pass over the list.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "engine/AddSources.h"
#include "engine/ListRunSources.h"
#include "platform/Files.h"
#include "settings/AppSettings.h"
#include "sources/FileList.h"
#include "support/AudioTestFiles.h"
#include "support/BusyRecorder.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

class RecordingHost final : public ListHost {
public:
    int cancelAtPump = 0;
    int busyWindows = 0;
    std::vector<std::string> messages;

    std::unique_ptr<BusyIndicator> openBusy(const std::string&) override {
        ++busyWindows;
        auto busy = std::make_unique<BusyRecorder>();
        busy->cancelAtPump = cancelAtPump;
        return busy;
    }
    void setMainWindowEnabled(bool) override {}
    void pumpMessages() override {}
    void showMessage(const std::string& text, MessageIcon) override { messages.push_back(text); }
};

std::vector<std::string> names(const std::vector<std::string>& paths) {
    std::vector<std::string> out;
    for (const auto& p : paths) out.emplace_back(platform::fileNamePart(p));
    return out;
}

}  // namespace

TEST(AddSources, FilterAndShortcutRule) {
    // a.lnk -> song.mp3; loop1.lnk -> loop2.lnk -> loop1.lnk; dead.lnk resolves to nothing.
    const std::map<std::string, std::string> links = {
        {"a.lnk", "song.mp3"}, {"loop1.lnk", "loop2.lnk"}, {"loop2.lnk", "loop1.lnk"}, {"deep.lnk", "a.lnk"}};
    int resolved = 0;
    const ShortcutResolver resolve = [&](const std::string& path) -> std::optional<std::string> {
        ++resolved;
        const auto found = links.find(path);
        return found == links.end() ? std::nullopt : std::optional(found->second);
    };
    const auto accepted = [&](const std::vector<std::string>& filter, const std::string& path) {
        std::vector<std::string> batch;
        acceptPath(path, filter, resolve, batch);
        return batch;
    };
    const std::vector<std::string> mp3Wav = {"mp3", "wav"};
    EXPECT_EQ(accepted(mp3Wav, "SONG.MP3"), std::vector<std::string>{"SONG.MP3"});
    EXPECT_EQ(accepted(mp3Wav, "a.lnk"), std::vector<std::string>{"song.mp3"});
    EXPECT_EQ(accepted(mp3Wav, "deep.LNK"), std::vector<std::string>{}) << "no such shortcut";
    EXPECT_EQ(accepted(mp3Wav, "deep.lnk"), std::vector<std::string>{"song.mp3"});
    EXPECT_EQ(accepted(mp3Wav, "noextension"), std::vector<std::string>{});
    EXPECT_EQ(accepted(mp3Wav, "x.flac"), std::vector<std::string>{});
    EXPECT_EQ(accepted({}, "a.lnk"), std::vector<std::string>{"a.lnk"}) << "no filter: taken as it is";
    EXPECT_EQ(accepted({"lnk"}, "a.lnk"), std::vector<std::string>{"a.lnk"});
    resolved = 0;
    EXPECT_EQ(accepted(mp3Wav, "loop1.lnk"), std::vector<std::string>{});
    EXPECT_EQ(resolved, kMaxShortcutsFollowed) << "a loop ends";
}

TEST(AddSources, FolderScanTakesFilesFolderByFolder) {
    TempDir dir;
    for (const char* f : {"b/b1/deep.mp3", "b/two.wav", "b/skip.txt", "a.mp3", "c/three.WAV", "b/b2/x.mp3"}) {
        std::filesystem::create_directories(fromU8(dir.file(f)).parent_path());
        ASSERT_TRUE(writeFile(dir.file(f), "x"));
    }
#ifndef _WIN32
    std::filesystem::create_directory_symlink(fromU8(dir.file("")), fromU8(dir.file("b/up")));
#endif
    std::vector<std::string> batch;
    scanFolder(dir.file(""), {"mp3", "wav"}, nullptr, batch);
    EXPECT_EQ(names(batch), (std::vector<std::string>{"a.mp3", "two.wav", "deep.mp3", "x.mp3", "three.WAV"}));
}

TEST(AddSources, BatchAddsInOrderAndReportsFailures) {
    TempDir dir;
    // A path longer than any fixed buffer is taken whole.
    std::string deep = dir.file("");
    for (int i = 0; i < 6; ++i) deep += std::string(100, char('a' + i)) + platform::kPathSeparator;
    std::filesystem::create_directories(fromU8(deep));
    std::vector<std::string> batch;
    for (const std::string& wav : {dir.file("one.wav"), deep + "two.wav"}) {
        ASSERT_TRUE(makeSineWav(wav, 1));
        batch.push_back(wav);
    }
    batch.push_back(dir.file("one.wav"));  // twice in one batch
    for (int i = 0; i < 40; ++i) {
        batch.push_back(dir.file("bad" + std::to_string(i) + ".mp3"));
        ASSERT_TRUE(writeFile(batch.back(), "not audio"));
    }
    AppSettings settings;
    FileList list;
    RecordingHost host;
    SourceAdder adder(list, settings, host);
    std::vector<AddResult> results = adder.addBatch(batch);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.item(1).path, deep + "two.wav");
    EXPECT_EQ(results[2].outcome, AddOutcome::kAlreadyListed);
    ASSERT_EQ(host.messages.size(), 1u);
    std::string expected = "Failed to load the following files.\n\n";
    for (int i = 0; i < 30; ++i) expected += batch[3 + static_cast<size_t>(i)] + "\n";
    expected +=
        "<more files>...\n\nTo get help, please forward us one or more files above via "
        "https://www.melodrift.app/upload and send a message to <support@melodrift.app>.";
    EXPECT_EQ(host.messages[0], expected);

    // Sources already listed are skipped without a report; a cancel stops after the file in flight.
    host.messages.clear();
    host.cancelAtPump = 1;
    results = adder.addBatch({dir.file("one.wav"), dir.file("bad0.mp3"), dir.file("bad1.mp3")});
    EXPECT_EQ(results[0].outcome, AddOutcome::kAlreadyListed);
    EXPECT_EQ(results[1].outcome, AddOutcome::kNotTried);
    EXPECT_TRUE(host.messages.empty());

    // Add Files' answer: a folder and names, or one path; the folder is remembered.
    const std::string m = std::string("m") + platform::kPathSeparator;
    EXPECT_EQ(chosenFilesBatch({"m", "a.mp3", "b.mp3"}, settings),
              (std::vector<std::string>{m + "a.mp3", m + "b.mp3"}));
    EXPECT_EQ(settings.LastAddFileDir, m);
    EXPECT_EQ(chosenFilesBatch({m + "c.mp3"}, settings), std::vector<std::string>{m + "c.mp3"});
    EXPECT_EQ(settings.LastAddFileDir, m);
}

TEST(AddSources, DvdTitleSetsAndPreparationPass) {
    TempDir dir;
    const std::string ts = dir.file("VIDEO_TS") + platform::kPathSeparator;
    std::filesystem::create_directory(fromU8(ts));
    // Set 1 is a menu, 2 and 3 are titles, 4 is missing so 5 is never looked at.
    for (const auto& [name, size] : {std::pair{"VTS_01_1.VOB", 400000},
                                     {"VTS_02_1.VOB", 1048576},
                                     {"VTS_03_1.VOB", 2000000},
                                     {"VTS_05_1.VOB", 2000000}})
        ASSERT_TRUE(writeFile(ts + name, std::string(static_cast<size_t>(size), '\0')));
    EXPECT_EQ(findVobFolder(dir.file("")), ts);
    EXPECT_EQ(findVobFolder(ts), ts);
    EXPECT_FALSE(findVobFolder(dir.file("VIDEO_TS") + platform::kPathSeparator + "none"));
    std::vector<std::pair<int32_t, int32_t>> titles;
    for (const DvdTitle& t : dvdTitles(ts)) titles.emplace_back(t.titleNumber, t.titleSet);
    EXPECT_EQ(titles, (std::vector<std::pair<int32_t, int32_t>>{{1, 2}, {2, 3}}));

    // A voice-recorder file read by the program's own reader is prepared, and prepared again once its
    // temporary file is gone; a list without such sources opens no busy window.
    FileList list;
    RecordingHost host;
    ListRunSources sources(list, host);
    EXPECT_TRUE(sources.prepareSources(false));
    EXPECT_EQ(host.busyWindows, 0);
    const std::string aifc = dir.file("take.aifc");
    ASSERT_TRUE(writeFile(aifc, makeDwvwAifc({}, makeSignal(Signal::Sine, 16, 1, 22050))));
    AppSettings settings;
    SourceAdder(list, settings, host).addBatch({aifc});
    ASSERT_EQ(list.size(), 1u);
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_TRUE(sources.prepareSources(false));
        EXPECT_EQ(list.text(0, kColumnStatus), "Loading OK");
        ASSERT_TRUE(platform::isExistingFile(list.item(0).preparedPath));
        platform::deleteFile(list.item(0).preparedPath);
    }
    EXPECT_EQ(host.busyWindows, 3);
}
