#include <gtest/gtest.h>

#include "platform/Process.h"

using platform::quoteWindowsArgument;
using platform::splitWindowsCommandLine;
using V = std::vector<std::string>;

TEST(CommandLineSplit, FollowsTheWindowsRules) {
    struct Case {
        std::string line;
        V args;
    };
    // Expected splits follow the documented CommandLineToArgvW rules.
    const Case cases[] = {
        {R"(prog a\\\"b "c d" e)", {"prog", R"(a\"b)", "c d", "e"}},
        {R"(prog "a\\" b)", {"prog", R"(a\)", "b"}},
        {R"(prog "it""s" x)", {"prog", R"(it"s)", "x"}},
        {"prog   \t  spaced\targs  ", {"prog", "spaced", "args"}},
        {R"(C:\a\"b c)", {R"(C:\a\b c)"}},
    };
    for (const auto& c : cases) EXPECT_EQ(splitWindowsCommandLine(c.line), c.args) << c.line;
}

TEST(CommandLineSplit, QuotingRoundTrips) {
    const V args = {"plain",           "with blank", R"(trailing\)",           R"(quote"inside)",
                    R"(back\\"slash)", "",           "😀 emoji 'single' & amp", R"(C:\dir with space\)"};
    std::string line = "prog";
    for (const auto& a : args) line += " " + quoteWindowsArgument(a);
    V expected = {"prog"};
    expected.insert(expected.end(), args.begin(), args.end());
    EXPECT_EQ(splitWindowsCommandLine(line), expected);
}
