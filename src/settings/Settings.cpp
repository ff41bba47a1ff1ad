#include "settings/Settings.h"

#include <charconv>
#include <limits>

#include "platform/KnownFolders.h"
#include "platform/Text.h"

namespace {

struct DwordField {
    const char* name;
    uint32_t AppSettings::*field;
};
struct StringField {
    const char* name;
    std::string AppSettings::*field;
};
struct FormatField {
    const char* suffix;
    int32_t OutputFormat::*field;
};

// clang-format off
constexpr DwordField kDwordFields[] = {
    {"DestOutputFolderOpt", &AppSettings::DestOutputFolderOpt},
    {"CreateDirs", &AppSettings::CreateDirs},
    {"CreateFolderForEachSource", &AppSettings::CreateFolderForEachSource},
    {"BrowseOutputFolder", &AppSettings::BrowseOutputFolder},
    {"OutputFiles2MyDocuments", &AppSettings::OutputFiles2MyDocuments},
    {"TargetExistsOpt", &AppSettings::TargetExistsOpt},
    {"KeepDateCreated", &AppSettings::KeepDateCreated},
    {"KeepDateModified", &AppSettings::KeepDateModified},
    {"KeepID3Tag", &AppSettings::KeepID3Tag},
    {"WriteID3v1", &AppSettings::WriteID3v1},
    {"CoverFromFolder", &AppSettings::CoverFromFolder},
    {"FixAudioUnsync", &AppSettings::FixAudioUnsync},
    {"NormalizeFile", &AppSettings::NormalizeFile},
    {"EnableExtFilter", &AppSettings::EnableExtFilter},
    {"EnableSkipLength", &AppSettings::EnableSkipLength},
    {"SkipLength", &AppSettings::SkipLength},
    {"EnableConvertLength", &AppSettings::EnableConvertLength},
    {"ConvertLength", &AppSettings::ConvertLength},
    {"EnableIgnoreTheLast", &AppSettings::EnableIgnoreTheLast},
    {"IgnoreLength", &AppSettings::IgnoreLength},
    {"RequestAudioIndex", &AppSettings::RequestAudioIndex},
    {"VerifyOutputs", &AppSettings::VerifyOutputs},
    {"TranscoderStallSeconds", &AppSettings::TranscoderStallSeconds},
    {"LoudnessMode", &AppSettings::LoudnessMode},
    {"LoudnessTarget", &AppSettings::LoudnessTarget},
    {"TruePeakCeiling", &AppSettings::TruePeakCeiling},
    {"AlbumGainByFolder", &AppSettings::AlbumGainByFolder},
    {"OutputFormat", &AppSettings::OutputFormat},
    {"ConversionPriority", &AppSettings::ConversionPriority},
    {"ConversionThreads", &AppSettings::ConversionThreads},
    {"OptStartPageIndex", &AppSettings::OptStartPageIndex},
};
constexpr StringField kStringFields[] = {
    {"DVDFolder", &AppSettings::DVDFolder},
    {"Folder", &AppSettings::Folder},
    {"LastAddFileDir", &AppSettings::LastAddFileDir},
    {"DestSpecifiedFolder", &AppSettings::DestSpecifiedFolder},
    {"FilterExts", &AppSettings::FilterExts},
    {"ListColumns", &AppSettings::ListColumns},
    {"OutputNamePattern", &AppSettings::OutputNamePattern},
};
constexpr FormatField kFormatDwordFields[] = {
    {"AudioBitRate", &OutputFormat::AudioBitRate},
    {"AudioVBRQuality", &OutputFormat::AudioVBRQuality},
    {"AudioVBREnabled", &OutputFormat::AudioVBREnabled},
    {"AudioCompressionLevel", &OutputFormat::AudioCompressionLevel},
    {"AudioSampleRate", &OutputFormat::AudioSampleRate},
    {"AudioChannels", &OutputFormat::AudioChannels},
    {"AudioVolume", &OutputFormat::AudioVolume},
};
// clang-format on

const DwordField* dwordField(std::string_view name) {
    for (const auto& f : kDwordFields)
        if (name == f.name) return &f;
    return nullptr;
}
const StringField* stringField(std::string_view name) {
    for (const auto& f : kStringFields)
        if (name == f.name) return &f;
    return nullptr;
}

using platform::equalsIgnoringAsciiCase;

void readString(SettingsKey& key, const char* name, std::string& field) {
    if (auto text = key.readString(name)) field = std::move(*text);
}

// The settings read in their stored order, before and after FilterExts.
constexpr const char* kLoadOrderBeforeFilter[] = {"DVDFolder",
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
                                                  "EnableExtFilter"};
constexpr const char* kLoadOrderAfterFilter[] = {
    "EnableConvertLength", "EnableSkipLength",       "ConvertLength",     "SkipLength",
    "EnableIgnoreTheLast", "IgnoreLength",           "RequestAudioIndex", "OutputFormat",
    "ConversionPriority",  "ConversionThreads",      "OptStartPageIndex", "ListColumns",
    "VerifyOutputs",       "TranscoderStallSeconds", "OutputNamePattern", "WriteID3v1",
    "CoverFromFolder",     "LoudnessMode",           "LoudnessTarget",    "TruePeakCeiling",
    "AlbumGainByFolder"};
constexpr const char* kExitGroup[] = {"ConversionPriority", "ConversionThreads", "OutputFormat",
                                      "OptStartPageIndex",  "LastAddFileDir",    "Folder",
                                      "DVDFolder",          "ListColumns"};
constexpr const char* kOptionsGroup[] = {"DestOutputFolderOpt",
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
                                         "VerifyOutputs",
                                         "TranscoderStallSeconds",
                                         "OutputNamePattern",
                                         "WriteID3v1",
                                         "CoverFromFolder",
                                         "LoudnessMode",
                                         "LoudnessTarget",
                                         "TruePeakCeiling",
                                         "AlbumGainByFolder"};

void loadNamed(SettingsKey& key, AppSettings& settings, const char* name) {
    if (const DwordField* f = dwordField(name)) {
        key.readDword(name, settings.*(f->field));
    } else if (const StringField* s = stringField(name)) {
        readString(key, name, settings.*(s->field));
    }
}

bool saveNamed(SettingsKey& key, const AppSettings& settings, const char* name) {
    if (const DwordField* f = dwordField(name)) return key.writeDword(name, settings.*(f->field));
    if (const StringField* s = stringField(name)) return key.writeString(name, settings.*(s->field));
    return false;
}

template <typename Int>
bool parseNumber(const std::string& text, Int& out) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    const auto [end, ec] = std::from_chars(first, last, out);
    return first != last && ec == std::errc() && end == last;
}

}  // namespace

