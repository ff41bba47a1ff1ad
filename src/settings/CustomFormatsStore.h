// The custom output formats in the settings store: under "CustomOutFormats", for the n-th group (n from
// 1) "COF<n>Name" with its name and "COF<n>FIDs" with its ids as "1160,1200,".
#pragma once

#include <vector>

#include "formats/CustomFormats.h"
#include "platform/SettingsStore.h"

// The stored groups in their stored order. Loading stops at the first missing or empty name; a group
// whose ids are missing, empty or give no number is dropped. No key: no groups.
std::vector<CustomOutputFormat> loadCustomFormats(SettingsStore& store);
// Replaces the stored groups by these. False when the store could not be changed or written.
bool saveCustomFormats(SettingsStore& store, const std::vector<CustomOutputFormat>& groups);
