#include "support/DwvwTestFiles.h"

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

namespace testing_support {

namespace {

class BitWriter {
public:
    void put(uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            acc_ = static_cast<uint8_t>((acc_ << 1) | ((value >> i) & 1u));
            if (++n_ == 8) {
                out_.push_back(static_cast<char>(acc_));
                acc_ = 0;
                n_ = 0;
            }
        }
    }
    std::string finish() {
        if (n_ != 0) out_.push_back(static_cast<char>(acc_ << (8 - n_)));
        n_ = 0;
        acc_ = 0;
        return out_;
    }

private:
    std::string out_;
    uint8_t acc_ = 0;
    int n_ = 0;
};

void be32(std::string& s, uint32_t v) {
    for (int i = 3; i >= 0; --i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void be16(std::string& s, uint32_t v) {
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
    s.push_back(static_cast<char>(v & 0xFF));
}
uint32_t le32(const std::string& s, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(s[at])) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 2])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24);
}
uint32_t le16(const std::string& s, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(s[at])) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8);
}

int bitLength(uint32_t v) {
    int n = 0;
    while (v != 0) {
        ++n;
        v >>= 1;
    }
    return n;
}

}  // namespace

std::string encodeDwvw(const std::vector<int32_t>& samples, int bitWidth) {
    const int dwmMax = bitWidth / 2;
    const int64_t maxDelta = int64_t{1} << (bitWidth - 1);
    const int64_t span = int64_t{1} << bitWidth;
    BitWriter w;
    int64_t last = 0;
    int lastWidth = 0;
    for (const int32_t s : samples) {
        int64_t delta = s - last;
        if (delta >= maxDelta) delta -= span;
        if (delta < -maxDelta) delta += span;
        last = s;
        const uint32_t magnitude = static_cast<uint32_t>(delta < 0 ? -delta : delta);
        // Magnitudes of maxDelta - 1 and maxDelta share the widest width and differ in one extra bit.
        const bool top = magnitude >= static_cast<uint32_t>(maxDelta - 1);
        const int width = top ? bitWidth - 1 : bitLength(magnitude);
        int change = width - lastWidth;
        if (change > bitWidth / 2) change -= bitWidth;
        if (change < -(bitWidth / 2)) change += bitWidth;
        if (change > dwmMax) change -= bitWidth;  // odd widths: keep within the modifier's reach
        if (change < -dwmMax) change += bitWidth;
        const int size = change < 0 ? -change : change;
        w.put(0, size);
        if (size < dwmMax) w.put(1, 1);
        if (size != 0) w.put(change < 0 ? 1 : 0, 1);
        lastWidth = width;
        if (width > 0) {
            const uint32_t coded = top ? static_cast<uint32_t>(maxDelta - 1) : magnitude;
            w.put(coded & ((1u << (width - 1)) - 1u), width - 1);
            w.put(delta < 0 ? 1 : 0, 1);
            if (top) w.put(magnitude - coded, 1);
        }
    }
    return w.finish();
}

std::string extended80(double value) {
    std::string out(10, '\0');
    if (value == 0) return out;
    if (std::isinf(value)) {
        out[0] = static_cast<char>(value < 0 ? 0xFF : 0x7F);
        out[1] = static_cast<char>(0xFF);
        return out;
    }
    const bool negative = value < 0;
    if (negative) value = -value;
    int exponent = 0;
    const double fraction = std::frexp(value, &exponent);  // value = fraction * 2^exponent, 0.5 <= f < 1
    const auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 64));
    const int biased = exponent - 1 + 16383;
    out[0] = static_cast<char>(((biased >> 8) & 0x7F) | (negative ? 0x80 : 0));
    out[1] = static_cast<char>(biased & 0xFF);
    for (int i = 0; i < 8; ++i) out[2 + i] = static_cast<char>((mantissa >> (56 - 8 * i)) & 0xFF);
    return out;
}

