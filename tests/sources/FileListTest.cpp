// The file list model: rows, keys, sorting, moving, removing, streams, greying and expansion rows.
#include <gtest/gtest.h>

#include <cctype>

#include "formats/OutputFormat.h"
#include "platform/Files.h"
#include "sources/FileList.h"
#include "support/TestSupport.h"

using testing_support::TempDir;

namespace {

// An item of the given file name, length and streams (rate, kbit/s, channels each).
std::unique_ptr<SourceItem> item(const std::string& name, uint32_t seconds,
                                 std::vector<std::array<uint32_t, 3>> streams = {{44100, 128, 2}}) {
    auto it = std::make_unique<SourceItem>();
    it->path = platform::withTrailingSeparator(platform::temporaryFolder()) + name;
    it->duration = seconds;
    for (const auto& s : streams) {
        it->streamIds.push_back("0:" + std::to_string(it->streamIds.size()));
        it->streamSampleRates.push_back(s[0]);
        it->streamBitRates.push_back(s[1]);
        it->streamChannels.push_back(s[2]);
    }
    return it;
}

std::vector<std::string> column(const FileList& list, size_t c) {
    std::vector<std::string> texts;
    for (size_t r = 0; r < list.size(); ++r) texts.push_back(list.text(r, c));
    return texts;
}

std::vector<size_t> selected(const FileList& list) {
    std::vector<size_t> rows;
    for (size_t r = 0; r < list.size(); ++r)
        if (list.isSelected(r)) rows.push_back(r);
    return rows;
}

}  // namespace

TEST(FileList, RowsKeysAndAutomaticStreams) {
    FileList list;
    EXPECT_EQ(list.add(item("two.mkv", 3600, {{48000, 192, 6}, {22050, 0, 5}}), 3), 0u);
    EXPECT_EQ(list.add(item("three.mkv", 59, {{8000, 8, 1}, {11025, 16, 1}, {44100, 0, 0}}), 3), 1u);
    EXPECT_FALSE(list.add(item("two.mkv", 1), 1)) << "listed once";
    // Setting 3: the third stream where there is one, else the first.
    EXPECT_EQ(column(list, kColumnFile),
              (std::vector<std::string>{"two.mkv (2 audios)", "three.mkv (3 audios)"}));
    EXPECT_EQ(column(list, kColumnDuration), (std::vector<std::string>{"1:00:00", "00:59"}));
    EXPECT_EQ(column(list, kColumnSampleRate), (std::vector<std::string>{"48000 Hz*2", "44100 Hz*3"}));
    EXPECT_EQ(column(list, kColumnBitRate), (std::vector<std::string>{"192 kbps", ""}));
    EXPECT_EQ(column(list, kColumnChannels), (std::vector<std::string>{"5.1", ""}));

    // Two titles of one title set share a key; another set does not. Titles never clash with files.
    auto title = [](int32_t set, int32_t number) {
        auto t = item("", 0);
        t->kind = kSourceDvdTitle;
        t->dvdFolder = "/media/dvd/VIDEO_TS/";
        t->titleSet = set;
        t->titleNumber = number;
        t->path = "DVD Title " + std::to_string(number);
        return t;
    };
    EXPECT_TRUE(list.add(title(2, 1), 1));
    EXPECT_FALSE(list.add(title(2, 5), 1));
    EXPECT_TRUE(list.add(title(3, 1), 1));

    // The setting changes from 3 to 2: rows with two or more streams switch to the second.
    list.rechooseStreams(2);
    EXPECT_EQ(list.item(0).audioStream, 1);
    EXPECT_EQ(list.item(1).audioStream, 1);
    EXPECT_EQ(list.text(0, kColumnChannels), "4.1");
    EXPECT_EQ(list.text(1, kColumnSampleRate), "11025 Hz*3");
}

