#include "engine/OutputTags.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

#include "engine/CommandLine.h"
#include "engine/Loudness.h"
#include "engine/Transcoder.h"
#include "formats/OutputFormat.h"
#include "platform/Files.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"

namespace {

struct FormatForm {
    int32_t id;
    TagForm form;
};

// clang-format off
constexpr FormatForm kFormatForms[] = {
    {1160, {TagStyle::kOwnNames, CoverWay::kPictureStream}},  // MP3
    {1040, {TagStyle::kOwnNames, CoverWay::kPictureStream}},  // AIFF
    {1090, {TagStyle::kVorbis, CoverWay::kPictureStream}},    // FLAC
    {1180, {TagStyle::kVorbis, CoverWay::kBlockPicture}},     // OGG
    {1182, {TagStyle::kVorbis, CoverWay::kBlockPicture}},     // Opus
    {1185, {TagStyle::kVorbis, CoverWay::kBlockPicture}},     // Speex
    {1220, {TagStyle::kApe, CoverWay::kNone}},                // WavPack
    {1010, {TagStyle::kApe, CoverWay::kNone}},                // ADTS with its APE tag
    {1210, {TagStyle::kAsf, CoverWay::kNone}},                // WMA
    {1200, {TagStyle::kRiffInfo, CoverWay::kNone}},           // WAV
};

// Each field's name per form, in the order of the fields; null: the form has no place for it (or keeps it
// with the number, "3/12").
struct FieldNames {
    TagStyle style;
    std::array<const char*, kTagFieldCount> names;
};
const FieldNames kFieldNames[] = {
    {TagStyle::kOwnNames, {"title", "artist", "album_artist", "album", "track", nullptr, "disc", nullptr, "date",
                           "genre", "composer", "comment"}},
    {TagStyle::kVorbis, {"TITLE", "ARTIST", "ALBUMARTIST", "ALBUM", "TRACKNUMBER", "TRACKTOTAL", "DISCNUMBER",
                         "DISCTOTAL", "DATE", "GENRE", "COMPOSER", "DESCRIPTION"}},
    {TagStyle::kApe, {"Title", "Artist", "Album Artist", "Album", "Track", nullptr, "Disc", nullptr, "Year",
                      "Genre", "Composer", "Comment"}},
    {TagStyle::kAsf, {"title", "artist", "WM/AlbumArtist", "WM/AlbumTitle", "WM/TrackNumber", nullptr,
                      "WM/PartOfSet", nullptr, "WM/Year", "WM/Genre", "WM/Composer", "comment"}},
    // RIFF INFO has no album artist, composer, totals or disc.
    {TagStyle::kRiffInfo, {"title", "artist", nullptr, "album", "track", nullptr, nullptr, nullptr, "date",
                           "genre", nullptr, "comment"}},
};
// clang-format on

// Forms whose number field also holds the total ("3/12"); ASF's track number is a number alone.
bool joinsTotal(TagStyle style, size_t field) {
    return style == TagStyle::kOwnNames || style == TagStyle::kApe ||
           (style == TagStyle::kAsf && field == kTagDisc);
}

constexpr const char* kCoverNames[] = {"cover.jpg", "folder.jpg", "cover.png", "folder.png",
                                       "Cover.jpg", "Folder.jpg", "Cover.png", "Folder.png"};

uint32_t bigEndian(std::string_view bytes, size_t at, size_t count) {
    uint32_t value = 0;
    for (size_t i = 0; i < count && at + i < bytes.size(); ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

void appendBigEndian(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift & 0xff);
}

struct PictureSize {
    uint32_t width = 0, height = 0, depth = 0;
};

// The size from a PNG's header chunk or a JPEG's frame header; zeros when it cannot be found.
PictureSize pictureSize(std::string_view image, bool png) {
    if (png) {
        if (image.size() < 26) return {};
        const uint32_t channels[] = {1, 0, 3, 1, 2, 0, 4};
        const uint32_t colour = static_cast<unsigned char>(image[25]);
        return {bigEndian(image, 16, 4), bigEndian(image, 20, 4),
                static_cast<unsigned char>(image[24]) * (colour < 7 ? channels[colour] : 0)};
    }
    size_t at = 2;
    while (at + 9 < image.size() && static_cast<unsigned char>(image[at]) == 0xff) {
        const unsigned marker = static_cast<unsigned char>(image[at + 1]);
        const uint32_t length = bigEndian(image, at + 2, 2);
        // Start of frame, any kind but the huffman, arithmetic and restart tables.
        if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc)
            return {bigEndian(image, at + 7, 2), bigEndian(image, at + 5, 2),
                    static_cast<unsigned char>(image[at + 4]) * bigEndian(image, at + 9, 1)};
        at += 2 + length;
    }
    return {};
}

std::string base64(std::string_view bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t n = bigEndian(bytes, i, 3) << (8 * (i + 3 - std::min(i + 3, bytes.size())));
        const size_t have = std::min<size_t>(bytes.size() - i, 3);
        for (size_t k = 0; k < 4; ++k) out += k <= have ? kDigits[n >> (18 - 6 * k) & 0x3f] : '=';
    }
    return out;
}

