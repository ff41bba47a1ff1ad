// Behaviour every settings store shares, run against each implementation.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/SettingsStore.h"

// One store under test. reopen (may be empty) gives another store over the same backing, to check that
// what was written persists.
struct StoreUnderTest {
    std::unique_ptr<SettingsStore> store;
    std::function<std::unique_ptr<SettingsStore>()> reopen;
    std::shared_ptr<void> keepAlive;  // e.g. the temporary folder of a file store
};

struct StoreKind {
    const char* name;
    std::function<StoreUnderTest()> make;
};

inline void PrintTo(const StoreKind& kind, std::ostream* os) { *os << kind.name; }

inline std::string storeKindName(const testing::TestParamInfo<StoreKind>& info) { return info.param.name; }

class StoreContract : public testing::TestWithParam<StoreKind> {};

// Every store of this system: the in-memory one, and the file store (POSIX) or the registry (Windows).
std::vector<StoreKind> allStoreKinds();

#ifdef _WIN32
// A private place below HKEY_CURRENT_USER, removed afterwards; tests may run side by side in one prefix.
struct PrivateRegistryBase {
    std::string base;
    PrivateRegistryBase();
    ~PrivateRegistryBase();
    std::string options() const { return base + "\\Software\\Melodrift 4\\Options"; }
};
#endif
