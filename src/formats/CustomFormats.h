// Custom output formats: named groups of catalogue formats. A conversion to a group makes one output per
// member format. Groups are known by their position: the first is format id 21001, the next 21002 ...
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/OutputFormat.h"

struct CustomOutputFormat {
    std::string name;
    std::vector<int32_t> ids;  // catalogue ids; ascending when edited, as stored when loaded
};

// The format id of the group at a position (0 for the first).
int32_t customFormatId(size_t position);
// The group that a format id names; null when the id names no group of the list.
const CustomOutputFormat* customFormatForId(const std::vector<CustomOutputFormat>& groups, int32_t id);
CustomOutputFormat* customFormatForId(std::vector<CustomOutputFormat>& groups, int32_t id);

// The stored form of a group's ids: each as a decimal number followed by a comma ("1160,1200,").
std::string customFormatIdText(const std::vector<int32_t>& ids);
// Reads the stored form: from each position a decimal number (leading blanks skipped, an optional sign,
// 0 when no digit follows), then on past the next comma, until no comma is left. "1160,,1200," gives
// 1160, 0 and 1200; text after a null is ignored.
std::vector<int32_t> parseCustomFormatIds(std::string_view text);
