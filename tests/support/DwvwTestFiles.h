// Test-made DWVW AIFC files: a small encoder written from the format's description (checked against
// sndfile-convert's decoding natively) and an AIFC container writer with knobs for broken headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// Encodes interleaved samples, each already bitWidth bits wide (signed), into a DWVW bit stream.
std::string encodeDwvw(const std::vector<int32_t>& samples, int bitWidth);

struct AifcSpec {
    int channels = 1;
    uint32_t sampleFrames = 0;  // 0: derived from the samples
    bool overrideFrames = false;
    int sampleSize = 16;
    double sampleRate = 44100;
    std::string compression = "DWVW";
    std::string formType = "AIFC";
    uint32_t commSize = 24;  // bytes of the COMM chunk body (at least 22 are written as fields)
    bool writeComm = true;
    bool writeSsnd = true;
    bool commAfterSsnd = false;  // chunk order
    bool extraChunk = false;     // an unknown odd-sized chunk before the others
    uint32_t ssndOffset = 0;
};

// A whole AIFC file around DWVW data made from the samples.
std::string makeDwvwAifc(const AifcSpec& spec, const std::vector<int32_t>& samples);
// The 80-bit big-endian extended form of a sample rate.
std::string extended80(double value);

// The PCM of a WAV file: interleaved samples widened to 32 bits (left-aligned), and its format.
struct WavData {
    bool ok = false;
    int channels = 0;
    uint32_t sampleRate = 0;
    int bitsPerSample = 0;
    std::vector<int32_t> samples;
};
WavData parseWav(const std::string& bytes);

// Test signals, bitWidth bits signed, interleaved over channels.
enum class Signal { Sine, Noise, Silence, Extremes };
std::vector<int32_t> makeSignal(Signal signal, int bitWidth, int channels, uint32_t frames,
                                uint32_t seed = 1);

}  // namespace testing_support
