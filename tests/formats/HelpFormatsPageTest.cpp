// The help's page of output formats lists every catalogue format under its label with exactly its codecs,
// the one it starts with marked, so the page cannot drift from the catalogue.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "formats/Catalogue.h"
#include "support/TestSupport.h"

namespace {

std::string unescaped(std::string text) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, character] : entities)
        for (size_t at; (at = text.find(entity)) != std::string::npos;)
            text.replace(at, strlen(entity), character);
    return text;
}

struct PageRow {
    std::string label;
    std::vector<std::string> codecs;
    std::vector<std::string> marked;
};

// The rows of the page's format table: <tr class="format"> with a label cell and a codec list.
std::vector<PageRow> formatRows(const std::string& page) {
    static const std::regex row(R"(<tr class="format"[^>]*>([\s\S]*?)</tr>)");
    static const std::regex label(R"(<td class="label">([\s\S]*?)</td>)");
    static const std::regex item(R"(<li( class="default")?>([\s\S]*?)</li>)");
    std::vector<PageRow> rows;
    for (std::sregex_iterator r(page.begin(), page.end(), row), end; r != end; ++r) {
        const std::string cells = (*r)[1];
        PageRow found;
        if (std::smatch m; std::regex_search(cells, m, label)) found.label = unescaped(m[1]);
        for (std::sregex_iterator i(cells.begin(), cells.end(), item); i != end; ++i) {
            found.codecs.push_back(unescaped((*i)[2]));
            if ((*i)[1].matched) found.marked.push_back(found.codecs.back());
        }
        rows.push_back(found);
    }
    return rows;
}

TEST(HelpFormatsPage, ListsEveryCatalogueFormatWithItsLabelAndCodecs) {
    const std::string page = testing_support::readFile(MELODRIFT_HELP_FORMATS_PAGE);
    ASSERT_FALSE(page.empty()) << MELODRIFT_HELP_FORMATS_PAGE;
    const std::vector<PageRow> rows = formatRows(page);
    const Catalogue catalogue;
    EXPECT_EQ(rows.size(), catalogue.formats().size()) << "one table row per catalogue format";
    for (const auto& format : catalogue.formats()) {
        const std::string label = formatLabel(*format);
        const PageRow* row = nullptr;
        for (const PageRow& r : rows)
            if (r.label == label) row = &r;
        ASSERT_NE(row, nullptr) << "no row labelled " << label;
        std::vector<std::string> codecs;
        for (size_t i = 0; i < codecCount(format->codecs); ++i)
            codecs.push_back(format->codecs[i]->displayName);
        EXPECT_EQ(row->codecs, codecs) << label;
        const CodecInfo* initial = findCodec(*format);
        ASSERT_NE(initial, nullptr) << label;
        EXPECT_EQ(row->marked, std::vector<std::string>{initial->displayName}) << label;
    }
}

}  // namespace
