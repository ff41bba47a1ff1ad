// The 5.6 kbit/s CS-ACELP decoder, stage by stage against the codec's stated rules and as a whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "audio/Acelp56Decoder.h"

using namespace acelp;

namespace {

constexpr int kWidths[kParamCount] = {8, 10, 8, 6, 2, 5, 4, 6, 2, 5};

// Builds a frame: stream bits run MSB first through the bytes, each parameter starting at its bit 0.
std::array<uint8_t, kFrameBytes> packFrame(const FrameParams& p) {
    std::array<uint8_t, kFrameBytes> frame{};
    int streamBit = 0;
    for (int k = 0; k < kParamCount; ++k) {
        for (int b = 0; b < kWidths[k]; ++b, ++streamBit) {
            if ((p[k] >> b) & 1) frame[streamBit / 8] |= static_cast<uint8_t>(0x80 >> (streamBit % 8));
        }
    }
    return frame;
}

std::vector<int16_t> decodeFrames(Acelp56Decoder& decoder,
                                  const std::vector<std::array<uint8_t, 7>>& frames) {
    std::vector<int16_t> out;
    for (const auto& f : frames) {
        int16_t pcm[kFrameSamples];
        decoder.decodeFrame(f.data(), pcm);
        out.insert(out.end(), pcm, pcm + kFrameSamples);
    }
    return out;
}

// Frames of a steady sound: fixed spectrum and gain code, the same pitch delay (in thirds of a sample)
// in both subframes, pulses varying from frame to frame. Subframe 1 codes thirds - 58 below 85 samples
// and whole delays + 112 above; subframe 2 codes Tmin + 5 (Tmin = integer delay - 5) as 9, with
// its fraction -1/+1 as 8/10.
std::vector<std::array<uint8_t, 7>> steadyFrames(int thirds, int gainCode, int count) {
    const int integer = (thirds + 1) / 3;
    const int fraction = thirds - 3 * integer;
    std::mt19937 rng(7);
    std::vector<std::array<uint8_t, 7>> frames;
    for (int i = 0; i < count; ++i) {
        FrameParams p{};
        p[kLspStage1] = 5;
        p[kPitch1] = thirds < 3 * 85 ? thirds - 58 : integer + 112;
        p[kPitch2] = 9 + fraction;
        p[kPositions1] = static_cast<int>(rng() % 64);
        p[kPositions2] = static_cast<int>(rng() % 64);
        p[kSigns1] = static_cast<int>(rng() % 4);
        p[kSigns2] = static_cast<int>(rng() % 4);
        p[kGains1] = p[kGains2] = gainCode;
        frames.push_back(packFrame(p));
    }
    return frames;
}

double rms(const std::vector<int16_t>& s, size_t from) {
    double sum = 0.0;
    for (size_t i = from; i < s.size(); ++i) sum += static_cast<double>(s[i]) * s[i];
    return std::sqrt(sum / static_cast<double>(s.size() - from));
}

}  // namespace

TEST(AcelpStages, EachStreamBitLandsInItsParameterBit) {
    int start = 0;
    for (int k = 0; k < kParamCount; ++k) {
        for (int b = 0; b < kWidths[k]; ++b) {
            const int s = start + b;
            std::array<uint8_t, kFrameBytes> frame{};
            frame[s / 8] = static_cast<uint8_t>(0x80 >> (s % 8));
            const FrameParams p = unpackFrame(frame.data());
            for (int j = 0; j < kParamCount; ++j) EXPECT_EQ(p[j], j == k ? 1 << b : 0) << "stream bit " << s;
        }
        start += kWidths[k];
    }
    EXPECT_EQ(start, 56);
}

