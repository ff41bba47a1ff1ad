#include "engine/CommandLine.h"

#include <cstdio>

#include "engine/Loudness.h"
#include "engine/OutputTags.h"
#include "engine/Transcoder.h"
#include "formats/Catalogue.h"
#include "formats/OutputFormat.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"

namespace {

constexpr int32_t kMp3FormatId = 1160;
constexpr int32_t kAdtsFormatId = 1010;
constexpr int32_t kAiffFormatId = 1040;

struct RawInput {
    const char* extension;
    const char* format;
};

// Raw PCM speech carries no header, so its rate and channel count are forced. The G.722, G.723.1 and
// G.729 readers know theirs and refuse the rate and channel options, so they get the format name alone.
constexpr RawInput kRawInputs[] = {
    {"264", "h264"},
    {"h264", "h264"},
    {"263", "h263"},
    {"h263", "h263"},
    {"261", "h261"},
    {"h261", "h261"},
    {"ulw", "mulaw -ar 8k -ac 1"},
    {"ulaw", "mulaw -ar 8k -ac 1"},
    {"alw", "alaw -ar 8k -ac 1"},
    {"alaw", "alaw -ar 8k -ac 1"},
    {"mjpg", "mjpeg"},
    {"mjpeg", "mjpeg"},
    {"hevc", "hevc"},
    {"265", "hevc"},
    {"h265", "hevc"},
    {"722", "g722"},
    {"g722", "g722"},
    {"723_1", "g723_1"},
    {"g723_1", "g723_1"},
    {"729", "g729"},
    {"g729", "g729"},
};

// Where a codec's encoder or its decoder loses audio, the encoder gets silence around it. A decoder that
// gives nothing for the first frame gets a frame in front (lead); an encoder whose delay is never flushed
// gets that delay after the end (tail), so that the last samples come out. Samples at the output rate.
struct LengthRule {
    const char* codec;
    const char* muxer;  // the rule holds in this container only; null: in any
    // Encoded at this rate whatever rate was chosen; the chosen one then only limits the band (half of it).
    int32_t encodingRate;
    int32_t (*lead)(int32_t sampleRate);
    int32_t (*tail)(int32_t sampleRate);
    // A container that records where the audio starts, read by a reader that trims the start but not the
    // end: when the output's length is known, the last frame's padding goes in front of the audio, before
    // its start, and the last frame ends with the audio. The frame length.
    int32_t frontFill;
};

// WMA frames: 512 samples up to 16000 Hz, 1024 up to 22050 Hz (32000 Hz for version 1), 2048 above. Its
// decoder drops the first frame, and the last one is only whole with the next frame's overlap.
int32_t wmaV1Frame(int32_t rate) { return rate <= 16000 ? 512 : rate <= 32000 ? 1024 : 2048; }
int32_t wmaV2Frame(int32_t rate) { return rate <= 16000 ? 512 : rate <= 22050 ? 1024 : 2048; }
// Speex's narrow, wide and ultra-wide band.
int32_t speexDelay(int32_t rate) { return rate <= 8000 ? 80 : rate <= 16000 ? 223 : 509; }

constexpr LengthRule kLengthRules[] = {
    {"wmav1", nullptr, 0, wmaV1Frame, wmaV1Frame, 0},
    {"wmav2", nullptr, 0, wmaV2Frame, wmaV2Frame, 0},
    // Encoder and decoder delays: the MPEG audio filter bank, the DTS one, Speex, G.723.1's look-ahead,
    // the G.722 filter bank, AMR-WB.
    {"mp2", nullptr, 0, nullptr, [](int32_t) { return 481; }, 0},
    {"dca", nullptr, 0, nullptr, [](int32_t) { return 512; }, 0},
    {"libspeex", nullptr, 0, nullptr, speexDelay, 0},
    {"g723_1", nullptr, 0, nullptr, [](int32_t) { return 60; }, 0},
    {"g722", nullptr, 0, nullptr, [](int32_t) { return 22; }, 0},
    {"libvo_amrwbenc", nullptr, 0, nullptr, [](int32_t) { return 95; }, 0},
    // Opus decodes at 48000 Hz, and FFmpeg 4.1 (the Windows transcoder) records the end wrongly when it
    // encodes at another rate.
    {"libopus", nullptr, 48000, nullptr, nullptr, 0},
    // The edit list skips the encoder's priming; FFmpeg 5.1 does not cut the end where the list ends.
    {"aac", "ipod", 0, nullptr, nullptr, 1024},
};

const LengthRule* findLengthRule(const OutputFormat& format) {
    const std::string muxer = format.muxer != nullptr ? format.muxer : "";
    for (const LengthRule& rule : kLengthRules)
        if (format.AudioCodec == rule.codec && (rule.muxer == nullptr || muxer == rule.muxer)) return &rule;
    return nullptr;
}

// Seconds as a filter option takes them ("90", "1.500"): no colons, which separate the options.
std::string filterSeconds(uint64_t milliseconds) {
    if (milliseconds % 1000 == 0) return std::to_string(milliseconds / 1000);
    char text[32];
    std::snprintf(text, sizeof text, "%llu.%03llu", static_cast<unsigned long long>(milliseconds / 1000),
                  static_cast<unsigned long long>(milliseconds % 1000));
    return text;
}

// The output's length in samples at the rate when it is known, else 0: the length trimmed to, or what is
// left of the source after the skip. A wrong guess only loses the front fill's exactness.
int64_t expectedSamples(const SourceItem& item, const TrimWindow& trim, int32_t rate) {
    uint64_t milliseconds = trim.lengthMs.value_or(0);
    if (milliseconds == 0 && item.durationMs > trim.skipMs && !item.durationEstimated)
        milliseconds = item.durationMs - trim.skipMs;
    return static_cast<int64_t>((milliseconds * static_cast<uint64_t>(rate) + 500) / 1000);
}

// The filters that put the silence around the audio, after the trims (which then cannot be output
// options: those apply after every filter); empty when the codec needs none. Fixing the rate and the
// channel count first makes the lengths count at the output rate and gives each channel its delay.
std::string paddingFilters(const LengthRule* rule, int32_t rate, int32_t channels, const TrimWindow& trim,
                           int64_t samples) {
    if (rule == nullptr || channels <= 0) return {};
    const int32_t lead = rule->lead != nullptr ? rule->lead(rate) : 0;
    const int32_t tail = rule->tail != nullptr ? rule->tail(rate) : 0;
    const int32_t frame = rule->frontFill;
    const int32_t fill =
        frame != 0 && samples > 0 ? static_cast<int32_t>((frame - samples % frame) % frame) : 0;
    if (lead == 0 && tail == 0 && fill == 0) return {};
    std::string filters;
    if (trim.skipMs != 0 || trim.lengthMs) {
        filters += "atrim=";
        if (trim.skipMs != 0) filters += "start=" + filterSeconds(trim.skipMs) + (trim.lengthMs ? ":" : "");
        if (trim.lengthMs) filters += "duration=" + filterSeconds(*trim.lengthMs);
        filters += ",asetpts=PTS-STARTPTS,";
    }
    filters +=
        "aformat=sample_rates=" + std::to_string(rate) + ":channel_layouts=" + std::to_string(channels) + "c";
    if (lead + fill != 0) {
        const std::string delay = std::to_string(lead + fill) + "S";
        filters += ",adelay=" + delay;
        for (int32_t c = 1; c < channels; ++c) filters += "|" + delay;
    }
    // The fill lies before the start, which the container then records with the priming.
    if (fill != 0) filters += ",asetpts=PTS-" + std::to_string(fill) + "/(SR*TB)";
    if (tail != 0) filters += ",apad=pad_len=" + std::to_string(tail);
    return filters;
}

template <typename T>
T entryOr(const std::vector<T>& list, size_t index, T fallback) {
    return index < list.size() ? list[index] : fallback;
}

// Appends the audio options; true when they hold the trims.
bool appendAudio(std::string& line, const SourceItem& item, const OutputFormat& format,
                 const AppSettings& settings, const CodecInfo& codec, const TrimWindow& trim,
                 bool mapAlways) {
    const size_t n = item.convertedStream();
    if (item.streamCount() > 1 || mapAlways) {
        const std::string id = entryOr(item.streamIds, n, std::string());
        line += "-map " + (id.empty() ? std::string("0:a:0") : id) + " ";
    }

    const AudioShape shape = outputAudioShape(format, codec, entryOr(item.streamSampleRates, n, uint32_t{0}),
                                              entryOr(item.streamChannels, n, uint32_t{0}));
    const int32_t channels = shape.channels, sampleRate = shape.sampleRate;

    line += "-c:a ";
    line +=
        format.AudioCodec == "aac" ? std::string("aac -strict -2 -cutoff 21000 ") : format.AudioCodec + " ";

    switch (format.id) {
        case kAdtsFormatId:
            line += "-write_apetag 1 ";
            break;
        case kAiffFormatId:
            line += "-write_id3v2 1 -id3v2_version 3 ";
            break;
        case kMp3FormatId:
            line += "-id3v2_version 3 ";
            break;
        default:
            break;
    }

    const LengthRule* rule = findLengthRule(format);
    const int32_t encodingRate = rule != nullptr && rule->encodingRate != 0 ? rule->encodingRate : sampleRate;
    line += "-ar " + std::to_string(encodingRate) + " -ac " + std::to_string(channels) + " ";
    if (encodingRate != sampleRate) line += "-cutoff " + std::to_string(sampleRate / 2) + " ";

    if (format.AudioCodec == "dca") line += "-strict -2 ";

    const bool vbr = format.AudioVBREnabled != 0 && format.AudioVBRQuality != -1 &&
                     (codec.capabilities & kCodecVbr) != 0 && codec.vbrHighQuality != -1 &&
                     codec.vbrLowQuality != -1;
    if (vbr) {
        line += "-q:a " + std::to_string(format.AudioVBRQuality) + " ";
    } else if (codec.values == nullptr) {
        // Nothing to choose: the codec's rate follows from its sample format.
    } else if ((codec.capabilities & kCodecCompression) != 0) {
        line += "-compression_level " +
                std::to_string(nearestListedValue(format.AudioCompressionLevel, codec.values)) + " ";
    } else {
        int32_t bitRate =
            format.AudioBitRate != 0 ? format.AudioBitRate : defaultBitRate(sampleRate, channels);
        bitRate = nearestListedValue(bitRate, codec.values);
        // g726 lists bits per sample.
        if (format.AudioCodec == "g726") bitRate *= sampleRate;
        line += "-b:a " + std::to_string(bitRate) + " ";
    }

    if (format.AudioVolume != 100) {
        const int32_t volume = static_cast<int32_t>(static_cast<int64_t>(format.AudioVolume) * 256 / 100);
        line += "-vol " + std::to_string(volume) + " ";
    }
    if (settings.FixAudioUnsync != 0 && item.kind != kSourceCombineList) line += "-async 1 ";

    const bool nothingLeft = trim.lengthMs == uint64_t{0};
    const std::string padding = nothingLeft ? std::string()
                                            : paddingFilters(rule, encodingRate, channels, trim,
                                                             expectedSamples(item, trim, encodingRate));
    // The loudness gain acts on the source's sound, before the padding's silence.
    const std::string gain =
        normaliseFilters(item.loudness, format, settings, entryOr(item.streamSampleRates, n, uint32_t{0}));
    const std::string filters = gain.empty() || padding.empty() ? gain + padding : gain + "," + padding;
    if (filters.empty()) return false;
    line += "-af " + filters + " ";
    return !padding.empty();
}

void appendTrim(std::string& line, const TrimWindow& trim) {
    if (trim.skipMs > 0) line += "-ss " + trimLengthText(trim.skipMs) + " ";
    if (trim.lengthMs) line += "-t " + trimLengthText(*trim.lengthMs) + " ";
}

}  // namespace

