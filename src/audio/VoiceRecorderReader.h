// Reader of voice-recorder files (signature "_VOC_File"): 8000 Hz mono speech coded either with the
// 5.6 kbit/s CS-ACELP codec (7-byte frames) or 32 kbit/s ADPCM (40-byte frames).
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "audio/Acelp56Decoder.h"
#include "audio/Adpcm32Decoder.h"
#include "audio/AudioReader.h"

class VoiceRecorderReader : public AudioReader {
public:
    static constexpr int kHeaderBytes = 31;
    static constexpr int kCodecAcelp = 0;
    static constexpr int kCodecAdpcm = 3;
    static constexpr size_t kMaxSamplesPerRead = 1152;

    VoiceRecorderReader() = default;
    ~VoiceRecorderReader() override;

    void close() override;
    int open(const std::string& path) override;
    // Delivers at most 1152 samples (and never more than maxBytes allows).
    size_t read(void* buffer, size_t maxBytes) override;
    uint64_t position() const override;

    // The codec byte of the open file (0 ACELP, 3 ADPCM), -1 when closed.
    int codec() const { return codec_; }

private:
    bool readBytes(uint8_t* dest, int count);
    bool seekTo(uint64_t offset);
    bool fetchFrame(uint8_t* frame);
    bool decodeNextFrame();

    std::ifstream file_;
    uint64_t offset_ = 0;
    bool ended_ = true;
    int codec_ = -1;
    int frameBytes_ = 0;
    std::array<int16_t, 80> frame_{};
    size_t frameIndex_ = 80;  // 80: nothing left
    std::unique_ptr<Acelp56Decoder> acelp_;
    std::unique_ptr<Adpcm32Decoder> adpcm_;
};
