// The 5.6 kbit/s CS-ACELP decoder and its tables, stage by stage against the codec's rules and as a whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "audio/Acelp56Decoder.h"
#include "audio/G729Tables.h"

using namespace acelp;

namespace {

constexpr int kWidths[kParamCount] = {8, 10, 8, 6, 2, 5, 4, 6, 2, 5};

// A steady sound: fixed spectrum and gains, the same delay (in thirds) in both subframes, varying pulses.
// Subframe 1 codes thirds - 58 below 85 samples and whole delays + 112 above; subframe 2 codes the
// delay as 9 (Tmin = integer - 5), fractions -1/+1 as 8/10. Stream bits run MSB first through the
// bytes, each parameter from its bit 0.
std::vector<int16_t> decodeSteady(int thirds, int gainCode, int count) {
    const int integer = (thirds + 1) / 3;
    std::mt19937 rng(7);
    Acelp56Decoder decoder;
    std::vector<int16_t> out(static_cast<size_t>(count) * kFrameSamples);
    for (int i = 0; i < count; ++i) {
        const FrameParams p = {5,
                               0,
                               thirds < 3 * 85 ? thirds - 58 : integer + 112,
                               static_cast<int>(rng() % 64),
                               static_cast<int>(rng() % 4),
                               gainCode,
                               9 + thirds - 3 * integer,
                               static_cast<int>(rng() % 64),
                               static_cast<int>(rng() % 4),
                               gainCode};
        std::array<uint8_t, kFrameBytes> frame{};
        for (int k = 0, s = 0; k < kParamCount; ++k)
            for (int b = 0; b < kWidths[k]; ++b, ++s)
                if ((p[k] >> b) & 1) frame[s / 8] |= static_cast<uint8_t>(0x80 >> (s % 8));
        decoder.decodeFrame(frame.data(), out.data() + i * kFrameSamples);
    }
    return out;
}

}  // namespace

TEST(AcelpStages, BitsPitchPulsesAndGains) {
    for (int k = 0, s = 0; k < kParamCount; ++k) {
        for (int b = 0; b < kWidths[k]; ++b, ++s) {
            std::array<uint8_t, kFrameBytes> frame{};
            frame[s / 8] = static_cast<uint8_t>(0x80 >> (s % 8));
            const FrameParams p = unpackFrame(frame.data());
            for (int j = 0; j < kParamCount; ++j) EXPECT_EQ(p[j], j == k ? 1 << b : 0) << "stream bit " << s;
        }
    }
    // Subframe 1 in thirds: index + 58 below 197, whole samples (index - 112) above.
    for (int p = 0; p < 256; ++p) {
        const PitchDelay d = decodePitch1(p);
        EXPECT_EQ(3 * d.integer + d.fraction, p < 197 ? p + 58 : 3 * (p - 112)) << p;
        EXPECT_TRUE(d.fraction >= -1 && d.fraction <= 1) << p;
    }
    // Subframe 2: Tmin .. Tmin+9 (Tmin = T1 - 5 within 20..134), rising, in thirds from Tmin+3 to Tmin+6.
    for (const auto& [t1, index, thirds] :
         {std::array{50, 0, 135}, {50, 4, 145}, {50, 5, 146}, {50, 15, 162}, {19, 0, 60}, {143, 0, 402}}) {
        const PitchDelay d = decodePitch2(index, t1);
        EXPECT_EQ(3 * d.integer + d.fraction, thirds) << t1 << "/" << index;
    }
    for (int t1 = 19; t1 <= 143; ++t1) {
        for (int p = 1; p < 16; ++p) {
            const PitchDelay a = decodePitch2(p - 1, t1), d = decodePitch2(p, t1);
            EXPECT_GT(3 * d.integer + d.fraction, 3 * a.integer + a.fraction);
            EXPECT_TRUE(d.integer >= 20 && d.integer <= 143 && std::abs(d.fraction) <= 1);
        }
    }
    for (int k = 0; k < 64; ++k) {
        for (int s = 0; s < 4; ++s) {
            const Pulses p = decodePulses(k, s);
            EXPECT_EQ(p.position[0] * 100 + p.position[1], (5 * (k % 8) + 3) * 100 + 5 * (k / 8)) << k;
            EXPECT_EQ(p.sign[0] * 10 + p.sign[1], ((s & 1) ? 1 : -1) * 10 + ((s & 2) ? 1 : -1)) << s;
        }
    }
    // Gain code g: row g/4 of stage A plus row 2(g mod 4) of stage B, both columns as the codec states them.
    const int a0[8] = {5849, 2929, 9425, 6068, 3617, 3171, 3915, 4987};
    const int b0[8] = {0, 3988, 4478, 7876, 10291, 10828, 11956, 16423};
    const int a1[8] = {0, 1078, 2731, 6093, 6747, 9280, 12872, 22294};
    const int b1[8] = {4175, 0, 7324, 7821, 11385, 27602, 10735, 15724};
    for (int g = 0; g < 32; ++g) {
        EXPECT_EQ(decodeGainCode(g).pitchQ14, a0[g / 4] + b0[2 * (g % 4)]) << g;
        EXPECT_EQ(decodeGainCode(g).correctionQ14, a1[g / 4] + b1[2 * (g % 4)]) << g;
    }
}

