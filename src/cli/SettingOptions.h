// This invocation's "--set NAME=VALUE" and "--format ID" options, applied on top of the stored settings
// (never written back). Console commands reach these through cli/CliSettings.h.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "formats/Catalogue.h"
#include "platform/SettingsStore.h"
#include "settings/AppSettings.h"

struct SettingOptions {
    std::optional<int32_t> formatId;
    std::vector<std::pair<std::string, std::string>> sets;  // in command-line order
};

// Takes "--set NAME=VALUE", "--set=NAME=VALUE", "--format ID" and "--format=ID" out of args and leaves
// every other argument in order. Scanning stops at "--", which stays in args for the command's own
// parsing. False with a one-line message for a missing or malformed operand.
bool takeSettingOptions(std::vector<std::string>& args, SettingOptions& options, std::string* error);

struct LoadedSettings {
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<Catalogue> catalogue;
    AppSettings settings;
    // The format of --format, else the one the OutputFormat setting names; null when that is no
    // catalogue format (e.g. a custom group).
    OutputFormat* format = nullptr;
};

// Loads the settings from the given store (the user's when null) and applies the options. False with a
// message for an unknown setting, a bad value, or a --format id that names no catalogue format.
bool loadSettingsWithOptions(const SettingOptions& options, LoadedSettings& out, std::string* error,
                             std::unique_ptr<SettingsStore> store = nullptr);
