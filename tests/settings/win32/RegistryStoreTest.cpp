#include <windows.h>

#include <atomic>

#include "platform/KnownFolders.h"
#include "platform/UserSettingsStore.h"
#include "platform/win32/WinText.h"
#include "settings/Settings.h"
#include "settings/StoreContract.h"

namespace {

using platform::win32::widen;

// A private place below HKEY_CURRENT_USER for each store under test, removed afterwards; tests may run
// side by side in one Wine prefix.
std::string privateBase() {
    static std::atomic<int> counter{0};
    return "Software\\MelodriftTest\\" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter);
}

struct RegistryTreeRemover {
    std::string base;
    ~RegistryTreeRemover() { RegDeleteTreeW(HKEY_CURRENT_USER, widen(base).c_str()); }
};

StoreUnderTest makeRegistryStore() {
    auto remover = std::make_shared<RegistryTreeRemover>(RegistryTreeRemover{privateBase()});
    const std::string base = remover->base;
    return StoreUnderTest{platform::openRegistrySettingsStore(base),
                          [base] { return platform::openRegistrySettingsStore(base); }, remover};
}

INSTANTIATE_TEST_SUITE_P(Registry, StoreContract, testing::Values(StoreKind{"Registry", makeRegistryStore}),
                         storeKindName);

// Reads a value with the registry's own call, bypassing the store.
struct RawValue {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = 0;
    std::string bytes;
};
RawValue readDirect(const std::string& keyPath, const std::string& name) {
    RawValue v;
    HKEY key = nullptr;
    v.status = RegOpenKeyExW(HKEY_CURRENT_USER, widen(keyPath).c_str(), 0, KEY_QUERY_VALUE, &key);
    if (v.status != ERROR_SUCCESS) return v;
    DWORD size = 0;
    v.status = RegQueryValueExW(key, widen(name).c_str(), nullptr, &v.type, nullptr, &size);
    if (v.status == ERROR_SUCCESS) {
        v.bytes.resize(size);
        v.status = RegQueryValueExW(key, widen(name).c_str(), nullptr, &v.type,
                                    reinterpret_cast<BYTE*>(v.bytes.data()), &size);
        v.bytes.resize(size);
    }
    RegCloseKey(key);
    return v;
}

TEST(RegistryStore, WritesRealRegistryValues) {
    const RegistryTreeRemover cleanup{privateBase()};
    auto store = platform::openRegistrySettingsStore(cleanup.base);
    AppSettings s = defaultSettings("C:\\users\\x\\Documents");
    s.Folder = "C:\\M\xC3\xBAsica";  // "Música": 9 UTF-16 units
    s.ConversionThreads = 5;
    Catalogue c;
    ASSERT_TRUE(saveSettings(*store, s, c, kSaveExitGroup | kSaveOptionsGroup));
    const std::string options = cleanup.base + "\\Software\\Melodrift 4\\Options";
    const RawValue folder = readDirect(options, "Folder");
    ASSERT_EQ(folder.status, ERROR_SUCCESS);
    EXPECT_EQ(folder.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(folder.bytes.size(), 2u * 9 + 2);
    const std::wstring text(reinterpret_cast<const wchar_t*>(folder.bytes.data()), 9);
    EXPECT_EQ(text, L"C:\\M\u00FAsica");
    const RawValue threads = readDirect(options, "ConversionThreads");
    ASSERT_EQ(threads.status, ERROR_SUCCESS);
    EXPECT_EQ(threads.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(threads.bytes, std::string("\x05\0\0\0", 4));
    EXPECT_EQ(readDirect(options, "MP3AudioCodec").bytes,
              std::string("l\0i\0b\0m\0p\0\x33\0l\0a\0m\0e\0\0\0", 22));
}

TEST(RegistryStore, ReadsValuesWrittenByOthers) {
    const RegistryTreeRemover cleanup{privateBase()};
    const std::string options = cleanup.base + "\\Software\\Melodrift 4\\Options";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, widen(options).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD threads = 7;
    RegSetValueExW(key, L"ConversionThreads", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&threads), 4);
    const WORD half = 3;
    RegSetValueExW(key, L"OutputFormat", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&half), 2);
    const wchar_t codec[] = L"libfaac";
    RegSetValueExW(key, L"M4AAudioCodec", 0, REG_SZ, reinterpret_cast<const BYTE*>(codec), sizeof codec);
    const wchar_t noNull[] = {L'w', L'a', L'v'};
    RegSetValueExW(key, L"FilterExts", 0, REG_SZ, reinterpret_cast<const BYTE*>(noNull), sizeof noNull);
    const DWORD on = 1;
    RegSetValueExW(key, L"EnableExtFilter", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), 4);
    RegCloseKey(key);

    auto store = platform::openRegistrySettingsStore(cleanup.base);
    AppSettings s = defaultSettings("");
    Catalogue c;
    loadSettings(*store, s, c);
    EXPECT_EQ(s.ConversionThreads, 7u);
    EXPECT_EQ(s.OutputFormat, 1160u);  // a 2-byte DWORD keeps the default
    EXPECT_EQ(c.findById(1100)->AudioCodec, "aac");
    EXPECT_EQ(s.FilterExts, "wav");
    EXPECT_EQ(s.filterExtensions, (std::vector<std::string>{"wav"}));
}

TEST(RegistryStore, UserStoreUsesTheProgramsKey) {
    // The user's store and a store with an empty base are the same place.
    auto user = platform::openUserSettingsStore();
    const std::string probe = "Software\\MelodriftTest\\user-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(user->createKey(probe)->writeDword("x", 1));
    EXPECT_EQ(readDirect(probe, "x").bytes, std::string("\1\0\0\0", 4));
    EXPECT_TRUE(user->deleteKey(probe));
    EXPECT_NE(readDirect(probe, "x").status, ERROR_SUCCESS);
}

TEST(KnownFolders, DocumentsFolderExists) {
    const std::string docs = platform::documentsFolder(true);
    ASSERT_FALSE(docs.empty());
    const DWORD attributes = GetFileAttributesW(widen(docs).c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(platform::documentsFolder(false), docs);
}

}  // namespace
