// Output names made from a source's tags by a pattern such as "<albumartist>\<album>\<track> - <title>":
// the placeholders, the refusal of a pattern the program cannot expand, and the expansion into a path
// below the output folder that every Windows file system accepts, whatever the tags hold.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"
#include "sources/SourceTags.h"

// The placeholders besides the tag fields: the source's name without its extension, and the name of the
// folder that holds it.
inline constexpr const char* kFileNamePlaceholder = "filename";
inline constexpr const char* kFolderNamePlaceholder = "foldername";

// Every placeholder as the user writes it ("<title>" ... "<foldername>"), the tag fields first.
std::vector<std::string> namePatternPlaceholders();

// Why the pattern cannot be used, worded for the user; none for a usable (or empty) pattern.
std::optional<std::string> namePatternError(std::string_view pattern);

// The pattern for one source: its parts, folders first and the file name (without extension) last, each
// a name Windows accepts. A part a separator would break is kept whole ("AC/DC" gives "AC_DC"); a folder
// part that comes out empty is left out; an empty file name is the source's own. The pattern must be
// usable (see namePatternError).
std::vector<std::string> expandNamePattern(std::string_view pattern, const SourceTags& tags,
                                           std::string_view namingSource);

// One part as a name Windows accepts: refused characters and control characters become '_', blanks at
// both ends and dots at the end go, a device name (CON, NUL, COM1, "con.txt" ...) gets a '_' after its
// device part. May come out empty.
std::string cleanNamePart(std::string_view text);

// The parts joined below folder (which ends in a separator) so that the folder path, and the whole path
// with reserve more units (extension and numbering), stay within the limits. A name longer than a name
// may be is cut; when the whole path is too long the file name is cut, down to kShortestCutName; when
// even that does not fit, the deepest folders are left out, whole, before the name is cut further. None
// when no name fits at all.
inline constexpr size_t kShortestCutName = 16;
std::optional<std::string> fitNameParts(std::vector<std::string> parts, std::string_view folder,
                                        size_t reserve, const platform::PathLimits& limits);
