// The transcoder command line of one conversion job, and starting that job.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/OutputTags.h"
#include "platform/Result.h"

struct AppSettings;
struct CodecInfo;
struct OutputFormat;
struct SourceItem;
class RunEventSink;

// The forced input format for a raw stream extension (lower case), e.g. "mulaw -ar 8k -ac 1" for "ulw";
// empty when the transcoder can find the format itself. Shared by the conversion and the probe.
std::string rawInputFormat(const std::string& extension);

// A bit rate in bit/s that suits a sample rate and a channel count when the user left it automatic.
int32_t defaultBitRate(int32_t sampleRate, int32_t channels);

// Maps a channel count (above 8 counts as 8) to the largest allowed count not above it; 2 when the
// mask allows none of them. Counts of 0 or less are returned unchanged.
int32_t fitChannelCount(int32_t channels, uint32_t channelMask);

// What the trims keep of a source: from skipMs on, lengthMs long (none: to its end). The ignore-the-last
// length counts from the source's whole seconds, as the probe gives them.
struct TrimWindow {
    uint64_t skipMs = 0;
    std::optional<uint64_t> lengthMs;
};
TrimWindow trimWindow(const SourceItem& item, const AppSettings& settings);

// The sample rate and channel count a job's line asks for: the format's own when it sets them, else the
// source's (44100 Hz for an unknown rate), fitted to what the codec takes.
struct AudioShape {
    int32_t sampleRate = 0;
    int32_t channels = 0;
};
AudioShape outputAudioShape(const OutputFormat& format, const CodecInfo& codec, uint32_t sourceRate,
                            uint32_t sourceChannels);

// A trim length in milliseconds as the transcoder takes it: whole seconds ("90") or "00:01:30.500".
std::string trimLengthText(uint64_t milliseconds);

// A path goes between double quotes; backslashes that end it are doubled so that they do not escape the
// closing quote (only a POSIX file name can end with one).
std::string quotedPath(const std::string& path);
// A path holding a double quote cannot be passed at all (impossible in a Windows file name, possible in a
// POSIX one). The message for the first such path among the job's, or empty when all can be passed.
std::string unquotablePathError(const SourceItem& item, const std::string& transcoderPath);

// tags: the job's metadata file and cover (see OutputTags.h); without them, and with KeepID3Tag off, the
// output carries no tags at all.
std::string buildCommandLine(const SourceItem& item, const OutputFormat& format, const AppSettings& settings,
                             const std::string& transcoderPath, const TagInputs& tags = {});

// Builds the job's line and starts the transcoder in conversion mode. A failure says why the job cannot
// be started (also when a path cannot be passed on the command line; nothing is started then).
Result<> buildAndStart(SourceItem& item, const OutputFormat& format, const AppSettings& settings,
                       uint32_t priorityClass, RunEventSink& sink, const TagInputs& tags = {});

// What the transcoder reads for the item: its prepared file when it has one, else its path.
const std::string& inputPath(const SourceItem& item);