TEST(AcelpStages, LsfOrderingAndStability) {
    // A pair closer than the gap is pushed apart symmetrically by half of (difference + gap).
    std::array<int, kOrder> lsf = {100, 95, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000};
    rearrangeLsf(lsf, 10);
    EXPECT_EQ(lsf, (std::array<int, kOrder>{93, 102, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000}));
    const std::array<int, kOrder> stable = {1000, 3000, 5000, 7000, 9000, 11000, 13000, 15000, 17000, 19000};
    const std::array<int, kOrder> inputs[] = {
        {},
        {30000, 30000, 30000, 30000, 30000, 30000, 30000, 30000, 30000, 30000},
        {25000, 22000, 19000, 16000, 13000, 10000, 7000, 4000, 1000, -2000},
        {2000, 2100, 2200, 24000, 25600, 25650, 25660, 25670, 25680, 25690},
        {-5000, 40, 41, 42, 43, 44, 45, 46, 47, 48},
        stable};
    for (auto v : inputs) {
        const auto original = v;
        stabiliseLsf(v);
        EXPECT_TRUE(v[0] >= 40 && v[kOrder - 1] <= 25681);
        for (int j = 1; j < kOrder; ++j) EXPECT_GE(v[j] - v[j - 1], 321) << j;
        EXPECT_TRUE(original != stable || v == stable) << "already stable: unchanged";
    }
    for (int f = 40; f <= 25681; f += 97)
        EXPECT_NEAR(lsfToLsp({f})[0], std::cos(f / 8192.0) * 32768.0, 24.0) << f;
}

TEST(AcelpStages, DispersionStateMachine) {
    // The first subframe is an onset (previous code gain 0); after it more than two weak pitch gains
    // among the last six force state 0, the state climbs one step per subframe, thresholds 9830 and 14744.
    const int start[][2] = {{16000, 2}, {16000, 2}, {16000, 0}, {16000, 1}, {16000, 2}, {16000, 2}};
    const std::vector<std::array<int, 2>> tails[] = {
        {{16000, 2}, {12000, 1}, {5000, 0}, {12000, 1}, {5000, 0}, {5000, 0}, {12000, 0}},
        {{9830, 0}, {9831, 1}, {14744, 1}, {14745, 2}}};
    for (const auto& tail : tails) {
        DispersionState d;
        for (const auto& [pitchGain, state] : start) EXPECT_EQ(d.next(pitchGain, 10), state);
        for (const auto& [pitchGain, state] : tail) EXPECT_EQ(d.next(pitchGain, 10), state) << pitchGain;
    }
    DispersionState onset;
    for (int i = 0; i < 8; ++i) onset.next(5000, 10);
    for (const int expected : {1, 1, 0})
        EXPECT_EQ(onset.next(5000, 25), expected) << "an onset raises it twice";
}

