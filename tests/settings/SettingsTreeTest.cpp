#include <gtest/gtest.h>

#include "settings/SettingsTree.h"

namespace {

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

TEST(SettingsTree, HandWrittenTextParses) {
    auto tree = SettingsTree::parse(
        "melodrift-settings 1\nkey \"Software\\\\Melodrift 4\\\\Options\"\ndword \"MP3AudioBitRate\" 192000\n"
        "value 3 \"Raw\" 00ff\nvalue 4 \"Cut\" -\nsz \"Tab\" \"a\\x09b\"\nend\n");
    ASSERT_TRUE(tree.has_value());
    StoredKey* key = tree->findKey("SOFTWARE\\melodrift 4\\Options");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(SettingsTree::findValue(*key, "mp3audiobitrate")->bytes, std::string("\x00\xee\x02\x00", 4));
    EXPECT_EQ(SettingsTree::findValue(*key, "Raw")->bytes, std::string("\0\xff", 2));
    EXPECT_EQ(SettingsTree::findValue(*key, "Raw")->type, kValueBinary);
    EXPECT_EQ(SettingsTree::findValue(*key, "Cut")->bytes, "");
    EXPECT_EQ(decodeStringValue(SettingsTree::findValue(*key, "Tab")->bytes), "a\tb");
}

TEST(SettingsTree, MalformedTextsAreRejected) {
    const std::string head = "melodrift-settings 1\nkey \"A\"\n";
    const std::string bad[] = {"end\n",
                               "melodrift-settings 2\nend\n",
                               "melodrift-settings 1\r\nend\r\n",
                               head + "dword \"x\" 4294967296\nend\n",
                               head + "dword \"x\" -1\nend\n",
                               head + "sz \"x\" \"bad escape \\q\"\nend\n",
                               head + "value 3 \"x\" 012\nend\n",
                               head + "sz \"x\" \"y\" \nend\n",
                               head + "end\nend\n",
                               "melodrift-settings 1\ndword \"x\" 1\nend\n",       // a value before any key
                               "melodrift-settings 1\nkey \"A\\\\\\\\B\"\nend\n",  // empty path component
                               std::string("melodrift-settings 1\0\nend\n", 27)};
    for (const std::string& text : bad) EXPECT_FALSE(SettingsTree::parse(text).has_value()) << text;
    EXPECT_EQ(SettingsTree::normalisePath("A\\\\B\\"), "A\\B");
    EXPECT_EQ(SettingsTree::normalisePath("\\\\"), std::nullopt);
}

}  // namespace
