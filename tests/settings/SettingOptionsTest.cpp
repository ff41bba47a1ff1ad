#include <gtest/gtest.h>

#include "settings/MemorySettingsStore.h"
#include "settings/SettingOptions.h"

namespace {

TEST(SettingOptions, TakesSettingOptionsAndKeepsTheRest) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> rest;
        std::optional<int32_t> format;
        std::vector<std::pair<std::string, std::string>> sets;
    };
    const Case cases[] = {
        {{"a.wav", "--set", "X=1", "b.wav"}, {"a.wav", "b.wav"}, std::nullopt, {{"X", "1"}}},
        {{"--format", "1200", "--threads", "3", "s"}, {"--threads", "3", "s"}, 1200, {}},
        {{"--format=1160", "--format", "1010"}, {}, 1010, {}},
        {{"--set=Folder=C:\\a=b", "--set", "Y="}, {}, std::nullopt, {{"Folder", "C:\\a=b"}, {"Y", ""}}},
        {{"x", "--", "--set", "Z=1"}, {"x", "--", "--set", "Z=1"}, std::nullopt, {}},
        {{}, {}, std::nullopt, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        SettingOptions options;
        std::string error;
        ASSERT_TRUE(takeSettingOptions(args, options, &error)) << error;
        EXPECT_EQ(args, c.rest);
        EXPECT_EQ(options.formatId, c.format);
        EXPECT_EQ(options.sets, c.sets);
    }
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{{"--set"},
                                                                                     {"--format"},
                                                                                     {"--set", "NoEquals"},
                                                                                     {"--set", "=v"},
                                                                                     {"--format", "12x"},
                                                                                     {"--format="}}) {
        std::vector<std::string> args = bad;
        SettingOptions options;
        std::string error;
        EXPECT_FALSE(takeSettingOptions(args, options, &error)) << bad.back();
        EXPECT_FALSE(error.empty());
    }
}

TEST(SettingOptions, LoadsStoreThenOverridesThenFormat) {
    auto store = std::make_unique<MemorySettingsStore>();
    auto key = store->createKey("Software\\Melodrift 4\\Options");
    key->writeDword("OutputFormat", 1200);
    key->writeDword("MP3AudioBitRate", 128000);
    key.reset();
    {
        LoadedSettings loaded;
        std::string error;
        SettingOptions options;
        options.sets = {{"MP3AudioBitRate", "192000"}};
        ASSERT_TRUE(loadSettingsWithOptions(options, loaded, &error, std::move(store)));
        EXPECT_EQ(loaded.settings.OutputFormat, 1200u);
        ASSERT_NE(loaded.format, nullptr);
        EXPECT_EQ(loaded.format->id, 1200);
        EXPECT_EQ(loaded.catalogue->findById(1160)->AudioBitRate, 192000);
    }
    {
        LoadedSettings loaded;
        std::string error;
        SettingOptions options;
        options.formatId = 1160;
        options.sets = {{"OutputFormat", "21001"}};
        ASSERT_TRUE(
            loadSettingsWithOptions(options, loaded, &error, std::make_unique<MemorySettingsStore>()));
        EXPECT_EQ(loaded.format->id, 1160);
    }
    {
        LoadedSettings loaded;
        std::string error;
        SettingOptions options;
        options.sets = {{"OutputFormat", "21001"}};  // a custom group: no catalogue format
        ASSERT_TRUE(
            loadSettingsWithOptions(options, loaded, &error, std::make_unique<MemorySettingsStore>()));
        EXPECT_EQ(loaded.format, nullptr);
    }
    {
        LoadedSettings loaded;
        std::string error;
        SettingOptions options;
        options.formatId = 170;  // the internal intermediate format is not offered
        EXPECT_FALSE(
            loadSettingsWithOptions(options, loaded, &error, std::make_unique<MemorySettingsStore>()));
        EXPECT_NE(error.find("170"), std::string::npos);
    }
}

}  // namespace
