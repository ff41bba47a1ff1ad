#include <gtest/gtest.h>

#include <set>

#include "settings/MemorySettingsStore.h"
#include "settings/Settings.h"
#include "settings/StoreContract.h"

namespace {

const std::string kOptions = "Software\\Melodrift 4\\Options";

std::vector<std::string> valueNames(MemorySettingsStore& store, const std::string& path) {
    std::vector<std::string> names;
    auto& keys = store.contents().keys();
    for (const auto& [lower, key] : keys)
        if (key.path == path)
            for (const auto& v : key.values) names.push_back(v.name);
    return names;
}

// The table of settings with their defaults, written out independently of AppSettings' initialisers.
void expectDefaults(const AppSettings& s, const std::string& documents) {
    EXPECT_EQ(s.DVDFolder, "");
    EXPECT_EQ(s.Folder, "");
    EXPECT_EQ(s.LastAddFileDir, "");
    EXPECT_EQ(s.DestOutputFolderOpt, documents.empty() ? 199u : 399u);
    EXPECT_EQ(s.DestSpecifiedFolder, documents);
    EXPECT_EQ(s.CreateDirs, 0u);
    EXPECT_EQ(s.CreateFolderForEachSource, 0u);
    EXPECT_EQ(s.BrowseOutputFolder, 1u);
    EXPECT_EQ(s.OutputFiles2MyDocuments, 1u);
    EXPECT_EQ(s.TargetExistsOpt, 11u);
    EXPECT_EQ(s.KeepDateCreated, 0u);
    EXPECT_EQ(s.KeepDateModified, 0u);
    EXPECT_EQ(s.KeepID3Tag, 1u);
    EXPECT_EQ(s.FixAudioUnsync, 0u);
    EXPECT_EQ(s.NormalizeFile, 1u);
    EXPECT_EQ(s.EnableExtFilter, 0u);
    EXPECT_EQ(s.FilterExts, "");
    EXPECT_EQ(s.EnableSkipLength, 0u);
    EXPECT_EQ(s.SkipLength, 0u);
    EXPECT_EQ(s.EnableConvertLength, 0u);
    EXPECT_EQ(s.ConvertLength, 0u);
    EXPECT_EQ(s.EnableIgnoreTheLast, 0u);
    EXPECT_EQ(s.IgnoreLength, 0u);
    EXPECT_EQ(s.RequestAudioIndex, 1u);
    EXPECT_EQ(s.OutputFormat, 1160u);
    EXPECT_EQ(s.ConversionPriority, 32u);
    EXPECT_EQ(s.ConversionThreads, 2u);
    EXPECT_EQ(s.OptStartPageIndex, 0u);
    EXPECT_TRUE(s.filterExtensions.empty());
}

void expectSameFormats(const Catalogue& a, const Catalogue& b) {
    for (size_t i = 0; i < a.formats().size(); ++i) {
        const OutputFormat& x = *a.formats()[i];
        const OutputFormat& y = *b.formats()[i];
        SCOPED_TRACE(x.id);
        EXPECT_EQ(x.AudioCodec, y.AudioCodec);
        EXPECT_EQ(x.AudioBitRate, y.AudioBitRate);
        EXPECT_EQ(x.AudioVBRQuality, y.AudioVBRQuality);
        EXPECT_EQ(x.AudioVBREnabled, y.AudioVBREnabled);
        EXPECT_EQ(x.AudioCompressionLevel, y.AudioCompressionLevel);
        EXPECT_EQ(x.AudioSampleRate, y.AudioSampleRate);
        EXPECT_EQ(x.AudioChannels, y.AudioChannels);
        EXPECT_EQ(x.AudioVolume, y.AudioVolume);
    }
}

// Every field changed away from its default.
AppSettings changedSettings() {
    AppSettings s = defaultSettings("/docs");
    s.DVDFolder = "D:\\VIDEO_TS";
    s.Folder = "C:\\Music \xE6\x97\xA5";
    s.LastAddFileDir = "C:\\Last";
    s.DestOutputFolderOpt = 199;
    s.DestSpecifiedFolder = "E:\\Out";
    s.CreateDirs = 1;
    s.CreateFolderForEachSource = 1;
    s.BrowseOutputFolder = 0;
    s.OutputFiles2MyDocuments = 0;
    s.TargetExistsOpt = 33;
    s.KeepDateCreated = 1;
    s.KeepDateModified = 1;
    s.KeepID3Tag = 0;
    s.FixAudioUnsync = 1;
    s.NormalizeFile = 0;
    s.EnableExtFilter = 1;
    s.FilterExts = "mp3,WAV";
    s.EnableSkipLength = 1;
    s.SkipLength = 1500;
    s.EnableConvertLength = 1;
    s.ConvertLength = 60000;
    s.EnableIgnoreTheLast = 1;
    s.IgnoreLength = 2500;
    s.RequestAudioIndex = 3;
    s.OutputFormat = 1200;
    s.ConversionPriority = 16384;
    s.ConversionThreads = 8;
    s.OptStartPageIndex = 1;
    return s;
}

void changeFormats(Catalogue& c) {
    int32_t n = 0;
    for (const auto& f : c.formats()) {
        ++n;
        f->AudioCodec = f->codecs[codecCount(f->codecs) - 1]->transcoderName;
        f->AudioBitRate = 1000 * n;
        f->AudioVBRQuality = n % 11;
        f->AudioVBREnabled = n % 2;
        f->AudioCompressionLevel = n % 5;
        f->AudioSampleRate = 8000 + n;
        f->AudioChannels = n % 9;
        f->AudioVolume = 50 + n;
    }
    c.findById(1010)->AudioVBRQuality = -1;  // negative values survive as DWORDs
}

void expectEqualSettings(const AppSettings& a, const AppSettings& b) {
    EXPECT_EQ(a.DVDFolder, b.DVDFolder);
    EXPECT_EQ(a.Folder, b.Folder);
    EXPECT_EQ(a.LastAddFileDir, b.LastAddFileDir);
    EXPECT_EQ(a.DestOutputFolderOpt, b.DestOutputFolderOpt);
    EXPECT_EQ(a.DestSpecifiedFolder, b.DestSpecifiedFolder);
    EXPECT_EQ(a.CreateDirs, b.CreateDirs);
    EXPECT_EQ(a.CreateFolderForEachSource, b.CreateFolderForEachSource);
    EXPECT_EQ(a.BrowseOutputFolder, b.BrowseOutputFolder);
    EXPECT_EQ(a.OutputFiles2MyDocuments, b.OutputFiles2MyDocuments);
    EXPECT_EQ(a.TargetExistsOpt, b.TargetExistsOpt);
    EXPECT_EQ(a.KeepDateCreated, b.KeepDateCreated);
    EXPECT_EQ(a.KeepDateModified, b.KeepDateModified);
    EXPECT_EQ(a.KeepID3Tag, b.KeepID3Tag);
    EXPECT_EQ(a.FixAudioUnsync, b.FixAudioUnsync);
    EXPECT_EQ(a.NormalizeFile, b.NormalizeFile);
    EXPECT_EQ(a.EnableExtFilter, b.EnableExtFilter);
    EXPECT_EQ(a.FilterExts, b.FilterExts);
    EXPECT_EQ(a.EnableSkipLength, b.EnableSkipLength);
    EXPECT_EQ(a.SkipLength, b.SkipLength);
    EXPECT_EQ(a.EnableConvertLength, b.EnableConvertLength);
    EXPECT_EQ(a.ConvertLength, b.ConvertLength);
    EXPECT_EQ(a.EnableIgnoreTheLast, b.EnableIgnoreTheLast);
    EXPECT_EQ(a.IgnoreLength, b.IgnoreLength);
    EXPECT_EQ(a.RequestAudioIndex, b.RequestAudioIndex);
    EXPECT_EQ(a.OutputFormat, b.OutputFormat);
    EXPECT_EQ(a.ConversionPriority, b.ConversionPriority);
    EXPECT_EQ(a.ConversionThreads, b.ConversionThreads);
    EXPECT_EQ(a.OptStartPageIndex, b.OptStartPageIndex);
}

// ---- through every store ----

TEST_P(StoreContract, SettingsSurviveSaveAndLoad) {
    auto t = GetParam().make();
    const AppSettings saved = changedSettings();
    Catalogue savedCatalogue;
    changeFormats(savedCatalogue);
    ASSERT_TRUE(saveSettings(*t.store, saved, savedCatalogue, kSaveExitGroup | kSaveOptionsGroup));

    auto readBack = t.reopen ? t.reopen() : std::move(t.store);
    AppSettings loaded = defaultSettings("/docs");
    Catalogue loadedCatalogue;
    loadSettings(*readBack, loaded, loadedCatalogue);
    expectEqualSettings(loaded, saved);
    expectSameFormats(loadedCatalogue, savedCatalogue);
    EXPECT_EQ(loaded.filterExtensions, (std::vector<std::string>{"mp3", "wav"}));
    EXPECT_EQ(loadedCatalogue.findById(1010)->AudioVBRQuality, -1);
}

TEST_P(StoreContract, FirstRunMarkerIsTakenOnce) {
    auto t = GetParam().make();
    EXPECT_TRUE(takeFirstRun(*t.store));
    EXPECT_FALSE(takeFirstRun(*t.store));
    auto again = t.reopen ? t.reopen() : std::move(t.store);
    EXPECT_FALSE(takeFirstRun(*again));
}

TEST_P(StoreContract, HistoriesSurviveSaveAndLoad) {
    auto t = GetParam().make();
    HistoryList list;
    list.items = {"C:\\One", "", "D:\\Three"};
    ASSERT_TRUE(saveHistory(*t.store, list, kOutputFolderHistory));
    HistoryList loaded;
    ASSERT_TRUE(loadHistory(*t.store, loaded, kOutputFolderHistory));
    EXPECT_EQ(loaded.items, (std::vector<std::string>{"C:\\One"}));  // stops at the gap
    HistoryList other;
    EXPECT_FALSE(loadHistory(*t.store, other, kFilterExtsHistory));
}

// ---- defaults and load rules ----

TEST(Settings, DefaultsFollowTheDocumentsFolder) {
    expectDefaults(defaultSettings(""), "");
    expectDefaults(defaultSettings("/home/u/Documents"), "/home/u/Documents");
}

TEST(Settings, FirstStartKeepsEveryDefault) {
    MemorySettingsStore store;
    AppSettings s = defaultSettings("/home/u/Documents");
    Catalogue catalogue;
    loadSettings(store, s, catalogue);
    expectDefaults(s, "/home/u/Documents");
    expectSameFormats(catalogue, Catalogue());
    EXPECT_TRUE(takeFirstRun(store));
    EXPECT_FALSE(takeFirstRun(store));
}

TEST(Settings, UnavailableStoreReadsNothingAndStillOpensTheHelp) {
    MemorySettingsStore store;
    ASSERT_TRUE(store.createKey(kOptions)->writeDword("ConversionThreads", 9));
    store.setAvailable(false);
    AppSettings s = defaultSettings("");
    Catalogue catalogue;
    loadSettings(store, s, catalogue);
    EXPECT_EQ(s.ConversionThreads, 2u);
    EXPECT_TRUE(takeFirstRun(store));
    EXPECT_TRUE(takeFirstRun(store));
    EXPECT_FALSE(saveSettings(store, s, catalogue, kSaveExitGroup));
}

TEST(Settings, FirstRunMarkerValues) {
    struct Case {
        std::optional<uint32_t> stored;
        bool first;
    };
    const Case cases[] = {{std::nullopt, true}, {0u, false}, {1u, true}, {7u, true}};
    for (const Case& c : cases) {
        MemorySettingsStore store;
        if (c.stored) store.createKey(kOptions)->writeDword("FirstRun", *c.stored);
        EXPECT_EQ(takeFirstRun(store), c.first);
        uint32_t after = 99;
        EXPECT_TRUE(store.openKey(kOptions)->readDword("FirstRun", after));
        EXPECT_EQ(after, 0u);
    }
}

TEST(Settings, RetiredAacEncodersLoadAsAac) {
    MemorySettingsStore store;
    auto key = store.createKey(kOptions);
    key->writeString("MP3AudioCodec", "libvo_aacenc");
    key->writeString("M4AAudioCodec", "libfaac");
    key->writeString("AACAudioCodec", "libfdk_aac");  // not one of the two: kept
    AppSettings s = defaultSettings("");
    Catalogue c;
    loadSettings(store, s, c);
    EXPECT_EQ(c.findById(1160)->AudioCodec, "aac");
    EXPECT_EQ(findCodec(*c.findById(1160)), nullptr);
    EXPECT_EQ(c.findById(1100)->AudioCodec, "aac");
    EXPECT_EQ(findCodec(*c.findById(1100)), &codecs::kAac);
    EXPECT_EQ(c.findById(1010)->AudioCodec, "libfdk_aac");
    // The other two m4a formats keep theirs.
    EXPECT_EQ(c.findById(1020)->AudioCodec, "aac");
    EXPECT_EQ(c.findById(1050)->AudioCodec, "alac");
}

TEST(Settings, CodecValueSizesDecideWhetherItIsRead) {
    struct Case {
        uint32_t type;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {kValueString, "", "libmp3lame"},                           // 0 bytes: default stays
        {kValueString, "x", "libmp3lame"},                          // 1 byte: default stays
        {kValueString, std::string("\0\0", 2), ""},                 // empty string: read
        {kValueString, std::string("m\0p\0\x32\0\0\0", 8), "mp2"},  // read
        {kValueDword, std::string("\1\0\0\0", 4), "libmp3lame"},    // not a string
    };
    for (const Case& c : cases) {
        MemorySettingsStore store;
        store.createKey(kOptions)->writeRaw("MP3AudioCodec", c.type, c.bytes);
        AppSettings s = defaultSettings("");
        Catalogue catalogue;
        loadSettings(store, s, catalogue);
        EXPECT_EQ(catalogue.findById(1160)->AudioCodec, c.expected) << c.bytes.size();
    }
}

TEST(Settings, DamagedDwordsKeepTheirDefaults) {
    MemorySettingsStore store;
    auto key = store.createKey(kOptions);
    key->writeString("ConversionThreads", "8");
    key->writeRaw("OutputFormat", kValueDword, std::string("\x9c\x04", 2));
    key->writeRaw("TargetExistsOpt", 11 /* QWORD */, std::string("\x16\0\0\0\0\0\0\0", 8));
    key->writeRaw("MP3AudioBitRate", kValueBinary, std::string("\0\xee\x02\0", 4));
    key->writeRaw("MP3AudioVolume", kValueDword, std::string("\x96\0\0\0\0", 5));
    key->writeDword("MP3AudioSampleRate", 22050);  // a good one among them
    AppSettings s = defaultSettings("");
    Catalogue c;
    loadSettings(store, s, c);
    EXPECT_EQ(s.ConversionThreads, 2u);
    EXPECT_EQ(s.OutputFormat, 1160u);
    EXPECT_EQ(s.TargetExistsOpt, 11u);
    EXPECT_EQ(c.findById(1160)->AudioBitRate, 0);
    EXPECT_EQ(c.findById(1160)->AudioVolume, 100);
    EXPECT_EQ(c.findById(1160)->AudioSampleRate, 22050);
}

TEST(Settings, StringsAreTakenAsStoredAndWrongTypesIgnored) {
    MemorySettingsStore store;
    auto key = store.createKey(kOptions);
    key->writeString("DVDFolder", "");
    key->writeDword("Folder", 5);
    const std::string longPath = "C:\\" + std::string(400, 'x');  // longer than the old 260-character buffers
    key->writeString("DestSpecifiedFolder", longPath);
    AppSettings s = defaultSettings("/docs");
    s.DVDFolder = "before";
    s.Folder = "kept";
    Catalogue c;
    loadSettings(store, s, c);
    EXPECT_EQ(s.DVDFolder, "");
    EXPECT_EQ(s.Folder, "kept");
    EXPECT_EQ(s.DestSpecifiedFolder, longPath);
}

TEST(Settings, FilterExtensionList) {
    struct Case {
        uint32_t enabled;
        std::string exts;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {1, "MP3,,Wav", {"mp3", "wav"}},
        {0, "MP3,,Wav", {}},
        {1, "", {}},
        {1, ",,,", {}},
        {1, "flac", {"flac"}},
        {1, ",ogg,", {"ogg"}},
        {1, "m p3", {"m p3"}},            // pieces are not
                                          // trimmed
        {1, "\xC3\x84X", {"\xC3\x84x"}},  // only ASCII is lowered
    };
    for (const Case& c : cases) {
        MemorySettingsStore store;
        auto key = store.createKey(kOptions);
        key->writeDword("EnableExtFilter", c.enabled);
        key->writeString("FilterExts", c.exts);
        AppSettings s = defaultSettings("");
        Catalogue catalogue;
        loadSettings(store, s, catalogue);
        EXPECT_EQ(s.FilterExts, c.exts);
        EXPECT_EQ(s.filterExtensions, c.expected) << c.exts;
    }
}

TEST(Settings, ZeroSizeFilterExtsIsNotRead) {
    MemorySettingsStore store;
    auto key = store.createKey(kOptions);
    key->writeDword("EnableExtFilter", 1);
    key->writeRaw("FilterExts", kValueString, "");
    AppSettings s = defaultSettings("");
    s.FilterExts = "aac";
    Catalogue c;
    loadSettings(store, s, c);
    EXPECT_EQ(s.FilterExts, "aac");
    EXPECT_EQ(s.filterExtensions, (std::vector<std::string>{"aac"}));
}

// ---- save groups ----

TEST(Settings, SaveGroupsWriteTheirValuesInOrder) {
    const AppSettings s = changedSettings();
    const Catalogue c;
    {
        MemorySettingsStore store;
        EXPECT_TRUE(saveSettings(store, s, c, 0));
        EXPECT_EQ(store.openKey(kOptions), nullptr);
    }
    {
        MemorySettingsStore store;
        ASSERT_TRUE(saveSettings(store, s, c, kSaveExitGroup));
        EXPECT_EQ(valueNames(store, kOptions),
                  (std::vector<std::string>{"ConversionPriority", "ConversionThreads", "OutputFormat",
                                            "OptStartPageIndex", "LastAddFileDir", "Folder", "DVDFolder"}));
        EXPECT_EQ(store.commits(), 1);  // one write for the whole group
    }
    {
        MemorySettingsStore store;
        ASSERT_TRUE(saveSettings(store, s, c, kSaveOptionsGroup));
        const auto names = valueNames(store, kOptions);
        ASSERT_EQ(names.size(), 21u + 224u);
        const std::vector<std::string> head = {"DestOutputFolderOpt", "DestSpecifiedFolder",
                                               "CreateDirs",          "CreateFolderForEachSource",
                                               "BrowseOutputFolder",  "OutputFiles2MyDocuments",
                                               "TargetExistsOpt",     "KeepDateCreated",
                                               "KeepDateModified",    "KeepID3Tag",
                                               "FixAudioUnsync",      "NormalizeFile",
                                               "EnableExtFilter",     "FilterExts",
                                               "EnableSkipLength",    "SkipLength",
                                               "EnableConvertLength", "ConvertLength",
                                               "EnableIgnoreTheLast", "IgnoreLength",
                                               "RequestAudioIndex"};
        EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 21), head);
        EXPECT_EQ(std::vector<std::string>(names.begin() + 21, names.end()), perFormatValueNames(c));
        EXPECT_EQ(names[21], "AACAudioCodec");
        EXPECT_EQ(names[28], "AACAudioVolume");
        EXPECT_EQ(names[29], "AACDEVICEAudioCodec");
        EXPECT_EQ(names.back(), "WVAudioVolume");
    }
}

