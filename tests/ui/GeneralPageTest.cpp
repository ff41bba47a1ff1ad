// The options sheet's General page: lengths in four fields, refusals with their focus, enabled controls,
// the copy that only OK gives back, and the histories.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>

#include "formats/Catalogue.h"
#include "platform/MemorySettingsStore.h"
#include "resources/resource.h"
#include "sources/SourceItem.h"
#include "ui/logic/GeneralPage.h"

namespace {

using ui::GeneralPage;

#ifdef _WIN32
const std::string kFullFolder = "D:\\Output";
#else
const std::string kFullFolder = "/srv/output";
#endif

// Types a length into its four edits, as the page's table names them.
void typeLength(GeneralPage& page, uint32_t AppSettings::*length, const char* h, const char* m, const char* s,
                const char* ms) {
    const ui::FieldBinding& field = GeneralPage::binding(length);
    const char* const texts[] = {h, m, s, ms};
    for (int i = 0; i < 4; ++i) page.setText(field.edits[i].editId, texts[i]);
}

// The edits and spins of a length.
std::vector<int> lengthControls(uint32_t AppSettings::*length) {
    std::vector<int> ids;
    for (const ui::SpinEdit& edit : GeneralPage::binding(length).edits)
        ids.insert(ids.end(), {edit.editId, edit.spinId});
    return ids;
}

TEST(GeneralPage, LengthsSplitAndJoin) {
    const std::tuple<uint32_t, ui::LengthFields> cases[] = {{0, {0, 0, 0, 0}},
                                                            {108000000, {30, 0, 0, 0}},
                                                            {3723004, {1, 2, 3, 4}},
                                                            {0xFFFFFFFFu, {1193, 2, 47, 295}}};
    for (const auto& [ms, f] : cases) {
        const ui::LengthFields split = ui::splitLength(ms);
        EXPECT_EQ(std::tuple(split.hours, split.minutes, split.seconds, split.milliseconds),
                  std::tuple(f.hours, f.minutes, f.seconds, f.milliseconds));
        EXPECT_EQ(ui::joinLength(f), ms);
    }
    EXPECT_EQ(ui::joinLength({1193, 2, 47, 296}), std::nullopt);
    EXPECT_EQ(ui::joinLength({0, 90, 0, 0}), 5400000u);  // typed minutes beyond the spin still add up

    // A stored length shows in its fields and comes back unchanged; the largest one is accepted.
    AppSettings settings;
    settings.EnableSkipLength = 1;
    settings.SkipLength = 108000000;
    settings.EnableConvertLength = 1;
    settings.ConvertLength = 1;
    MemorySettingsStore store;
    GeneralPage page(settings);
    page.open(store);
    EXPECT_EQ(page.text(IDC_GEN_SKIP_HOURS), "30");
    typeLength(page, &AppSettings::ConvertLength, "1193", "2", "47", "295");
    ASSERT_EQ(page.apply(settings, store), std::nullopt);
    EXPECT_EQ(std::tuple(settings.SkipLength, settings.ConvertLength), std::tuple(108000000u, 0xFFFFFFFFu));
}

// Each refusal: its message and the control that takes the focus; the caller's settings stay as they were.
TEST(GeneralPage, RefusalsAndFocus) {
    const std::tuple<std::function<void(GeneralPage&)>, std::string, int> cases[] = {
        {[](GeneralPage& p) { p.setChecked(IDC_GEN_CONVERT_ENABLE, true); },
         "Conversion length must be greater than 0 millisecond.", IDC_GEN_CONVERT_HOURS},
        {[](GeneralPage& p) {
             p.setChecked(IDC_GEN_SKIP_ENABLE, true);
             p.setText(IDC_GEN_SKIP_MINUTES, "1x");
         },
         "Please enter a positive integer.", IDC_GEN_SKIP_MINUTES},
        {[](GeneralPage& p) {
             p.setChecked(IDC_GEN_IGNORE_ENABLE, true);
             p.setText(IDC_GEN_IGNORE_MS, "");
         },
         "Please enter a positive integer.", IDC_GEN_IGNORE_MS},
        {[](GeneralPage& p) {
             p.setChecked(IDC_GEN_IGNORE_ENABLE, true);
             typeLength(p, &AppSettings::IgnoreLength, "1193", "2", "47", "296");
         },
         "The time must not be longer than 1193 hours 2 minutes 47 seconds 295 milliseconds.",
         IDC_GEN_IGNORE_HOURS},
        {[](GeneralPage& p) { p.setText(IDC_GEN_AUDIO_INDEX, "2a"); }, "Please enter an integer.",
         IDC_GEN_AUDIO_INDEX},
        {[](GeneralPage& p) { p.setText(IDC_GEN_AUDIO_INDEX, "32768"); },
         "Please enter an audio stream number from 1 to 32767.", IDC_GEN_AUDIO_INDEX},
        {[](GeneralPage& p) {
             p.select(IDC_GEN_OUTPUT_FOLDER_OPT, 1);
             p.setText(IDC_GEN_SPECIFIC_FOLDER, " ");
         },
         "Please choose an output folder.", IDC_GEN_SPECIFIC_FOLDER},
        {[](GeneralPage& p) {
             p.select(IDC_GEN_OUTPUT_FOLDER_OPT, 1);
             p.setText(IDC_GEN_SPECIFIC_FOLDER, "Out");
         },
         "Please enter the full path of the output folder, for example D:\\Output.", IDC_GEN_SPECIFIC_FOLDER},
        {[](GeneralPage& p) {
             p.setChecked(IDC_GEN_EXT_FILTER, true);
             p.setText(IDC_GEN_FILTER_EXTS, " \t ");
         },
         "Please enter file extensions you need to filter.", IDC_GEN_FILTER_EXTS},
    };
    for (const auto& [edit, message, focus] : cases) {
        const AppSettings before;
        AppSettings settings = before;
        MemorySettingsStore store;
        GeneralPage page(settings);
        page.open(store);
        edit(page);
        const auto refusal = page.leave();
        ASSERT_TRUE(refusal) << message;
        EXPECT_EQ(std::tuple(refusal->message, refusal->focusControlId), std::tuple(message, focus));
        EXPECT_EQ(page.apply(settings, store)->message, message);
        EXPECT_EQ(
            std::tuple(settings.EnableSkipLength, settings.EnableConvertLength, settings.EnableIgnoreTheLast,
                       settings.EnableExtFilter, settings.DestOutputFolderOpt, settings.RequestAudioIndex),
            std::tuple(0u, 0u, 0u, 0u, before.DestOutputFolderOpt, 1u));
        EXPECT_EQ(store.commits(), 0) << message;
    }
}

// Accepted values are normalised, and the page shows what it keeps; Cancel (no apply) changes nothing.
TEST(GeneralPage, NormalisesAndKeepsCallerUntilApply) {
    AppSettings settings;
    settings.FixAudioUnsync = 1;
    settings.SkipLength = 5000;
    const AppSettings original = settings;
    MemorySettingsStore store;
    GeneralPage page(settings);
    page.open(store);
    page.setChecked(IDC_GEN_EXT_FILTER, true);
    page.setText(IDC_GEN_FILTER_EXTS, "mp3; wav");
    page.setText(IDC_GEN_AUDIO_INDEX, "0");
    page.setText(IDC_GEN_SKIP_HOURS, "bad");  // its row is off: kept as it was
    page.select(IDC_GEN_TARGET_EXISTS, 2);
    page.setChecked(IDC_GEN_KEEP_ID3_TAG, false);
    EXPECT_FALSE(page.checked(IDC_GEN_VERIFY_OUTPUTS)) << "off for a new user";
    page.setChecked(IDC_GEN_VERIFY_OUTPUTS, true);
    ASSERT_EQ(page.leave(), std::nullopt);  // "Same as source file" accepts the empty folder
    EXPECT_EQ(std::tuple(page.text(IDC_GEN_FILTER_EXTS), page.text(IDC_GEN_AUDIO_INDEX),
                         page.text(IDC_GEN_SKIP_SECONDS)),
              std::tuple("mp3,wav", "1", "5"));
    EXPECT_EQ(settings.FilterExts, original.FilterExts);
    EXPECT_EQ(std::tuple(settings.KeepID3Tag, settings.FixAudioUnsync, settings.TargetExistsOpt,
                         settings.VerifyOutputs),
              std::tuple(1u, 1u, 11u, 0u));
    EXPECT_EQ(store.commits(), 0);

    ASSERT_EQ(page.apply(settings, store), std::nullopt);
    EXPECT_EQ(std::tuple(settings.FilterExts, settings.RequestAudioIndex, settings.SkipLength,
                         settings.TargetExistsOpt, settings.KeepID3Tag, settings.FixAudioUnsync,
                         settings.VerifyOutputs),
              std::tuple("mp3,wav", 1u, 5000u, 33u, 0u, 0u, 1u));
    EXPECT_EQ(settings.filterExtensions, (std::vector<std::string>{"mp3", "wav"}));
}

TEST(GeneralPage, EnabledStates) {
    AppSettings settings;
    settings.EnableConvertLength = settings.EnableIgnoreTheLast = 1;  // never both: opening keeps the first
    settings.TargetExistsOpt = 7;
    MemorySettingsStore store;
    GeneralPage page(settings);
    page.open(store);
    EXPECT_EQ(std::tuple(page.checked(IDC_GEN_CONVERT_ENABLE), page.checked(IDC_GEN_IGNORE_ENABLE)),
              std::tuple(true, false));
    EXPECT_EQ(page.selection(IDC_GEN_TARGET_EXISTS), 0);

    const int folderControls[] = {IDC_GEN_SPECIFIC_FOLDER, IDC_GEN_BROWSE_FOLDER, IDC_GEN_OPEN_FOLDER,
                                  IDC_GEN_CREATE_DIRS, IDC_GEN_CREATE_DIRS_EXAMPLE};
    for (int choice : {1, 0}) {
        page.select(IDC_GEN_OUTPUT_FOLDER_OPT, choice);
        for (int id : folderControls) EXPECT_EQ(page.enabled(id), choice == 1) << id;
        EXPECT_TRUE(page.enabled(IDC_GEN_FOLDER_FOR_EACH_SOURCE));
    }
    EXPECT_FALSE(page.enabled(IDC_GEN_FILTER_EXTS));
    EXPECT_EQ(page.setChecked(IDC_GEN_EXT_FILTER, true), IDC_GEN_FILTER_EXTS);
    EXPECT_TRUE(page.enabled(IDC_GEN_FILTER_EXTS));

    // Turning one end trim on turns the other off; the focus goes to the hour field of the row turned on.
    EXPECT_EQ(page.setChecked(IDC_GEN_IGNORE_ENABLE, true), IDC_GEN_IGNORE_HOURS);
    EXPECT_FALSE(page.checked(IDC_GEN_CONVERT_ENABLE));
    for (int id : lengthControls(&AppSettings::ConvertLength)) EXPECT_FALSE(page.enabled(id)) << id;
    for (int id : lengthControls(&AppSettings::IgnoreLength)) EXPECT_TRUE(page.enabled(id)) << id;
    EXPECT_FALSE(page.enabled(IDC_GEN_SKIP_HOURS));
    EXPECT_EQ(page.setChecked(IDC_GEN_SKIP_ENABLE, true), IDC_GEN_SKIP_HOURS);
    EXPECT_TRUE(page.enabled(IDC_GEN_SKIP_MS_SPIN));
    EXPECT_EQ(page.setChecked(IDC_GEN_SKIP_ENABLE, false), 0);
    EXPECT_FALSE(page.enabled(IDC_GEN_SKIP_MINUTES));
}

// OK pushes the folder on top of its history, once, keeping 30 entries; a page never opened writes nothing.
TEST(GeneralPage, HistoryPushOnApply) {
    MemorySettingsStore store;
    HistoryList stored;
    for (int i = 0; i < 30; ++i) stored.items.push_back(kFullFolder + std::to_string(i));
    ASSERT_TRUE(saveHistory(store, stored, kOutputFolderHistory));
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {kFullFolder + "New", kFullFolder + "0", kFullFolder + "28"},
        {kFullFolder + "5", kFullFolder + "New", kFullFolder + "28"}};
    for (const auto& [folder, second, last] : cases) {
        AppSettings settings;
        settings.DestOutputFolderOpt = kOutputSpecificFolder;
        GeneralPage unopened(settings);
        ASSERT_EQ(unopened.apply(settings, store), std::nullopt);
        GeneralPage page(settings);
        page.open(store);
        page.setText(IDC_GEN_SPECIFIC_FOLDER, folder);
        ASSERT_EQ(page.apply(settings, store), std::nullopt);
        HistoryList reloaded;
        ASSERT_TRUE(loadHistory(store, reloaded, kOutputFolderHistory));
        ASSERT_EQ(reloaded.items.size(), 30u);
        EXPECT_EQ(std::tuple(reloaded.items[0], reloaded.items[1], reloaded.items[29],
                             settings.DestSpecifiedFolder),
                  std::tuple(folder, second, last, folder));
        EXPECT_EQ(std::count(reloaded.items.begin(), reloaded.items.end(), folder), 1);
        EXPECT_FALSE(
            store.openKey("Software\\Melodrift 4\\OutputFolder")->query("30"));  // none beyond the limit
    }
    EXPECT_FALSE(store.openKey("Software\\Melodrift 4\\FilterExts"));  // filter off: its history untouched
}

