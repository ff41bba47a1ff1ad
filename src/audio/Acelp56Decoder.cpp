#include "audio/Acelp56Decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/G729Tables.h"

namespace acelp {
namespace {

constexpr int kParamBits[kParamCount] = {8, 10, 8, 6, 2, 5, 4, 6, 2, 5};

constexpr int kLsfMin = 40;
constexpr int kLsfGap = 321;
constexpr int kLsfMax = 25681;
constexpr int kSharpMin = 3277;
constexpr int kSharpMax = 13017;
constexpr int kDispersionLow = 9830;
constexpr int kDispersionMid = 14744;

constexpr double kMeanEnergyDb = 36.0;
constexpr double kPostGainWeight = 0.5;  // weight of the long-term post-filter
constexpr double kPostCorrThreshold = 0.5;
constexpr double kWideLimit = 8388607.0;  // bound for internal post-filter states

double saturate16(double v) { return std::clamp(v, -32768.0, 32767.0); }

}  // namespace

FrameParams unpackFrame(const uint8_t* frame) {
    FrameParams params{};
    int bit = 0;
    for (int k = 0; k < kParamCount; ++k) {
        int value = 0;
        for (int b = 0; b < kParamBits[k]; ++b, ++bit) {
            const int streamBit = (frame[bit >> 3] >> (7 - (bit & 7))) & 1;
            value |= streamBit << b;
        }
        params[k] = value;
    }
    return params;
}

PitchDelay decodePitch1(int index) {
    index = std::clamp(index, 0, 255);
    PitchDelay d;
    if (index < 197) {
        d.integer = (index + 59) / 3;
        d.fraction = index - 3 * d.integer + 58;
    } else {
        d.integer = index - 112;
    }
    return d;
}

PitchDelay decodePitch2(int index, int subframe1Integer) {
    index = std::clamp(index, 0, 15);
    const int tMin = std::clamp(subframe1Integer, 25, 139) - 5;
    PitchDelay d;
    if (index < 4) {
        d.integer = tMin + index;
    } else if (index <= 11) {
        d.integer = tMin + (index + 7) / 3;
        d.fraction = (index + 1) % 3 - 1;
    } else {
        d.integer = tMin + index - 6;
    }
    return d;
}

Pulses decodePulses(int positions, int signs) {
    positions &= 63;
    Pulses p;
    p.position[0] = 5 * (positions % 8) + 3;
    p.position[1] = 5 * (positions / 8);
    p.sign[0] = (signs & 1) ? 1 : -1;
    p.sign[1] = (signs & 2) ? 1 : -1;
    return p;
}

GainCode decodeGainCode(int code) {
    code &= 31;
    const int a = code / 4;
    const int b = 2 * (code % 4);
    GainCode g;
    g.pitchQ14 = g729::kGainStageA[a][0] + g729::kGainStageB[b][0];
    g.correctionQ14 = g729::kGainStageA[a][1] + g729::kGainStageB[b][1];
    return g;
}

void rearrangeLsf(std::array<int, kOrder>& lsf, int gap) {
    for (int j = 1; j < kOrder; ++j) {
        const int half = (lsf[j - 1] - lsf[j] + gap) >> 1;
        if (half > 0) {
            lsf[j - 1] -= half;
            lsf[j] += half;
        }
    }
}

void stabiliseLsf(std::array<int, kOrder>& lsf) {
    std::sort(lsf.begin(), lsf.end());
    lsf[0] = std::max(lsf[0], kLsfMin);
    for (int j = 1; j < kOrder; ++j) lsf[j] = std::max(lsf[j], lsf[j - 1] + kLsfGap);
    // Pushing values up may pass the top limit; pull the upper ones back so that every gap still holds.
    lsf[kOrder - 1] = std::min(lsf[kOrder - 1], kLsfMax);
    for (int j = kOrder - 2; j >= 0; --j) lsf[j] = std::min(lsf[j], lsf[j + 1] - kLsfGap);
}

std::array<int, kOrder> lsfToLsp(const std::array<int, kOrder>& lsf) {
    std::array<int, kOrder> lsp{};
    for (int i = 0; i < kOrder; ++i) {
        const int freq = (std::clamp(lsf[i], 0, 32767) * 20861) >> 15;
        const int index = std::min(freq >> 8, 63);
        const int offset = freq & 0xFF;
        lsp[i] = g729::kCosTable[index] + ((g729::kCosSlope[index] * offset) >> 12);
    }
    return lsp;
}

namespace {

std::array<double, 6> lspPolynomial(const std::array<int, kOrder>& lsp, int first) {
    std::array<double, 6> f{};
    f[0] = 1.0;
    f[1] = -2.0 * lsp[first] / 32768.0;
    for (int i = 2; i <= 5; ++i) {
        const double b = -2.0 * lsp[first + 2 * i - 2] / 32768.0;
        f[i] = b * f[i - 1] + 2.0 * f[i - 2];
        for (int j = i - 1; j > 1; --j) f[j] += b * f[j - 1] + f[j - 2];
        f[1] += b;
    }
    return f;
}

}  // namespace

std::array<double, kOrder + 1> lspToLpc(const std::array<int, kOrder>& lspQ15) {
    auto f1 = lspPolynomial(lspQ15, 0);
    auto f2 = lspPolynomial(lspQ15, 1);
    for (int i = 5; i > 0; --i) {
        f1[i] += f1[i - 1];
        f2[i] -= f2[i - 1];
    }
    std::array<double, kOrder + 1> a{};
    a[0] = 1.0;
    for (int i = 1, j = kOrder; i <= 5; ++i, --j) {
        a[i] = 0.5 * (f1[i] + f2[i]);
        a[j] = 0.5 * (f1[i] - f2[i]);
    }
    return a;
}

int DispersionState::next(int pitchGainQ14, double codeGain) {
    for (size_t i = gainHistory_.size() - 1; i > 0; --i) gainHistory_[i] = gainHistory_[i - 1];
    gainHistory_[0] = pitchGainQ14;

    if (codeGain > 2.0 * prevCodeGain_) {
        onset_ = 2;
    } else if (onset_ > 0) {
        --onset_;
    }
    int state = pitchGainQ14 <= kDispersionLow ? 0 : (pitchGainQ14 <= kDispersionMid ? 1 : 2);
    const auto lowGains =
        std::count_if(gainHistory_.begin(), gainHistory_.end(), [](int g) { return g < kDispersionLow; });
    if (lowGains > 2 && onset_ == 0) state = 0;
    state = std::min(state, prevState_ + 1);
    if (onset_ != 0 && state < 2) ++state;

    prevState_ = state;
    prevCodeGain_ = codeGain;
    return state;
}

}  // namespace acelp