TEST(AcelpStages, TableSizesAndDerivedValues) {
    using namespace g729;
    const size_t bytes[] = {sizeof kLspCodebook1,
                            sizeof kLspCodebook2,
                            sizeof kLspMaPredictor,
                            sizeof kLspMaPredictorSum,
                            sizeof kCosTable,
                            sizeof kCosSlope,
                            sizeof kPitchInterpFilter,
                            sizeof kPostfilterUpsampleLong,
                            sizeof kPostfilterUpsampleShort,
                            sizeof kGainPredictionCoeffs,
                            sizeof kGainStageA,
                            sizeof kGainStageB,
                            sizeof kPhaseDispersionLow,
                            sizeof kPhaseDispersionMid,
                            sizeof kLsfResetVector,
                            sizeof kLspInitialVector};
    const size_t entries[] = {128 * 10, 32 * 10, 8 * 10, 2 * 10, 64, 64, 31, 7 * 16,
                              7 * 4,    4,       8 * 2,  8 * 2,  40, 40, 10, 10};
    for (size_t i = 0; i < std::size(bytes); ++i) EXPECT_EQ(bytes[i], entries[i] * 2) << "table " << i;
    const double pi = std::numbers::pi;
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(kLsfResetVector[i], static_cast<int>(pi * (i + 1) / 11 * 8192)) << i;
    for (int i = 1; i < 64; ++i) EXPECT_NEAR(kCosTable[i], std::cos(i * pi / 64) * 32768, 1.0) << i;
}

TEST(AcelpDecoder, SteadyVoicedFramesRepeatAtTheCodedDelay) {
    // The autocorrelation peak refined by a parabola through its neighbours, searched below twice the delay.
    for (int thirds : {100, 120, 150, 179, 180, 181, 182, 219, 291, 390}) {
        const auto pcm = decodeSteady(thirds, 2, 150);
        const size_t from = 4000;  // after the start-up
        auto correlation = [&](int lag) {
            double c = 0.0;
            for (size_t i = from; i < pcm.size(); ++i) c += static_cast<double>(pcm[i]) * pcm[i - lag];
            return c;
        };
        int best = 20;
        for (int lag = 20; lag <= std::min(2 * thirds / 3 - 10, 143); ++lag)
            if (correlation(lag) > correlation(best)) best = lag;
        const double l = correlation(best - 1), m = correlation(best), r = correlation(best + 1);
        EXPECT_NEAR(best + 0.5 * (l - r) / (l - 2 * m + r), thirds / 3.0, 0.25) << thirds;
        EXPECT_GT(correlation(0) / static_cast<double>(pcm.size() - from), 1000.0 * 1000.0) << "rms > 1000";
    }
}

TEST(AcelpDecoder, LowestGainsGiveNearSilence) {
    for (int delay : {40, 73}) {
        const auto pcm = decodeSteady(3 * delay, 0, 100);
        double sum = 0;
        for (size_t i = 800; i < pcm.size(); ++i) {
            sum += static_cast<double>(pcm[i]) * pcm[i];
            ASSERT_LT(std::abs(pcm[i]), 1000) << delay << ":" << i;
        }
        EXPECT_LT(std::sqrt(sum / static_cast<double>(pcm.size() - 800)), 200.0) << delay;
    }
}

TEST(AcelpDecoder, RandomFramesStayBoundedAndStable) {
    std::mt19937 rng(12345);
    Acelp56Decoder decoder;
    size_t clipped = 0;
    for (int i = 0; i < 5000; ++i) {
        std::array<uint8_t, kFrameBytes> frame{};
        for (auto& b : frame) b = static_cast<uint8_t>(rng());
        int16_t pcm[kFrameSamples];
        decoder.decodeFrame(frame.data(), pcm);
        clipped += static_cast<size_t>(
            std::count_if(pcm, pcm + kFrameSamples, [](int v) { return std::abs(v) >= 32767; }));
        for (int j = 1; j < kOrder; ++j) ASSERT_GE(decoder.lastLsf()[j] - decoder.lastLsf()[j - 1], 321);
    }
    EXPECT_LT(clipped, 5000u * kFrameSamples / 4) << "loud, but never locked into clipping";
}
