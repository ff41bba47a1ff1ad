#include <gtest/gtest.h>

#include "platform/Shell.h"

namespace {

TEST(ShellHelpers, FallbackOpenCommandCutsAtThePlaceholder) {
    const std::string url = "http://example.org/a b";
    const struct {
        const char* registered;
        std::string expected;
    } cases[] = {
        {"\"C:\\Web\\web.exe\" -osint -url \"%1\"", "\"C:\\Web\\web.exe\" -osint -url  " + url},
        {"web.exe %1 -new", "web.exe  " + url},
        {"web.exe -a \"%1\" %1", "web.exe -a  " + url},  // the quoted form is looked for first
        {"web.exe", "web.exe " + url},
        {"", " " + url},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::fallbackOpenCommand(c.registered, url), c.expected);
}

TEST(ShellHelpers, ChosenFolderGetsItsSeparatorAndMustFit) {
#ifdef _WIN32
    const std::string folder = "C:\\Music", withSep = "C:\\Music\\";
#else
    const std::string folder = "/music", withSep = "/music/";
#endif
    const struct {
        std::string folder;
        size_t maxChars;
        std::optional<std::string> expected;
    } cases[] = {
        {folder, folder.size() + 2, withSep},
        {folder, folder.size() + 1, std::nullopt},  // the added separator no longer fits
        {"", 260, std::nullopt},
        // Counted in UTF-16 units: one for Я.
        {folder + "Я", folder.size() + 3, folder + "Я" + withSep.back()},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::finishChosenFolder(c.folder, c.maxChars), c.expected);
    EXPECT_EQ(platform::utf16Length("aП中😀"), 5u);  // characters beyond the BMP take two units
}

}  // namespace
