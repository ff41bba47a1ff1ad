#include <gtest/gtest.h>

#include "settings/SettingsTree.h"

namespace {

using namespace std::string_literals;

TEST(SettingsTree, TextFormRoundTripsExactlyAndEveryCutIsRejected) {
    SettingsTree tree;
    StoredKey& options = tree.createKey("Software\\Melodrift 4\\Options");
    SettingsTree::setValue(options, "Folder", kValueString, encodeStringValue("C:\\M \"best\" \xE6\x97\xA5"));
    SettingsTree::setValue(options, "", kValueString, encodeStringValue("default value"));
    SettingsTree::setValue(options, "odd\tname\n\\\"", kValueDword, std::string("\xff\xff\xff\xff", 4));
    SettingsTree::setValue(options, "Short", kValueDword, std::string("\x01", 1));
    SettingsTree::setValue(options, "NoNull", kValueString, std::string("a\0b\0", 4));
    SettingsTree::setValue(options, "Blob", kValueBinary, std::string("\0\x01\x7f\x80\xff", 5));
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

TEST(SettingsTree, MalformedTextsAreRejected) {
    const std::string head = "melodrift-settings 1\nkey \"A\"\n";
    for (const std::string& text :
         {"melodrift-settings 2\nend\n"s, "melodrift-settings 1\r\nend\r\n"s,
          head + "dword \"x\" 4294967296\nend\n", head + "sz \"x\" \"bad \\q\"\nend\n",
          head + "value 3 \"x\" 012\nend\n", head + "end\nend\n",
          "melodrift-settings 1\ndword \"x\" 1\nend\n"s /* a value before any key */,
          "melodrift-settings 1\nkey \"A\\\\\\\\B\"\nend\n"s /* empty component */,
          "melodrift-settings 1\0\nend\n"s})
        EXPECT_FALSE(SettingsTree::parse(text).has_value()) << text;
}

}  // namespace
