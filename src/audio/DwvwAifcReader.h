// Reader for AIFC files compressed with DWVW (Delta Word Variable Width), 8 to 24 bits per sample.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "audio/AudioReader.h"
#include "audio/BinaryFile.h"

struct DwvwState {
    int dwmMaxSize = 0;  // widest delta-width modifier, bitWidth / 2
    int bitWidth = 0;
    int maxDelta = 0;  // 2^(bitWidth-1)
    int span = 0;      // 2^bitWidth
    int bitCount = 0;  // bits held in the reservoir (its low bits)
    uint64_t bits = 0;
    int lastDeltaWidth = 0;
    int lastSample = 0;
    int bufferIndex = 0;
    int bufferEnd = 0;
    std::array<uint8_t, 256> buffer{};
};

class DwvwAifcReader : public AudioReader {
public:
    // Samples per channel that one read() delivers.
    static constexpr int kBlockFrames = 1152;
    static constexpr size_t kChunkBufferSize = 10240;

    DwvwAifcReader() = default;
    ~DwvwAifcReader() override;

    void close() override;
    int open(const std::string& path) override;
    // Delivers one block of up to 1152 frames, 16-bit, interleaved L R when stereo. Files of more than
    // two channels deliver their first two channels. Never writes more than maxBytes (0 when maxBytes
    // cannot hold one frame).
    size_t read(void* buffer, size_t maxBytes) override;
    uint64_t position() const override { return position_; }

private:
    bool parseComm(const uint8_t* data, size_t size);
    void fetch();
    // Tops the reservoir up from the input; at least needed bits afterwards (zero padding past the end).
    void refill(int needed);
    // The next n bits, and a delta-width modifier (its zero bits up to a one bit, at most dwmMaxSize),
    // from a reservoir that refill() has made large enough.
    int takeBits(int n);
    int takeModifier();
    // Decodes up to maxFrames whole frames into out (outputChannels_ samples a frame); the frame count.
    size_t decodeFrames(int16_t* out, size_t maxFrames);

    audio::InputFile file_;
    std::vector<uint8_t> chunk_;
    uint32_t sampleFrames_ = 0;
    int sampleSize_ = 0;
    uint64_t dataStart_ = 0;
    uint64_t dataBytesLeft_ = 0;
    // Samples (all channels) the COMM chunk still promises; the trailing bits after them are padding.
    uint64_t samplesLeft_ = 0;
    bool limitedBySampleFrames_ = false;
    bool ended_ = false;
    int padBits_ = 0;  // zero bits added to the reservoir after the last sound byte
    DwvwState state_;
    bool isDwvw_ = false;
};