AppSettings defaultSettings() { return defaultSettings(platform::documentsFolder(false)); }

AppSettings defaultSettings(const std::string& documentsFolder) {
    AppSettings settings;
    settings.DestSpecifiedFolder = documentsFolder;
    settings.DestOutputFolderOpt = documentsFolder.empty() ? kOutputBesideSource : kOutputSpecificFolder;
    return settings;
}

void loadSettings(SettingsStore& store, AppSettings& settings, Catalogue& catalogue) {
    auto key = store.openKey(kOptionsKey);
    if (!key) {
        rebuildFilterExtensions(settings);
        return;
    }
    for (const char* name : kLoadOrderBeforeFilter) loadNamed(*key, settings, name);
    // A zero-size FilterExts keeps the previous text.
    if (const auto info = key->query("FilterExts"); info && info->size > 0)
        readString(*key, "FilterExts", settings.FilterExts);
    rebuildFilterExtensions(settings);
    for (const char* name : kLoadOrderAfterFilter) loadNamed(*key, settings, name);

    for (const auto& format : catalogue.formats()) {
        if (!format->codecs) continue;
        const std::string prefix = settingsPrefix(*format);
        const std::string codecName = prefix + "AudioCodec";
        // One byte or less cannot hold a string; an empty string (2 bytes) is taken.
        if (const auto info = key->query(codecName); info && info->size > 1) {
            if (auto codec = key->readString(codecName)) {
                // Encoders that later transcoder builds dropped.
                if (*codec == "libfaac" || *codec == "libvo_aacenc") *codec = "aac";
                format->AudioCodec = std::move(*codec);
            }
        }
        for (const FormatField& f : kFormatDwordFields)
            key->readDword(prefix + f.suffix, (*format).*(f.field));
    }
}

bool saveSettings(SettingsStore& store, const AppSettings& settings, const Catalogue& catalogue,
                  uint32_t groups) {
    if ((groups & (kSaveExitGroup | kSaveOptionsGroup)) == 0) return true;
    SettingsBatch batch(store);
    auto key = store.createKey(kOptionsKey);
    if (!key) return false;
    bool ok = true;
    if (groups & kSaveExitGroup)
        for (const char* name : kExitGroup) ok = saveNamed(*key, settings, name) && ok;
    if (groups & kSaveOptionsGroup) {
        for (const char* name : kOptionsGroup) ok = saveNamed(*key, settings, name) && ok;
        for (const auto& format : catalogue.formats()) {
            if (!format->codecs) continue;
            const std::string prefix = settingsPrefix(*format);
            ok = key->writeString(prefix + "AudioCodec", format->AudioCodec) && ok;
            for (const FormatField& f : kFormatDwordFields)
                ok = key->writeDword(prefix + f.suffix, static_cast<uint32_t>((*format).*(f.field))) && ok;
        }
    }
    return batch.finish() && ok;
}

void rebuildFilterExtensions(AppSettings& settings) {
    settings.filterExtensions.clear();
    if (settings.EnableExtFilter == 0) return;
    settings.filterExtensions = split(platform::toLowerAscii(settings.FilterExts), ",");
}

