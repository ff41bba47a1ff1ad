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

}  // namespace
