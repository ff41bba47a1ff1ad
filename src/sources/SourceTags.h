// A source's tags: the fields the list shows, the names are made from and every output carries, as the
// probe read them from the source, and the user's edits of a row, which apply to its outputs only.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

enum TagField : size_t {
    kTagTitle,
    kTagArtist,
    kTagAlbumArtist,
    kTagAlbum,
    kTagTrack,  // the number alone: "3" of "3/12"
    kTagTrackTotal,
    kTagDisc,
    kTagDiscTotal,
    kTagDate,  // as written: a year or a full date
    kTagGenre,
    kTagComposer,
    kTagComment,
};
inline constexpr size_t kTagFieldCount = 12;

struct TagFieldInfo {
    // The field's one name: the console's "tag.<name>=" line and "--tag <name>=", a pattern's
    // "<name>" placeholder.
    const char* name;
    const char* label;  // "Album Artist"
};
extern const std::array<TagFieldInfo, kTagFieldCount> kTagFields;

// The field with this name (case ignored); none for another text.
std::optional<TagField> tagFieldNamed(std::string_view name);

struct SourceTags {
    std::array<std::string, kTagFieldCount> values;
    bool hasCover = false;  // the source carries a picture (a cover, not a film)

    const std::string& operator[](TagField field) const { return values[field]; }
    std::string& operator[](TagField field) { return values[field]; }
    bool empty() const;
};

// A row's edits: a field set here replaces what the source says; set to empty it removes the field.
struct TagEdits {
    std::array<std::optional<std::string>, kTagFieldCount> values;

    bool empty() const;
};

// The tags with the edits applied.
SourceTags editedTags(const SourceTags& tags, const TagEdits& edits);

// The field a tag key of the transcoder's description stands for, in any case and in the spellings the
// containers use ("album_artist", "ALBUMARTIST", "TRACKNUMBER", "TOTALTRACKS", "year", "WM/Year"...).
std::optional<TagField> tagFieldForKey(std::string_view key);

// Stores one tag of the source: a "3/12" track or disc gives the number and, unless the total is known
// already, the total. The first value of a field wins (a file may say it twice). Keys of no field are
// ignored.
void storeSourceTag(SourceTags& tags, std::string_view key, std::string_view value);