using namespace acelp;

void Acelp56Decoder::reset() {
    for (auto& f : freqPrev_)
        std::copy(std::begin(g729::kLsfResetVector), std::end(g729::kLsfResetVector), f.begin());
    std::copy(std::begin(g729::kLspInitialVector), std::end(g729::kLspInitialVector), lspOld_.begin());
    lastLsf_.fill(0);
    exc_.fill(0.0);
    for (size_t i = 0; i < pastEnergy_.size(); ++i)
        pastEnergy_[i] = g729::kGainPredictorMemoryInit[i] / 1024.0;
    sharp_ = kSharpMin / 16384.0;
    dispersion_.reset();
    synMem_.fill(0.0);
    synHist_.fill(0.0);
    res_.fill(0.0);
    pstMem_.fill(0.0);
    tiltMem_ = 0.0;
    agcGain_ = 1.0;
    hpX1_ = hpX2_ = hpY1_ = hpY2_ = 0.0;
}

std::array<int, kOrder> Acelp56Decoder::decodeLsp(int stage1, int stage2) {
    const int mode = (stage1 >> 7) & 1;
    const int i0 = stage1 & 127;
    const int i1 = (stage2 >> 5) & 31;
    const int i2 = stage2 & 31;
    std::array<int, kOrder> buf{};
    for (int j = 0; j < kOrder; ++j)
        buf[j] = g729::kLspCodebook1[i0][j] + g729::kLspCodebook2[j < 5 ? i1 : i2][j];
    rearrangeLsf(buf, 10);
    rearrangeLsf(buf, 5);

    std::array<int, kOrder> lsf{};
    for (int j = 0; j < kOrder; ++j) {
        int64_t acc = int64_t{buf[j]} * g729::kLspMaPredictorSum[mode][j];
        for (int k = 0; k < 4; ++k) acc += int64_t{freqPrev_[k][j]} * g729::kLspMaPredictor[mode * 4 + k][j];
        lsf[j] = static_cast<int>(acc >> 15);
    }
    for (int k = 3; k > 0; --k) freqPrev_[k] = freqPrev_[k - 1];
    freqPrev_[0] = buf;

    stabiliseLsf(lsf);
    lastLsf_ = lsf;
    return lsfToLsp(lsf);
}

