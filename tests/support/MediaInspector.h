// Reads the facts of a converted file with a reader that is not the transcoder under test: the system's
// ffprobe (under Wine, the native one started through Wine's Unix program support).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct MediaFacts {
    MediaFacts() = default;
    explicit MediaFacts(std::string why) : error(std::move(why)) {}
    bool ok = false;
    std::string error, codec;  // codec: the first audio stream's decoder name
    int sampleRate = 0, channels = 0;
    int64_t bitRate = 0;  // 0 when not reported
    double seconds = 0;   // container duration, else the stream's
};

MediaFacts inspectMedia(const std::string& path, const std::string& extension);

// The first audio stream decoded to the end by the reader.
struct DecodedLength {
    DecodedLength() = default;
    explicit DecodedLength(std::string why) : error(std::move(why)) {}
    bool ok = false;
    std::string error;
    int sampleRate = 0;     // the decoder's output rate
    int64_t samples = 0;    // what the decoder gave, summed over its frames
    int64_t recorded = -1;  // the stream's length as the container records it, in samples; -1 when unknown
};

DecodedLength decodedLength(const std::string& path, const std::string& extension);

namespace media_inspector {
// ffprobe arguments before the file: raw extensions need their format named.
std::vector<std::string> probeArguments(const std::string& extension);
// Reads ffprobe's "key=value" lines.
MediaFacts parseProbeOutput(const std::string& text);
DecodedLength parseDecodedOutput(const std::string& text);

struct ProbeRun {
    bool started = false;
    std::string output;  // the report, or why the reader could not run
};
// Runs the independent ffprobe with the arguments and then the media file (each platform's own way). The
// arguments must ask for the container's section, which closes the report.
ProbeRun runProbe(std::vector<std::string> args, const std::string& path);
}  // namespace media_inspector