TEST(Settings, StringsAreSavedWithTheirNull) {
    MemorySettingsStore store;
    AppSettings s = defaultSettings("");
    s.Folder = "abc";
    ASSERT_TRUE(saveSettings(store, s, Catalogue(), kSaveExitGroup));
    auto key = store.openKey(kOptions);
    EXPECT_EQ(key->query("Folder")->size, 8u);
    EXPECT_EQ(key->query("DVDFolder")->size, 2u);
    EXPECT_EQ(key->query("ConversionThreads")->size, 4u);
    EXPECT_EQ(key->query("ConversionThreads")->type, kValueDword);
}

TEST(Settings, PerFormatValueNames) {
    const Catalogue c;
    const auto names = perFormatValueNames(c);
    ASSERT_EQ(names.size(), 224u);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 224u);
    for (const char* expected :
         {"MP3AudioCodec", "MP3AudioBitRate", "AACDEVICEAudioBitRate", "ALACAudioCompressionLevel",
          "FLVAUDIOAudioVBREnabled", "M4AAudioSampleRate", "WAVAudioChannels", "WVAudioVolume"})
        EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;
}

// ---- split ----

TEST(Split, NonEmptyPieces) {
    struct Case {
        std::string text, separator;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"a,b,c", ",", {"a", "b", "c"}},
        {",,a,,b,", ",", {"a", "b"}},
        {"", ",", {}},
        {",", ",", {}},
        {"abc", "", {}},
        {"abc", ",", {"abc"}},
        {"a\xE6\x97\xA5"
         "b",
         "\xE6\x97\xA5",
         {"a", "b"}},
        {"x--y----z", "--", {"x", "y", "z"}},
    };
    for (const Case& c : cases) EXPECT_EQ(split(c.text, c.separator), c.expected) << c.text;
}

