#include "support/AudioTestFiles.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

#include "audio/AudioReader.h"

namespace testing_support {

namespace {

// Appends fields of {value, bytes}, little- or big-endian.
void put(std::string& s, std::initializer_list<std::pair<int64_t, int>> fields, bool bigEndian = false) {
    for (const auto& [v, n] : fields)
        for (int i = 0; i < n; ++i)
            s.push_back(static_cast<char>((v >> (8 * (bigEndian ? n - 1 - i : i))) & 0xFF));
}

// Interleaved samples, each bitWidth bits wide (signed), as a DWVW bit stream.
std::string encodeDwvw(const std::vector<int32_t>& samples, int bitWidth) {
    const int64_t maxDelta = int64_t{1} << (bitWidth - 1);
    std::string out;
    int bits = 0;
    auto putBits = [&](uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i, ++bits) {
            if (bits % 8 == 0) out.push_back('\0');
            if ((value >> i) & 1u) out.back() = static_cast<char>(out.back() | (0x80 >> (bits % 8)));
        }
    };
    int64_t last = 0;
    int lastWidth = 0;
    for (const int32_t s : samples) {
        const int64_t delta = (s - last + 3 * maxDelta) % (2 * maxDelta) - maxDelta;  // wrapped
        last = s;
        const auto magnitude = static_cast<uint32_t>(delta < 0 ? -delta : delta);
        // maxDelta - 1 and maxDelta share the widest width and differ in one extra bit.
        const bool top = magnitude >= maxDelta - 1;
        const int width = top ? bitWidth - 1 : static_cast<int>(std::bit_width(magnitude));
        const int change = (width - lastWidth + bitWidth + bitWidth / 2) % bitWidth - bitWidth / 2;
        lastWidth = width;
        putBits(0, std::abs(change));
        if (std::abs(change) < bitWidth / 2) putBits(1, 1);
        if (change != 0) putBits(change < 0, 1);
        if (width > 0) {
            const auto coded = top ? static_cast<uint32_t>(maxDelta - 1) : magnitude;
            putBits(coded & ((1u << (width - 1)) - 1u), width - 1);
            putBits(delta < 0, 1);
            if (top) putBits(magnitude - coded, 1);
        }
    }
    return out;
}

}  // namespace

std::string makeDwvwAifc(const AifcLayout& layout, const std::vector<int32_t>& samples) {
    const std::string data = encodeDwvw(samples, layout.sampleSize);
    const auto frames = static_cast<int64_t>(samples.size()) / layout.channels;
    int exponent = 0;  // the rate as an 80-bit extended number
    const auto mantissa = static_cast<uint64_t>(std::ldexp(std::frexp(layout.sampleRate, &exponent), 64));
    std::string comm = "COMM";
    put(comm, {{24, 4}, {layout.channels, 2}, {frames, 4}, {layout.sampleSize, 2}, {exponent + 16382, 2}},
        true);
    put(comm, {{static_cast<int64_t>(mantissa), 8}}, true);
    comm += layout.compression + std::string(2, '\0');
    std::string body = "AIFCFVER";
    put(body, {{4, 4}, {0xA2805140u, 4}}, true);
    std::string ssnd = "SSND";
    put(ssnd, {{static_cast<int64_t>(8 + data.size()), 4}, {0, 8}}, true);
    ssnd += data + std::string(data.size() & 1u, '\0');
    body += comm + ssnd;
    std::string file = "FORM";
    put(file, {{static_cast<int64_t>(body.size()), 4}}, true);
    return file + body;
}

std::vector<int32_t> makeSignal(Signal signal, int bitWidth, int channels, uint32_t frames, uint32_t seed) {
    const int32_t maxValue = (1 << (bitWidth - 1)) - 1;
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> any(-maxValue - 1, maxValue);
    std::vector<int32_t> out;
    for (uint32_t f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            const double sine =
                0.8 * maxValue * std::sin(2 * std::numbers::pi * (440.0 + 110 * c) * f / 44100.0);
            const int32_t extreme = (f + c) % 3 == 0 ? -maxValue - 1 : (f % 3 == 1 ? maxValue : 0);
            out.push_back(signal == Signal::Sine       ? static_cast<int32_t>(std::lround(sine))
                          : signal == Signal::Noise    ? any(rng)
                          : signal == Signal::Extremes ? extreme
                                                       : 0);
        }
    }
    return out;
}

std::vector<int16_t> top16(const std::vector<int32_t>& samples, int bitWidth, int channels) {
    std::vector<int16_t> out;
    for (size_t i = 0; i < samples.size(); ++i)
        if (i % static_cast<size_t>(channels) < 2)
            out.push_back(static_cast<int16_t>(
                static_cast<int32_t>(static_cast<uint32_t>(samples[i]) << (32 - bitWidth)) >> 16));
    return out;
}

std::string wavBytes(int channels, uint32_t rate, int bits, const std::string& data) {
    const auto align = static_cast<uint32_t>(channels * bits / 8);
    std::string w = "RIFF";
    put(w, {{static_cast<int64_t>(36 + data.size()), 4}});
    w += "WAVEfmt ";
    put(w, {{16, 4}, {1, 2}, {channels, 2}, {rate, 4}, {rate * align, 4}, {align, 2}, {bits, 2}});
    w += "data";
    put(w, {{static_cast<int64_t>(data.size()), 4}});
    return w + data;
}

std::string cdaRecord(uint16_t track, uint32_t firstSector, uint32_t sectors) {
    std::string r("RIFF\x24\0\0\0CDDAfmt ", 16);
    put(r, {{24, 4}, {1, 2}, {track, 2}, {0x12345678, 4}, {firstSector, 4}, {sectors, 4}, {0, 8}});
    return r;
}

std::string voiceRecorderHeader(int byte15, int codec, int hours, int minutes, int seconds, int fraction) {
    std::string bytes(31, '\x01');
    bytes.replace(6, 9, "_VOC_File");
    for (const auto& [at, value] :
         {std::pair{15, byte15}, {22, hours}, {23, minutes}, {24, seconds}, {25, fraction}, {26, codec}})
        bytes[static_cast<size_t>(at)] = static_cast<char>(value);
    bytes.resize(byte15 == 12 ? 511 : 4095, '\x11');
    return bytes;
}

std::string readAll(AudioReader& reader, size_t maxBytes, std::vector<size_t>* sizes) {
    std::string out, buffer(maxBytes, '\0');
    for (size_t n = 1; n != 0;) {
        n = reader.read(buffer.data(), maxBytes);
        if (sizes) sizes->push_back(n);
        out.append(buffer, 0, n);
    }
    return out;
}

std::vector<int16_t> asPcm16(const std::string& bytes) {
    std::vector<int16_t> out(bytes.size() / 2);  // both targets are little-endian
    if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

}  // namespace testing_support
