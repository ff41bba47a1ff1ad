// What an output carries of its source's tags and cover, in its container's own form. The values never go
// on the command line (they may be long and hold quotes and line breaks): the job writes them into a small
// temporary metadata file that the transcoder reads as a second input.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Result.h"

struct AppSettings;
struct OutputFormat;
struct SourceItem;
struct SourceTags;
struct RowLoudness;

// The tag form of a container.
enum class TagStyle {
    kNone,  // no tags (the intermediates of a join)
    // The transcoder's own names, which its muxers turn into ID3 frames (MP3, AIFF), iTunes atoms (the
    // MPEG-4 family) and whatever else a container keeps.
    kOwnNames,
    kVorbis,    // FLAC, OGG, Opus, Speex
    kApe,       // WavPack, ADTS
    kAsf,       // WMA
    kRiffInfo,  // WAV
};

// How a cover gets into the output.
enum class CoverWay {
    kNone,
    kPictureStream,  // the picture copied as an attached picture stream (APIC, covr, FLAC PICTURE)
    kBlockPicture,   // a METADATA_BLOCK_PICTURE comment (the Ogg muxer takes no picture stream)
};

struct TagForm {
    TagStyle style = TagStyle::kNone;
    CoverWay cover = CoverWay::kNone;
};
TagForm tagForm(const OutputFormat& format);

using TagList = std::vector<std::pair<std::string, std::string>>;

// The fields that are set, under the container's names; track and disc with their totals where the form
// keeps them together ("3/12").
TagList containerTags(const SourceTags& tags, TagStyle style);

// The transcoder's metadata file: ";FFMETADATA1", then one "key=value" a line with '=', ';', '#', '\' and
// line breaks escaped.
std::string metadataFileText(const TagList& tags);

// The first of cover.jpg, folder.jpg, cover.png, folder.png in the source's folder; none when none is there.
std::optional<std::string> folderCover(const std::string& sourcePath);

// A METADATA_BLOCK_PICTURE value: the FLAC picture block of a JPEG or PNG front cover, base64; empty for
// another kind of picture.
std::string blockPictureValue(std::string_view image);

// The extra inputs of a job's transcoder line. The metadata file is the second input; a cover file, when
// given, the third (a picture, or a source whose first picture stream is the cover).
struct TagInputs {
    std::string metadataFile;  // empty: the output gets no tags
    std::string coverFile;
    bool sourceCover = false;  // the cover is the first picture stream of the job's own input
    bool ownsMetadataFile = true;
};

// The name the console's "command" gives the metadata file that a run would write.
inline constexpr const char* kPlannedMetadataFile = "<tags>";

// The job's tag inputs: tagSource's tags (with the row's edits) and cover, for format. sourceIsInput: the
// tag source is the job's input (not so for a join, whose cover comes from its first member as an extra
// input). Writes the metadata file into folder (empty: the system's temporary folder) unless plan is set,
// when it only names it. No inputs when the settings keep no tags or the output takes none.
// loudness: the measurement the loudness tags come from (null: tagSource's; a join has its own).
Result<TagInputs> makeTagInputs(const SourceItem& tagSource, bool sourceIsInput, const OutputFormat& format,
                                const AppSettings& settings, bool plan = false,
                                const std::string& folder = {}, const RowLoudness* loudness = nullptr);

// Deletes the job's temporary files; false when one is still there (held by a process that is ending).
bool removeTagInputs(const TagInputs& inputs);
