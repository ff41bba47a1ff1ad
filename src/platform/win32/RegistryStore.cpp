// The settings store in the registry under HKEY_CURRENT_USER.
#include <windows.h>

#include <utility>
#include <vector>

#include "platform/SettingsTree.h"
#include "platform/UserSettingsStore.h"
#include "platform/win32/Handle.h"
#include "platform/win32/WinText.h"

namespace platform {

namespace {

// Reads ask for query access only, so a key the user may read but not change (locked by an
// administrator) still loads; write access is asked for when a change is made.
constexpr REGSAM kReadAccess = KEY_QUERY_VALUE;
constexpr REGSAM kWriteAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;

using win32::KeyHandle;

class RegistryKey : public SettingsKey {
public:
    RegistryKey(KeyHandle key, bool writable) : key_(std::move(key)), writable_(writable) {}

    std::optional<SettingsValueInfo> query(std::string_view name) override {
        DWORD type = 0, size = 0;
        const std::wstring wname = win32::widen(name);
        if (RegQueryValueExW(key_.get(), wname.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        return SettingsValueInfo{type, size};
    }

    std::optional<SettingsRawValue> readRaw(std::string_view name) override {
        const std::wstring wname = win32::widen(name);
        // The value may grow between the size query and the read: retry with the new size.
        for (int attempt = 0; attempt < 8; ++attempt) {
            DWORD type = 0, size = 0;
            if (RegQueryValueExW(key_.get(), wname.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
                return std::nullopt;
            std::vector<BYTE> buffer(size ? size : 1);
            DWORD got = size;
            const LONG rc = RegQueryValueExW(key_.get(), wname.c_str(), nullptr, &type, buffer.data(), &got);
            if (rc == ERROR_MORE_DATA) continue;
            if (rc != ERROR_SUCCESS) return std::nullopt;
            return SettingsRawValue{type, std::string(reinterpret_cast<const char*>(buffer.data()), got)};
        }
        return std::nullopt;
    }

    bool writeRaw(std::string_view name, uint32_t type, std::string_view bytes) override {
        if (!makeWritable()) return false;
        const std::wstring wname = win32::widen(name);
        // For string types the registry looks one character past the data and counts it too when it is a
        // null (for callers that forgot the terminator). Non-null padding keeps the value exactly as given.
        std::string padded(bytes);
        padded.append("\xff\xff", 2);
        return RegSetValueExW(key_.get(), wname.c_str(), 0, type,
                              reinterpret_cast<const BYTE*>(padded.data()),
                              static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
    }

    bool deleteValue(std::string_view name) override {
        if (!makeWritable()) return false;
        const std::wstring wname = win32::widen(name);
        return RegDeleteValueW(key_.get(), wname.c_str()) == ERROR_SUCCESS;
    }

private:
    // A key opened for reading is opened again with write access at its first change.
    bool makeWritable() {
        if (writable_) return true;
        KeyHandle reopened;
        if (RegOpenKeyExW(key_.get(), nullptr, 0, kWriteAccess, reopened.out()) != ERROR_SUCCESS)
            return false;
        key_ = std::move(reopened);
        writable_ = true;
        return true;
    }

    KeyHandle key_;
    bool writable_;
};

class RegistryStore : public SettingsStore {
public:
    explicit RegistryStore(std::string base) : base_(std::move(base)) {}

    std::unique_ptr<SettingsKey> openKey(std::string_view path) override {
        const auto full = fullPath(path);
        if (!full) return nullptr;
        KeyHandle key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, full->c_str(), 0, kReadAccess, key.out()) != ERROR_SUCCESS)
            return nullptr;
        return std::make_unique<RegistryKey>(std::move(key), false);
    }

    std::unique_ptr<SettingsKey> createKey(std::string_view path) override {
        const auto full = fullPath(path);
        if (!full) return nullptr;
        KeyHandle key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, full->c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            kWriteAccess, nullptr, key.out(), nullptr) != ERROR_SUCCESS)
            return nullptr;
        return std::make_unique<RegistryKey>(std::move(key), true);
    }

    bool deleteKey(std::string_view path) override {
        const auto full = fullPath(path);
        if (!full) return false;
        const LONG rc = RegDeleteTreeW(HKEY_CURRENT_USER, full->c_str());
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return false;
        // Some registry versions leave the emptied key itself in place.
        const LONG gone = RegDeleteKeyW(HKEY_CURRENT_USER, full->c_str());
        return gone == ERROR_SUCCESS || gone == ERROR_FILE_NOT_FOUND;
    }

private:
    std::optional<std::wstring> fullPath(std::string_view path) const {
        const auto normalised = SettingsTree::normalisePath(path);
        if (!normalised) return std::nullopt;
        return win32::widen(base_.empty() ? *normalised : base_ + "\\" + *normalised);
    }

    std::string base_;
};

}  // namespace

std::unique_ptr<SettingsStore> openRegistrySettingsStore(const std::string& basePath) {
    return std::make_unique<RegistryStore>(basePath);
}

std::unique_ptr<SettingsStore> openUserSettingsStore() { return openRegistrySettingsStore(""); }

}  // namespace platform