// The first picture stream of a file, copied as it is; none when it has none or the transcoder fails.
std::optional<std::string> extractCover(const std::string& path, const std::string& folder) {
    const std::string transcoder = transcoderPath();
    const std::string picture = platform::makeTempFileName(folder, "", ".pic");
    if (path.find('"') != std::string::npos || picture.empty()) return std::nullopt;
    const std::string line = quotedPath(transcoder) + " -hide_banner -loglevel error -i " + quotedPath(path) +
                             " -map 0:v:0 -c:v copy -frames:v 1 -f rawvideo -y " + quotedPath(picture);
    runProbe(line, [](platform::ChildProcess& process) {
        drainProcess(
            process, [](const char*, size_t) {}, kProbeStallSeconds);
        return true;
    });
    std::optional<std::string> bytes = platform::readWholeFile(picture);
    platform::deleteFile(picture);
    if (bytes && bytes->empty()) return std::nullopt;
    return bytes;
}

// The job's metadata file with the tags, or only its name for the console's plan.
Result<TagInputs> writeMetadataFile(const TagList& list, bool plan, const std::string& folder) {
    TagInputs inputs;
    if (plan) {
        inputs.metadataFile = kPlannedMetadataFile;
        inputs.ownsMetadataFile = false;
        return inputs;
    }
    inputs.metadataFile = platform::makeTempFileName(folder, "", ".txt");
    if (inputs.metadataFile.empty() ||
        !platform::writeWholeFile(inputs.metadataFile, metadataFileText(list))) {
        if (!inputs.metadataFile.empty()) platform::deleteFile(inputs.metadataFile);
        return Failure{"Failed to create temporary file"};
    }
    return inputs;
}

}  // namespace

TagForm tagForm(const OutputFormat& format) {
    if (format.kind == kFormatIntermediate) return {};
    if (format.muxer != nullptr && std::string_view(format.muxer) == "ipod")
        return {TagStyle::kOwnNames, CoverWay::kPictureStream};
    for (const FormatForm& row : kFormatForms)
        if (row.id == format.id) return row.form;
    return {TagStyle::kOwnNames, CoverWay::kNone};
}

TagList containerTags(const SourceTags& tags, TagStyle style) {
    TagList list;
    const FieldNames* names = nullptr;
    for (const FieldNames& row : kFieldNames)
        if (row.style == style) names = &row;
    if (names == nullptr) return list;
    for (size_t f = 0; f < kTagFieldCount; ++f) {
        const char* name = names->names[f];
        std::string value = tags.values[f];
        if (name == nullptr || value.empty()) continue;
        const bool number = f == kTagTrack || f == kTagDisc;
        if (number && joinsTotal(style, f)) {
            const std::string& total = tags.values[f + 1];
            if (!total.empty()) value += "/" + total;
        }
        list.emplace_back(name, std::move(value));
    }
    return list;
}

std::string metadataFileText(const TagList& tags) {
    std::string text = ";FFMETADATA1\n";
    const auto append = [&text](std::string_view part) {
        for (const char c : part) {
            if (c == '=' || c == ';' || c == '#' || c == '\\' || c == '\n' || c == '\r') text += '\\';
            text += c;
        }
    };
    for (const auto& [key, value] : tags) {
        append(key);
        text += '=';
        append(value);
        text += '\n';
    }
    return text;
}

