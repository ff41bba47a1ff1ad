#include <windows.h>
// After windows.h.
#include <sddl.h>

#include <atomic>

#include "platform/KnownFolders.h"
#include "platform/StoreContract.h"
#include "platform/UserSettingsStore.h"
#include "platform/win32/WinText.h"
#include "settings/Settings.h"

namespace {

using platform::win32::widen;

// The value's type and bytes as the registry's own call reads them; type 0 when missing.
std::pair<DWORD, std::string> readDirect(const std::string& keyPath, const std::string& name) {
    std::string bytes(4096, '\0');
    DWORD type = 0, size = 4096;
    if (RegGetValueW(HKEY_CURRENT_USER, widen(keyPath).c_str(), widen(name).c_str(),
                     RRF_RT_ANY | RRF_NOEXPAND, &type, bytes.data(), &size) != ERROR_SUCCESS)
        return {0, ""};
    return {type, bytes.substr(0, size)};
}

void writeDirect(const std::string& keyPath, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, widen(keyPath).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

TEST(RegistryStore, ReadsValuesWrittenByOthers) {
    const PrivateRegistryBase place;
    writeDirect(place.options(), L"ConversionThreads", REG_DWORD, "\7\0\0\0", 4);
    writeDirect(place.options(), L"OutputFormat", REG_DWORD, "\3\0", 2);
    writeDirect(place.options(), L"M4AAudioCodec", REG_SZ, L"libfaac", 16);
    writeDirect(place.options(), L"FilterExts", REG_SZ, L"wav", 6);  // without its null
    writeDirect(place.options(), L"EnableExtFilter", REG_DWORD, "\1\0\0\0", 4);
    AppSettings s = defaultSettings("");
    Catalogue c;
    loadSettings(*platform::openRegistrySettingsStore(place.base), s, c);
    EXPECT_EQ(s.ConversionThreads, 7u);
    EXPECT_EQ(s.OutputFormat, 1160u);  // a 2-byte DWORD keeps the default
    EXPECT_EQ(c.findById(1100)->AudioCodec, "aac");
    EXPECT_EQ(s.filterExtensions, (std::vector<std::string>{"wav"}));
}

// Replaces a key's access list (SDDL text, e.g. "D:(A;;KA;;;WD)").
bool setKeyAccess(const std::string& keyPath, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    HKEY key = nullptr;
    bool done = RegOpenKeyExW(HKEY_CURRENT_USER, widen(keyPath).c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS;
    if (done) {
        done = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return done;
}

// A key whose values the user may read but not change (locked by an administrator) still loads; saving
// to it fails and leaves it as it was.
TEST(RegistryStore, ReadOnlyKeyLoadsAndRefusesChanges) {
    const PrivateRegistryBase place;
    writeDirect(place.options(), L"ConversionThreads", REG_DWORD, "\7\0\0\0", 4);
    // Everyone is denied setting values; unlocked again (also after a failure) so the key can be deleted.
    ASSERT_TRUE(setKeyAccess(place.options(), L"D:(D;;0x2;;;WD)(A;;KA;;;WD)"));
    const struct Unlock {
        std::string path;
        ~Unlock() { setKeyAccess(path, L"D:(A;;KA;;;WD)"); }
    } unlock{place.options()};
    HKEY probe = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, widen(place.options()).c_str(), 0, KEY_SET_VALUE, &probe),
              ERROR_ACCESS_DENIED);

    auto store = platform::openRegistrySettingsStore(place.base);
    AppSettings s = defaultSettings("");
    Catalogue c;
    loadSettings(*store, s, c);
    EXPECT_EQ(s.ConversionThreads, 7u);
    s.ConversionThreads = 3;
    EXPECT_FALSE(saveSettings(*store, s, c, kSaveOptionsGroup | kSaveExitGroup));
    const auto key = store->openKey("Software\\Melodrift 4\\Options");
    ASSERT_NE(key, nullptr);
    EXPECT_FALSE(key->writeDword("ConversionThreads", 3));
    EXPECT_EQ(readDirect(place.options(), "ConversionThreads").second, std::string("\7\0\0\0", 4));
}

TEST(RegistryStore, UserStoreUsesTheProgramsKey) {
    auto user = platform::openUserSettingsStore();
    const std::string probe = "Software\\MelodriftTest\\user-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(user->createKey(probe)->writeDword("x", 1));
    EXPECT_EQ(readDirect(probe, "x").second, std::string("\1\0\0\0", 4));
    EXPECT_TRUE(user->deleteKey(probe));
    EXPECT_EQ(readDirect(probe, "x").first, 0u);
}

TEST(KnownFolders, DocumentsFolderExists) {
    const std::string docs = platform::documentsFolder(true);
    ASSERT_FALSE(docs.empty());
    const DWORD attributes = GetFileAttributesW(widen(docs).c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(platform::documentsFolder(false), docs);
}

}  // namespace
