// Settings for console commands: the user's stored settings and catalogue, with this invocation's
// "--set NAME=VALUE" and "--format ID" options applied on top (never written back).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "formats/Catalogue.h"
#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"

namespace cli {

struct SettingOptions {
    std::optional<int32_t> formatId;
    std::vector<std::pair<std::string, std::string>> sets;  // in command-line order
};

// Takes "--set NAME=VALUE", "--set=NAME=VALUE", "--format ID" and "--format=ID" out of args and leaves
// every other argument in order. Scanning stops at "--", which stays in args for the command's own
// parsing. False with a one-line message for a missing or malformed operand.
bool takeSettingOptions(std::vector<std::string>& args, SettingOptions& options, std::string* error);

struct CliSettings {
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<Catalogue> catalogue;
    AppSettings settings;
    // The format of --format, else the one the OutputFormat setting names; null when that is no
    // catalogue format (e.g. a custom group).
    OutputFormat* format = nullptr;
};

// Loads the settings from the given store (the user's when null) and applies the options. False with a
// message for an unknown setting, a bad value, or a --format id that names no catalogue format.
bool loadCliSettings(const SettingOptions& options, CliSettings& out, std::string* error,
                     std::unique_ptr<SettingsStore> store = nullptr);

}  // namespace cli