std::optional<std::string> folderCover(const std::string& sourcePath) {
    const std::optional<std::string> folder = platform::folderPart(sourcePath);
    if (!folder) return std::nullopt;
    for (const char* name : kCoverNames) {
        const std::string path = platform::withTrailingSeparator(*folder) + name;
        if (platform::isExistingFile(path)) return path;
    }
    return std::nullopt;
}

std::string blockPictureValue(std::string_view image) {
    const bool png = image.substr(0, 4) == "\x89PNG";
    const bool jpeg = image.substr(0, 3) == "\xff\xd8\xff";
    if (!png && !jpeg) return {};
    const std::string_view mime = png ? "image/png" : "image/jpeg";
    const PictureSize size = pictureSize(image, png);
    std::string block;
    appendBigEndian(block, 3);  // front cover
    appendBigEndian(block, static_cast<uint32_t>(mime.size()));
    block += mime;
    appendBigEndian(block, 0);  // no description
    appendBigEndian(block, size.width);
    appendBigEndian(block, size.height);
    appendBigEndian(block, size.depth);
    appendBigEndian(block, 0);  // not indexed
    appendBigEndian(block, static_cast<uint32_t>(image.size()));
    block += image;
    return base64(block);
}

Result<TagInputs> makeTagInputs(const SourceItem& tagSource, bool sourceIsInput, const OutputFormat& format,
                                const AppSettings& settings, bool plan, const std::string& folder,
                                const RowLoudness* loudness) {
    TagInputs inputs;
    const TagForm form = tagForm(format);
    if (form.style == TagStyle::kNone) return inputs;
    // Loudness tags are written also when the source's tags are not kept; RIFF INFO has no place for them.
    TagList gains = settings.LoudnessMode == kLoudnessTags && form.style != TagStyle::kRiffInfo
                        ? replayGainTags(loudness != nullptr ? *loudness : tagSource.loudness, format)
                        : TagList();
    if (settings.KeepID3Tag == 0) {
        if (gains.empty()) return inputs;
        return writeMetadataFile(gains, plan, folder);
    }

    const SourceTags tags = tagSource.outputTags();
    TagList list = containerTags(tags, form.style);
    list.insert(list.end(), gains.begin(), gains.end());
    // A film's picture is never a cover; a prepared source is a decoded copy without one.
    const bool ownCover = tags.hasCover && !tagSource.hasVideo && !tagSource.needsPreparation;
    std::optional<std::string> fromFolder =
        !ownCover && settings.CoverFromFolder != 0 ? folderCover(tagSource.path) : std::nullopt;
    if (fromFolder && fromFolder->find('"') != std::string::npos) fromFolder.reset();
    if (form.cover == CoverWay::kPictureStream) {
        if (ownCover && sourceIsInput) {
            inputs.sourceCover = true;
        } else if (ownCover && tagSource.path.find('"') == std::string::npos) {
            inputs.coverFile = tagSource.path;
        } else if (fromFolder) {
            inputs.coverFile = *fromFolder;
        }
    } else if (form.cover == CoverWay::kBlockPicture && (ownCover || fromFolder)) {
        // The console's plan shows the line only: the picture is not read for it.
        const std::optional<std::string> image = plan       ? std::optional<std::string>("")
                                                 : ownCover ? extractCover(tagSource.path, folder)
                                                            : platform::readWholeFile(*fromFolder);
        const std::string value = image ? blockPictureValue(*image) : std::string();
        if (!value.empty()) list.emplace_back("METADATA_BLOCK_PICTURE", value);
    }
    if (list.empty()) return inputs;
    Result<TagInputs> written = writeMetadataFile(list, plan, folder);
    if (written) {
        written->coverFile = std::move(inputs.coverFile);
        written->sourceCover = inputs.sourceCover;
    }
    return written;
}

bool removeTagInputs(const TagInputs& inputs) {
    if (!inputs.ownsMetadataFile || inputs.metadataFile.empty()) return true;
    platform::deleteFile(inputs.metadataFile);
    return !platform::pathExists(inputs.metadataFile);
}
