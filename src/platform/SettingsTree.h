// The key tree behind the file-backed and in-memory stores, its text form, and a store built on it.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SettingsStore.h"

struct StoredValue {
    std::string name;
    uint32_t type = kValueNone;
    std::string bytes;
};

struct StoredKey {
    std::string path;                 // as first created
    std::vector<StoredValue> values;  // in creation order, as the registry enumerates them
};

// Keys and value names compare without regard to ASCII case, as in the registry.
class SettingsTree {
public:
    // The canonical form of a key path: components joined by one backslash. Empty components are
    // dropped; nothing for a path without any.
    static std::optional<std::string> normalisePath(std::string_view path);

    StoredKey* findKey(std::string_view normalisedPath);
    // Creates the key and its missing parents.
    StoredKey& createKey(const std::string& normalisedPath);
    // Removes the key, its values and every key below it.
    void removeKey(std::string_view normalisedPath);

    static StoredValue* findValue(StoredKey& key, std::string_view name);
    static void setValue(StoredKey& key, std::string_view name, uint32_t type, std::string_view bytes);
    static bool removeValue(StoredKey& key, std::string_view name);

    const std::map<std::string, StoredKey>& keys() const { return keys_; }
    bool operator==(const SettingsTree& other) const;

    // Text form: a version line, "key" lines, typed value lines below their key, and an "end" line, so
    // that a cut-off text is recognised as damaged.
    std::string serialize() const;
    // Nothing when the text is not a complete, well-formed tree.
    static std::optional<SettingsTree> parse(std::string_view text);

private:
    std::map<std::string, StoredKey> keys_;  // by lower-case path
};

// A store over a SettingsTree. Subclasses that keep the tree elsewhere (a file) refresh it before reads
// and persist it after changes.
class TreeSettingsStore : public SettingsStore {
public:
    std::unique_ptr<SettingsKey> openKey(std::string_view path) override;
    std::unique_ptr<SettingsKey> createKey(std::string_view path) override;
    bool deleteKey(std::string_view path) override;
    void beginBatch() override;
    bool endBatch() override;

    // Used by the key handles.
    std::optional<SettingsValueInfo> queryValue(const std::string& path, std::string_view name);
    std::optional<SettingsRawValue> readValue(const std::string& path, std::string_view name);
    bool writeValue(const std::string& path, std::string_view name, uint32_t type, std::string_view bytes);
    bool removeValue(const std::string& path, std::string_view name);

protected:
    TreeSettingsStore() = default;
    SettingsTree& tree() { return tree_; }
    // Before a read outside a batch: pick up changes made by others.
    virtual void refresh() {}
    // Before the first change of a batch (or a single change): take exclusive access and reload.
    virtual void beginChanges() {}
    // After the last change of a batch (or a single change); dirty when anything changed. False when the
    // changes could not be kept.
    virtual bool endChanges(bool dirty) {
        (void)dirty;
        return true;
    }
    // A store that cannot be reached refuses to open or create keys.
    virtual bool available() const { return true; }

private:
    template <typename Change>
    bool change(Change&& apply);
    void readAccess();
    // The stored value, or null when the store, the key or the value is not there.
    const StoredValue* findStoredValue(const std::string& path, std::string_view name);

    SettingsTree tree_;
    std::shared_ptr<TreeSettingsStore*> self_ = std::make_shared<TreeSettingsStore*>(this);  // for the keys
    int batchDepth_ = 0;
    bool batchDirty_ = false;
};