TrimWindow trimWindow(const SourceItem& item, const AppSettings& settings) {
    TrimWindow window;
    const uint64_t duration = static_cast<uint64_t>(item.duration) * 1000;
    uint64_t remaining = duration;
    if (settings.EnableSkipLength != 0 && settings.SkipLength > 0) {
        window.skipMs = settings.SkipLength;
        remaining = duration > settings.SkipLength ? duration - settings.SkipLength : 0;
    }
    if (settings.EnableConvertLength != 0 && settings.ConvertLength > 0) {
        window.lengthMs = settings.ConvertLength;
    } else if (settings.EnableIgnoreTheLast != 0 && settings.IgnoreLength > 0) {
        window.lengthMs = remaining > settings.IgnoreLength ? remaining - settings.IgnoreLength : 0;
    }
    return window;
}

const std::string& inputPath(const SourceItem& item) {
    if (item.needsPreparation && item.prepared && !item.preparedPath.empty()) return item.preparedPath;
    return item.path;
}

std::string rawInputFormat(const std::string& extension) {
    for (const RawInput& raw : kRawInputs) {
        if (extension == raw.extension) return raw.format;
    }
    return {};
}

int32_t defaultBitRate(int32_t sampleRate, int32_t channels) {
    struct Row {
        int32_t upTo;
        int32_t mono;
        int32_t other;
    };
    static constexpr Row kRows[] = {
        {12000, 24000, 48000}, {16000, 32000, 56000}, {22050, 48000, 64000},
        {24000, 48000, 64000}, {32000, 64000, 96000}, {44100, 96000, 128000},
    };
    int32_t result = channels == 1 ? 128000 : 192000;
    for (const Row& row : kRows) {
        if (sampleRate <= row.upTo) {
            result = channels == 1 ? row.mono : row.other;
            break;
        }
    }
    if (channels > 2) result = channels * (result / 2);
    return result;
}

