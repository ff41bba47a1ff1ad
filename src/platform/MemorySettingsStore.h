// A settings store held in memory, for tests and for runs that must not touch the user's settings.
#pragma once

#include "platform/SettingsTree.h"

class MemorySettingsStore : public TreeSettingsStore {
public:
    MemorySettingsStore() = default;
    // While unavailable, keys can be neither opened nor created (as with a registry that refuses access).
    void setAvailable(bool available) { available_ = available; }
    // Number of completed change sets (single changes and whole batches) that changed something.
    int commits() const { return commits_; }
    const SettingsTree& contents() { return tree(); }

protected:
    bool endChanges(bool dirty) override {
        if (dirty) ++commits_;
        return true;
    }
    bool available() const override { return available_; }

private:
    bool available_ = true;
    int commits_ = 0;
};
