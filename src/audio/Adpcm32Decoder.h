// 4-bit ADPCM at 32 kbit/s (G.726 family): 40-byte frames of 80 codes, low nibble first.
// Only the fast scale factor is kept; the predictor (two poles, six zeros) follows G.726's
// sign-sign adaptation with its values held in 24-bit range.
#pragma once

#include <array>
#include <cstdint>

class Adpcm32Decoder {
public:
    static constexpr int kFrameBytes = 40;
    static constexpr int kFrameSamples = 80;

    Adpcm32Decoder() { reset(); }
    void reset();
    // Decodes one 4-bit code (bit 3 is the sign) into one sample.
    int16_t decodeCode(int code);
    // Decodes one 40-byte frame into 80 samples.
    void decodeFrame(const uint8_t* frame, int16_t* out);

    int scale() const { return y_; }

private:
    int y_ = 544;              // fast scale factor
    std::array<int, 2> a_{};   // pole coefficients, Q14
    std::array<int, 6> b_{};   // zero coefficients, Q14
    std::array<int, 6> dq_{};  // past differences, newest first (256 x G.726 scale)
    std::array<int, 2> sr_{};  // past reconstructed signal, newest first (same scale)
    std::array<int, 2> p_{};   // past partial estimates (difference + zero part), newest first
    int sez_ = 0;              // zero-section estimate for the next code (same scale)
    int se_ = 0;               // full estimate for the next code (same scale)
};
