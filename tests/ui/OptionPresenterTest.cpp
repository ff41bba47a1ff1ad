// The Options sheet's OK over its list of pages: every page validates before any writes, and the General
// page gives back exactly the fields it shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "formats/Catalogue.h"
#include "platform/MemorySettingsStore.h"
#include "resources/resource.h"
#include "ui/logic/AudioPage.h"
#include "ui/logic/GeneralPage.h"
#include "ui/logic/OptionPresenter.h"

namespace {

// A page that records what the sheet asks of it, and refuses when told to.
class RecordingPage final : public ui::OptionPresenter {
public:
    RecordingPage(std::string name, bool refuses, std::vector<std::string>& log)
        : name_(std::move(name)), refuses_(refuses), log_(log) {}
    std::optional<ui::PageRefusal> validate() override {
        log_.push_back("validate " + name_);
        if (refuses_) return ui::PageRefusal{name_ + " refuses", 7};
        return std::nullopt;
    }
    void commit(ui::OptionContext&) override { log_.push_back("commit " + name_); }

private:
    std::string name_;
    bool refuses_;
    std::vector<std::string>& log_;
};

}  // namespace

TEST(OptionPresenters, EveryPageValidatesBeforeAnyCommits) {
    struct Case {
        std::vector<bool> refuses;
        std::vector<std::string> log;
        std::optional<std::string> refusal;
    };
    const Case cases[] = {
        {{false, false, false},
         {"validate 0", "validate 1", "validate 2", "commit 0", "commit 1", "commit 2"},
         std::nullopt},
        {{false, true, false}, {"validate 0", "validate 1"}, "1 refuses"},
        {{false, false, true}, {"validate 0", "validate 1", "validate 2"}, "2 refuses"},
        {{true, true, false}, {"validate 0"}, "0 refuses"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> log;
        std::vector<RecordingPage> pages;
        for (size_t i = 0; i < c.refuses.size(); ++i)
            pages.emplace_back(std::to_string(i), c.refuses[i], log);
        std::vector<ui::OptionPresenter*> list;
        for (RecordingPage& page : pages) list.push_back(&page);
        AppSettings settings;
        Catalogue catalogue;
        MemorySettingsStore store;
        ui::OptionContext context{settings, catalogue, store};
        const std::optional<ui::PageRefusal> refusal = ui::acceptOptions(list, context);
        EXPECT_EQ(log, c.log);
        EXPECT_EQ(refusal ? std::optional(refusal->message) : std::nullopt, c.refusal);
    }
}

// The sheet's two pages: a wrong volume on the second page keeps the first page's changes out too.
TEST(OptionPresenters, ARefusingAudioPageKeepsTheGeneralPageFromWriting) {
    AppSettings settings;
    Catalogue catalogue;
    MemorySettingsStore store;
    ui::OptionContext context{settings, catalogue, store};
    ui::GeneralPage general(context);
    AudioPage audio(context);
    general.open(store);
    general.setChecked(IDC_GEN_EXT_FILTER, true);
    general.setText(IDC_GEN_FILTER_EXTS, "wav");
    general.setChecked(IDC_GEN_KEEP_ID3_TAG, false);
    audio.chooseFormat(1);
    const int32_t chosen = audio.formats().items[1].data;
    ASSERT_NE(static_cast<uint32_t>(chosen), settings.OutputFormat);
    audio.setVolumeText("x");

    const AppSettings before = settings;
    const std::vector<ui::OptionPresenter*> pages = {&general, &audio};
    const std::optional<ui::PageRefusal> refusal = ui::acceptOptions(pages, context);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(*refusal, (ui::PageRefusal{kVolumeNotIntegerMessage, IDC_AUDIO_VOLUME}));
    EXPECT_EQ(settings, before);
    EXPECT_EQ(store.commits(), 0);  // not even the extensions' history

    audio.setVolumeText("100");
    ASSERT_EQ(ui::acceptOptions(pages, context), std::nullopt);
    EXPECT_EQ(
        std::tuple(settings.EnableExtFilter, settings.FilterExts, settings.KeepID3Tag, settings.OutputFormat),
        std::tuple(1u, "wav", 0u, static_cast<uint32_t>(chosen)));
    HistoryList history;
    ASSERT_TRUE(loadHistory(store, history, kFilterExtsHistory));
    EXPECT_EQ(history.items.front(), "wav");
}

// OK gives back the 22 values the page shows, and leaves every other setting as the caller has it.
TEST(OptionPresenters, GeneralPageGivesBackItsFieldsAndNothingElse) {
    AppSettings shown;  // every value the page shows differs from the defaults, and so from target
    shown.DestOutputFolderOpt = kOutputSpecificFolder;
    shown.DestSpecifiedFolder = "Shown";
    shown.CreateDirs = 1;
    shown.CreateFolderForEachSource = 1;
    shown.BrowseOutputFolder = 0;
    shown.OutputFiles2MyDocuments = 0;
    shown.TargetExistsOpt = kTargetSkip;
    shown.KeepDateCreated = 1;
    shown.KeepDateModified = 1;
    shown.KeepID3Tag = 0;
    shown.FixAudioUnsync = 1;
    shown.NormalizeFile = 0;
    shown.EnableExtFilter = 1;
    shown.FilterExts = "mp3,ogg";
    shown.EnableSkipLength = 1;
    shown.SkipLength = 1000;
    shown.EnableConvertLength = 1;
    shown.ConvertLength = 2000;
    shown.EnableIgnoreTheLast = 1;
    shown.IgnoreLength = 3000;
    shown.RequestAudioIndex = 4;
    shown.VerifyOutputs = 1;
    shown.OutputNamePattern = "<artist>\\<title>";
    // The values of other windows (or of none), which the page must not carry.
    shown.TranscoderStallSeconds = 30;
    shown.DVDFolder = shown.Folder = shown.LastAddFileDir = "elsewhere";
    shown.OutputFormat = 1010;
    shown.ConversionPriority = 64;
    shown.ConversionThreads = 8;
    shown.OptStartPageIndex = 1;

    // The values the page shows, named here rather than read from its table.
    uint32_t AppSettings::*const numbers[] = {&AppSettings::DestOutputFolderOpt,
                                              &AppSettings::CreateDirs,
                                              &AppSettings::CreateFolderForEachSource,
                                              &AppSettings::BrowseOutputFolder,
                                              &AppSettings::OutputFiles2MyDocuments,
                                              &AppSettings::TargetExistsOpt,
                                              &AppSettings::KeepDateCreated,
                                              &AppSettings::KeepDateModified,
                                              &AppSettings::KeepID3Tag,
                                              &AppSettings::FixAudioUnsync,
                                              &AppSettings::NormalizeFile,
                                              &AppSettings::EnableExtFilter,
                                              &AppSettings::EnableSkipLength,
                                              &AppSettings::SkipLength,
                                              &AppSettings::EnableConvertLength,
                                              &AppSettings::ConvertLength,
                                              &AppSettings::EnableIgnoreTheLast,
                                              &AppSettings::IgnoreLength,
                                              &AppSettings::RequestAudioIndex,
                                              &AppSettings::VerifyOutputs,
                                              &AppSettings::WriteID3v1,
                                              &AppSettings::CoverFromFolder};
    AppSettings target;
    target.Folder = "mine";
    AppSettings expected = target;
    for (const auto field : numbers) expected.*field = shown.*field;
    expected.DestSpecifiedFolder = shown.DestSpecifiedFolder;
    expected.FilterExts = shown.FilterExts;
    expected.OutputNamePattern = shown.OutputNamePattern;
    expected.filterExtensions = {"mp3", "ogg"};

    // Never opened, the page gives back what it was given, unchecked.
    ui::GeneralPage page(shown);
    Catalogue catalogue;
    MemorySettingsStore store;
    ui::OptionContext context{target, catalogue, store};
    ASSERT_EQ(ui::acceptOptions({&page}, context), std::nullopt);
    EXPECT_EQ(target, expected);
    EXPECT_EQ(store.commits(), 0);

    // Every field is bound once, and its controls are its own.
    std::vector<int> controls;
    for (const ui::FieldBinding& field : ui::GeneralPage::bindings()) {
        controls.push_back(field.controlId);
        for (int i = 1; i < field.editCount(); ++i) controls.push_back(field.edits[i].editId);
        for (int i = 0; i < field.editCount(); ++i) controls.push_back(field.edits[i].spinId);
    }
    EXPECT_EQ(ui::GeneralPage::bindings().size(), std::size(numbers) + 3);
    std::sort(controls.begin(), controls.end());
    EXPECT_EQ(std::adjacent_find(controls.begin(), controls.end()), controls.end());
}