TEST(FileList, SortingFollowsTypesAndHeaderClicks) {
    FileList list;
    list.add(item("b.wav", 3723, {{8000, 64, 1}}), 1);
    list.add(item("a.wav", 3599, {{44100, 1411, 2}}), 1);
    list.add(item("c.wav", 0, {{11025, 256, 2}}), 1);
    list.setSelected(0, true);
    list.setFocusedRow(0);

    list.sortByHeaderClick(kColumnDuration);  // empty (0) < 59:59 < 1:02:03
    EXPECT_EQ(column(list, kColumnDuration), (std::vector<std::string>{"", "59:59", "1:02:03"}));
    EXPECT_EQ(list.focusedRow(), 2u) << "focus and selection travel with their row";
    EXPECT_EQ(selected(list), std::vector<size_t>{2});
    list.sortByHeaderClick(kColumnDuration);
    EXPECT_FALSE(list.sortedAscending());
    EXPECT_EQ(list.text(0, kColumnDuration), "1:02:03");
    list.sortByHeaderClick(kColumnSampleRate);  // another column: ascending, by number
    EXPECT_EQ(column(list, kColumnSampleRate), (std::vector<std::string>{"8000 Hz", "11025 Hz", "44100 Hz"}));
    list.sortByHeaderClick(kColumnSampleRate);
    list.sortByHeaderClick(kColumnSampleRate);  // descending, then ascending again
    EXPECT_TRUE(list.sortedAscending());
    EXPECT_EQ(list.item(0).path, item("b.wav", 0)->path);

    // The rules of the other types: sizes with units, dates both ways, durations with clamped fields.
    EXPECT_LT(compareForSort(SortType::kSize, "900 K", "1M"), 0);
    EXPECT_GT(compareForSort(SortType::kSize, "2g", "1500 M"), 0);
    EXPECT_LT(compareForSort(SortType::kDashDate, "2023-12-31", "2024-01-02"), 0);
    EXPECT_LT(compareForSort(SortType::kSlashDate, "12/31/2023", "01/02/2024"), 0);
    EXPECT_EQ(compareForSort(SortType::kDuration, "1:75", "1:59"), 0);
    EXPECT_EQ(compareForSort(SortType::kDuration, "-5:10", "10"), 0);
}

TEST(FileList, MovingKeepsTheSelectionTogether) {
    FileList list;
    for (const char* name : {"0", "1", "2", "3", "4"}) list.add(item(name, 1), 1);
    const auto names = [&] {
        std::string s;
        for (size_t r = 0; r < list.size(); ++r) s += platform::fileNamePart(list.item(r).path);
        return s;
    };
    list.setSelected(1, true);
    list.setSelected(3, true);
    list.setFocusedRow(3);
    list.moveUp();
    EXPECT_EQ(names(), "10324");
    EXPECT_EQ(selected(list), (std::vector<size_t>{0, 2}));
    EXPECT_EQ(list.focusedRow(), 2u);
    list.moveUp();  // the first selected row is at the top: nothing moves
    EXPECT_EQ(names(), "10324");
    list.moveDown();
    list.moveDown();
    EXPECT_EQ(names(), "02143");
    list.setSelected(4, true);
    list.moveDown();  // the last row is selected: nothing moves
    EXPECT_EQ(names(), "02143");
}

