#include "platform/MemorySettingsStore.h"
#include "platform/StoreContract.h"
#include "platform/UserSettingsStore.h"
#include "support/TestSupport.h"

#ifdef _WIN32
#include <windows.h>

#include <atomic>

#include "platform/win32/WinText.h"

PrivateRegistryBase::PrivateRegistryBase() {
    static std::atomic<int> counter{0};
    base =
        "Software\\MelodriftTest\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

PrivateRegistryBase::~PrivateRegistryBase() {
    RegDeleteTreeW(HKEY_CURRENT_USER, platform::win32::widen(base).c_str());
}

static StoreUnderTest makeSystemStore() {
    auto place = std::make_shared<PrivateRegistryBase>();
    const std::string base = place->base;
    return StoreUnderTest{platform::openRegistrySettingsStore(base),
                          [base] { return platform::openRegistrySettingsStore(base); }, place};
}
static constexpr const char* kSystemStoreName = "Registry";
#else
static StoreUnderTest makeSystemStore() {
    auto dir = std::make_shared<testing_support::TempDir>();
    const std::string path = dir->file("melodrift/settings.conf");
    return StoreUnderTest{platform::openFileSettingsStore(path),
                          [path] { return platform::openFileSettingsStore(path); }, dir};
}
static constexpr const char* kSystemStoreName = "File";
#endif

std::vector<StoreKind> allStoreKinds() {
    return {StoreKind{"Memory",
                      [] {
                          return StoreUnderTest{std::make_unique<MemorySettingsStore>(), nullptr, nullptr};
                      }},
            StoreKind{kSystemStoreName, makeSystemStore}};
}