namespace {

// Past excitation at a delay of integer + fraction/3 samples, written over exc[0..39]; for delays
// shorter than the subframe the vector repeats itself, as the in-place loop reads what it wrote.
void adaptiveVector(double* exc, const PitchDelay& delay) {
    int frac = -delay.fraction;
    int base = -delay.integer;
    if (frac < 0) {
        frac += 3;
        --base;
    }
    for (int j = 0; j < kSubframe; ++j) {
        const double* x1 = exc + base + j;
        const double* x2 = x1 + 1;
        double s = 0.0;
        for (int i = 0, k = 0; i < 10; ++i, k += 3) {
            s += x1[-i] * g729::kPitchInterpFilter[frac + k] + x2[i] * g729::kPitchInterpFilter[3 - frac + k];
        }
        exc[j] = s / 32768.0;
    }
}

// 1/A(z) over one subframe; false when a sample had to be saturated.
bool synthesise(const std::array<double, kOrder + 1>& a, const double* in, double* out,
                std::array<double, kOrder>& mem) {
    bool clean = true;
    double hist[kOrder + kSubframe];
    std::copy(mem.begin(), mem.end(), hist);
    for (int n = 0; n < kSubframe; ++n) {
        double s = in[n];
        for (int i = 1; i <= kOrder; ++i) s -= a[i] * hist[kOrder + n - i];
        if (s > 32767.0 || s < -32768.0) {
            clean = false;
            s = saturate16(s);
        }
        hist[kOrder + n] = s;
        out[n] = s;
    }
    std::copy(hist + kSubframe, hist + kSubframe + kOrder, mem.begin());
    return clean;
}

}  // namespace

