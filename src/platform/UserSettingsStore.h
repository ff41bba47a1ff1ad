// The user's settings store: the registry (HKEY_CURRENT_USER) on Windows, a file on POSIX.
#pragma once

#include <memory>
#include <string>

#include "platform/SettingsStore.h"

namespace platform {

std::unique_ptr<SettingsStore> openUserSettingsStore();

#ifdef _WIN32
// A registry store whose key paths lie below basePath (itself below HKEY_CURRENT_USER); "" for the
// program's own place. Tests use a private base.
std::unique_ptr<SettingsStore> openRegistrySettingsStore(const std::string& basePath);
#else
// $XDG_CONFIG_HOME/melodrift/settings.conf, $XDG_CONFIG_HOME defaulting to ~/.config; empty when neither
// it nor a home folder is known.
std::string userSettingsFilePath();
// A store kept in one file. The file is read when it changes and rewritten whole after each change (or
// batch) through a temporary file that replaces it, so it is always the old or the new tree. Writers
// serialise on a lock file beside it. A damaged file reads as an empty store and is kept aside as
// "<file>.corrupt" when the store is next written.
std::unique_ptr<SettingsStore> openFileSettingsStore(const std::string& filePath);
#endif

}  // namespace platform
