// Loading and saving the settings and the catalogue's per-format parameters, the first-run marker, the
// two combo-box histories and the command line's NAME=VALUE overrides.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/Catalogue.h"
#include "platform/Result.h"
#include "platform/SettingsStore.h"
#include "settings/AppSettings.h"

// Key paths below the user's root.
inline constexpr std::string_view kSettingsRootKey = "Software\\Melodrift 4";
inline constexpr std::string_view kOptionsKey = "Software\\Melodrift 4\\Options";
inline constexpr std::string_view kCustomFormatsKey = "Software\\Melodrift 4\\CustomOutFormats";
// History subkeys of the root.
inline constexpr std::string_view kOutputFolderHistory = "OutputFolder";
inline constexpr std::string_view kFilterExtsHistory = "FilterExts";
inline constexpr int kHistoryLimit = 30;

// Groups for saveSettings.
enum SettingsGroup : uint32_t {
    kSaveOptionsGroup = 8,  // after OK of the options sheet
    kSaveExitGroup = 16,    // when the main window is destroyed
};

// The eight per-format value suffixes, in save order.
inline constexpr const char* kFormatValueSuffixes[] = {
    "AudioCodec",      "AudioBitRate",  "AudioVBRQuality", "AudioVBREnabled", "AudioCompressionLevel",
    "AudioSampleRate", "AudioChannels", "AudioVolume"};

// Defaults: the specific output folder is the Documents folder when known (399), else the output goes
// beside the source (199).
AppSettings defaultSettings();
AppSettings defaultSettings(const std::string& documentsFolder);

// Reads "Options" into settings and into the catalogue's parameter fields; absent values keep what is
// there. Rebuilds the extension filter list.
void loadSettings(SettingsStore& store, AppSettings& settings, Catalogue& catalogue);
// Writes the groups (a kSave... bit set; 0 writes nothing). False when something could not be written.
bool saveSettings(SettingsStore& store, const AppSettings& settings, const Catalogue& catalogue,
                  uint32_t groups);
// filterExtensions from FilterExts: lower case, split at ",", empty pieces dropped; empty while
// EnableExtFilter is 0.
void rebuildFilterExtensions(AppSettings& settings);

// Reads and clears the first-run marker. True when this is the first run (also when the store cannot be
// opened); the caller then opens the help file.
bool takeFirstRun(SettingsStore& store);

// The non-empty pieces of text between occurrences of separator; none for an empty separator.
std::vector<std::string> split(std::string_view text, std::string_view separator);

// Names of the 224 per-format values in save order.
std::vector<std::string> perFormatValueNames(const Catalogue& catalogue);

// The list of a combo box with a remembered history.
struct HistoryList {
    std::vector<std::string> items;
    std::string editText;
    int selected = -1;
};
// Fills the list from the root's subkey (values "0".."29", stopping at the first absent or too short one).
// False when the subkey cannot be opened; the caller then fills its own defaults.
bool loadHistory(SettingsStore& store, HistoryList& list, std::string_view subkey);
// Replaces the subkey by the list's non-empty items, each under its own index.
bool saveHistory(SettingsStore& store, const HistoryList& list, std::string_view subkey);
// Moves the edit text to the top of the list (keeping at most kHistoryLimit entries), selects it and saves
// the list; nothing for an empty text or one already on top.
void pushHistory(SettingsStore& store, HistoryList& list, std::string_view subkey);

// Sets one value by its stored name (any AppSettings value or per-format value such as MP3AudioBitRate),
// for this run only. Names are matched without regard to ASCII case; numbers are decimal. Fails for an
// unknown name or a malformed number.
Result<> applySetting(AppSettings& settings, Catalogue& catalogue, const std::string& name,
                      const std::string& value);