void Acelp56Decoder::decodeFrame(const uint8_t* frame, int16_t* out) {
    const FrameParams p = unpackFrame(frame);
    const auto lspNew = decodeLsp(p[kLspStage1], p[kLspStage2]);
    std::array<int, kOrder> lspMid{};
    for (int j = 0; j < kOrder; ++j) lspMid[j] = (lspOld_[j] >> 1) + (lspNew[j] >> 1);
    const std::array<std::array<double, kOrder + 1>, 2> lpc = {lspToLpc(lspMid), lspToLpc(lspNew)};
    lspOld_ = lspNew;

    double* excFrame = exc_.data() + kExcHistory;
    double excSyn[kFrameSamples];
    double syn[kFrameSamples];
    double post[kFrameSamples];
    int pitch1 = 0;

    for (int sf = 0; sf < 2; ++sf) {
        const PitchDelay delay = sf == 0 ? decodePitch1(p[kPitch1]) : decodePitch2(p[kPitch2], pitch1);
        if (sf == 0) pitch1 = delay.integer;
        double* e = excFrame + sf * kSubframe;
        adaptiveVector(e, delay);

        const Pulses pulses =
            decodePulses(p[sf == 0 ? kPositions1 : kPositions2], p[sf == 0 ? kSigns1 : kSigns2]);
        double code[kSubframe] = {};
        code[pulses.position[0]] = pulses.sign[0];
        code[pulses.position[1]] = pulses.sign[1];
        if (delay.integer < kSubframe) {
            for (int i = delay.integer; i < kSubframe; ++i) code[i] += code[i - delay.integer] * sharp_;
        }

        // Gains: the fixed-codebook gain is predicted from the past quantised energies and corrected.
        const GainCode gains = decodeGainCode(p[sf == 0 ? kGains1 : kGains2]);
        const double gainPitch = gains.pitchQ14 / 16384.0;
        const double correction = std::max(gains.correctionQ14, 1) / 16384.0;
        double energy = 0.01;
        for (double c : code) energy += c * c;
        double predicted = kMeanEnergyDb - 10.0 * std::log10(energy / kSubframe);
        for (int i = 0; i < 4; ++i) predicted += g729::kGainPredictionCoeffs[i] / 8192.0 * pastEnergy_[i];
        const double gainCode = correction * std::pow(10.0, predicted / 20.0);
        for (int i = 3; i > 0; --i) pastEnergy_[i] = pastEnergy_[i - 1];
        pastEnergy_[0] = 20.0 * std::log10(correction);

        for (int i = 0; i < kSubframe; ++i) e[i] = saturate16(gainPitch * e[i] + gainCode * code[i]);

        // Phase dispersion of the fixed-codebook part; the stored excitation stays undispersed.
        const int state = dispersion_.next(gains.pitchQ14, gainCode);
        double spread[kSubframe] = {};
        if (state == 2) {
            std::copy(code, code + kSubframe, spread);
        } else {
            const int16_t* h = state == 0 ? g729::kPhaseDispersionLow : g729::kPhaseDispersionMid;
            for (int pos = 0; pos < kSubframe; ++pos) {
                if (code[pos] == 0.0) continue;
                for (int k = 0; k < kSubframe; ++k)
                    spread[(pos + k) % kSubframe] += code[pos] * h[k] / 32768.0;
            }
        }
        double* xs = excSyn + sf * kSubframe;
        for (int i = 0; i < kSubframe; ++i) xs[i] = saturate16(e[i] + gainCode * (spread[i] - code[i]));
        sharp_ = std::clamp(gains.pitchQ14, kSharpMin, kSharpMax) / 16384.0;

        // On overflow the whole excitation memory is scaled down and the subframe synthesised again.
        const auto savedMem = synMem_;
        if (!synthesise(lpc[sf], xs, syn + sf * kSubframe, synMem_)) {
            for (double& v : exc_) v *= 0.25;
            for (int i = 0; i < kSubframe; ++i) xs[i] *= 0.25;
            synMem_ = savedMem;
            synthesise(lpc[sf], xs, syn + sf * kSubframe, synMem_);
        }
        postFilter(lpc[sf], delay.integer, syn + sf * kSubframe, post + sf * kSubframe);
    }
    std::memmove(exc_.data(), exc_.data() + kFrameSamples, kExcHistory * sizeof(double));

    // Output high-pass; the decoder works at half scale, so the result is doubled.
    const double b0 = g729::kOutputHighpassB[0] / 8192.0;
    const double b1 = g729::kOutputHighpassB[1] / 8192.0;
    const double b2 = g729::kOutputHighpassB[2] / 8192.0;
    const double a1 = g729::kOutputHighpassA[1] / 8192.0;
    const double a2 = g729::kOutputHighpassA[2] / 8192.0;
    for (int n = 0; n < kFrameSamples; ++n) {
        const double x = post[n];
        const double y =
            std::clamp(b0 * x + b1 * hpX1_ + b2 * hpX2_ + a1 * hpY1_ + a2 * hpY2_, -kWideLimit, kWideLimit);
        hpX2_ = hpX1_;
        hpX1_ = x;
        hpY2_ = hpY1_;
        hpY1_ = y;
        const double v = 2.0 * y;
        out[n] = static_cast<int16_t>(std::lrint(v == v ? saturate16(v) : 0.0));
    }
}