// A range selected at once is one notification; removing rows in several places is one reset, so that a
// view does not redo its selection for every block.
TEST(FileList, RangesAndScatteredRemovalsNotifyOnce) {
    struct Log : FileListObserver {
        std::vector<std::string> calls;
        void rowsInserted(size_t, size_t) override {}
        void rowsRemoved(size_t first, size_t count) override {
            calls.push_back("removed " + std::to_string(first) + "+" + std::to_string(count));
        }
        void rowsChanged(size_t first, size_t last) override {
            calls.push_back("changed " + std::to_string(first) + "-" + std::to_string(last));
        }
        void listReset() override { calls.push_back("reset"); }
        void scrollIntoView(size_t) override {}
    } log;
    FileList list;
    for (const char* name : {"0", "1", "2", "3", "4", "5"}) list.add(item(name, 1), 1);
    list.setObserver(&log);
    list.setSelected(3, true);
    list.setSelected(1, 4, true);
    EXPECT_EQ(list.selectedCount(), 4u);
    list.setSelected(4, 9, false);  // past the end: up to the last row
    EXPECT_EQ(selected(list), (std::vector<size_t>{1, 2, 3}));
    list.removeSelected();  // one block
    list.setSelected(0, true);
    list.setSelected(2, true);
    list.removeSelected();  // two blocks
    EXPECT_EQ(log.calls, (std::vector<std::string>{"changed 3-3", "changed 1-4", "changed 4-5", "removed 1+3",
                                                   "changed 0-0", "changed 2-2", "reset"}));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(platform::fileNamePart(list.item(0).path), "4");
    list.setObserver(nullptr);
}

TEST(FileList, RemovingDeletesPreparedFilesButNotForExpansionRows) {
    TempDir dir;
    FileList list;
    auto prepared = item("voice.voc", 61);
    prepared->needsPreparation = 1;
    prepared->prepared = 1;
    prepared->preparedPath = dir.file("voice.wav");
    ASSERT_TRUE(platform::writeWholeFile(prepared->preparedPath, "RIFF"));
    const std::string key = FileList::keyOf(*prepared);
    list.add(std::move(prepared), 1);
    list.add(item("song.mp3", 1), 1);
    auto unready = item("disc.cda", 5);
    unready->needsPreparation = 1;
    list.add(std::move(unready), 1);

    OutputFormat a, b, c;
    a.extension = "mp3";
    b.extension = "ogg";
    b.displayName = "Ogg Vorbis";
    c.extension = "flac";
    list.addExpansionRows(false, {&a, &b, &c});
    EXPECT_EQ(
        column(list, kColumnFile),
        (std::vector<std::string>{"voice.voc", "   to MP3", "   to Ogg Vorbis", "   to FLAC", "song.mp3",
                                  "   to MP3", "   to Ogg Vorbis", "   to FLAC", "disc.cda"}));
    EXPECT_EQ(list.item(2).groupFormat, &b);

    list.setSelected(1, true);  // an expansion row of the prepared source
    list.removeSelected();
    EXPECT_TRUE(platform::isExistingFile(dir.file("voice.wav")));
    EXPECT_TRUE(list.contains(key));
    list.removeExpansionRows();
    ASSERT_EQ(list.size(), 3u);

    // The selected length counts a DVD-like 0 and the 61 s file.
    list.setSelected(0, true);
    list.setSelected(1, true);
    list.item(1).duration = 0;
    EXPECT_EQ(list.selectedLengthMessage(), "The total length of selected files is 01:01.");
    EXPECT_EQ(list.allLengthMessage(), "The total length of all files is 01:06.");
    list.removeSelected();
    EXPECT_FALSE(platform::isExistingFile(dir.file("voice.wav")));
    EXPECT_FALSE(list.contains(key));
    EXPECT_FALSE(list.selectedLengthMessage());
    list.removeAll();
    EXPECT_FALSE(list.allLengthMessage());
    EXPECT_TRUE(list.add(item("song.mp3", 1), 1)) << "a removed source can be added again";
}

