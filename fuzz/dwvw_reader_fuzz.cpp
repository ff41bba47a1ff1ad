// libFuzzer harness: arbitrary bytes as an AIFC file for the DWVW reader.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "audio/DwvwAifcReader.h"

namespace {

std::string scratchPath() {
    static const std::string path = "/tmp/md-fuzz-dwvw-" + std::to_string(getpid()) + ".aifc";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = scratchPath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    DwvwAifcReader reader;
    if (reader.open(path) == 0) return 0;
    // Buffer sizes around one frame and one block, as a caller might pass them.
    const size_t sizes[] = {4608, 3, 4, 1000, 4608, 2304};
    static uint8_t buffer[4608];
    uint64_t total = 0;
    for (int call = 0;; ++call) {
        const size_t maxBytes = sizes[static_cast<size_t>(call) % 6];
        const size_t n = reader.read(buffer, maxBytes);
        if (n > maxBytes) std::abort();
        total += n;
        // Every sample takes at least one bit of the file.
        if (total > uint64_t{size} * 16 + 4608) std::abort();
        if (n == 0 && maxBytes >= 4) break;
    }
    reader.close();
    return 0;
}