void Acelp56Decoder::postFilter(const std::array<double, kOrder + 1>& a, int pitch, const double* syn,
                                double* out) {
    std::array<double, kOrder + 1> num{};
    std::array<double, kOrder + 1> den{};
    num[0] = den[0] = 1.0;
    for (int i = 1; i <= kOrder; ++i) {
        num[i] = a[i] * g729::kPostfilterGammaNumPowers[i - 1] / 32768.0;
        den[i] = a[i] * g729::kPostfilterGammaDenPowers[i - 1] / 32768.0;
    }

    // Residual of the synthesis through A(z/0.55).
    double ext[kOrder + kSubframe];
    std::copy(synHist_.begin(), synHist_.end(), ext);
    std::copy(syn, syn + kSubframe, ext + kOrder);
    double* res = res_.data() + kResHistory;
    for (int n = 0; n < kSubframe; ++n) {
        double r = ext[kOrder + n];
        for (int i = 1; i <= kOrder; ++i) r += num[i] * ext[kOrder + n - i];
        res[n] = r;
    }
    std::copy(ext + kSubframe, ext + kSubframe + kOrder, synHist_.begin());

    double ltp[kSubframe];
    longTermPostFilter(std::min(pitch, kPitchMax), res, ltp);
    std::memmove(res_.data(), res_.data() + kSubframe, kResHistory * sizeof(double));

    // Tilt compensation from the first reflection coefficient of A(z/0.55)/A(z/0.7).
    constexpr int kImpulse = 22;
    double h[kImpulse] = {};
    for (int i = 0; i <= kOrder; ++i) h[i] = num[i];
    for (int n = 0; n < kImpulse; ++n) {
        for (int i = 1; i <= kOrder && i <= n; ++i) h[n] -= den[i] * h[n - i];
    }
    double r0 = 0.0;
    double r1 = 0.0;
    for (int i = 0; i < kImpulse; ++i) r0 += h[i] * h[i];
    for (int i = 0; i + 1 < kImpulse; ++i) r1 += h[i] * h[i + 1];
    const double k1 = r0 > 0.0 ? -r1 / r0 : 0.0;
    const double tiltFactor =
        (k1 > 0.0 ? g729::kPostfilterConstants[2] : g729::kPostfilterConstants[3]) / 32768.0;
    const double tilt = tiltFactor * k1;

    // Short-term post-filter 1/A(z/0.7) after the tilt stage.
    double hist[kOrder + kSubframe];
    std::copy(pstMem_.begin(), pstMem_.end(), hist);
    for (int n = 0; n < kSubframe; ++n) {
        const double x = ltp[n];
        double s = x + tilt * tiltMem_;
        tiltMem_ = x;
        for (int i = 1; i <= kOrder; ++i) s -= den[i] * hist[kOrder + n - i];
        s = std::clamp(s, -kWideLimit, kWideLimit);
        hist[kOrder + n] = s;
        out[n] = s;
    }
    std::copy(hist + kSubframe, hist + kSubframe + kOrder, pstMem_.begin());

    // Adaptive gain control towards the level before the post-filter.
    double sumBefore = 0.0;
    double sumAfter = 0.0;
    for (int n = 0; n < kSubframe; ++n) {
        sumBefore += std::fabs(syn[n]);
        sumAfter += std::fabs(out[n]);
    }
    if (sumAfter < 1.0) {  // nothing left at integer resolution
        agcGain_ = 0.0;
        return;
    }
    const double g0 = sumBefore / sumAfter * 205.0 / 16384.0;
    for (int n = 0; n < kSubframe; ++n) {
        agcGain_ = agcGain_ * 16179.0 / 16384.0 + g0;
        out[n] *= agcGain_;
    }
}