TEST(FileList, StreamMenuAndGreying) {
    FileList list;
    EXPECT_FALSE(list.isCommandEnabled(ID_CONVERT_ALL));
    const std::vector<MenuEntry> none = list.streamMenu();
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0].id, ID_NO_STREAM);
    EXPECT_FALSE(none[0].enabled);

    list.add(item("clip.mkv", 10, {{48000, 192, 6}, {0, 0, 0}}), 1);
    list.setFocusedRow(0);
    EXPECT_FALSE(list.isCommandEnabled(ID_REMOVE));
    EXPECT_TRUE(list.isCommandEnabled(ID_CONVERT_ALL));
    EXPECT_EQ(list.streamMenu().size(), 1u) << "focused but not selected";
    list.setSelected(0, true);
    const std::vector<MenuEntry> menu = list.streamMenu();
    ASSERT_EQ(menu.size(), 2u);
    EXPECT_EQ(menu[0].text, "&1: 48000 Hz, 192 kbps, 5.1");
    EXPECT_EQ(menu[1].text, "&2: ");
    EXPECT_EQ(menu[1].id, 9001u);
    EXPECT_TRUE(menu[0].checked);
    EXPECT_FALSE(menu[1].checked);

    EXPECT_TRUE(list.chooseStream(9001));
    EXPECT_TRUE(list.streamMenu()[1].checked);
    EXPECT_EQ(list.text(0, kColumnSampleRate), "*2");
    EXPECT_EQ(list.text(0, kColumnFile), "clip.mkv (2 audios)");
    EXPECT_FALSE(list.chooseStream(9002));

    EXPECT_FALSE(list.isCommandEnabled(ID_PLAY_DESTINATION));
    list.item(0).outputPath = "/out/clip.mp3";
    EXPECT_TRUE(list.isCommandEnabled(ID_PLAY_DESTINATION));
    const std::vector<MenuEntry> context = list.contextMenu();
    ASSERT_EQ(context.size(), 30u);
    EXPECT_TRUE(context[0].submenu);
    EXPECT_EQ(context[10].text, "P&lay Destination\tF9");
    EXPECT_TRUE(context[10].enabled);
    // Each entry is picked by its own access key.
    std::string keys;
    for (const MenuEntry& entry : context) {
        const size_t amp = entry.text.find('&');
        if (amp == std::string::npos) continue;
        const char key = static_cast<char>(std::toupper(static_cast<unsigned char>(entry.text[amp + 1])));
        EXPECT_EQ(keys.find(key), std::string::npos) << entry.text;
        keys += key;
    }
    EXPECT_EQ(keys.size(), 21u);
}

// Select Failed: exactly the rows whose last job failed, whatever was selected; greyed without them.
TEST(FileList, SelectFailedPicksTheFailedRowsOnly) {
    FileList list;
    list.selectFailed();  // an empty list: nothing to do
    for (const char* name : {"a.wav", "b.wav", "c.wav", "d.wav"}) list.add(item(name, 1), 1);
    EXPECT_FALSE(list.isCommandEnabled(ID_SELECT_FAILED));
    list.setSelected(0, true);
    list.setSelected(1, true);
    list.item(1).failed = true;
    list.item(3).failed = true;
    EXPECT_TRUE(list.isCommandEnabled(ID_SELECT_FAILED));
    const auto entry = [&] {
        for (const MenuEntry& e : list.contextMenu())
            if (e.id == ID_SELECT_FAILED) return e;
        return MenuEntry{};
    };
    EXPECT_EQ(entry().text, "Select Fa&iled\tCtrl+I");
    EXPECT_TRUE(entry().enabled);

    list.selectFailed();
    EXPECT_EQ(selected(list), (std::vector<size_t>{1, 3}));
    EXPECT_EQ(list.selectedCount(), 2u);
    EXPECT_TRUE(list.isCommandEnabled(ID_CONVERT_SELECTED));

    // After a run in which they succeeded, nothing is offered, and Select Failed leaves no row selected.
    list.item(1).failed = list.item(3).failed = false;
    EXPECT_FALSE(entry().enabled);
    list.selectFailed();
    EXPECT_EQ(list.selectedCount(), 0u);
    EXPECT_TRUE(selected(list).empty());
}

