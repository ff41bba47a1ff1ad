// CS-ACELP speech decoder at 5.6 kbit/s (G.729 family, with Annex D's phase dispersion): 7-byte frames
// of 10 ms, 80 samples at 8000 Hz. Parameters are decoded in integers as coded; the filters run in
// double precision with every fed-back state kept within 16-bit range, so no input can make them diverge.
#pragma once

#include <array>
#include <cstdint>

namespace acelp {

constexpr int kFrameBytes = 7;
constexpr int kFrameSamples = 80;
constexpr int kSubframe = 40;
constexpr int kOrder = 10;
constexpr int kPitchMax = 143;

// The ten coded parameters of one frame, in stream order.
enum Param {
    kLspStage1 = 0,  // bit 7: predictor switch, bits 0-6: first-stage index
    kLspStage2,      // bits 5-9: coefficients 1-5, bits 0-4: coefficients 6-10
    kPitch1,
    kPositions1,
    kSigns1,
    kGains1,
    kPitch2,  // relative to subframe 1
    kPositions2,
    kSigns2,
    kGains2,
    kParamCount
};
using FrameParams = std::array<int, kParamCount>;

// Splits a frame into its parameters: the stream runs MSB first through the bytes, and each
// parameter fills its own bits from bit 0 upwards.
FrameParams unpackFrame(const uint8_t* frame);

struct PitchDelay {
    int integer = 0;
    int fraction = 0;  // -1, 0 or +1 thirds
};
PitchDelay decodePitch1(int index);
PitchDelay decodePitch2(int index, int subframe1Integer);

struct Pulses {
    int position[2] = {0, 0};
    int sign[2] = {0, 0};  // +1 or -1
};
Pulses decodePulses(int positions, int signs);

struct GainCode {
    int pitchQ14 = 0;       // adaptive-codebook gain
    int correctionQ14 = 0;  // factor on the predicted fixed-codebook gain
};
GainCode decodeGainCode(int code);

// LSF stages, all in Q13 radians.
void rearrangeLsf(std::array<int, kOrder>& lsf, int gap);
void stabiliseLsf(std::array<int, kOrder>& lsf);
// Cosine domain (Q15) through the table with its slopes.
std::array<int, kOrder> lsfToLsp(const std::array<int, kOrder>& lsf);
// LP coefficients a[0..10] (a[0] = 1) of A(z) = 1 + sum a[i] z^-i.
std::array<double, kOrder + 1> lspToLpc(const std::array<int, kOrder>& lspQ15);

// Phase-dispersion state machine: chooses 0 (strong), 1 (medium) or 2 (none) per subframe.
class DispersionState {
public:
    int next(int pitchGainQ14, double codeGain);
    void reset() { *this = DispersionState(); }

private:
    std::array<int, 6> gainHistory_{};
    int prevState_ = 0;
    double prevCodeGain_ = 0.0;
    int onset_ = 0;
};

}  // namespace acelp

class Acelp56Decoder {
public:
    Acelp56Decoder() { reset(); }
    void reset();
    // Decodes one 7-byte frame into 80 samples.
    void decodeFrame(const uint8_t* frame, int16_t* out);

    // Last frame's decoded LSFs (Q13, after stabilisation), for inspection.
    const std::array<int, acelp::kOrder>& lastLsf() const { return lastLsf_; }

private:
    static constexpr int kExcHistory = acelp::kPitchMax + 11;
    static constexpr int kResHistory = 160;

    std::array<int, acelp::kOrder> decodeLsp(int stage1, int stage2);
    void postFilter(const std::array<double, acelp::kOrder + 1>& a, int pitch, const double* syn,
                    double* out);
    void longTermPostFilter(int t0, const double* res, double* out);

    // LSP quantiser memory.
    std::array<std::array<int, acelp::kOrder>, 4> freqPrev_{};
    std::array<int, acelp::kOrder> lspOld_{};
    std::array<int, acelp::kOrder> lastLsf_{};
    // Excitation: history then the current frame.
    std::array<double, kExcHistory + acelp::kFrameSamples> exc_{};
    std::array<double, 4> pastEnergy_{};  // dB
    double sharp_ = 0.0;
    acelp::DispersionState dispersion_;
    std::array<double, acelp::kOrder> synMem_{};
    // Post-filter memories.
    std::array<double, acelp::kOrder> synHist_{};  // unfiltered synthesis, last samples
    std::array<double, kResHistory + acelp::kSubframe> res_{};
    std::array<double, acelp::kOrder> pstMem_{};
    double tiltMem_ = 0.0;
    double agcGain_ = 1.0;
    // Output high-pass.
    double hpX1_ = 0.0, hpX2_ = 0.0, hpY1_ = 0.0, hpY2_ = 0.0;
};
