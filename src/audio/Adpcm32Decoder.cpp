#include "audio/Adpcm32Decoder.h"

#include <algorithm>

namespace {

constexpr int kDqln[16] = {-2048, 4, 135, 213, 273, 323, 373, 425, 425, 373, 323, 273, 213, 135, 4, -2048};
constexpr int kW[16] = {-12, 18, 41, 64, 112, 198, 355, 1122, 1122, 355, 198, 112, 64, 41, 18, -12};
constexpr int kMin24 = -0x800000;
constexpr int kMax24 = 0x7FFFFF;

int clip24(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, kMin24, kMax24)); }
// Sign for the sign-sign rules; zero counts as positive.
int signOf(int v) { return v < 0 ? -1 : 1; }

}  // namespace

void Adpcm32Decoder::reset() {
    y_ = 544;
    a_.fill(0);
    b_.fill(0);
    dq_.fill(0);
    sr_.fill(0);
    p_.fill(0);
    sez_ = 0;
    se_ = 0;
}

int16_t Adpcm32Decoder::decodeCode(int code) {
    code &= 15;
    // Inverse quantiser in the log domain.
    const int dql = kDqln[code] + (y_ >> 2);
    int dq = 0;
    if (dql >= 0) {
        dq = (128 + (dql & 127)) << (((dql >> 7) & 15) + 1);
        if (code & 8) dq = -dq;
    }
    dq = clip24(dq);

    const int se = se_ >> 8;
    const int sample = std::clamp((dq >> 6) + 4 * se, -32768, 32767);

    y_ = std::clamp(y_ + kW[code] - (y_ >> 5), 544, 5120);

    // Predictor adaptation on this difference and the partial estimate.
    const int sr = clip24(int64_t{se_} + dq);
    const int p = clip24(int64_t{sez_} + dq);

    if (p != 0) {
        const int same1 = signOf(p) * signOf(p_[0]);
        const int same2 = signOf(p) * signOf(p_[1]);
        const int fa1 = std::clamp(4 * a_[0], -32768, 32768);
        const int step2 = (same2 * 16384 - same1 * fa1) >> 7;
        a_[1] = std::clamp(a_[1] - (a_[1] >> 7) + step2, -12288, 12288);
        const int limit1 = 15360 - a_[1];
        a_[0] = std::clamp(a_[0] - (a_[0] >> 8) + same1 * 192, -limit1, limit1);
    } else {
        a_[1] = std::clamp(a_[1] - (a_[1] >> 7), -12288, 12288);
        const int limit1 = 15360 - a_[1];
        a_[0] = std::clamp(a_[0] - (a_[0] >> 8), -limit1, limit1);
    }
    for (int i = 0; i < 6; ++i) {
        b_[i] -= b_[i] >> 8;
        if (dq != 0) b_[i] += signOf(dq) * signOf(dq_[i]) * 128;
    }

    for (int i = 5; i > 0; --i) dq_[i] = dq_[i - 1];
    dq_[0] = dq;
    sr_[1] = sr_[0];
    sr_[0] = sr;
    p_[1] = p_[0];
    p_[0] = p;

    int64_t zeros = 0;
    for (int i = 0; i < 6; ++i) zeros += (int64_t{b_[i]} * dq_[i]) >> 14;
    int64_t poles = 0;
    for (int i = 0; i < 2; ++i) poles += (int64_t{a_[i]} * sr_[i]) >> 14;
    sez_ = clip24(zeros);
    se_ = clip24(zeros + poles);
    return static_cast<int16_t>(sample);
}

void Adpcm32Decoder::decodeFrame(const uint8_t* frame, int16_t* out) {
    for (int i = 0; i < kFrameSamples; ++i) {
        const uint8_t byte = frame[i / 2];
        out[i] = decodeCode((i % 2 == 0) ? (byte & 15) : (byte >> 4));
    }
}