TEST(AcelpStages, UnpackExamples) {
    // First byte 0x01 is stream bit 7: the predictor switch; 0xFF.. gives every parameter all ones.
    const uint8_t switchOnly[7] = {0x01, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(unpackFrame(switchOnly)[kLspStage1], 128);
    const uint8_t ones[7] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const FrameParams all = unpackFrame(ones);
    for (int k = 0; k < kParamCount; ++k) EXPECT_EQ(all[k], (1 << kWidths[k]) - 1) << k;
    // Byte 1 = 0xC0: stream bits 8 and 9 are bits 0 and 1 of the second-stage LSP index.
    const uint8_t second[7] = {0, 0xC0, 0, 0, 0, 0, 0};
    EXPECT_EQ(unpackFrame(second)[kLspStage2], 3);
}

TEST(AcelpStages, PitchDelaySubframe1) {
    struct Case {
        int index, integer, fraction;
    };
    const Case cases[] = {{0, 19, 1},   {1, 20, -1},   {2, 20, 0},   {3, 20, 1},   {92, 50, 0},
                          {195, 84, 1}, {196, 85, -1}, {197, 85, 0}, {198, 86, 0}, {255, 143, 0}};
    for (const auto& c : cases) {
        const PitchDelay d = decodePitch1(c.index);
        EXPECT_EQ(d.integer, c.integer) << c.index;
        EXPECT_EQ(d.fraction, c.fraction) << c.index;
    }
    // In thirds of a sample the delay is index + 58 below 197 and whole samples above.
    for (int p = 0; p < 256; ++p) {
        const PitchDelay d = decodePitch1(p);
        EXPECT_EQ(3 * d.integer + d.fraction, p < 197 ? p + 58 : 3 * (p - 112)) << p;
        EXPECT_GE(d.fraction, -1);
        EXPECT_LE(d.fraction, 1);
    }
}

TEST(AcelpStages, PitchDelaySubframe2) {
    struct Case {
        int subframe1, index, integer, fraction;
    };
    const Case cases[] = {
        {50, 0, 45, 0},   {50, 3, 48, 0},    {50, 4, 48, 1},    {50, 5, 49, -1}, {50, 6, 49, 0},
        {50, 11, 51, -1}, {50, 12, 51, 0},   {50, 15, 54, 0},   {19, 0, 20, 0},  {10, 15, 29, 0},
        {143, 0, 134, 0}, {143, 15, 143, 0}, {139, 15, 143, 0}, {25, 0, 20, 0},
    };
    for (const auto& c : cases) {
        const PitchDelay d = decodePitch2(c.index, c.subframe1);
        EXPECT_EQ(d.integer, c.integer) << c.subframe1 << "/" << c.index;
        EXPECT_EQ(d.fraction, c.fraction) << c.subframe1 << "/" << c.index;
    }
    // The 16 codes cover Tmin .. Tmin+9 in rising order, in thirds between Tmin+3 and Tmin+6.
    for (int t1 = 19; t1 <= 143; ++t1) {
        int previous = -1;
        for (int p = 0; p < 16; ++p) {
            const PitchDelay d = decodePitch2(p, t1);
            const int thirds = 3 * d.integer + d.fraction;
            EXPECT_GT(thirds, previous);
            previous = thirds;
            EXPECT_GE(d.integer, 20);
            EXPECT_LE(d.integer, 143);
        }
    }
}

TEST(AcelpStages, PulsePositionsAndSigns) {
    std::vector<bool> seen(40 * 40, false);
    for (int k = 0; k < 64; ++k) {
        for (int s = 0; s < 4; ++s) {
            const Pulses p = decodePulses(k, s);
            EXPECT_EQ(p.position[0], 5 * (k % 8) + 3);
            EXPECT_EQ(p.position[1], 5 * (k / 8));
            EXPECT_EQ(p.sign[0], (s & 1) ? 1 : -1);
            EXPECT_EQ(p.sign[1], (s & 2) ? 1 : -1);
            if (s == 0) {
                EXPECT_FALSE(seen[p.position[0] * 40 + p.position[1]]) << k;
                seen[p.position[0] * 40 + p.position[1]] = true;
            }
        }
    }
    EXPECT_EQ(decodePulses(63, 0).position[0], 38);
    EXPECT_EQ(decodePulses(63, 0).position[1], 35);
}

TEST(AcelpStages, GainCodes) {
    const int a0[8] = {5849, 2929, 9425, 6068, 3617, 3171, 3915, 4987};
    const int b0[8] = {0, 3988, 4478, 7876, 10291, 10828, 11956, 16423};
    const int a1[8] = {0, 1078, 2731, 6093, 6747, 9280, 12872, 22294};
    const int b1[8] = {4175, 0, 7324, 7821, 11385, 27602, 10735, 15724};
    for (int g = 0; g < 32; ++g) {
        const GainCode c = decodeGainCode(g);
        EXPECT_EQ(c.pitchQ14, a0[g / 4] + b0[2 * (g % 4)]) << g;
        EXPECT_EQ(c.correctionQ14, a1[g / 4] + b1[2 * (g % 4)]) << g;
    }
    EXPECT_EQ(decodeGainCode(0).pitchQ14, 5849);
    EXPECT_EQ(decodeGainCode(31).pitchQ14, 4987 + 11956);
    EXPECT_EQ(decodeGainCode(31).correctionQ14, 22294 + 10735);
}

TEST(AcelpStages, RearrangementWorksOnNeighbours) {
    // A pair closer than the gap is pushed apart symmetrically: half of (difference + gap).
    std::array<int, kOrder> lsf = {100, 95, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000};
    rearrangeLsf(lsf, 10);
    EXPECT_EQ(lsf[0], 93);
    EXPECT_EQ(lsf[1], 102);
    EXPECT_EQ(lsf[2], 2000);
    std::array<int, kOrder> spaced = {100, 200, 300, 400, 500, 600, 700, 800, 900, 1000};
    const auto before = spaced;
    rearrangeLsf(spaced, 5);
    EXPECT_EQ(spaced, before);
}

TEST(AcelpStages, StabilisedLsfsAreOrderedAndBounded) {
    const std::array<int, kOrder> inputs[] = {
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {30000, 30000, 30000, 30000, 30000, 30000, 30000, 30000, 30000, 30000},
        {25000, 22000, 19000, 16000, 13000, 10000, 7000, 4000, 1000, -2000},
        {2000, 2100, 2200, 24000, 25600, 25650, 25660, 25670, 25680, 25690},
        {-5000, 40, 41, 42, 43, 44, 45, 46, 47, 48},
        {1000, 3000, 5000, 7000, 9000, 11000, 13000, 15000, 17000, 19000},
    };
    for (auto lsf : inputs) {
        const auto original = lsf;
        stabiliseLsf(lsf);
        EXPECT_GE(lsf[0], 40);
        EXPECT_LE(lsf[kOrder - 1], 25681);
        for (int j = 1; j < kOrder; ++j) EXPECT_GE(lsf[j] - lsf[j - 1], 321) << j;
        if (original == inputs[5]) {
            EXPECT_EQ(lsf, original);  // already stable: unchanged
        }
    }
}

TEST(AcelpStages, LsfToLspFollowsTheCosine) {
    for (int lsf = 40; lsf <= 25681; lsf += 97) {
        const std::array<int, kOrder> in = {lsf, lsf, lsf, lsf, lsf, lsf, lsf, lsf, lsf, lsf};
        const int lsp = lsfToLsp(in)[0];
        EXPECT_NEAR(lsp, std::cos(lsf / 8192.0) * 32768.0, 24.0) << lsf;
    }
    EXPECT_NEAR(lsfToLsp({12868})[0], 0, 8);  // pi/2
}

TEST(AcelpStages, LpcFromEvenlySpacedLspIsFlat) {
    // Frequencies i*pi/11 are the line spectrum of A(z) = 1.
    std::array<int, kOrder> lsp{};
    for (int i = 0; i < kOrder; ++i)
        lsp[i] = static_cast<int>(std::lround(std::cos((i + 1) * std::numbers::pi / 11) * 32768));
    const auto a = lspToLpc(lsp);
    EXPECT_DOUBLE_EQ(a[0], 1.0);
    for (int i = 1; i <= kOrder; ++i) EXPECT_NEAR(a[i], 0.0, 2e-4) << i;
}

TEST(AcelpStages, LpcMatchesTheProductOfLineSpectrumFactors) {
    // A(z) = (P(z) + Q(z)) / 2 with P = (1 + z^-1) prod(1 - 2 q_odd z^-1 + z^-2) and Q likewise with
    // (1 - z^-1) and the even-numbered frequencies, multiplied out directly.
    std::mt19937 rng(3);
    for (int trial = 0; trial < 20; ++trial) {
        std::array<int, kOrder> lsf{};
        for (int& v : lsf) v = static_cast<int>(rng() % 25000);
        stabiliseLsf(lsf);
        const auto lsp = lsfToLsp(lsf);
        auto multiply = [](std::vector<double> poly, std::vector<double> factor) {
            std::vector<double> r(poly.size() + factor.size() - 1, 0.0);
            for (size_t i = 0; i < poly.size(); ++i)
                for (size_t j = 0; j < factor.size(); ++j) r[i + j] += poly[i] * factor[j];
            return r;
        };
        std::vector<double> p = {1.0, 1.0};
        std::vector<double> q = {1.0, -1.0};
        for (int i = 0; i < kOrder; i += 2) p = multiply(p, {1.0, -2.0 * lsp[i] / 32768.0, 1.0});
        for (int i = 1; i < kOrder; i += 2) q = multiply(q, {1.0, -2.0 * lsp[i] / 32768.0, 1.0});
        const auto a = lspToLpc(lsp);
        for (int i = 0; i <= kOrder; ++i) EXPECT_NEAR(a[i], 0.5 * (p[i] + q[i]), 1e-9) << trial << ":" << i;
    }
}

TEST(AcelpStages, DispersionStateMachine) {
    struct Step {
        int pitchGain;
        double codeGain;
        int state;
    };
    // From the start state (previous code gain 0) the first subframe is an onset; once it has passed,
    // more than two weak pitch gains among the last six force state 0, the state climbs at most one
    // step per subframe, and the thresholds sit at 9830 and 14744 inclusive.
    const std::vector<std::vector<Step>> sequences = {
        {{16000, 10, 2},
         {16000, 10, 2},
         {16000, 10, 0},
         {16000, 10, 1},
         {16000, 10, 2},
         {16000, 10, 2},
         {16000, 10, 2}},
        {{16000, 10, 2},
         {16000, 10, 2},
         {16000, 10, 0},
         {16000, 10, 1},
         {16000, 10, 2},
         {16000, 10, 2},
         {16000, 10, 2},
         {12000, 10, 1},
         {5000, 10, 0},
         {12000, 10, 1},
         {5000, 10, 0},
         {5000, 10, 0},
         {12000, 10, 0}},
        {{16000, 10, 2},
         {16000, 10, 2},
         {16000, 10, 0},
         {16000, 10, 1},
         {16000, 10, 2},
         {16000, 10, 2},
         {9830, 10, 0},
         {9831, 10, 1},
         {14744, 10, 1},
         {14745, 10, 2}},
    };
    for (size_t s = 0; s < sequences.size(); ++s) {
        DispersionState d;
        for (size_t i = 0; i < sequences[s].size(); ++i) {
            EXPECT_EQ(d.next(sequences[s][i].pitchGain, sequences[s][i].codeGain), sequences[s][i].state)
                << "sequence " << s << " step " << i;
        }
    }
    DispersionState onset;
    for (int i = 0; i < 8; ++i) onset.next(5000, 10);  // settled: weak pitch, state 0
    EXPECT_EQ(onset.next(5000, 25), 1);                // onset: raised, counter 2
    EXPECT_EQ(onset.next(5000, 25), 1);                // counter 1: still raised
    EXPECT_EQ(onset.next(5000, 25), 0);                // counter 0
}

TEST(AcelpDecoder, SteadyVoicedFramesRepeatAtTheCodedDelay) {
    // The autocorrelation peak, refined by a parabola through its neighbours, finds the delay to a
    // fraction of a sample; the search stops short of twice the delay.
    const int delaysInThirds[] = {120, 150, 219, 291, 390, 179, 180, 181, 182, 100};
    for (int thirds : delaysInThirds) {
        Acelp56Decoder decoder;
        const auto pcm = decodeFrames(decoder, steadyFrames(thirds, 2, 150));
        const size_t from = 4000;  // after the start-up
        auto correlation = [&](int lag) {
            double c = 0.0;
            for (size_t i = from; i < pcm.size(); ++i) c += static_cast<double>(pcm[i]) * pcm[i - lag];
            return c;
        };
        const double delay = thirds / 3.0;
        int bestLag = 20;
        for (int lag = 20; lag <= std::min(static_cast<int>(2 * delay) - 10, 143); ++lag) {
            if (correlation(lag) > correlation(bestLag)) bestLag = lag;
        }
        const double left = correlation(bestLag - 1);
        const double mid = correlation(bestLag);
        const double right = correlation(bestLag + 1);
        const double refined = bestLag + 0.5 * (left - right) / (left - 2 * mid + right);
        EXPECT_NEAR(refined, delay, 0.25) << thirds;
        EXPECT_GT(rms(pcm, from), 1000.0) << thirds;
    }
}

TEST(AcelpDecoder, LowestGainsGiveNearSilence) {
    for (int delay : {40, 73}) {
        Acelp56Decoder decoder;
        const auto pcm = decodeFrames(decoder, steadyFrames(3 * delay, 0, 100));
        EXPECT_LT(rms(pcm, 800), 200.0) << delay;
        const auto peak = std::max_element(pcm.begin() + 800, pcm.end(),
                                           [](int16_t a, int16_t b) { return std::abs(a) < std::abs(b); });
        EXPECT_LT(std::abs(*peak), 1000) << delay;
    }
}

TEST(AcelpDecoder, ResetRestoresTheStartState) {
    const auto frames = steadyFrames(184, 14, 30);
    Acelp56Decoder decoder;
    const auto first = decodeFrames(decoder, frames);
    decoder.reset();
    EXPECT_EQ(decodeFrames(decoder, frames), first);
    Acelp56Decoder fresh;
    EXPECT_EQ(decodeFrames(fresh, frames), first);
}

TEST(AcelpDecoder, RandomFramesStayBoundedAndStable) {
    std::mt19937 rng(12345);
    Acelp56Decoder decoder;
    size_t clipped = 0;
    size_t total = 0;
    for (int i = 0; i < 5000; ++i) {
        std::array<uint8_t, kFrameBytes> frame{};
        for (auto& b : frame) b = static_cast<uint8_t>(rng());
        int16_t pcm[kFrameSamples];
        decoder.decodeFrame(frame.data(), pcm);
        for (int16_t v : pcm) {
            clipped += (v == 32767 || v == -32768) ? 1 : 0;
            ++total;
        }
        // Every frame's LSFs are in order with the minimum gap.
        const auto& lsf = decoder.lastLsf();
        for (int j = 1; j < kOrder; ++j) ASSERT_GE(lsf[j] - lsf[j - 1], 321);
    }
    // Random parameters are loud, but the decoder must not lock into clipping.
    EXPECT_LT(clipped, total / 4);
}
