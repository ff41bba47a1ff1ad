// libFuzzer harness: arbitrary bytes as an MP4 file given freeform tags. A file that was tagged once takes
// the same tags again and comes out byte for byte the same.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/Mp4Tags.h"
#include "platform/Files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/md-fuzz-mp4-" + std::to_string(getpid()) + ".m4a";
    if (!platform::writeWholeFile(path, std::string(reinterpret_cast<const char*>(data), size))) return 0;
    const TagList tags = {{"REPLAYGAIN_TRACK_GAIN", "-6.52 dB"}, {"replaygain_track_peak", "0.501187"}};
    if (!addFreeformTags(path, tags)) {
        if (platform::readWholeFile(path) != std::string(reinterpret_cast<const char*>(data), size))
            std::abort();
        return 0;
    }
    const auto once = platform::readWholeFile(path);
    if (!addFreeformTags(path, tags) || platform::readWholeFile(path) != once) std::abort();
    return 0;
}