void Acelp56Decoder::longTermPostFilter(int t0, const double* in, double* out) {
    auto passThrough = [&] { std::copy(in, in + kSubframe, out); };

    // Best integer delay among t0-1 .. t0+1.
    const int lambda0 = t0 - 1;
    double numInt = -1.0e30;
    int best = 0;
    for (int i = 0; i < 3; ++i) {
        const double* past = in - (lambda0 + i);
        double c = 0.0;
        for (int n = 0; n < kSubframe; ++n) c += in[n] * past[n];
        if (c > numInt) {
            numInt = c;
            best = i;
        }
    }
    if (numInt <= 0.0) return passThrough();
    const int lambda = lambda0 + best;
    double denInt = 0.0;
    for (int n = 0; n < kSubframe; ++n) denInt += in[n - lambda] * in[n - lambda];
    if (denInt <= 0.0) return passThrough();

    // Fractional delays lambda+1-phi/8 and lambda-phi/8 with the 4-tap filters.
    constexpr int kPhases = 8;
    double yUp[kPhases - 1][kSubframe + 1];
    double den0[kPhases - 1];
    double den1[kPhases - 1];
    for (int phi = 1; phi < kPhases; ++phi) {
        const int16_t* h = g729::kPostfilterUpsampleShort[phi - 1];
        const double* base = in + 1 - lambda;
        double* y = yUp[phi - 1];
        for (int n = 0; n <= kSubframe; ++n) {
            double t = 0.0;
            for (int k = 0; k < 4; ++k) t += h[k] / 32768.0 * base[n - k];
            y[n] = t;
        }
        double mid = 0.0;
        for (int n = 1; n < kSubframe; ++n) mid += y[n] * y[n];
        den0[phi - 1] = mid + y[0] * y[0];
        den1[phi - 1] = mid + y[kSubframe] * y[kSubframe];
    }

    double numMax = numInt;
    double denMax = denInt;
    double numSqMax = numMax * numMax;
    int phiMax = 0;
    int offset = 1;
    for (int phi = 1; phi < kPhases; ++phi) {
        for (int off = 0; off < 2; ++off) {
            const double* y = yUp[phi - 1] + off;
            const double d = off == 0 ? den0[phi - 1] : den1[phi - 1];
            double c = 0.0;
            for (int n = 0; n < kSubframe; ++n) c += in[n] * y[n];
            c = std::max(c, 0.0);
            if (c * c * denMax > numSqMax * d) {
                numMax = c;
                numSqMax = c * c;
                denMax = d;
                offset = off;
                phiMax = phi;
            }
        }
    }
    if (numMax <= 0.0 || denMax <= 1e-9) return passThrough();
    double energy = 0.0;
    for (int n = 0; n < kSubframe; ++n) energy += in[n] * in[n];
    if (numSqMax < denMax * energy * kPostCorrThreshold) return passThrough();

    double num = numMax;
    double den = denMax;
    double longY[kSubframe];
    const double* delayed = nullptr;
    if (phiMax == 0) {
        delayed = in - lambda;
    } else {
        const int delay = lambda + 1 - offset;
        // The 16-tap filter at the chosen phase; kept when it matches the signal better.
        const int16_t* h = g729::kPostfilterUpsampleLong[phiMax - 1];
        const double* base = in - delay + 8;
        for (int n = 0; n < kSubframe; ++n) {
            double t = 0.0;
            for (int i = 0; i < 16; ++i) t += h[i] / 32768.0 * base[n - i];
            longY[n] = t;
        }
        double num2 = 0.0;
        double den2 = 0.0;
        for (int n = 0; n < kSubframe; ++n) {
            num2 += in[n] * longY[n];
            den2 += longY[n] * longY[n];
        }
        num2 = std::max(num2, 0.0);
        if (den2 > 0.0 && num2 * num2 * den > num * num * den2) {
            num = num2;
            den = den2;
            delayed = longY;
        } else {
            delayed = yUp[phiMax - 1] + offset;
        }
    }
    const double gain = num >= den ? 1.0 / (1.0 + kPostGainWeight) : den / (den + kPostGainWeight * num);
    for (int n = 0; n < kSubframe; ++n) out[n] = gain * in[n] + (1.0 - gain) * delayed[n];
}
