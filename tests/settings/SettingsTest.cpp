#include <gtest/gtest.h>

#include "platform/MemorySettingsStore.h"
#include "platform/StoreContract.h"
#include "settings/Settings.h"

namespace {

using namespace std::string_literals;

const std::string kOptions(kOptionsKey);
using Strings = std::vector<std::string>;

Strings valueNames(MemorySettingsStore& store, const std::string& path) {
    Strings names;
    SettingsTree tree = store.contents();
    for (const auto& v : tree.findKey(path)->values) names.push_back(v.name);
    return names;
}

// Everything saveSettings stores, as text: compares whole settings and catalogues at once.
std::string storedText(const AppSettings& s, const Catalogue& c) {
    MemorySettingsStore store;
    EXPECT_TRUE(saveSettings(store, s, c, kSaveExitGroup | kSaveOptionsGroup));
    return store.contents().serialize();
}

// Applies "Name=value" as --set does.
bool set(AppSettings& s, Catalogue& c, const std::string& nameValue) {
    const size_t eq = nameValue.find('=');
    return applySetting(s, c, nameValue.substr(0, eq), nameValue.substr(eq + 1)).ok();
}

// The value name must reach the field that field(settings, catalogue) gives: through --set, and through a
// save whose value, alone in a store, is loaded again.
template <typename Field>
void expectNameFillsField(const std::string& name, Field field) {
    AppSettings applied = defaultSettings(""), saved = applied, loaded = applied;
    Catalogue appliedCatalogue, savedCatalogue, loadedCatalogue;
    using T = std::remove_reference_t<decltype(field(saved, savedCatalogue))>;
    T value{};  // 4321, a value no field has by default
    if constexpr (std::is_same_v<T, std::string>)
        value = "4321";
    else
        value = 4321;
    ASSERT_TRUE(set(applied, appliedCatalogue, name + "=4321")) << name;
    EXPECT_EQ(field(applied, appliedCatalogue), value) << name << " through --set";
    field(saved, savedCatalogue) = value;
    MemorySettingsStore store, alone;
    ASSERT_TRUE(saveSettings(store, saved, savedCatalogue, kSaveExitGroup | kSaveOptionsGroup));
    const auto stored = store.openKey(kOptions)->readRaw(name);
    ASSERT_TRUE(stored) << name;
    alone.createKey(kOptions)->writeRaw(name, stored->type, stored->bytes);
    loadSettings(alone, loaded, loadedCatalogue);
    EXPECT_EQ(field(loaded, loadedCatalogue), value) << name << " saved and loaded";
}

// Each value name with its field, written out here: two swapped fields in the program's tables fail, which
// a round trip of all settings at once cannot see.
TEST(Settings, EachValueNameFillsItsOwnField) {
    using A = AppSettings;
    using F = OutputFormat;
    // clang-format off
    const std::pair<const char*, uint32_t A::*> numbers[] = {
        {"DestOutputFolderOpt", &A::DestOutputFolderOpt}, {"CreateDirs", &A::CreateDirs},
        {"CreateFolderForEachSource", &A::CreateFolderForEachSource}, {"BrowseOutputFolder", &A::BrowseOutputFolder},
        {"OutputFiles2MyDocuments", &A::OutputFiles2MyDocuments}, {"TargetExistsOpt", &A::TargetExistsOpt},
        {"KeepDateCreated", &A::KeepDateCreated}, {"KeepDateModified", &A::KeepDateModified},
        {"KeepID3Tag", &A::KeepID3Tag}, {"FixAudioUnsync", &A::FixAudioUnsync},
        {"NormalizeFile", &A::NormalizeFile}, {"EnableExtFilter", &A::EnableExtFilter},
        {"EnableSkipLength", &A::EnableSkipLength}, {"SkipLength", &A::SkipLength},
        {"EnableConvertLength", &A::EnableConvertLength}, {"ConvertLength", &A::ConvertLength},
        {"EnableIgnoreTheLast", &A::EnableIgnoreTheLast}, {"IgnoreLength", &A::IgnoreLength},
        {"RequestAudioIndex", &A::RequestAudioIndex}, {"OutputFormat", &A::OutputFormat},
        {"ConversionPriority", &A::ConversionPriority}, {"ConversionThreads", &A::ConversionThreads},
        {"OptStartPageIndex", &A::OptStartPageIndex}, {"VerifyOutputs", &A::VerifyOutputs},
        {"TranscoderStallSeconds", &A::TranscoderStallSeconds}, {"WriteID3v1", &A::WriteID3v1},
        {"CoverFromFolder", &A::CoverFromFolder}};
    const std::pair<const char*, std::string A::*> texts[] = {
        {"DVDFolder", &A::DVDFolder}, {"Folder", &A::Folder}, {"LastAddFileDir", &A::LastAddFileDir},
        {"DestSpecifiedFolder", &A::DestSpecifiedFolder}, {"FilterExts", &A::FilterExts},
        {"ListColumns", &A::ListColumns}};
    const std::pair<const char*, int32_t F::*> perFormat[] = {
        {"MP3AudioBitRate", &F::AudioBitRate}, {"MP3AudioVBRQuality", &F::AudioVBRQuality},
        {"MP3AudioVBREnabled", &F::AudioVBREnabled}, {"MP3AudioCompressionLevel", &F::AudioCompressionLevel},
        {"MP3AudioSampleRate", &F::AudioSampleRate}, {"MP3AudioChannels", &F::AudioChannels},
        {"MP3AudioVolume", &F::AudioVolume}};
    // clang-format on
    for (const auto& [name, f] : numbers)
        expectNameFillsField(name, [f](A& s, Catalogue&) -> uint32_t& { return s.*f; });
    for (const auto& [name, f] : texts)
        expectNameFillsField(name, [f](A& s, Catalogue&) -> std::string& { return s.*f; });
    for (const auto& [name, f] : perFormat)
        expectNameFillsField(name, [f](A&, Catalogue& c) -> int32_t& { return c.findById(1160)->*f; });
    expectNameFillsField("MP3AudioCodec",
                         [](A&, Catalogue& c) -> std::string& { return c.findById(1160)->AudioCodec; });
}

TEST_P(StoreContract, SettingsSurviveSaveAndLoad) {
    auto t = GetParam().make();
    AppSettings saved = defaultSettings("/docs");
    Catalogue savedCatalogue;
    for (const auto& nameValue : {"FilterExts=mp3,WAV", "EnableExtFilter=1", "MP3AudioBitRate=192000",
                                  "AACAudioVBRQuality=-1" /* negative values survive as DWORDs */})
        ASSERT_TRUE(set(saved, savedCatalogue, nameValue)) << nameValue;
    ASSERT_TRUE(saveSettings(*t.store, saved, savedCatalogue, kSaveExitGroup | kSaveOptionsGroup));

    auto readBack = t.reopen ? t.reopen() : std::move(t.store);
    AppSettings loaded = defaultSettings("/docs");
    Catalogue loadedCatalogue;
    loadSettings(*readBack, loaded, loadedCatalogue);
    EXPECT_EQ(storedText(loaded, loadedCatalogue), storedText(saved, savedCatalogue));
    EXPECT_EQ(loaded.filterExtensions, (Strings{"mp3", "wav"}));
}

TEST_P(StoreContract, FirstRunMarkerAndHistoriesPersist) {
    auto t = GetParam().make();
    EXPECT_TRUE(takeFirstRun(*t.store));
    EXPECT_FALSE(takeFirstRun(*t.store));
    ASSERT_TRUE(
        saveHistory(*t.store, HistoryList{{"C:\\One", "", "D:\\Three"}, "", -1}, kOutputFolderHistory));
    auto again = t.reopen ? t.reopen() : std::move(t.store);
    EXPECT_FALSE(takeFirstRun(*again));
    HistoryList loaded;
    ASSERT_TRUE(loadHistory(*again, loaded, kOutputFolderHistory));
    EXPECT_EQ(loaded.items, (Strings{"C:\\One"}));  // stops at the gap
    EXPECT_FALSE(loadHistory(*again, loaded, kFilterExtsHistory));
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreContract, testing::ValuesIn(allStoreKinds()), storeKindName);

TEST(Settings, FirstStartFirstRunMarkerAndUnavailableStore) {
    for (const std::string docs : {"", "/home/u/Documents"}) {
        MemorySettingsStore empty;
        AppSettings s = defaultSettings(docs);
        Catalogue catalogue;
        loadSettings(empty, s, catalogue);
        EXPECT_EQ(std::tuple(s.DestOutputFolderOpt, s.DestSpecifiedFolder),
                  std::tuple(docs.empty() ? 199u : 399u, docs));
    }
    MemorySettingsStore store;
    ASSERT_TRUE(store.createKey(kOptions)->writeDword("ConversionThreads", 9));
    store.setAvailable(false);
    AppSettings s = defaultSettings("");
    Catalogue catalogue;
    loadSettings(store, s, catalogue);
    EXPECT_EQ(s.ConversionThreads, 2u);
    EXPECT_TRUE(takeFirstRun(store) && takeFirstRun(store));  // the help still opens
    EXPECT_FALSE(saveSettings(store, s, catalogue, kSaveExitGroup));
}

// What a stored value loads as: the value --set would give, or none for the default.
TEST(Settings, StoredValuesLoadOrKeepTheDefault) {
    const std::string longPath = "C:\\" + std::string(400, 'x');  // beyond the old 260-character buffers
    const auto sz = encodeStringValue;
    const std::tuple<const char*, uint32_t, std::string, const char*> cases[] = {
        {"MP3AudioCodec", kValueString, sz("libvo_aacenc"), "aac"},
        {"MP3AudioCodec", kValueString, "x", nullptr},  // too short
        {"ConversionThreads", kValueString, sz("8"), nullptr},
        {"OutputFormat", kValueDword, "\x9c\x04"s, nullptr},
        {"MP3AudioBitRate", kValueBinary, "\0\xee\x02\0"s, nullptr},
        {"DestSpecifiedFolder", kValueString, sz(longPath), longPath.c_str()}};
    for (const auto& [name, type, bytes, expected] : cases) {
        MemorySettingsStore store;
        store.createKey(kOptions)->writeRaw(name, type, bytes);
        AppSettings loaded = defaultSettings("/docs"), wanted = defaultSettings("/docs");
        Catalogue loadedCatalogue, wantedCatalogue;
        loadSettings(store, loaded, loadedCatalogue);
        ASSERT_TRUE(!expected || set(wanted, wantedCatalogue, std::string(name) + "=" + expected));
        EXPECT_EQ(storedText(loaded, loadedCatalogue), storedText(wanted, wantedCatalogue))
            << name << " " << bytes.size();
    }
}

// The exit group in one write, in the stored order; the options group: 26 general values (the last five
// those of the output checks, the name pattern and the tags), then per format.
TEST(Settings, SaveGroupsHoldTheirOwnValues) {
    const Catalogue c;
    MemorySettingsStore exitGroup, options;
    ASSERT_TRUE(saveSettings(exitGroup, defaultSettings(""), c, kSaveExitGroup));
    EXPECT_EQ(valueNames(exitGroup, kOptions),
              (Strings{"ConversionPriority", "ConversionThreads", "OutputFormat", "OptStartPageIndex",
                       "LastAddFileDir", "Folder", "DVDFolder", "ListColumns"}));
    EXPECT_EQ(exitGroup.commits(), 1);
    ASSERT_TRUE(saveSettings(options, defaultSettings(""), c, kSaveOptionsGroup));
    const Strings names = valueNames(options, kOptions);
    ASSERT_EQ(names.size(), 30u + perFormatValueNames(c).size());
    EXPECT_EQ(Strings(names.begin() + 21, names.begin() + 30),
              (Strings{"VerifyOutputs", "TranscoderStallSeconds", "OutputNamePattern", "WriteID3v1",
                       "CoverFromFolder", "LoudnessMode", "LoudnessTarget", "TruePeakCeiling",
                       "AlbumGainByFolder"}));
    EXPECT_EQ(Strings(names.begin() + 30, names.end()), perFormatValueNames(c));
}

// A pushed text goes first, once; nothing to push leaves the store unwritten.
TEST(History, PushRules) {
    const std::tuple<Strings, std::string, Strings> cases[] = {
        {{"a", "b", "c"}, "a", {"a", "b", "c"}},
        {{"a", "B"}, "b", {"b", "a", "B"}} /* case-sensitive */,
        {{"a", "x", "b", "x"}, "x", {"x", "a", "b"}}};
    for (const auto& [items, text, expected] : cases) {
        MemorySettingsStore store;
        HistoryList list{items, text, -1};
        ASSERT_TRUE(saveHistory(store, list, kOutputFolderHistory));
        const int before = store.commits();
        pushHistory(store, list, kOutputFolderHistory);
        const bool untouched = text.empty() || items[0] == text;  // nothing to do: the store is not written
        HistoryList stored;
        loadHistory(store, stored, kOutputFolderHistory);
        EXPECT_EQ(std::tuple(list.items, stored.items, list.selected, store.commits() == before),
                  std::tuple(expected, expected, untouched ? -1 : 0, untouched))
            << text;
    }
}

}  // namespace
