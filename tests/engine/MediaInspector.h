// Reads the facts of a converted file with a reader that is not the transcoder under test: the system's
// ffprobe (under Wine, the native one started through Wine's Unix program support).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MediaFacts {
    bool ok = false;
    std::string error;
    std::string codec;  // first audio stream's decoder name
    int sampleRate = 0;
    int channels = 0;
    int64_t bitRate = 0;  // 0 when not reported
    double seconds = 0;   // container duration, else the stream's
};

MediaFacts inspectMedia(const std::string& path, const std::string& extension);

// Shared by the two implementations.
namespace media_inspector {
// ffprobe arguments before the file: raw extensions need their format named.
std::vector<std::string> probeArguments(const std::string& extension);
// Reads ffprobe's flat output ("streams.stream.0.codec_name=\"mp3\"").
MediaFacts parseFlatOutput(const std::string& text);
}  // namespace media_inspector
