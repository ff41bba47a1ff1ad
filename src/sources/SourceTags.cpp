#include "sources/SourceTags.h"

#include <algorithm>

#include "platform/Text.h"

// clang-format off
const std::array<TagFieldInfo, kTagFieldCount> kTagFields = {{
    {"title",       "Title"},
    {"artist",      "Artist"},
    {"albumartist", "Album Artist"},
    {"album",       "Album"},
    {"track",       "Track"},
    {"tracktotal",  "Track Total"},
    {"disc",        "Disc"},
    {"disctotal",   "Disc Total"},
    {"date",        "Year"},
    {"genre",       "Genre"},
    {"composer",    "Composer"},
    {"comment",     "Comment"},
}};

namespace {

// The keys the transcoder shows for each field, in lower case: its own generic names first, then the
// containers' spellings it passes through unchanged.
struct KeyAlias {
    const char* key;
    TagField field;
};
const KeyAlias kKeyAliases[] = {
    {"title", kTagTitle},             {"artist", kTagArtist},
    {"album_artist", kTagAlbumArtist}, {"albumartist", kTagAlbumArtist},
    {"album artist", kTagAlbumArtist}, {"wm/albumartist", kTagAlbumArtist},
    {"album", kTagAlbum},             {"wm/albumtitle", kTagAlbum},
    {"track", kTagTrack},             {"tracknumber", kTagTrack},
    {"wm/tracknumber", kTagTrack},    {"tracktotal", kTagTrackTotal},
    {"totaltracks", kTagTrackTotal},  {"disc", kTagDisc},
    {"discnumber", kTagDisc},         {"wm/partofset", kTagDisc},
    {"disctotal", kTagDiscTotal},     {"totaldiscs", kTagDiscTotal},
    {"date", kTagDate},               {"year", kTagDate},
    {"wm/year", kTagDate},            {"genre", kTagGenre},
    {"wm/genre", kTagGenre},          {"composer", kTagComposer},
    {"wm/composer", kTagComposer},    {"comment", kTagComment},
    {"description", kTagComment},
};
// clang-format on

}  // namespace

std::optional<TagField> tagFieldNamed(std::string_view name) {
    const std::string lower = platform::toLowerAscii(std::string(name));
    for (size_t f = 0; f < kTagFieldCount; ++f)
        if (lower == kTagFields[f].name) return static_cast<TagField>(f);
    return std::nullopt;
}

bool SourceTags::empty() const {
    return !hasCover &&
           std::all_of(values.begin(), values.end(), [](const std::string& v) { return v.empty(); });
}

bool TagEdits::empty() const {
    return std::none_of(values.begin(), values.end(), [](const auto& v) { return v.has_value(); });
}

SourceTags editedTags(const SourceTags& tags, const TagEdits& edits) {
    SourceTags edited = tags;
    for (size_t f = 0; f < kTagFieldCount; ++f)
        if (edits.values[f]) edited.values[f] = *edits.values[f];
    return edited;
}

std::optional<TagField> tagFieldForKey(std::string_view key) {
    const std::string lower = platform::toLowerAscii(std::string(key));
    for (const KeyAlias& alias : kKeyAliases)
        if (lower == alias.key) return alias.field;
    return std::nullopt;
}

void storeSourceTag(SourceTags& tags, std::string_view key, std::string_view value) {
    const std::optional<TagField> field = tagFieldForKey(key);
    if (!field || value.empty()) return;
    const auto store = [&](TagField f, std::string_view v) {
        if (tags[f].empty() && !v.empty()) tags[f] = std::string(v);
    };
    if (*field == kTagTrack || *field == kTagDisc) {
        const size_t slash = value.find('/');
        if (slash != std::string_view::npos) {
            store(*field, value.substr(0, slash));
            store(*field == kTagTrack ? kTagTrackTotal : kTagDiscTotal, value.substr(slash + 1));
            return;
        }
    }
    store(*field, value);
}
