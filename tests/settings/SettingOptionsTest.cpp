#include <gtest/gtest.h>

#include "settings/MemorySettingsStore.h"
#include "settings/SettingOptions.h"
#include "settings/Settings.h"

namespace {

TEST(SettingOptions, TakesSettingOptionsAndKeepsTheRest) {
    struct Case {
        std::vector<std::string> args, rest;
        std::optional<int32_t> format;
        std::vector<std::pair<std::string, std::string>> sets;
    };
    const Case cases[] = {
        {{"a.wav", "--set", "X=1", "b.wav"}, {"a.wav", "b.wav"}, std::nullopt, {{"X", "1"}}},
        {{"--format", "1200", "--threads", "3"}, {"--threads", "3"}, 1200, {}},
        {{"--format=1160", "--format", "1010"}, {}, 1010, {}},
        {{"--set=Folder=C:\\a=b", "--set", "Y="}, {}, std::nullopt, {{"Folder", "C:\\a=b"}, {"Y", ""}}},
        {{"x", "--", "--set", "Z=1"}, {"x", "--", "--set", "Z=1"}, std::nullopt, {}}};
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        SettingOptions options;
        std::string error;
        ASSERT_TRUE(takeSettingOptions(args, options, &error)) << error;
        EXPECT_EQ(args, c.rest);
        EXPECT_EQ(options.formatId, c.format);
        EXPECT_EQ(options.sets, c.sets);
    }
    for (const char* badLine :
         {"--set", "--format", "--set NoEquals", "--set =v", "--format 12x", "--format="}) {
        std::vector<std::string> bad = split(badLine, " ");
        SettingOptions options;
        std::string error;
        EXPECT_FALSE(takeSettingOptions(bad, options, &error)) << badLine;
        EXPECT_FALSE(error.empty());
    }
}

TEST(SettingOptions, LoadsStoreThenOverridesThenFormat) {
    struct Case {
        std::optional<int32_t> formatId;
        std::vector<std::pair<std::string, std::string>> sets;
        int32_t expectedFormat;  // 0: none; -1: refused
        int32_t mp3BitRate;
    };
    const Case cases[] = {{std::nullopt, {{"MP3AudioBitRate", "192000"}}, 1200, 192000},  // the stored format
                          {1160, {{"OutputFormat", "21001"}}, 1160, 128000},
                          {std::nullopt, {{"OutputFormat", "21001"}}, 0, 128000},  // a custom group: none
                          {170, {}, -1, 0}};  // the internal intermediate format is not offered
    for (const Case& c : cases) {
        auto store = std::make_unique<MemorySettingsStore>();
        store->createKey("Software\\Melodrift 4\\Options")->writeDword("OutputFormat", 1200);
        store->createKey("Software\\Melodrift 4\\Options")->writeDword("MP3AudioBitRate", 128000);
        LoadedSettings loaded;
        std::string error;
        const SettingOptions options{c.formatId, c.sets};
        ASSERT_EQ(loadSettingsWithOptions(options, loaded, &error, std::move(store)), c.expectedFormat >= 0);
        if (c.expectedFormat < 0) {
            EXPECT_NE(error.find("170"), std::string::npos);
            continue;
        }
        EXPECT_EQ(loaded.format ? loaded.format->id : 0, c.expectedFormat);
        EXPECT_EQ(loaded.catalogue->findById(1160)->AudioBitRate, c.mp3BitRate);
    }
}

}  // namespace
