// libFuzzer harness: arbitrary bytes as a voice-recorder file. The first byte chooses between the bytes
// taken as the whole file and the bytes taken as sound data behind a valid header (so that the
// frame fetch and both decoders are reached without the fuzzer having to build a 511-byte header).
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "audio/VoiceRecorderReader.h"

namespace {

std::string scratchPath() {
    static const std::string path = "/tmp/md-fuzz-voice-" + std::to_string(getpid()) + ".voc";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string path = scratchPath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    const uint8_t mode = data[0];
    if (mode % 3 != 0) {
        uint8_t header[511] = {};
        std::copy_n("_VOC_File", 9, header + 6);
        header[15] = 12;
        header[26] = mode % 3 == 1 ? 0 : 3;  // ACELP or ADPCM
        std::fwrite(header, 1, sizeof(header), f);
    }
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    VoiceRecorderReader reader;
    if (reader.open(path) == 0) return 0;
    const size_t sizes[] = {4608, 2304, 3, 100, 4608};
    static uint8_t buffer[4608];
    uint64_t samples = 0;
    for (int call = 0;; ++call) {
        const size_t maxBytes = sizes[static_cast<size_t>(call) % 5];
        const size_t n = reader.read(buffer, maxBytes);
        if (n > maxBytes || n > 2304 || n % 2 != 0) std::abort();
        if (reader.position() > reader.size()) std::abort();
        samples += n / 2;
        // Frames never overlap in the file: at most 80 samples per 7 bytes.
        if (samples > (uint64_t{size} / 7 + 1) * 80) std::abort();
        if (n == 0 && maxBytes >= 2) break;
    }
    reader.close();
    return 0;
}
