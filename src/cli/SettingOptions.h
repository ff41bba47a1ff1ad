// This invocation's "--set NAME=VALUE" and "--format ID" options, applied on top of the stored settings
// (never written back).
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "formats/Catalogue.h"
#include "platform/Result.h"
#include "platform/SettingsStore.h"
#include "settings/AppSettings.h"

// Takes every "NAME VALUE" and "NAME=VALUE" of the given option names out of args, in order, handing each
// to take, and leaves every other argument in order. Scanning stops at "--", which stays in args for the
// command's own parsing. Fails with "NAME needs a value" for a missing operand, or with take's failure.
using TakeOption = std::function<Result<>(const std::string& name, const std::string& value)>;
Result<> takeOptions(std::vector<std::string>& args, std::initializer_list<const char*> names,
                     const TakeOption& take);
// An operand "KEY=VALUE" of the option name, split; fails for one without '=' or without a key.
Result<std::pair<std::string, std::string>> splitKeyValue(const std::string& name,
                                                          const std::string& operand);

struct SettingOptions {
    std::optional<int32_t> formatId;
    std::vector<std::pair<std::string, std::string>> sets;  // in command-line order
};

// Takes "--set NAME=VALUE", "--set=NAME=VALUE", "--format ID" and "--format=ID" out of args and leaves
// every other argument in order. Scanning stops at "--", which stays in args for the command's own
// parsing. Fails with a one-line message for a missing or malformed operand.
Result<SettingOptions> takeSettingOptions(std::vector<std::string>& args);

struct LoadedSettings {
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<Catalogue> catalogue;
    AppSettings settings;
    // The format of --format, else the one the OutputFormat setting names; null when that is no
    // catalogue format (e.g. a custom group).
    OutputFormat* format = nullptr;
};

// Loads the settings from the given store (the user's when null) and applies the options. Fails for an
// unknown setting, a bad value (a name pattern that cannot be expanded too), or a --format id that names
// no catalogue format.
Result<LoadedSettings> loadSettingsWithOptions(const SettingOptions& options,
                                               std::unique_ptr<SettingsStore> store = nullptr);

// The opening shared by the console commands that take sources: the options taken out and applied, a
// leading "--" dropped, and at least one source left ("<name> needs at least one SOURCE").
struct SourceCommand {
    std::vector<std::string> sources;
    LoadedSettings loaded;
};
Result<SourceCommand> openSourceCommand(const std::string& name, std::vector<std::string> args);