// ---- histories ----

TEST(History, LoadStopsAtTheFirstGapOrShortValue) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> values;  // name, text
        std::vector<std::string> expected;
    };
    std::vector<std::pair<std::string, std::string>> many;
    std::vector<std::string> thirty;
    for (int i = 0; i <= 34; ++i) {
        many.emplace_back(std::to_string(i), "item" + std::to_string(i));
        if (i < 30) thirty.push_back("item" + std::to_string(i));
    }
    const Case cases[] = {
        {{{"0", "a"}, {"1", "b"}, {"3", "d"}}, {"a", "b"}},
        {many, thirty},
        {{{"0", "a"}, {"1", ""}, {"2", "c"}}, {"a"}},  // an empty string is 2 bytes: too short
        {{{"1", "b"}}, {}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        MemorySettingsStore store;
        auto key = store.createKey("Software\\Melodrift 4\\OutputFolder");
        for (const auto& [name, text] : c.values) key->writeString(name, text);
        HistoryList list;
        list.items = {"old"};
        list.editText = "typed";
        list.selected = 0;
        EXPECT_TRUE(loadHistory(store, list, kOutputFolderHistory));
        EXPECT_EQ(list.items, c.expected);
        EXPECT_EQ(list.selected, -1);
    }
}

TEST(History, OddValuesAreSkippedOrEndTheList) {
    MemorySettingsStore store;
    auto key = store.createKey("Software\\Melodrift 4\\FilterExts");
    key->writeString("0", "mp3");
    key->writeDword("1", 5);                                      // 4 bytes, not a string: skipped
    key->writeRaw("2", kValueString, std::string("w\0a\0v", 5));  // odd size, read as "wa"
    key->writeRaw("3", kValueString, std::string("x\0", 2));      // 2 bytes: the end
    key->writeString("4", "never");
    HistoryList list;
    EXPECT_TRUE(loadHistory(store, list, kFilterExtsHistory));
    EXPECT_EQ(list.items, (std::vector<std::string>{"mp3", "wa"}));
}