std::string makeDwvwAifc(const AifcSpec& spec, const std::vector<int32_t>& samples) {
    const std::string data = encodeDwvw(samples, spec.sampleSize);
    const uint32_t frames = spec.overrideFrames
                                ? spec.sampleFrames
                                : static_cast<uint32_t>(samples.size() / static_cast<size_t>(spec.channels));
    std::string comm = "COMM";
    be32(comm, spec.commSize);
    std::string body;
    be16(body, static_cast<uint32_t>(spec.channels));
    be32(body, frames);
    be16(body, static_cast<uint32_t>(spec.sampleSize));
    body += extended80(spec.sampleRate);
    body += spec.compression.substr(0, 4);
    body.resize(spec.commSize, '\0');
    comm += body;
    if (spec.commSize & 1u) comm.push_back('\0');

    std::string ssnd = "SSND";
    be32(ssnd, static_cast<uint32_t>(8 + spec.ssndOffset + data.size()));
    be32(ssnd, spec.ssndOffset);
    be32(ssnd, 0);
    ssnd += std::string(spec.ssndOffset, '\0');
    ssnd += data;
    if (ssnd.size() & 1u) ssnd.push_back('\0');

    std::string body2 = spec.formType;
    body2 += "FVER";
    be32(body2, 4);
    be32(body2, 0xA2805140u);
    if (spec.extraChunk) {
        body2 += "NAME";
        be32(body2, 5);
        body2 += std::string("abcde") + '\0';
    }
    if (!spec.commAfterSsnd && spec.writeComm) body2 += comm;
    if (spec.writeSsnd) body2 += ssnd;
    if (spec.commAfterSsnd && spec.writeComm) body2 += comm;
    std::string file = "FORM";
    be32(file, static_cast<uint32_t>(body2.size()));
    return file + body2;
}

WavData parseWav(const std::string& bytes) {
    WavData w;
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return w;
    size_t at = 12;
    bool haveFormat = false;
    while (at + 8 <= bytes.size()) {
        const std::string id = bytes.substr(at, 4);
        const uint32_t size = le32(bytes, at + 4);
        const size_t body = at + 8;
        if (id == "fmt " && size >= 16 && body + 16 <= bytes.size()) {
            w.channels = static_cast<int>(le16(bytes, body + 2));
            w.sampleRate = le32(bytes, body + 4);
            w.bitsPerSample = static_cast<int>(le16(bytes, body + 14));
            haveFormat = true;
        } else if (id == "data" && haveFormat && w.bitsPerSample % 8 == 0 && w.bitsPerSample > 0) {
            const size_t width = static_cast<size_t>(w.bitsPerSample / 8);
            const size_t end = std::min<size_t>(bytes.size(), body + size);
            for (size_t p = body; p + width <= end; p += width) {
                uint32_t v = 0;
                for (size_t i = 0; i < width; ++i)
                    v |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[p + i])) << (8 * (4 - width + i));
                w.samples.push_back(static_cast<int32_t>(v));
            }
            w.ok = true;
            return w;
        }
        at = body + size + (size & 1u);
    }
    return w;
}

std::vector<int32_t> makeSignal(Signal signal, int bitWidth, int channels, uint32_t frames, uint32_t seed) {
    const int32_t maxValue = (1 << (bitWidth - 1)) - 1;
    const int32_t minValue = -(1 << (bitWidth - 1));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> any(minValue, maxValue);
    std::vector<int32_t> out;
    out.reserve(size_t{frames} * static_cast<size_t>(channels));
    for (uint32_t f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            int32_t v = 0;
            switch (signal) {
                case Signal::Sine:
                    v = static_cast<int32_t>(std::lround(
                        0.8 * maxValue * std::sin(2 * std::numbers::pi * (440.0 + 110 * c) * f / 44100.0)));
                    break;
                case Signal::Noise:
                    v = any(rng);
                    break;
                case Signal::Silence:
                    v = 0;
                    break;
                case Signal::Extremes:
                    v = ((f + static_cast<uint32_t>(c)) % 3 == 0) ? minValue : ((f % 3 == 1) ? maxValue : 0);
                    break;
            }
            out.push_back(v);
        }
    }
    return out;
}

}  // namespace testing_support
