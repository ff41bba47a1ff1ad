#include "support/AudioTestFiles.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <random>

#include "audio/AudioReader.h"

namespace testing_support {

namespace {

void putBe(std::string& s, uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void putLe(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
uint32_t getLe(const std::string& s, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(s[at + i])) << (8 * i);
    return v;
}

// The 80-bit extended form of a positive or negative finite rate.
std::string extended80(double value) {
    if (value == 0) return std::string(10, '\0');
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent);
    std::string out;
    putBe(out, static_cast<uint32_t>((exponent - 1 + 16383) | (value < 0 ? 0x8000 : 0)), 2);
    putBe(out, static_cast<uint64_t>(std::ldexp(fraction, 64)), 8);
    return out;
}

}  // namespace

std::string encodeDwvw(const std::vector<int32_t>& samples, int bitWidth) {
    const int64_t maxDelta = int64_t{1} << (bitWidth - 1);
    std::string out;
    int bits = 0;
    auto put = [&](uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i, ++bits) {
            if (bits % 8 == 0) out.push_back('\0');
            if ((value >> i) & 1u) out.back() = static_cast<char>(out.back() | (0x80 >> (bits % 8)));
        }
    };
    int64_t last = 0;
    int lastWidth = 0;
    for (const int32_t s : samples) {
        int64_t delta = s - last;
        if (delta >= maxDelta) delta -= 2 * maxDelta;
        if (delta < -maxDelta) delta += 2 * maxDelta;
        last = s;
        const auto magnitude = static_cast<uint32_t>(delta < 0 ? -delta : delta);
        // maxDelta - 1 and maxDelta share the widest width and differ in one extra bit.
        const bool top = magnitude >= maxDelta - 1;
        const int width = top ? bitWidth - 1 : static_cast<int>(std::bit_width(magnitude));
        int change = width - lastWidth;
        if (change > bitWidth / 2) change -= bitWidth;
        if (change < -(bitWidth / 2)) change += bitWidth;
        const int size = change < 0 ? -change : change;
        put(0, size);
        if (size < bitWidth / 2) put(1, 1);
        if (size != 0) put(change < 0 ? 1 : 0, 1);
        lastWidth = width;
        if (width > 0) {
            const auto coded = top ? static_cast<uint32_t>(maxDelta - 1) : magnitude;
            put(coded & ((1u << (width - 1)) - 1u), width - 1);
            put(delta < 0 ? 1 : 0, 1);
            if (top) put(magnitude - coded, 1);
        }
    }
    return out;
}

std::string makeDwvwAifc(const AifcSpec& spec, const std::vector<int32_t>& samples) {
    const std::string data = encodeDwvw(samples, spec.sampleSize);
    std::string comm = "COMM";
    putBe(comm, spec.commSize, 4);
    putBe(comm, static_cast<uint32_t>(spec.channels), 2);
    putBe(comm, spec.frames >= 0 ? static_cast<uint64_t>(spec.frames) : samples.size() / spec.channels, 4);
    putBe(comm, static_cast<uint32_t>(spec.sampleSize), 2);
    comm += extended80(spec.sampleRate) + spec.compression;
    comm.resize(8 + spec.commSize + (spec.commSize & 1u), '\0');
    std::string ssnd = "SSND";
    putBe(ssnd, 8 + data.size(), 4);
    ssnd += std::string(8, '\0') + data + std::string(data.size() & 1u, '\0');
    std::string body = spec.formType + "FVER" + std::string("\0\0\0\x04\xA2\x80\x51\x40", 8);
    body += spec.commAfterSsnd ? ssnd + comm : comm + ssnd;
    std::string file = "FORM";
    putBe(file, body.size(), 4);
    return file + body;
}