// The name pattern: an example for the focused row as the user types, and a refusal of what cannot be
// expanded.
TEST(GeneralPage, NamePatternPreviewAndRefusal) {
    AppSettings settings;
    settings.OutputFormat = 1160;  // MP3
    Catalogue catalogue;
    MemorySettingsStore store;
    SourceItem row;
    row.path = kFullFolder + (kFullFolder.front() == '/' ? "/" : "\\") + "take 1.wav";
    row.tags[kTagArtist] = "Quen";
    row.tags[kTagTitle] = "Mustapha";
    row.tagEdits.values[kTagArtist] = "Queen";  // the row's edit wins, as for the output
    GeneralPage page(ui::OptionContext{settings, catalogue, store, &row});
    page.open(store);
    EXPECT_EQ(page.namePreview(), "Example: take 1.mp3");
    page.setText(IDC_GEN_NAME_PATTERN, " <artist>/<track> <title> ");
    const char sep = kFullFolder.front() == '/' ? '/' : '\\';
    EXPECT_EQ(page.namePreview(), std::string("Example: Queen") + sep + "Mustapha.mp3");

    page.setText(IDC_GEN_NAME_PATTERN, "<artist>\\<year>");
    EXPECT_NE(page.namePreview().find("unknown placeholder \"<year>\""), std::string::npos);
    const std::optional<ui::PageRefusal> refusal = page.apply(settings, store);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->focusControlId, IDC_GEN_NAME_PATTERN);
    EXPECT_EQ(refusal->message, page.namePreview());
    EXPECT_EQ(settings.OutputNamePattern, "");

    page.setText(IDC_GEN_NAME_PATTERN, " <artist>/<track> <title> ");
    ASSERT_EQ(page.apply(settings, store), std::nullopt);
    EXPECT_EQ(settings.OutputNamePattern, "<artist>/<track> <title>");

    GeneralPage noRow(ui::OptionContext{settings, catalogue, store});
    EXPECT_EQ(noRow.namePreview(), "Select a file in the list to see its output name here.");
}

}  // namespace
