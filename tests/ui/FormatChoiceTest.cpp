// The output-format list: entries, the selection for a stored id, and what picking an entry does.
#include <gtest/gtest.h>

#include "formats/Catalogue.h"
#include "formats/CustomFormats.h"
#include "ui/logic/FormatChoice.h"
#include "ui/logic/MainWindowLogic.h"

TEST(FormatChoice, EntriesSelectionAndPicks) {
    const Catalogue catalogue;
    const std::vector<CustomOutputFormat> groups = {{"Phone", {1160, 1010}}, {"Archive", {1090}}};
    const FormatChoice choice(catalogue, groups);
    const auto& entries = choice.entries();
    ASSERT_EQ(entries.size(), 1 + groups.size() + kCatalogueFormatCount + 1);
    EXPECT_EQ(entries.front().label, "Customize Output Formats");
    EXPECT_EQ(entries[2].label, " to Archive");
    EXPECT_EQ(entries[2].format->id, 21002);
    size_t mp3 = 0, wavpack = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].format->id == 1160) mp3 = i;
        if (entries[i].format->extension == "wv") wavpack = i;
    }
    EXPECT_EQ(entries[mp3].label, " to MP3");
    EXPECT_EQ(entries[wavpack].label, " to WV (WavPack Lossless) (*.wv)");

    // A stored id that no entry has (or a command entry's) selects position 1 and becomes its id.
    for (uint32_t stored : {1160u, 999u, 20000u, 10000u}) {
        uint32_t setting = stored;
        const size_t index = choice.select(setting);
        EXPECT_EQ(index, stored == 1160 ? mp3 : 1u) << stored;
        EXPECT_EQ(setting, stored == 1160 ? 1160u : 21001u) << stored;
    }
    const FormatChoice withoutGroups(catalogue, {});
    uint32_t setting = 999;
    withoutGroups.select(setting);
    EXPECT_EQ(setting, static_cast<uint32_t>(catalogue.formats().front()->id));

    // Command entries leave the setting alone; no entry means MP3.
    setting = 1090;
    EXPECT_EQ(choice.pick(0, setting), FormatChoice::Action::kCustomize);
    EXPECT_EQ(choice.pick(entries.size() - 1, setting), FormatChoice::Action::kVideo);
    EXPECT_EQ(setting, 1090u);
    EXPECT_EQ(choice.pick(1, setting), FormatChoice::Action::kNone);
    EXPECT_EQ(setting, 21001u);
    const RunChoice run = choice.runChoice(setting, groups);
    EXPECT_EQ(run.groupName, "Phone");
    EXPECT_EQ(run.groupIds, (std::vector<int32_t>{1160, 1010}));
    choice.pick(FormatChoice::kNoEntry, setting);
    EXPECT_EQ(setting, kDefaultOutputFormat);
    EXPECT_EQ(choice.runChoice(setting, groups).entry->id, 1160);

    // A loudness measurement counts the volume of a catalogue format only.
    EXPECT_EQ(choice.catalogueFormat(1160), entries[mp3].format);
    for (uint32_t other : {21001u, 20000u, 10000u, 999u})
        EXPECT_EQ(choice.catalogueFormat(other), nullptr) << other;
}

// The help menu's web commands: mails with encoded texts, the update page with the version.
TEST(MainWindowLogic, WebCommandTargets) {
    EXPECT_EQ(webCommandTarget(32785, "4.1.7"), "https://www.melodrift.app/update?ver=4.1.7&build=7");
    EXPECT_EQ(webCommandTarget(32783, "4.0.0"),
              "mailto:support@melodrift.app?subject=Melodrift%204.0.0%20feedback");
    const std::string friendMail = webCommandTarget(32782, "4.0.0");
    EXPECT_EQ(friendMail.rfind("mailto:?subject=Try%20Melodrift&body=", 0), 0u);
    EXPECT_EQ(friendMail.find_first_of(" :/", 7), std::string::npos) << friendMail;
    EXPECT_EQ(webCommandTarget(1, "4.0.0"), "");
}
