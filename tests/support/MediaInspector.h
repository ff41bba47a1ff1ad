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

namespace media_inspector {
// ffprobe arguments before the file: raw extensions need their format named.
std::vector<std::string> probeArguments(const std::string& extension);
// Reads ffprobe's "key=value" lines.
MediaFacts parseProbeOutput(const std::string& text);
}  // namespace media_inspector
