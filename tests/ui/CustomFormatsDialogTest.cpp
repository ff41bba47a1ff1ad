// The custom format groups' dialog without its window: lists, buttons, edits on copies, OK and Cancel.
#include <gtest/gtest.h>

#include "formats/Catalogue.h"
#include "platform/MemorySettingsStore.h"
#include "settings/CustomFormatsStore.h"
#include "ui/logic/CustomFormatsDialog.h"

using ui::CustomFormatsDialog;

namespace {

std::vector<int32_t> ids(const std::vector<CustomFormatsDialog::FormatItem>& items) {
    std::vector<int32_t> out;
    for (const auto& item : items) out.push_back(item.id);
    return out;
}

}  // namespace

TEST(CustomFormatsDialog, MembersStayInCatalogueOrderThroughEditsAndStore) {
    const Catalogue catalogue;
    CustomFormatsDialog dialog(catalogue, {});
    EXPECT_FALSE(dialog.hasSelectedGroup());
    EXPECT_TRUE(dialog.availableFormats().empty());

    dialog.newGroup("Lossless");
    ASSERT_EQ(dialog.selectedGroup(), 0u);
    const auto available = dialog.availableFormats();
    ASSERT_EQ(available.size(), kCatalogueFormatCount);
    EXPECT_EQ(available.front().label, " AAC (*.aac)");
    EXPECT_FALSE(dialog.canAdd());

    // Picked in the order WAV, MP3 (and FLAC later): the group lists them by id all the same.
    dialog.setAvailableSelection({1200, 1160});
    EXPECT_TRUE(dialog.canAdd());
    dialog.addSelected();
    EXPECT_FALSE(dialog.canAdd());
    dialog.setAvailableSelection({1090});
    dialog.addSelected();
    const auto output = dialog.outputFormats();
    EXPECT_EQ(ids(output), (std::vector<int32_t>{1090, 1160, 1200}));
    EXPECT_EQ(output[1].label, " MP3");
    EXPECT_EQ(dialog.availableFormats().size(), kCatalogueFormatCount - 3);

    // "<<" puts MP3 back between its neighbours; ">>" brings it back in the middle.
    dialog.setOutputSelection({1160, 1010});  // 1010 is not a member: ignored
    EXPECT_TRUE(dialog.canRemove());
    dialog.removeSelected();
    EXPECT_FALSE(dialog.canRemove());
    EXPECT_EQ(ids(dialog.outputFormats()), (std::vector<int32_t>{1090, 1200}));
    const auto back = ids(dialog.availableFormats());
    const auto mp3 = std::find(back.begin(), back.end(), 1160);
    ASSERT_NE(mp3, back.end());
    EXPECT_EQ(*(mp3 - 1), 1150);
    EXPECT_EQ(*(mp3 + 1), 1170);
    dialog.setAvailableSelection({1160});
    dialog.addSelected();

    ASSERT_FALSE(dialog.accept());
    ASSERT_EQ(dialog.groups().size(), 1u);
    EXPECT_EQ(dialog.groups()[0].ids, (std::vector<int32_t>{1090, 1160, 1200}));

    MemorySettingsStore store;
    ASSERT_TRUE(saveCustomFormats(store, dialog.groups()));
    const auto loaded = loadCustomFormats(store);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].name, "Lossless");
    EXPECT_EQ(loaded[0].ids, (std::vector<int32_t>{1090, 1160, 1200}));
}

TEST(CustomFormatsDialog, UnknownMembersAreLeftOutAndEmptyGroupsRefused) {
    const Catalogue catalogue;
    // As loaded from "1160,,1200," and from a store that names a format the catalogue no longer has.
    const std::vector<CustomOutputFormat> stored = {{"Mixed", {1200, 0, 1160, 1200}}, {"Gone", {1234}}};
    CustomFormatsDialog dialog(catalogue, stored);
    EXPECT_EQ(dialog.groupNames(), (std::vector<std::string>{"Mixed", "Gone"}));
    ASSERT_EQ(dialog.selectedGroup(), 0u);
    EXPECT_EQ(ids(dialog.outputFormats()), (std::vector<int32_t>{1160, 1200}));
    EXPECT_EQ(dialog.availableFormats().size(), kCatalogueFormatCount - 2);

    // "Gone" shows no formats, so OK names it and selects it.
    const auto refusal = dialog.accept();
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->message, "Please choose one output format at least for \"Gone\".");
    EXPECT_EQ(refusal->group, 1u);
    EXPECT_EQ(dialog.selectedGroup(), 1u);
    EXPECT_TRUE(dialog.outputFormats().empty());

    dialog.renameSelected("Renamed");
    dialog.selectGroup(0);
    dialog.setOutputSelection({1200});
    dialog.selectGroup(1);  // another group drops the selection
    dialog.selectGroup(0);
    EXPECT_FALSE(dialog.canRemove());
    dialog.selectGroup(1);
    dialog.removeSelectedGroup();
    EXPECT_FALSE(dialog.hasSelectedGroup());
    EXPECT_TRUE(dialog.outputFormats().empty());
    ASSERT_FALSE(dialog.accept());
    ASSERT_EQ(dialog.groups().size(), 1u);
    EXPECT_EQ(dialog.groups()[0].ids, (std::vector<int32_t>{1160, 1200}));

    // The caller's groups are untouched by all of it (what Cancel hands back).
    EXPECT_EQ(stored[0].ids, (std::vector<int32_t>{1200, 0, 1160, 1200}));
    EXPECT_EQ(stored[1].name, "Gone");
}

TEST(CustomFormatsDialog, NameInputRefusesOnlyEmptyText) {
    EXPECT_EQ(ui::nameInputRefusal("", ui::kNameNoun, false), "Please input a name.");
    EXPECT_FALSE(ui::nameInputRefusal("", ui::kNameNoun, true));
    EXPECT_FALSE(ui::nameInputRefusal("  ", ui::kNameNoun, false));  // blanks are a name
    EXPECT_FALSE(ui::nameInputRefusal("Phone", ui::kNameNoun, false));
}
