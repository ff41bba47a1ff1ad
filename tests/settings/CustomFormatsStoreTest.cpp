// Custom format groups as stored: what loads, what is dropped, and a round trip.
#include <gtest/gtest.h>

#include <map>

#include "platform/MemorySettingsStore.h"
#include "settings/CustomFormatsStore.h"
#include "settings/Settings.h"

namespace {

using Groups = std::vector<std::pair<std::string, std::vector<int32_t>>>;

Groups loaded(SettingsStore& store) {
    Groups out;
    for (const auto& g : loadCustomFormats(store)) out.emplace_back(g.name, g.ids);
    return out;
}

TEST(CustomFormats, LoadStopsAtAMissingNameAndDropsGroupsWithoutIds) {
    const std::pair<std::map<std::string, std::string>, Groups> cases[] = {
        {{{"COF1Name", "A"},
          {"COF1FIDs", "1160,1200,"},
          {"COF2Name", "B"},
          {"COF2FIDs", "1160,,1200,"},
          {"COF4Name", "D"},
          {"COF4FIDs", "1010,"}},
         {{"A", {1160, 1200}}, {"B", {1160, 0, 1200}}}},
        {{{"COF1Name", "no ids"},
          {"COF2Name", "empty ids"},
          {"COF2FIDs", ""},
          {"COF3Name", "C"},
          {"COF3FIDs", " -5, +7"},
          {"COF4Name", ""},
          {"COF5Name", "E"},
          {"COF5FIDs", "1010,"}},
         {{"C", {-5, 7}}}},
    };
    for (const auto& [values, expected] : cases) {
        MemorySettingsStore store;
        const auto key = store.createKey(kCustomFormatsKey);
        for (const auto& [name, text] : values) ASSERT_TRUE(key->writeString(name, text));
        EXPECT_EQ(loaded(store), expected);
    }
    MemorySettingsStore empty;
    EXPECT_TRUE(loadCustomFormats(empty).empty());
}

TEST(CustomFormats, SaveReplacesTheStoredGroupsInOrderAndPositionsNameThem) {
    MemorySettingsStore store;
    ASSERT_TRUE(saveCustomFormats(store, {{"x", {1}}, {"y", {2}}, {"z", {3}}}));
    const std::vector<CustomOutputFormat> groups = {{"Z", {1200, 1160}}, {"A", {1010}}};
    ASSERT_TRUE(saveCustomFormats(store, groups));
    const auto key = store.openKey(kCustomFormatsKey);
    EXPECT_EQ(std::tuple(key->readString("COF1FIDs"), key->readString("COF2FIDs"), key->query("COF3Name")),
              std::tuple("1200,1160,", "1010,", std::nullopt));
    EXPECT_EQ(loaded(store), (Groups{{"Z", {1200, 1160}}, {"A", {1010}}}));
    EXPECT_EQ(std::tuple(customFormatForId(groups, 21001), customFormatForId(groups, 21002),
                         customFormatForId(groups, 21003), customFormatForId(groups, 21000)),
              std::tuple(&groups[0], &groups[1], nullptr, nullptr));
    store.setAvailable(false);
    EXPECT_FALSE(saveCustomFormats(store, groups));
}

}  // namespace