// Columns: the first six at first; Folder from the header's menu; File never hidden; the setting names the
// shown ones and a stored setting brings them back, unknown names aside.
TEST(FileList, ColumnsShownHiddenAndRemembered) {
    struct Counter : FileListObserver {
        int changes = 0;
        void rowsInserted(size_t, size_t) override {}
        void rowsRemoved(size_t, size_t) override {}
        void rowsChanged(size_t, size_t) override {}
        void listReset() override {}
        void scrollIntoView(size_t) override {}
        void columnsChanged() override { ++changes; }
    } counter;
    FileList list;
    list.setObserver(&counter);
    const std::vector<size_t> first = {kColumnFile,    kColumnDuration, kColumnSampleRate,
                                       kColumnBitRate, kColumnChannels, kColumnStatus};
    EXPECT_EQ(list.shownColumns(), first);
    EXPECT_EQ(list.columnsSetting(), "");

    std::vector<MenuEntry> menu = list.columnMenu();
    ASSERT_EQ(menu.size(), kColumnCount);
    EXPECT_EQ(std::tuple(menu[0].text, menu[0].enabled, menu[0].checked), std::tuple("File", false, true));
    EXPECT_EQ(std::tuple(menu[1].text, menu[1].enabled, menu[1].checked), std::tuple("Folder", true, false));
    EXPECT_TRUE(list.chooseColumnEntry(menu[1].id));
    EXPECT_TRUE(list.chooseColumnEntry(menu[4].id));
    EXPECT_FALSE(list.chooseColumnEntry(menu[kColumnCount - 1].id + 1));
    EXPECT_TRUE(list.chooseColumnEntry(menu[0].id));  // File stays
    EXPECT_EQ(counter.changes, 2);
    EXPECT_EQ(list.columnsSetting(), "File,Folder,Duration,SampleRate,Channels,Status");

    ASSERT_TRUE(list.add(item("a.wav", 5), 1));
    ASSERT_TRUE(list.add(item("b.wav", 5), 1));
    std::string folder = platform::withTrailingSeparator(platform::temporaryFolder());
    folder.pop_back();  // shown without its closing separator
    for (const char* dvdFolder : {"D:\\VIDEO_TS\\", "E:\\"}) {
        auto title = std::make_unique<SourceItem>();
        title->kind = kSourceDvdTitle;
        title->path = "DVD Title 1";
        title->dvdFolder = dvdFolder;
        ASSERT_TRUE(list.add(std::move(title), 1));
    }
    EXPECT_EQ(column(list, kColumnFolder),
              (std::vector<std::string>{folder, folder, "D:\\VIDEO_TS", "E:\\"}));

    FileList stored;
    stored.applyColumnsSetting("folder,Nonsense,Duration");
    EXPECT_EQ(stored.shownColumns(), (std::vector<size_t>{kColumnFile, kColumnFolder, kColumnDuration}));
    // Columns are stored by name, so settings from before the loudness columns still name the same ones.
    stored.applyColumnsSetting("Genre,loudness,PEAK");
    EXPECT_EQ(stored.shownColumns(),
              (std::vector<size_t>{kColumnFile, kColumnGenre, kColumnLoudness, kColumnPeak}));
    for (const char* nothingToHide : {"", "File", "Nonsense"}) {
        stored.applyColumnsSetting(nothingToHide);
        EXPECT_EQ(stored.shownColumns(), first) << nothingToHide;
    }

    // The tag columns show what the outputs will carry: the row's edits over the source's tags.
    auto tagged = item("c.wav", 5);
    tagged->tags[kTagArtist] = "Source Artist";
    tagged->tags[kTagTitle] = "Source Title";
    tagged->tags[kTagTrack] = "7";
    tagged->tagEdits.values[kTagTitle] = "Edited";
    ASSERT_TRUE(list.add(std::move(tagged), 1));
    const size_t last = list.size() - 1;
    EXPECT_EQ(std::tuple(list.text(last, kColumnArtist), list.text(last, kColumnTitle),
                         list.text(last, kColumnTrack), list.text(last, kColumnAlbum)),
              std::tuple("Source Artist", "Edited", "7", ""));
}