// The rule of appendAudio's "-ar" and "-ac", for the callers that plan a job's line ahead.
AudioShape outputAudioShape(const OutputFormat& format, const CodecInfo& codec, uint32_t sourceRate,
                            uint32_t sourceChannels) {
    int32_t sampleRate = format.AudioSampleRate;
    if (sampleRate == 0) sampleRate = sourceRate == 0 ? 44100 : static_cast<int32_t>(sourceRate);
    const int32_t channels =
        format.AudioChannels != 0 ? format.AudioChannels : static_cast<int32_t>(sourceChannels);
    return {nearestListedValue(sampleRate, codec.sampleRates), fitChannelCount(channels, codec.channelMask)};
}

int32_t fitChannelCount(int32_t channels, uint32_t channelMask) {
    if (channels <= 0) return channels;
    if (channels > 8) channels = 8;
    for (int32_t k = channels; k >= 1; --k) {
        if ((channelMask & (1u << (k - 1))) != 0) return k;
    }
    return 2;
}

std::string trimLengthText(uint64_t milliseconds) {
    if (milliseconds % 1000 == 0) return std::to_string(milliseconds / 1000);
    const unsigned long long s = milliseconds / 1000;
    char text[64];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu.%03llu", s / 3600, s % 3600 / 60, s % 60,
                  static_cast<unsigned long long>(milliseconds % 1000));
    return text;
}