bool takeFirstRun(SettingsStore& store) {
    uint32_t firstRun = 1;
    auto key = store.createKey(kOptionsKey);
    if (key) {
        key->readDword("FirstRun", firstRun);
        if (firstRun != 0) key->writeDword("FirstRun", 0);
    }
    return firstRun != 0;
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    if (separator.empty()) return pieces;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        const size_t end = at == std::string_view::npos ? text.size() : at;
        if (end > start) pieces.emplace_back(text.substr(start, end - start));
        if (at == std::string_view::npos) break;
        start = at + separator.size();
    }
    return pieces;
}

std::vector<std::string> perFormatValueNames(const Catalogue& catalogue) {
    std::vector<std::string> names;
    for (const auto& format : catalogue.formats()) {
        if (!format->codecs) continue;
        const std::string prefix = settingsPrefix(*format);
        for (const char* suffix : kFormatValueSuffixes) names.push_back(prefix + suffix);
    }
    return names;
}

static std::string historyKeyPath(std::string_view subkey) {
    return std::string(kSettingsRootKey) + "\\" + std::string(subkey);
}

bool loadHistory(SettingsStore& store, HistoryList& list, std::string_view subkey) {
    list.items.clear();
    list.editText.clear();
    list.selected = -1;
    auto key = store.openKey(historyKeyPath(subkey));
    if (!key) return false;
    for (int i = 0; i < kHistoryLimit; ++i) {
        const std::string name = std::to_string(i);
        // Shorter than 3 bytes: not even one character with its null.
        const auto info = key->query(name);
        if (!info || info->size < 3) break;
        const auto text = key->readString(name);
        if (text && !text->empty()) list.items.push_back(*text);
    }
    return true;
}

bool saveHistory(SettingsStore& store, const HistoryList& list, std::string_view subkey) {
    const std::string path = historyKeyPath(subkey);
    SettingsBatch batch(store);
    store.deleteKey(path);
    auto key = store.createKey(path);
    if (!key) return false;
    bool ok = true;
    for (size_t i = 0; i < list.items.size(); ++i)
        if (!list.items[i].empty()) ok = key->writeString(std::to_string(i), list.items[i]) && ok;
    return batch.finish() && ok;
}

void pushHistory(SettingsStore& store, HistoryList& list, std::string_view subkey) {
    const std::string text = list.editText;
    if (text.empty()) return;
    if (!list.items.empty() && list.items.front() == text) return;
    std::erase(list.items, text);
    list.items.insert(list.items.begin(), text);
    // Loading reads no more than the limit, so an entry beyond it would linger in the store unread.
    if (list.items.size() > static_cast<size_t>(kHistoryLimit)) list.items.resize(kHistoryLimit);
    list.selected = 0;
    saveHistory(store, list, subkey);
}

Result<> applySetting(AppSettings& settings, Catalogue& catalogue, const std::string& name,
                      const std::string& value) {
    for (const DwordField& f : kDwordFields) {
        if (!equalsIgnoringAsciiCase(name, f.name)) continue;
        int64_t number = 0;
        // The signed ones (tenths of LUFS and dBTP) are stored as DWORDs too: -160 names 4294967136.
        const bool isSigned =
            f.field == &AppSettings::LoudnessTarget || f.field == &AppSettings::TruePeakCeiling;
        const int64_t least = isSigned ? std::numeric_limits<int32_t>::min() : 0;
        if (!parseNumber(value, number) || number < least || number > std::numeric_limits<uint32_t>::max())
            return Failure{std::string(f.name) +
                           (isSigned ? " takes a whole number (tenths), not '"
                                     : " takes a whole number from 0 to 4294967295, not '") +
                           value + "'"};
        settings.*(f.field) = static_cast<uint32_t>(number);
        if (f.field == &AppSettings::EnableExtFilter) rebuildFilterExtensions(settings);
        return {};
    }
    for (const StringField& f : kStringFields) {
        if (!equalsIgnoringAsciiCase(name, f.name)) continue;
        settings.*(f.field) = value;
        if (f.field == &AppSettings::FilterExts) rebuildFilterExtensions(settings);
        return {};
    }
    for (const auto& format : catalogue.formats()) {
        if (!format->codecs) continue;
        const std::string prefix = settingsPrefix(*format);
        if (name.size() <= prefix.size() || !equalsIgnoringAsciiCase(name.substr(0, prefix.size()), prefix))
            continue;
        const std::string suffix = name.substr(prefix.size());
        if (equalsIgnoringAsciiCase(suffix, "AudioCodec")) {
            format->AudioCodec = value;
            return {};
        }
        for (const FormatField& f : kFormatDwordFields) {
            if (!equalsIgnoringAsciiCase(suffix, f.suffix)) continue;
            int64_t number = 0;
            // Stored as a DWORD, so both -1 and 4294967295 name the same value.
            if (!parseNumber(value, number) || number < std::numeric_limits<int32_t>::min() ||
                number > std::numeric_limits<uint32_t>::max())
                return Failure{prefix + f.suffix + " takes a whole number, not '" + value + "'"};
            (*format).*(f.field) = static_cast<int32_t>(static_cast<uint32_t>(number));
            return {};
        }
    }
    return Failure{"unknown setting '" + name + "'"};
}
