#include "settings/CustomFormatsStore.h"

#include <string>

#include "settings/Settings.h"

namespace {

// A string value of two bytes holds only its terminating null.
constexpr uint32_t kEmptyStringBytes = 2;

std::string valueName(size_t n, const char* what) { return "COF" + std::to_string(n) + what; }

}  // namespace

std::vector<CustomOutputFormat> loadCustomFormats(SettingsStore& store) {
    std::vector<CustomOutputFormat> groups;
    const auto key = store.openKey(kCustomFormatsKey);
    if (!key) return groups;
    for (size_t n = 1;; ++n) {
        const std::string nameValue = valueName(n, "Name");
        const auto nameInfo = key->query(nameValue);
        if (!nameInfo || nameInfo->size <= kEmptyStringBytes) break;
        std::optional<std::string> name = key->readString(nameValue);
        if (!name) break;  // not text: as unusable as a missing name
        const std::string idsValue = valueName(n, "FIDs");
        const auto idsInfo = key->query(idsValue);
        if (!idsInfo || idsInfo->size <= kEmptyStringBytes) continue;
        const std::optional<std::string> idText = key->readString(idsValue);
        if (!idText) continue;
        std::vector<int32_t> ids = parseCustomFormatIds(*idText);
        if (ids.empty()) continue;
        groups.push_back({std::move(*name), std::move(ids)});
    }
    return groups;
}

bool saveCustomFormats(SettingsStore& store, const std::vector<CustomOutputFormat>& groups) {
    SettingsBatch batch(store);
    // Groups left over from a longer list would load again after the new ones.
    if (!store.deleteKey(kCustomFormatsKey)) return false;
    const auto key = store.createKey(kCustomFormatsKey);
    if (!key) return false;
    bool ok = true;
    for (size_t i = 0; i < groups.size(); ++i) {
        ok = key->writeString(valueName(i + 1, "Name"), groups[i].name) && ok;
        ok = key->writeString(valueName(i + 1, "FIDs"), customFormatIdText(groups[i].ids)) && ok;
    }
    return batch.finish() && ok;
}