TEST(History, SaveReplacesTheKeyAndLeavesGapsForEmptyItems) {
    MemorySettingsStore store;
    store.createKey("Software\\Melodrift 4\\OutputFolder")->writeString("7", "stale");
    HistoryList list;
    list.items = {"a", "", "c"};
    ASSERT_TRUE(saveHistory(store, list, kOutputFolderHistory));
    EXPECT_EQ(valueNames(store, "Software\\Melodrift 4\\OutputFolder"), (std::vector<std::string>{"0", "2"}));
}

TEST(History, PushRules) {
    const std::string path = "Software\\Melodrift 4\\OutputFolder";
    auto stored = [&](MemorySettingsStore& store) {
        HistoryList l;
        loadHistory(store, l, kOutputFolderHistory);
        return l.items;
    };
    {  // empty text: nothing
        MemorySettingsStore store;
        HistoryList list{{"a"}, "", -1};
        pushHistory(store, list, kOutputFolderHistory);
        EXPECT_EQ(list.items, (std::vector<std::string>{"a"}));
        EXPECT_EQ(store.commits(), 0);
    }
    {  // already first: the store is untouched
        MemorySettingsStore store;
        HistoryList list{{"a", "b", "c"}, "a", -1};
        saveHistory(store, list, kOutputFolderHistory);
        const int before = store.commits();
        pushHistory(store, list, kOutputFolderHistory);
        EXPECT_EQ(store.commits(), before);
        EXPECT_EQ(list.items, (std::vector<std::string>{"a", "b", "c"}));
    }
    {  // third moves to the top; all values rewritten
        MemorySettingsStore store;
        HistoryList list{{"a", "b", "c"}, "c", -1};
        saveHistory(store, list, kOutputFolderHistory);
        pushHistory(store, list, kOutputFolderHistory);
        EXPECT_EQ(list.items, (std::vector<std::string>{"c", "a", "b"}));
        EXPECT_EQ(list.selected, 0);
        EXPECT_EQ(stored(store), (std::vector<std::string>{"c", "a", "b"}));
    }
    {  // a new text goes on top; the comparison is case-sensitive
        MemorySettingsStore store;
        HistoryList list{{"a", "B"}, "b", -1};
        pushHistory(store, list, kOutputFolderHistory);
        EXPECT_EQ(list.items, (std::vector<std::string>{"b", "a", "B"}));
        EXPECT_EQ(stored(store), (std::vector<std::string>{"b", "a", "B"}));
    }
    {  // a text listed twice further down ends up once
        MemorySettingsStore store;
        HistoryList list{{"a", "x", "b", "x"}, "x", -1};
        pushHistory(store, list, kOutputFolderHistory);
        EXPECT_EQ(list.items, (std::vector<std::string>{"x", "a", "b"}));
    }
}

