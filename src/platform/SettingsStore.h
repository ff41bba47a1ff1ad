// A registry-like store for the settings: keys named by backslash-separated paths below the user's root
// (e.g. "Software\\Melodrift 4\\Options"), each holding typed values. Implementations: the Windows
// registry (HKEY_CURRENT_USER), a file-backed tree on POSIX, and an in-memory tree for tests.
//
// Sizes are those of the registry on every store: a string value is UTF-16 with its terminating null, so
// its size in bytes is 2 x characters + 2, and a DWORD is 4 bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Value types; the numbers are the registry's.
enum SettingsValueType : uint32_t {
    kValueNone = 0,
    kValueString = 1,        // REG_SZ
    kValueExpandString = 2,  // REG_EXPAND_SZ, read as a plain string
    kValueBinary = 3,        // REG_BINARY
    kValueDword = 4,         // REG_DWORD, little-endian
};

struct SettingsValueInfo {
    uint32_t type = kValueNone;
    uint32_t size = 0;  // bytes
};

struct SettingsRawValue {
    uint32_t type = kValueNone;
    std::string bytes;
};

// An open key. It stays safe to use after its store is gone (a registry key still works; a key of the
// file or memory store then reads and writes nothing).
class SettingsKey {
public:
    virtual ~SettingsKey() = default;
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;

    // Type and size of a value, or nothing when it is absent.
    virtual std::optional<SettingsValueInfo> query(std::string_view name) = 0;
    virtual std::optional<SettingsRawValue> readRaw(std::string_view name) = 0;
    virtual bool writeRaw(std::string_view name, uint32_t type, std::string_view bytes) = 0;
    virtual bool deleteValue(std::string_view name) = 0;

    // Reads a DWORD into value. Only a 4-byte DWORD value is taken; anything else (absent, another type,
    // another size) leaves value as it was and gives false, so a damaged value keeps the default.
    bool readDword(std::string_view name, uint32_t& value);
    bool readDword(std::string_view name, int32_t& value);
    // Reads a string value (REG_SZ or REG_EXPAND_SZ, not expanded) up to its first null, as UTF-8.
    // Nothing for an absent value or one of another type.
    std::optional<std::string> readString(std::string_view name);
    bool writeDword(std::string_view name, uint32_t value);
    // Writes UTF-8 text as a UTF-16 REG_SZ with its terminating null.
    bool writeString(std::string_view name, std::string_view text);

protected:
    SettingsKey() = default;
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Opens an existing key, or gives null.
    virtual std::unique_ptr<SettingsKey> openKey(std::string_view path) = 0;
    // Opens a key, creating it and its missing parents; null when that fails.
    virtual std::unique_ptr<SettingsKey> createKey(std::string_view path) = 0;
    // Deletes a key with its values and subkeys. True when the key is gone afterwards.
    virtual bool deleteKey(std::string_view path) = 0;

    // Changes between beginBatch and endBatch may be written together (a file store then rewrites its
    // file once). Batches nest. endBatch is false when writing failed.
    virtual void beginBatch() {}
    virtual bool endBatch() { return true; }

protected:
    SettingsStore() = default;
};

// Scoped batch. finish() ends it early and tells whether the changes were kept.
class SettingsBatch {
public:
    explicit SettingsBatch(SettingsStore& store) : store_(store) { store_.beginBatch(); }
    ~SettingsBatch() { finish(); }
    SettingsBatch(const SettingsBatch&) = delete;
    SettingsBatch& operator=(const SettingsBatch&) = delete;

    bool finish() {
        if (!open_) return kept_;
        open_ = false;
        kept_ = store_.endBatch();
        return kept_;
    }

private:
    SettingsStore& store_;
    bool open_ = true;
    bool kept_ = true;
};

// UTF-8 text to the bytes of a REG_SZ value (UTF-16LE plus a null); invalid UTF-8 becomes U+FFFD.
std::string encodeStringValue(std::string_view utf8);
// The bytes of a string value to UTF-8: UTF-16LE up to the first null (or the end), an odd last byte
// ignored, unpaired surrogates as U+FFFD.
std::string decodeStringValue(std::string_view bytes);
