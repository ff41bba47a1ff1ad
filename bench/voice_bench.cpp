// Decoding speed of the voice-recorder codecs, in times real time (8000 samples = 1 s of speech):
// the bare decoders on frames in memory, then the whole reader on a file.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "audio/Acelp56Decoder.h"
#include "audio/Adpcm32Decoder.h"
#include "audio/VoiceRecorderReader.h"

namespace {

constexpr int kSeconds = 600;
constexpr int kFramesPerSecond = 100;

std::vector<uint8_t> randomBytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> bytes(n);
    for (auto& b : bytes) b = static_cast<uint8_t>(rng() | 1);  // never an all-zero frame
    return bytes;
}

template <typename Decoder>
double decoderSpeed(const std::vector<uint8_t>& stream, int frameBytes) {
    Decoder decoder;
    int16_t pcm[80];
    long long checksum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (size_t pos = 0; pos + frameBytes <= stream.size(); pos += frameBytes) {
        decoder.decodeFrame(stream.data() + pos, pcm);
        checksum += pcm[17];
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("  (checksum %lld)\n", checksum);
    return (static_cast<double>(stream.size() / frameBytes) / kFramesPerSecond) / seconds;
}

double readerSpeed(const std::vector<uint8_t>& stream, int codec) {
    const auto path =
        std::filesystem::temp_directory_path() / ("melodrift-voice-bench-" + std::to_string(codec) + ".voc");
    {
        std::string header(511, '\0');
        header.replace(6, 9, "_VOC_File");
        header[15] = 12;
        header[26] = static_cast<char>(codec);
        std::ofstream out(path, std::ios::binary);
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        out.write(reinterpret_cast<const char*>(stream.data()), static_cast<std::streamsize>(stream.size()));
    }
    VoiceRecorderReader reader;
    const auto u8 = path.u8string();
    if (reader.open(std::string(u8.begin(), u8.end())) == 0) {
        std::printf("  cannot open %s\n", path.string().c_str());
        return 0.0;
    }
    std::vector<uint8_t> buffer(4608);
    size_t samples = 0;
    const auto start = std::chrono::steady_clock::now();
    for (size_t n; (n = reader.read(buffer.data(), buffer.size())) != 0;) samples += n / 2;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    reader.close();
    std::filesystem::remove(path);
    return (static_cast<double>(samples) / 8000.0) / seconds;
}

}  // namespace

int main() {
    const auto acelp = randomBytes(size_t{kSeconds} * kFramesPerSecond * acelp::kFrameBytes, 1);
    const auto adpcm = randomBytes(size_t{kSeconds} * kFramesPerSecond * Adpcm32Decoder::kFrameBytes, 2);
    std::printf("Voice decoding, %d s of random frames each\n", kSeconds);
    const double acelpDecoder = decoderSpeed<Acelp56Decoder>(acelp, acelp::kFrameBytes);
    std::printf("CS-ACELP 5.6 kbit/s decoder: %.0f x real time\n", acelpDecoder);
    const double adpcmDecoder = decoderSpeed<Adpcm32Decoder>(adpcm, Adpcm32Decoder::kFrameBytes);
    std::printf("ADPCM 32 kbit/s decoder:     %.0f x real time\n", adpcmDecoder);
    std::printf("CS-ACELP through the reader: %.0f x real time\n",
                readerSpeed(acelp, VoiceRecorderReader::kCodecAcelp));
    std::printf("ADPCM through the reader:    %.0f x real time\n",
                readerSpeed(adpcm, VoiceRecorderReader::kCodecAdpcm));
    return 0;
}