// ---- --set overrides ----

TEST(ApplySetting, AcceptsEveryStoredName) {
    const char* names[] = {"DVDFolder",
                           "Folder",
                           "LastAddFileDir",
                           "DestOutputFolderOpt",
                           "DestSpecifiedFolder",
                           "CreateDirs",
                           "CreateFolderForEachSource",
                           "BrowseOutputFolder",
                           "OutputFiles2MyDocuments",
                           "TargetExistsOpt",
                           "KeepDateCreated",
                           "KeepDateModified",
                           "KeepID3Tag",
                           "FixAudioUnsync",
                           "NormalizeFile",
                           "EnableExtFilter",
                           "FilterExts",
                           "EnableSkipLength",
                           "SkipLength",
                           "EnableConvertLength",
                           "ConvertLength",
                           "EnableIgnoreTheLast",
                           "IgnoreLength",
                           "RequestAudioIndex",
                           "OutputFormat",
                           "ConversionPriority",
                           "ConversionThreads",
                           "OptStartPageIndex"};
    AppSettings s = defaultSettings("");
    Catalogue c;
    for (const char* name : names) {
        std::string error;
        EXPECT_TRUE(applySetting(s, c, name, "1", &error)) << name << ": " << error;
    }
    for (const auto& name : perFormatValueNames(c)) {
        std::string error;
        EXPECT_TRUE(applySetting(s, c, name, "2", &error)) << name << ": " << error;
    }
    EXPECT_EQ(c.findById(1220)->AudioVolume, 2);
    EXPECT_EQ(c.findById(1160)->AudioCodec, "2");
}

