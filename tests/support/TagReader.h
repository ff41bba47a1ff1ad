// Reads the tags and the cover of media files with an independent reader: python3-mutagen, each
// container's tags under its own names (ID3 frames, Vorbis comments, iTunes atoms, APEv2 items, ASF
// attributes), and RIFF INFO read from its chunks. Under Wine the native /usr/bin/python3 runs through
// Wine's Unix program support.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace testing_support {

// Per file: "title", "artist", "albumartist", "album", "track", "tracktotal", "disc", "disctotal", "date",
// "genre", "composer", "comment" as found ("TXXX:" before an ID3 comment that is no COMM frame), "cover"
// (the picture bytes' MD5, "type" its picture type), "id3" (the ID3v2 version, "2.3"), "id3v1" (the old
// tag's title), "stale" (a value holding "Stale"), "replaygain_track_gain" and the other loudness tags
// under their lower-case names in any form, "----:MEAN:NAME" an MP4 freeform atom's value (the values of
// atoms under one key joined by '|', " (type N)" after one that is not UTF-8), "error" when the file could
// not be read. For a path
// passed as a picture, "cover" is the MD5 of the file itself. Values: backslash, line feed and tab as \\,
// \n and \t.
using FileTags = std::map<std::string, std::string>;
std::map<std::string, FileTags> readTags(const std::vector<std::string>& media,
                                         const std::vector<std::string>& pictures = {});

// The escaping of the values above.
std::string escapedTagValue(const std::string& value);

}  // namespace testing_support
