#include <string>
#include <vector>

#include "settings/MemorySettingsStore.h"
#include "settings/StoreContract.h"

namespace {

const std::string kBase = "Software\\MelodriftTest";

std::string le32(uint32_t v) {
    std::string b(4, '\0');
    for (int i = 0; i < 4; ++i) b[static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return b;
}

TEST_P(StoreContract, KeysAreCreatedWithTheirParents) {
    auto t = GetParam().make();
    SettingsStore& store = *t.store;
    EXPECT_EQ(store.openKey(kBase + "\\A\\B"), nullptr);
    ASSERT_NE(store.createKey(kBase + "\\A\\B"), nullptr);
    EXPECT_NE(store.openKey(kBase + "\\A\\B"), nullptr);
    EXPECT_NE(store.openKey(kBase + "\\A"), nullptr);
    EXPECT_NE(store.openKey(kBase + "\\a\\b"), nullptr);  // key names ignore case
    EXPECT_EQ(store.openKey(kBase + "\\A\\C"), nullptr);
    // Creating an existing key opens it with its values.
    ASSERT_TRUE(store.createKey(kBase + "\\A")->writeDword("x", 7));
    uint32_t x = 0;
    EXPECT_TRUE(store.createKey(kBase + "\\A")->readDword("x", x));
    EXPECT_EQ(x, 7u);
}

TEST_P(StoreContract, DwordsRoundTripWithRegistrySizes) {
    auto t = GetParam().make();
    auto key = t.store->createKey(kBase + "\\Dwords");
    ASSERT_NE(key, nullptr);
    const uint32_t values[] = {0u, 1u, 1160u, 0x12345678u, 0xFFFFFFFFu};
    for (const uint32_t v : values) {
        ASSERT_TRUE(key->writeDword("V", v));
        const auto info = key->query("V");
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->type, kValueDword);
        EXPECT_EQ(info->size, 4u);
        uint32_t got = 99;
        EXPECT_TRUE(key->readDword("V", got));
        EXPECT_EQ(got, v);
        EXPECT_EQ(key->readRaw("V")->bytes, le32(v));
        int32_t signedGot = 0;
        EXPECT_TRUE(key->readDword("V", signedGot));
        EXPECT_EQ(signedGot, static_cast<int32_t>(v));
    }
}

TEST_P(StoreContract, StringsRoundTripWithUtf16Sizes) {
    auto t = GetParam().make();
    auto key = t.store->createKey(kBase + "\\Strings");
    ASSERT_NE(key, nullptr);
    struct Case {
        std::string text;
        size_t utf16Units;  // counted by hand: characters outside the BMP take two
    };
    const Case cases[] = {
        {"", 0},
        {"a", 1},
        {"C:\\Music\\Out", 12},
        {"Mot\xC3\xB6rhead \xE6\x97\xA5\xE6\x9C\xAC", 12},  // "Motörhead 日本"
        {"\xF0\x9F\x98\x80 x", 4},                          // an emoji: a surrogate pair
        {"mp3,wav,flac", 12},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(key->writeString("S", c.text));
        const auto info = key->query("S");
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->type, kValueString);
        EXPECT_EQ(info->size, 2 * c.utf16Units + 2) << c.text;
        EXPECT_EQ(key->readString("S"), c.text);
    }
}

TEST_P(StoreContract, WrongTypesAndSizesLeaveTheFieldAlone) {
    auto t = GetParam().make();
    auto key = t.store->createKey(kBase + "\\Odd");
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->writeString("Str", "1234"));
    ASSERT_TRUE(key->writeString("Short", "a"));  // 4 bytes, but a string
    ASSERT_TRUE(key->writeRaw("Half", kValueDword, std::string("\x01\x02", 2)));
    ASSERT_TRUE(key->writeRaw("Long", kValueDword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)));
    ASSERT_TRUE(key->writeRaw("Bin", kValueBinary, le32(5)));
    ASSERT_TRUE(key->writeRaw("Empty", kValueDword, ""));
    ASSERT_TRUE(key->writeDword("Num", 42));
    for (const char* name : {"Str", "Short", "Half", "Long", "Bin", "Empty", "Missing"}) {
        uint32_t field = 777;
        EXPECT_FALSE(key->readDword(name, field)) << name;
        EXPECT_EQ(field, 777u) << name;
    }
    EXPECT_EQ(key->readString("Num"), std::nullopt);
    EXPECT_EQ(key->readString("Bin"), std::nullopt);
    EXPECT_EQ(key->readString("Missing"), std::nullopt);
    EXPECT_EQ(key->query("Missing"), std::nullopt);
    EXPECT_EQ(key->query("Half")->size, 2u);
}