// Edit Tags works on source rows: an expansion row stands for its source, whose edits its expansion rows
// take, now and when they are made.
TEST(FileList, TagEditsLiveWithTheSourceRowsAndTheirExpansionRows) {
    FileList list;
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) list.add(item(name, 1), 1);
    TagEdits edits;
    edits.values[kTagTitle] = "First";
    list.setTagEdits(0, edits);
    OutputFormat mp3, ogg;
    list.addExpansionRows(false, {&mp3, &ogg});
    // a's second expansion row, b and its second, c's second.
    for (const int r : {2, 3, 5, 8}) list.setSelected(static_cast<size_t>(r), true);
    EXPECT_EQ(list.tagEditRows(), (std::vector<size_t>{0, 3, 6}));

    edits.values[kTagTitle] = "Second";
    list.setTagEdits(4, edits);  // through b's first expansion row
    std::string titles;
    for (size_t r = 0; r < list.size(); ++r) titles += list.item(r).outputTags()[kTagTitle] + ",";
    EXPECT_EQ(titles, "First,First,First,Second,Second,Second,,,,");
    EXPECT_EQ(list.text(3, kColumnTitle), "Second") << "the row's tag columns follow";
    EXPECT_EQ(list.text(4, kColumnFile).rfind("   to ", 0), 0u) << "an expansion row keeps its text";
    EXPECT_TRUE(list.item(3).tags.empty()) << "the source's own tags stay";
}

// A measurement shows in the row's Loudness and Peak columns once the list is told; a silent source and
// an unmeasured one sort below every number.
TEST(FileList, LoudnessColumnsFollowTheMeasurement) {
    struct Changes : FileListObserver {
        std::vector<std::pair<size_t, size_t>> rows;
        void rowsInserted(size_t, size_t) override {}
        void rowsRemoved(size_t, size_t) override {}
        void rowsChanged(size_t first, size_t last) override { rows.emplace_back(first, last); }
        void listReset() override {}
        void scrollIntoView(size_t) override {}
    } changes;
    FileList list;
    for (const char* name : {"loud.wav", "quiet.wav", "silent.wav", "unmeasured.wav"})
        list.add(item(name, 5), 1);
    list.setObserver(&changes);
    const LoudnessFacts facts[] = {
        {-9.96, 4.2, -0.04, false}, {-23.04, 7.5, -6.26, false}, {-71, 0, -90, true}};
    OutputFormat group;
    list.addExpansionRows(false, {&group});  // a row below each source row
    list.setSelected(0, list.size() - 1, false);
    for (size_t r : {0u, 1u, 2u, 5u, 7u}) list.setSelected(r, true);
    EXPECT_EQ(list.loudnessRows(), (std::vector<size_t>{0, 2}));
    list.removeExpansionRows();
    changes.rows.clear();
    for (size_t r = 0; r < 3; ++r) {
        list.item(r).loudness.track = facts[r];
        list.loudnessMeasured(r, "");
    }
    list.loudnessMeasured(3, "the transcoder printed no summary");
    EXPECT_EQ(changes.rows, (std::vector<std::pair<size_t, size_t>>{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    EXPECT_EQ(column(list, kColumnStatus),
              (std::vector<std::string>{"", "", "", "Error: the transcoder printed no summary"}));
    EXPECT_EQ(column(list, kColumnLoudness),
              (std::vector<std::string>{"-10.0 LUFS", "-23.0 LUFS", "Silent", ""}));
    EXPECT_EQ(column(list, kColumnPeak), (std::vector<std::string>{"0.0 dBTP", "-6.3 dBTP", "", ""}));

    list.sort(kColumnPeak, true);
    EXPECT_EQ(column(list, kColumnPeak), (std::vector<std::string>{"", "", "-6.3 dBTP", "0.0 dBTP"}));
}
