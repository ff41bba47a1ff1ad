// libFuzzer harness: arbitrary bytes as a WAV file or a CD track file for the audio-library reader.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "audio/BassReader.h"
#include "audio/bass/CdSectorSource.h"

namespace {

struct Scratch {
    std::string folder;
    std::string wav;
    std::string cda;
    Scratch() {
        folder = "/tmp/md-fuzz-bass-" + std::to_string(getpid());
        std::filesystem::create_directories(folder + "/cd");
        wav = folder + "/input.wav";
        cda = folder + "/cd/track.cda";
        // A small disc: 40 sectors.
        const std::string image = folder + "/disc.img";
        FILE* f = std::fopen(image.c_str(), "wb");
        for (size_t i = 0; i < 40 * bass_cd::kRawSectorBytes; ++i) std::fputc(static_cast<int>(i * 31), f);
        std::fclose(f);
        bass_cd::installDiscImage(folder + "/cd", image);
        startAudioLibrary(folder + "/");
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Scratch scratch;
    if (size == 0) return 0;
    // The first byte picks the file's role; the rest is the file.
    const std::string& path = (data[0] & 1) ? scratch.cda : scratch.wav;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    BassReader reader;
    if (reader.open(path) == 0) return 0;
    static uint8_t buffer[4608];
    uint64_t total = 0;
    for (;;) {
        const size_t n = reader.read(buffer, sizeof buffer);
        if (n > sizeof buffer) std::abort();
        if (n == 0) break;
        total += n;
        if (total > reader.size()) std::abort();
        if (reader.position() != total) std::abort();
    }
    reader.close();
    return 0;
}
