// Audio test files made at test time, and reading helpers for the program's readers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class AudioReader;

namespace testing_support {

struct AifcLayout {
    int channels = 1;
    int sampleSize = 16;
    double sampleRate = 44100;
    std::string compression = "DWVW";
};
// An AIFC file of interleaved samples, each sampleSize bits wide (signed), coded by a test-side DWVW encoder.
std::string makeDwvwAifc(const AifcLayout& layout, const std::vector<int32_t>& samples);

enum class Signal { Sine, Noise, Silence, Extremes };
std::vector<int32_t> makeSignal(Signal signal, int bitWidth, int channels, uint32_t frames,
                                uint32_t seed = 1);
// What a reader delivers for such samples: the top 16 bits of the first two channels.
std::vector<int16_t> top16(const std::vector<int32_t>& samples, int bitWidth, int channels);

std::string wavBytes(int channels, uint32_t rate, int bits, const std::string& data);  // PCM
std::string cdaRecord(uint16_t track, uint32_t firstSector, uint32_t sectors);
// Up to the first sound byte (511 when byte15 is 12, else 4095); records filled with non-zero bytes.
std::string voiceRecorderHeader(int byte15, int codec, int hours = 0, int minutes = 0, int seconds = 0,
                                int fraction = 0);

// Reads to the end in calls of maxBytes; sizes gets each call's count.
std::string readAll(AudioReader& reader, size_t maxBytes = 4608, std::vector<size_t>* sizes = nullptr);
std::vector<int16_t> asPcm16(const std::string& bytes);

}  // namespace testing_support