TEST(ApplySetting, ValuesAndErrors) {
    AppSettings s = defaultSettings("");
    Catalogue c;
    std::string error;
    EXPECT_TRUE(applySetting(s, c, "MP3AudioBitRate", "192000", &error));
    EXPECT_EQ(c.findById(1160)->AudioBitRate, 192000);
    EXPECT_TRUE(applySetting(s, c, "mp3audiocodec", "libmp3lame", &error));
    EXPECT_EQ(c.findById(1160)->AudioCodec, "libmp3lame");
    EXPECT_TRUE(applySetting(s, c, "AACDEVICEAudioBitRate", "128000", &error));
    EXPECT_EQ(c.findById(1020)->AudioBitRate, 128000);
    EXPECT_EQ(c.findById(1100)->AudioBitRate, 0);
    EXPECT_TRUE(applySetting(s, c, "WAVAudioVBRQuality", "-1", &error));
    EXPECT_EQ(c.findById(1200)->AudioVBRQuality, -1);
    EXPECT_TRUE(applySetting(s, c, "WAVAudioVolume", "4294967295", &error));
    EXPECT_EQ(c.findById(1200)->AudioVolume, -1);
    EXPECT_TRUE(applySetting(s, c, "ConversionThreads", "+4", &error));
    EXPECT_EQ(s.ConversionThreads, 4u);
    EXPECT_TRUE(applySetting(s, c, "Folder", "C:\\x=y", &error));
    EXPECT_EQ(s.Folder, "C:\\x=y");
    EXPECT_TRUE(applySetting(s, c, "FilterExts", "MP3,Ogg", &error));
    EXPECT_TRUE(s.filterExtensions.empty());  // filter still off
    EXPECT_TRUE(applySetting(s, c, "EnableExtFilter", "1", &error));
    EXPECT_EQ(s.filterExtensions, (std::vector<std::string>{"mp3", "ogg"}));

    struct Bad {
        const char* name;
        const char* value;
    };
    const Bad bad[] = {{"NoSuchThing", "1"},
                       {"ConversionThreads", "two"},
                       {"ConversionThreads", ""},
                       {"ConversionThreads", "-1"},
                       {"ConversionThreads", "4294967296"},
                       {"MP3AudioBitRate", "12k"},
                       {"MP3AudioBitRate", "-2147483649"},
                       {"MP3AudioNothing", "1"},
                       {"MP3", "1"},
                       {"XYZAudioBitRate", "1"},
                       {"", "1"}};
    for (const Bad& b : bad) {
        error.clear();
        EXPECT_FALSE(applySetting(s, c, b.name, b.value, &error)) << b.name << "=" << b.value;
        EXPECT_FALSE(error.empty()) << b.name;
    }
    EXPECT_EQ(s.ConversionThreads, 4u);
    EXPECT_EQ(c.findById(1160)->AudioBitRate, 192000);
}

}  // namespace
