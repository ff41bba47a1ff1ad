// Settings for console commands: the user's stored settings and catalogue with this invocation's
// "--set NAME=VALUE" and "--format ID" options applied (see cli/SettingOptions.h).
#pragma once

#include "cli/SettingOptions.h"

namespace cli {

using ::SettingOptions;
using ::takeSettingOptions;
using CliSettings = ::LoadedSettings;

inline bool loadCliSettings(const SettingOptions& options, CliSettings& out, std::string* error,
                            std::unique_ptr<SettingsStore> store = nullptr) {
    return loadSettingsWithOptions(options, out, error, std::move(store));
}

}  // namespace cli
