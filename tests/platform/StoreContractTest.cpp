#include <string>
#include <vector>

#include "platform/MemorySettingsStore.h"
#include "platform/SettingsTree.h"
#include "platform/StoreContract.h"

namespace {

using namespace std::string_literals;

const std::string kBase = "Software\\MelodriftTest";

TEST_P(StoreContract, KeysAreCreatedWithTheirParentsAndDeletedWithTheirChildren) {
    auto t = GetParam().make();
    SettingsStore& store = *t.store;
    EXPECT_EQ(store.openKey(kBase + "\\A\\B"), nullptr);
    ASSERT_NE(store.createKey(kBase + "\\A\\B"), nullptr);
    EXPECT_NE(store.openKey(kBase + "\\A"), nullptr);
    EXPECT_NE(store.openKey(kBase + "\\a\\b"), nullptr);  // key names ignore case
    ASSERT_TRUE(store.createKey(kBase + "\\A")->writeDword("x", 7));
    uint32_t x = 0;
    EXPECT_TRUE(store.createKey(kBase + "\\A")->readDword("x", x));  // an existing key keeps its values
    EXPECT_EQ(x, 7u);
    ASSERT_TRUE(store.createKey(kBase + "\\Apple")->writeDword("c", 1));  // a sibling with a longer name
    EXPECT_TRUE(store.deleteKey(kBase + "\\A"));
    EXPECT_EQ(store.openKey(kBase + "\\A\\B"), nullptr);
    EXPECT_NE(store.openKey(kBase + "\\Apple"), nullptr);
    EXPECT_TRUE(store.deleteKey(kBase + "\\A"));  // already gone
    EXPECT_EQ(store.createKey(kBase + "\\A")->query("x"), std::nullopt);
}

TEST_P(StoreContract, ValuesRoundTripWithRegistryTypesAndSizes) {
    auto t = GetParam().make();
    auto key = t.store->createKey(kBase + "\\Values");
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->writeDword("V", 0x12345678u));
    EXPECT_EQ(key->query("V")->type, kValueDword);
    EXPECT_EQ(key->readRaw("V")->bytes, "\x78\x56\x34\x12");  // little-endian, as in the registry
    // Sizes in UTF-16 units counted by hand: characters outside the BMP take two.
    const std::pair<std::string, size_t> strings[] = {
        {"", 0}, {"Mot\xC3\xB6rhead \xE6\x97\xA5\xE6\x9C\xAC", 12}, {"\xF0\x9F\x98\x80 x", 4}};
    for (const auto& [text, units] : strings) {
        ASSERT_TRUE(key->writeString("S", text));
        EXPECT_EQ(key->query("S")->type, kValueString);
        EXPECT_EQ(key->query("S")->size, 2 * units + 2) << text;
        EXPECT_EQ(key->readString("S"), text);
    }
    ASSERT_TRUE(key->writeString("conversionthreads", "x"));  // value names ignore case
    EXPECT_EQ(key->readString("ConversionThreads"), "x");
    EXPECT_TRUE(key->deleteValue("CONVERSIONTHREADS"));
    EXPECT_FALSE(key->deleteValue("ConversionThreads"));
}

TEST_P(StoreContract, OddValuesReadSafelyOrNotAtAll) {
    auto t = GetParam().make();
    auto key = t.store->createKey(kBase + "\\Odd");
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->writeRaw("D", kValueBinary, "\5\5\5\5"));
    uint32_t field = 777;
    EXPECT_FALSE(key->readDword("D", field) || field != 777u);
    EXPECT_EQ(key->readString("D"), std::nullopt);
    // No terminating null; odd size (the last byte is ignored); an unpaired surrogate.
    const std::pair<std::string, std::string> strings[] = {
        {"a\0b\0"s, "ab"}, {"a\0b"s, "a"}, {"\x3d\xd8\0\0"s, "\xEF\xBF\xBD"}};
    for (const auto& [bytes, expected] : strings) {
        ASSERT_TRUE(key->writeRaw("R", kValueString, bytes));
        EXPECT_EQ(key->query("R")->size, bytes.size());
        EXPECT_EQ(key->readString("R"), expected);
    }
    ASSERT_TRUE(key->writeRaw("E", kValueExpandString, "%\0X\0%\0\0\0"s));
    EXPECT_EQ(key->readString("E"), "%X%");  // read, not expanded
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreContract, testing::ValuesIn(allStoreKinds()), storeKindName);

// (An unavailable store: the settings test.)
TEST(MemoryStore, KeyOutlivingItsStoreDoesNothing) {
    auto store = std::make_unique<MemorySettingsStore>();
    auto key = store->createKey("A");
    store.reset();
    EXPECT_FALSE(key->writeDword("x", 2));
    EXPECT_EQ(key->query("x"), std::nullopt);
}

// Invalid UTF-8 (stray, overlong, cut short) is stored as U+FFFD, not passed on.
TEST(StringValueBytes, InvalidUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(encodeStringValue("a\xFF"), "a\0\xFD\xFF\0\0"s);
    EXPECT_EQ(encodeStringValue("\xC0\xAF"), "\xFD\xFF\xFD\xFF\0\0"s);
    EXPECT_EQ(encodeStringValue("\xE2\x82"), "\xFD\xFF\xFD\xFF\0\0"s);
}

TEST(SettingsTree, TextFormRoundTripsExactlyAndEveryCutIsRejected) {
    SettingsTree tree;
    StoredKey& options = tree.createKey("Software\\Melodrift 4\\Options");
    SettingsTree::setValue(options, "Folder", kValueString, encodeStringValue("C:\\M \"best\" \xE6\x97\xA5"));
    SettingsTree::setValue(options, "", kValueString, encodeStringValue("default value"));
    SettingsTree::setValue(options, "odd\tname\n\\\"", kValueDword, "\xff\xff\xff\xff"s);
    SettingsTree::setValue(options, "NoNull", kValueString, "a\0b\0"s);
    SettingsTree::setValue(options, "Blob", kValueBinary, "\0\x01\x7f\x80\xff"s);
    SettingsTree::setValue(options, "Empty", 11, "");
    SettingsTree::setValue(options, "Bytes\x80\xff", kValueString, encodeStringValue(""));
    tree.createKey("Software\\Melodrift 4\\Empty Key");
    const std::string text = tree.serialize();
    const auto parsed = SettingsTree::parse(text);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_TRUE(*parsed == tree);
    EXPECT_EQ(parsed->serialize(), text);
    EXPECT_EQ(parsed->keys().count("software\\melodrift 4"), 1u);  // parents are keys of their own
    for (size_t length = 0; length < text.size(); ++length)
        EXPECT_FALSE(SettingsTree::parse(text.substr(0, length)).has_value()) << length;
}

}  // namespace