std::vector<int32_t> makeSignal(Signal signal, int bitWidth, int channels, uint32_t frames, uint32_t seed) {
    const int32_t maxValue = (1 << (bitWidth - 1)) - 1;
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> any(-maxValue - 1, maxValue);
    std::vector<int32_t> out;
    for (uint32_t f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            const double phase = 2 * std::numbers::pi * (440.0 + 110 * c) * f / 44100.0;
            switch (signal) {
                case Signal::Sine:
                    out.push_back(static_cast<int32_t>(std::lround(0.8 * maxValue * std::sin(phase))));
                    break;
                case Signal::Noise:
                    out.push_back(any(rng));
                    break;
                case Signal::Silence:
                    out.push_back(0);
                    break;
                case Signal::Extremes:
                    out.push_back((f + c) % 3 == 0 ? -maxValue - 1 : (f % 3 == 1 ? maxValue : 0));
            }
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

std::string wavBytes(int formatTag, int channels, uint32_t rate, int bits, const std::string& data,
                     uint32_t declaredData) {
    const auto align = static_cast<uint32_t>(channels * bits / 8);
    std::string w = "RIFF";
    putLe(w, static_cast<uint32_t>(36 + data.size()), 4);
    w += "WAVEfmt ";
    putLe(w, 16, 4);
    putLe(w, static_cast<uint32_t>(formatTag), 2);
    putLe(w, static_cast<uint32_t>(channels), 2);
    putLe(w, rate, 4);
    putLe(w, rate * align, 4);
    putLe(w, align, 2);
    putLe(w, static_cast<uint32_t>(bits), 2);
    w += "data";
    putLe(w, declaredData != 0 ? declaredData : static_cast<uint32_t>(data.size()), 4);
    return w + data;
}

WavData parseWav(const std::string& bytes) {
    WavData w;
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return w;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const uint32_t size = getLe(bytes, at + 4, 4);
        const size_t body = at + 8;
        if (bytes.compare(at, 4, "fmt ") == 0 && size >= 16 && body + 16 <= bytes.size()) {
            w.channels = static_cast<int>(getLe(bytes, body + 2, 2));
            w.sampleRate = getLe(bytes, body + 4, 4);
            w.bitsPerSample = static_cast<int>(getLe(bytes, body + 14, 2));
        } else if (bytes.compare(at, 4, "data") == 0 && w.bitsPerSample % 8 == 0 && w.bitsPerSample > 0) {
            const auto width = static_cast<size_t>(w.bitsPerSample / 8);
            for (size_t p = body; p + width <= std::min<size_t>(bytes.size(), body + size); p += width)
                w.samples.push_back(
                    static_cast<int32_t>(getLe(bytes, p, static_cast<int>(width)) << (32 - 8 * width)));
            w.ok = true;
            return w;
        }
        at = body + size + (size & 1u);
    }
    return w;
}

std::string cdaRecord(uint16_t track, uint32_t firstSector, uint32_t sectors) {
    std::string r = "RIFF";
    putLe(r, 36, 4);
    r += "CDDAfmt ";
    putLe(r, 24, 4);
    putLe(r, 1, 2);
    putLe(r, track, 2);
    putLe(r, 0x12345678, 4);
    putLe(r, firstSector, 4);
    putLe(r, sectors, 4);
    return r + std::string(8, '\0');
}

std::string voiceRecorderHeader(int byte15, int codec, int hours, int minutes, int seconds, int fraction) {
    std::string bytes(31, '\x01');
    bytes.replace(6, 9, "_VOC_File");
    const int fields[][2] = {{15, byte15},  {22, hours},    {23, minutes},
                             {24, seconds}, {25, fraction}, {26, codec}};
    for (const auto& f : fields) bytes[static_cast<size_t>(f[0])] = static_cast<char>(f[1]);
    bytes.resize(byte15 == 12 ? 511 : 4095, '\x11');
    return bytes;
}

std::string readAll(AudioReader& reader, size_t maxBytes, std::vector<size_t>* sizes) {
    std::string out;
    std::string buffer(maxBytes, '\0');
    for (int guard = 0; guard < 10000000; ++guard) {
        const size_t n = reader.read(buffer.data(), maxBytes);
        if (sizes) sizes->push_back(n);
        if (n == 0) break;
        out.append(buffer, 0, n);
    }
    return out;
}

std::vector<int16_t> asPcm16(const std::string& bytes) {
    std::vector<int16_t> out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(
            static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8)));
    return out;
}

}  // namespace testing_support