TEST_P(StoreContract, StringsWithoutTerminatorOrOddSizeReadSafely) {
    auto t = GetParam().make();
    auto key = t.store->createKey(kBase + "\\Raw");
    ASSERT_NE(key, nullptr);
    struct Case {
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {std::string("a\0b\0", 4), "ab"},                  // no terminating null
        {std::string("a\0b", 3), "a"},                     // odd size: the last byte is ignored
        {std::string("a\0\0\0b\0\0\0", 8), "a"},           // text ends at the first null
        {std::string("x", 1), ""},                         // one byte: no character
        {std::string(), ""},                               // zero bytes
        {std::string("\x3d\xd8\0\0", 4), "\xEF\xBF\xBD"},  // unpaired surrogate
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(key->writeRaw("R", kValueString, c.bytes));
        EXPECT_EQ(key->query("R")->size, c.bytes.size());
        EXPECT_EQ(key->readString("R"), c.expected);
    }
    ASSERT_TRUE(key->writeRaw("E", kValueExpandString, std::string("%\0X\0%\0\0\0", 8)));
    EXPECT_EQ(key->readString("E"), "%X%");  // read, not expanded
}

TEST_P(StoreContract, ValueNamesIgnoreCaseAndOverwriteKeepsOneValue) {
    auto t = GetParam().make();
    auto key = t.store->createKey(kBase + "\\Names");
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->writeDword("ConversionThreads", 4));
    uint32_t v = 0;
    EXPECT_TRUE(key->readDword("CONVERSIONTHREADS", v));
    EXPECT_EQ(v, 4u);
    ASSERT_TRUE(key->writeString("conversionthreads", "x"));
    EXPECT_EQ(key->query("ConversionThreads")->type, kValueString);
    EXPECT_TRUE(key->deleteValue("ConversionThreads"));
    EXPECT_EQ(key->query("conversionThreads"), std::nullopt);
    EXPECT_FALSE(key->deleteValue("ConversionThreads"));
}

TEST_P(StoreContract, DeleteKeyTakesValuesAndSubkeys) {
    auto t = GetParam().make();
    SettingsStore& store = *t.store;
    ASSERT_TRUE(store.createKey(kBase + "\\Del")->writeDword("a", 1));
    ASSERT_TRUE(store.createKey(kBase + "\\Del\\Sub")->writeString("b", "x"));
    ASSERT_TRUE(store.createKey(kBase + "\\Delicate")->writeDword("c", 1));  // a sibling with a longer name
    EXPECT_TRUE(store.deleteKey(kBase + "\\Del"));
    EXPECT_EQ(store.openKey(kBase + "\\Del"), nullptr);
    EXPECT_EQ(store.openKey(kBase + "\\Del\\Sub"), nullptr);
    EXPECT_NE(store.openKey(kBase + "\\Delicate"), nullptr);
    EXPECT_TRUE(store.deleteKey(kBase + "\\Del"));  // already gone
    // Created anew, it is empty.
    auto again = store.createKey(kBase + "\\Del");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->query("a"), std::nullopt);
}

