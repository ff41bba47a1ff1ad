#include "audio/DwvwAifcReader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/Bytes.h"

namespace {

// IEEE 754 80-bit extended, big-endian, as a double.
double extendedToDouble(const uint8_t* p) {
    const bool negative = (p[0] & 0x80) != 0;
    const int exponent = ((p[0] & 0x7F) << 8) | p[1];
    uint64_t mantissa = 0;
    for (int i = 2; i < 10; ++i) mantissa = (mantissa << 8) | p[i];
    if (exponent == 0 && mantissa == 0) return 0.0;
    if (exponent == 0x7FFF) return negative ? -HUGE_VAL : HUGE_VAL;
    const double value = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
    return negative ? -value : value;
}

int clampToInt(uint64_t v) {
    return v > static_cast<uint64_t>(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                                      : static_cast<int>(v);
}

}  // namespace

DwvwAifcReader::~DwvwAifcReader() { close(); }

void DwvwAifcReader::close() {
    file_.close();
    chunk_.clear();
    chunk_.shrink_to_fit();
    sampleFrames_ = 0;
    sampleSize_ = 0;
    dataStart_ = 0;
    dataBytesLeft_ = 0;
    samplesLeft_ = 0;
    limitedBySampleFrames_ = false;
    ended_ = false;
    padBits_ = 0;
    state_ = DwvwState{};
    isDwvw_ = false;
    resetFields();
}

bool DwvwAifcReader::parseComm(const uint8_t* data, size_t size) {
    if (size <= 21 || size > kChunkBufferSize) return false;
    char type[4];
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>(data[18 + i]);
        type[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    // Plain AIFF data and the other AIFC compressions are the transcoder's business.
    if (std::memcmp(type, "DWVW", 4) != 0) return false;
    const int sampleSize = platform::readBe16(data + 6);
    if (sampleSize < 8 || sampleSize > 24) return false;
    const double rate = extendedToDouble(data + 8);
    // Infinity, NaN or a negative rate cannot be a rate; converting them to an integer is undefined.
    if (!(rate >= 0.0 && rate < 2147483648.0)) return false;

    channels_ = platform::readBe16(data);
    if (channels_ == 0) channels_ = 1;
    outputChannels_ = channels_ < 2 ? 1 : 2;
    const uint32_t frames = platform::readBe32(data + 2);
    limitedBySampleFrames_ = frames != 0 && frames != 0xFFFFFFFFu;
    sampleFrames_ = limitedBySampleFrames_ ? frames : 1;
    sampleSize_ = sampleSize;
    sampleRate_ = static_cast<int>(rate);
    isDwvw_ = true;

    state_ = DwvwState{};
    state_.bitWidth = sampleSize;
    state_.dwmMaxSize = sampleSize / 2;
    state_.maxDelta = 1 << (sampleSize - 1);
    state_.span = 1 << sampleSize;
    return true;
}

int DwvwAifcReader::open(const std::string& path) {
    close();
    if (!file_.open(path)) return 0;
    size_ = file_.size();

    uint8_t header[12];
    if (file_.read(header, 12) != 12 || std::memcmp(header, "FORM", 4) != 0 ||
        std::memcmp(header + 8, "AIFC", 4) != 0) {
        close();
        return 0;
    }

    chunk_.assign(kChunkBufferSize, 0);
    bool commSeen = false;
    bool ssndSeen = false;
    uint64_t offset = 12;
    for (;;) {
        uint8_t chunkHeader[8];
        if (file_.read(chunkHeader, 8) != 8) break;
        offset += 8;
        const uint32_t declared = platform::readBe32(chunkHeader + 4);
        const uint64_t chunkSize = uint64_t{declared} + (declared & 1u);
        const uint64_t next = offset + chunkSize;
        if (std::memcmp(chunkHeader, "COMM", 4) == 0) {
            if (chunkSize <= 21 || chunkSize > kChunkBufferSize) break;
            const size_t want = static_cast<size_t>(declared);
            if (file_.read(chunk_.data(), want) != want || !parseComm(chunk_.data(), want)) break;
            commSeen = true;
        } else if (std::memcmp(chunkHeader, "SSND", 4) == 0) {
            if (chunkSize < 8) break;
            uint8_t ssnd[8];
            if (file_.read(ssnd, 8) != 8) break;
            const uint64_t soundOffset = platform::readBe32(ssnd);
            // The declared size without the pad byte: the pad is not sound.
            const uint64_t soundBytes = declared >= 8 + soundOffset ? declared - 8 - soundOffset : 0;
            dataStart_ = offset + 8 + soundOffset;
            dataBytesLeft_ = soundBytes;
            ssndSeen = true;
        }
        if (!file_.seek(next)) break;  // a chunk running past the end of the file ends the walk
        offset = next;
    }

    if (!commSeen || !ssndSeen || !isDwvw_) {
        close();
        return 0;
    }

    // Sound bytes the file does not hold are not waited for.
    dataBytesLeft_ = dataStart_ <= size_ ? std::min(dataBytesLeft_, size_ - dataStart_) : 0;
    samplesLeft_ = uint64_t{sampleFrames_} * static_cast<uint64_t>(channels_);

    bitsPerSample_ = 16;
    bytesPerSample_ = 2;
    durationSeconds_ =
        sampleRate_ != 0 ? static_cast<int>(sampleFrames_ / static_cast<uint32_t>(sampleRate_)) : 0;
    if (durationSeconds_ != 0)
        bitRateKbps_ = clampToInt(size_ / (static_cast<uint64_t>(durationSeconds_) * 125u));
    else
        bitRateKbps_ = clampToInt(static_cast<uint64_t>(sampleSize_) * static_cast<uint64_t>(channels_) *
                                  static_cast<uint64_t>(sampleRate_) / 1000u);
    if (dataBytesLeft_ == 0 || !file_.seek(dataStart_)) {
        dataBytesLeft_ = 0;
        ended_ = true;
    }
    position_ = dataStart_;
    return 1;
}

void DwvwAifcReader::fetch() {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(dataBytesLeft_, state_.buffer.size()));
    const size_t got = want != 0 ? file_.read(state_.buffer.data(), want) : 0;
    // A short read means the file is shorter than its chunk said: nothing more will come.
    dataBytesLeft_ = got == want ? dataBytesLeft_ - got : 0;
    position_ += got;
    state_.bufferEnd = static_cast<int>(got);
    state_.bufferIndex = 0;
}

void DwvwAifcReader::refill(int needed) {
    DwvwState& s = state_;
    // Whole bytes while they fit, so most loads find their bits without a call here.
    while (s.bitCount <= 56) {
        if (s.bufferIndex >= s.bufferEnd) {
            if (padBits_ != 0) break;
            fetch();
            if (s.bufferIndex >= s.bufferEnd) break;
        }
        s.bits = (s.bits << 8) | s.buffer[static_cast<size_t>(s.bufferIndex++)];
        s.bitCount += 8;
    }
    while (s.bitCount < needed) {
        // Past the last byte: zero bits that only let a short final code be read.
        s.bits <<= 8;
        s.bitCount += 8;
        padBits_ += 8;
    }
}

int DwvwAifcReader::takeBits(int n) {
    DwvwState& s = state_;
    if (n == 0) return 0;
    const auto value = static_cast<int>((s.bits >> (s.bitCount - n)) & ((uint64_t{1} << n) - 1u));
    s.bitCount -= n;
    return value;
}

int DwvwAifcReader::takeModifier() {
    DwvwState& s = state_;
    // Zero bits from the top up to the first one bit (which is consumed too), at most dwmMaxSize.
    const uint64_t top = s.bits << (64 - s.bitCount);
    const int zeros = std::min(std::countl_zero(top | 1u), s.dwmMaxSize);
    s.bitCount -= zeros == s.dwmMaxSize ? zeros : zeros + 1;
    return zeros;
}

size_t DwvwAifcReader::decodeFrames(int16_t* out, size_t maxFrames) {
    DwvwState& s = state_;
    const auto channels = static_cast<size_t>(channels_);
    const auto outChannels = static_cast<size_t>(outputChannels_);
    uint64_t wanted = uint64_t{maxFrames} * channels;
    if (limitedBySampleFrames_) wanted = std::min(wanted, samplesLeft_);
    const int shift = 32 - s.bitWidth;

    int deltaWidth = s.lastDeltaWidth;
    int sample = s.lastSample;
    uint64_t decoded = 0;
    size_t channel = 0;
    size_t written = 0;
    bool complete = true;
    // One refill a sample: a modifier, its sign, a delta of up to bitWidth - 1 bits, its sign and the
    // extra bit are at most this many bits.
    const int sampleBits = s.dwmMaxSize + 1 + s.bitWidth + 1;
    while (decoded < wanted) {
        if (s.bitCount < sampleBits) refill(sampleBits);
        int m = takeModifier();
        if (m != 0 && takeBits(1) == 1) m = -m;
        deltaWidth = (deltaWidth + m + s.bitWidth) % s.bitWidth;
        int delta = 0;
        if (deltaWidth > 0) {
            delta = takeBits(deltaWidth - 1) | (1 << (deltaWidth - 1));
            const int negative = takeBits(1);
            if (delta == s.maxDelta - 1) delta += takeBits(1);
            if (negative != 0) delta = -delta;
        }
        // A sample whose codes reached into the padding was never written: the stream has ended.
        if (s.bitCount < padBits_) break;
        sample += delta;
        if (sample >= s.maxDelta)
            sample -= s.span;
        else if (sample < -s.maxDelta)
            sample += s.span;
        s.lastDeltaWidth = deltaWidth;
        s.lastSample = sample;
        ++decoded;

        if (channel < outChannels) {
            const auto full = static_cast<int32_t>(static_cast<uint32_t>(sample) << shift);
            out[written++] = static_cast<int16_t>(full >> 16);
        }
        if (++channel == channels) channel = 0;
    }
    if (decoded < wanted) complete = false;
    if (limitedBySampleFrames_) samplesLeft_ -= decoded;
    if (!complete || (limitedBySampleFrames_ && samplesLeft_ == 0)) ended_ = true;
    // A frame cut short by the end of the stream is dropped, keeping the channels in step.
    return written / outChannels;
}

size_t DwvwAifcReader::read(void* buffer, size_t maxBytes) {
    if (!file_.isOpen() || ended_ || outputChannels_ <= 0) return 0;
    const size_t frameBytes = static_cast<size_t>(outputChannels_) * 2;
    const size_t maxFrames = std::min<size_t>(kBlockFrames, maxBytes / frameBytes);
    if (maxFrames == 0) return 0;
    int16_t block[kBlockFrames * 2];
    const size_t frames = decodeFrames(block, maxFrames);
    // Little-endian output whatever the host's byte order.
    auto* out = static_cast<uint8_t*>(buffer);
    const size_t samples = frames * static_cast<size_t>(outputChannels_);
    for (size_t i = 0; i < samples; ++i) platform::writeLe16(out + 2 * i, static_cast<uint16_t>(block[i]));
    return samples * 2;
}