std::string quotedPath(const std::string& path) {
    size_t trailing = 0;
    while (trailing < path.size() && path[path.size() - 1 - trailing] == '\\') ++trailing;
    return "\"" + path + std::string(trailing, '\\') + "\"";
}

std::string unquotablePathError(const SourceItem& item, const std::string& transcoderPath) {
    for (const std::string* path : {&transcoderPath, &inputPath(item), &item.outputPath}) {
        if (path->find('"') != std::string::npos) {
            return "The path \"" + *path + "\" contains a double quote and cannot be given to the transcoder";
        }
    }
    return {};
}

std::string buildCommandLine(const SourceItem& item, const OutputFormat& format, const AppSettings& settings,
                             const std::string& transcoderPath, const TagInputs& tags) {
    std::string line = "\"" + transcoderPath + "\"";
    if (item.kind == kSourceCombineList) {
        // The list holds absolute paths, which the concat reader refuses unless told they are safe.
        line += " -f concat -safe 0";
    } else {
        const std::string raw = rawInputFormat(item.extension);
        if (!raw.empty()) line += " -f " + raw;
    }
    line += " -i " + quotedPath(inputPath(item));
    // The extra inputs come before the output options, which would otherwise apply to them.
    int nextInput = 1;
    const bool keepTags = settings.KeepID3Tag != 0;
    // The metadata file is there only when something is to be written (tags kept, or loudness tags).
    const bool withMetadata = !tags.metadataFile.empty();
    if (withMetadata) {
        line += " -f ffmetadata -i " + quotedPath(tags.metadataFile);
        ++nextInput;
    }
    std::string cover;
    if (keepTags && !tags.coverFile.empty()) {
        line += " -i " + quotedPath(tags.coverFile);
        cover = std::to_string(nextInput) + ":v:0";
    } else if (keepTags && tags.sourceCover) {
        cover = "0:v:0";
    }
    line += " -dn -sn ";

    if (format.muxer != nullptr && format.muxer[0] != '\0') line += "-f " + std::string(format.muxer) + " ";
    if ((format.flags & kFormatFastStart) != 0) line += "-movflags faststart ";
    if (cover.empty()) line += "-vn ";

    const CodecInfo* codec = findCodec(format);
    const TrimWindow trim = trimWindow(item, settings);
    bool trimmed = false;
    if (codec == nullptr || item.streamCount() == 0) {
        line += "-an ";
    } else {
        // A mapped picture turns off the automatic choice of the sound, which is then mapped too.
        trimmed = appendAudio(line, item, format, settings, *codec, trim, !cover.empty());
    }
    if (!cover.empty()) {
        // The picture as it is, marked as the front cover (ID3 and FLAC take the type from its comment).
        line += "-map " + cover +
                " -c:v copy -disposition:v attached_pic -metadata:s:v \"comment=Cover (front)\" ";
    }
    if (keepTags && format.id == kMp3FormatId && settings.WriteID3v1 != 0) line += "-write_id3v1 1 ";

    if (!trimmed) appendTrim(line, trim);

    // Only what the metadata file says: nothing the transcoder would copy by itself, global or per stream.
    line += withMetadata ? "-map_metadata 1 -map_metadata:s -1 " : "-map_metadata -1 ";
    line += "-y " + quotedPath(item.outputPath);
    return line;
}

Result<> buildAndStart(SourceItem& item, const OutputFormat& format, const AppSettings& settings,
                       uint32_t priorityClass, RunEventSink& sink, const TagInputs& tags) {
    const std::string transcoder = transcoderPath();
    std::string refusal = unquotablePathError(item, transcoder);
    if (!refusal.empty()) return Failure{std::move(refusal)};
    if (!startConversion(buildCommandLine(item, format, settings, transcoder, tags), item, priorityClass,
                         sink, settings.TranscoderStallSeconds))
        return Failure{"The transcoder could not be started"};
    return {};
}
