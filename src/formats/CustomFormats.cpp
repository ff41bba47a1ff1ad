#include "formats/CustomFormats.h"

#include <limits>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// One decimal number from the start of text; out-of-range numbers stop at the nearest end of the range.
int32_t leadingNumber(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && isBlank(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > kLimit) value = kLimit;
    }
    if (negative) return static_cast<int32_t>(-value);
    return static_cast<int32_t>(value == kLimit ? kLimit - 1 : value);
}

}  // namespace

int32_t customFormatId(size_t position) { return kFirstCustomFormatId + static_cast<int32_t>(position); }

const CustomOutputFormat* customFormatForId(const std::vector<CustomOutputFormat>& groups, int32_t id) {
    const int64_t position = int64_t{id} - kFirstCustomFormatId;
    if (position < 0 || position >= static_cast<int64_t>(groups.size())) return nullptr;
    return &groups[static_cast<size_t>(position)];
}

CustomOutputFormat* customFormatForId(std::vector<CustomOutputFormat>& groups, int32_t id) {
    return const_cast<CustomOutputFormat*>(
        customFormatForId(static_cast<const std::vector<CustomOutputFormat>&>(groups), id));
}

std::string customFormatIdText(const std::vector<int32_t>& ids) {
    std::string text;
    for (const int32_t id : ids) text += std::to_string(id) + ",";
    return text;
}

std::vector<int32_t> parseCustomFormatIds(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<int32_t> ids;
    for (size_t at = 0; at < text.size();) {
        ids.push_back(leadingNumber(text.substr(at)));
        const size_t comma = text.find(',', at);
        if (comma == std::string_view::npos) break;
        at = comma + 1;
    }
    return ids;
}