TEST_P(StoreContract, WritesPersistForAnotherStoreInstance) {
    auto t = GetParam().make();
    if (!t.reopen) GTEST_SKIP() << "no second instance for this store";
    {
        SettingsBatch batch(*t.store);
        auto key = t.store->createKey(kBase + "\\Persist");
        ASSERT_NE(key, nullptr);
        ASSERT_TRUE(key->writeDword("D", 0xCAFEu));
        ASSERT_TRUE(key->writeString("S", "\xE6\x97\xA5 x"));
        ASSERT_TRUE(key->writeRaw("B", kValueBinary, std::string("\0\x01\xff", 3)));
        // Visible inside the batch already.
        EXPECT_EQ(key->readString("S"), "\xE6\x97\xA5 x");
    }
    auto other = t.reopen();
    auto key = other->openKey(kBase + "\\Persist");
    ASSERT_NE(key, nullptr);
    uint32_t d = 0;
    EXPECT_TRUE(key->readDword("D", d));
    EXPECT_EQ(d, 0xCAFEu);
    EXPECT_EQ(key->readString("S"), "\xE6\x97\xA5 x");
    const auto raw = key->readRaw("B");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, kValueBinary);
    EXPECT_EQ(raw->bytes, std::string("\0\x01\xff", 3));
    // A change through the second instance is seen by the first.
    ASSERT_TRUE(key->writeDword("D", 5));
    uint32_t seen = 0;
    EXPECT_TRUE(t.store->openKey(kBase + "\\Persist")->readDword("D", seen));
    EXPECT_EQ(seen, 5u);
}

StoreUnderTest makeMemoryStore() {
    return StoreUnderTest{std::make_unique<MemorySettingsStore>(), nullptr, nullptr};
}

INSTANTIATE_TEST_SUITE_P(Memory, StoreContract, testing::Values(StoreKind{"Memory", makeMemoryStore}),
                         storeKindName);

TEST(MemoryStore, UnavailableStoreOpensNothing) {
    MemorySettingsStore store;
    ASSERT_NE(store.createKey("A"), nullptr);
    store.setAvailable(false);
    EXPECT_EQ(store.openKey("A"), nullptr);
    EXPECT_EQ(store.createKey("B"), nullptr);
}

TEST(MemoryStore, KeyOutlivingItsStoreDoesNothing) {
    auto store = std::make_unique<MemorySettingsStore>();
    auto key = store->createKey("A");
    ASSERT_TRUE(key->writeDword("x", 1));
    store.reset();
    uint32_t x = 5;
    EXPECT_FALSE(key->readDword("x", x));
    EXPECT_EQ(x, 5u);
    EXPECT_FALSE(key->writeDword("x", 2));
    EXPECT_EQ(key->query("x"), std::nullopt);
}

TEST(MemoryStore, BatchesCountAsOneChange) {
    MemorySettingsStore store;
    auto key = store.createKey("A");
    const int before = store.commits();
    {
        SettingsBatch batch(store);
        key->writeDword("x", 1);
        key->writeDword("y", 2);
        {
            SettingsBatch inner(store);
            key->writeDword("z", 3);
        }
    }
    EXPECT_EQ(store.commits(), before + 1);
    key->writeDword("x", 4);
    EXPECT_EQ(store.commits(), before + 2);
}

TEST(StringValueBytes, EncodeAndDecode) {
    struct Case {
        std::string utf8;
        std::string bytes;
    };
    const Case cases[] = {
        {"", std::string("\0\0", 2)},
        {"A", std::string("A\0\0\0", 4)},
        {"\xC3\xA9", std::string("\xE9\0\0\0", 4)},                    // é U+00E9
        {"\xE2\x82\xAC", std::string("\xAC\x20\0\0", 4)},              // € U+20AC
        {"\xF0\x9F\x98\x80", std::string("\x3D\xD8\x00\xDE\0\0", 6)},  // U+1F600 = D83D DE00
    };
    for (const Case& c : cases) {
        EXPECT_EQ(encodeStringValue(c.utf8), c.bytes);
        EXPECT_EQ(decodeStringValue(c.bytes), c.utf8);
    }
    // Invalid UTF-8 becomes U+FFFD (FD FF) instead of being passed on.
    EXPECT_EQ(encodeStringValue("a\xFF"), std::string("a\0\xFD\xFF\0\0", 6));
    EXPECT_EQ(encodeStringValue("\xC0\xAF"), std::string("\xFD\xFF\xFD\xFF\0\0", 6));  // overlong
    EXPECT_EQ(encodeStringValue("\xE2\x82"), std::string("\xFD\xFF\xFD\xFF\0\0", 6));  // cut short
}

}  // namespace
