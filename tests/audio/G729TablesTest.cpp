// The transcribed tables: shapes, values stated in their definitions, and the derived ones recomputed.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "audio/G729Tables.h"

using namespace g729;

namespace {

template <typename T, size_t N>
constexpr size_t countOf(const T (&)[N]) {
    return N;
}

}  // namespace

TEST(G729Tables, ShapesMatchTheirDefinitions) {
    struct Shape {
        const char* name;
        size_t actual;
        size_t expected;
    };
    const Shape shapes[] = {
        {"lsp codebook 1", sizeof(kLspCodebook1) / sizeof(int16_t), 128 * 10},
        {"lsp codebook 2", sizeof(kLspCodebook2) / sizeof(int16_t), 32 * 10},
        {"MA predictor", sizeof(kLspMaPredictor) / sizeof(int16_t), 8 * 10},
        {"MA predictor sum", sizeof(kLspMaPredictorSum) / sizeof(int16_t), 2 * 10},
        {"cos table", countOf(kCosTable), 64},
        {"cos slope", countOf(kCosSlope), 64},
        {"pitch interpolation", countOf(kPitchInterpFilter), 31},
        {"upsample long", sizeof(kPostfilterUpsampleLong) / sizeof(int16_t), 7 * 16},
        {"upsample short", sizeof(kPostfilterUpsampleShort) / sizeof(int16_t), 7 * 4},
        {"gain prediction", countOf(kGainPredictionCoeffs), 4},
        {"gain stage A", sizeof(kGainStageA) / sizeof(int16_t), 8 * 2},
        {"gain stage B", sizeof(kGainStageB) / sizeof(int16_t), 8 * 2},
        {"dispersion low", countOf(kPhaseDispersionLow), 40},
        {"dispersion mid", countOf(kPhaseDispersionMid), 40},
        {"reset vector", countOf(kLsfResetVector), 10},
        {"initial lsp", countOf(kLspInitialVector), 10},
    };
    for (const auto& s : shapes) EXPECT_EQ(s.actual, s.expected) << s.name;
}

TEST(G729Tables, GainStagesAreTheFourRowsOfTheCodec) {
    // A0/A1 and B0/B1 as the codec states them.
    const int a0[8] = {5849, 2929, 9425, 6068, 3617, 3171, 3915, 4987};
    const int b0[8] = {0, 3988, 4478, 7876, 10291, 10828, 11956, 16423};
    const int a1[8] = {0, 1078, 2731, 6093, 6747, 9280, 12872, 22294};
    const int b1[8] = {4175, 0, 7324, 7821, 11385, 27602, 10735, 15724};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(kGainStageA[i][0], a0[i]) << i;
        EXPECT_EQ(kGainStageB[i][0], b0[i]) << i;
        EXPECT_EQ(kGainStageA[i][1], a1[i]) << i;
        EXPECT_EQ(kGainStageB[i][1], b1[i]) << i;
    }
}

TEST(G729Tables, StatedConstants) {
    const int pred[4] = {5571, 4751, 2785, 1556};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(kGainPredictionCoeffs[i], pred[i]);
    for (int16_t v : kGainPredictorMemoryInit) EXPECT_EQ(v, -14336);
    const int initial[10] = {30000, 26000, 21000, 15000, 8000, 0, -8000, -15000, -21000, -26000};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(kLspInitialVector[i], initial[i]);
    EXPECT_EQ(kLsfResetVector[0], 2339);
    EXPECT_EQ(kLsfResetVector[9], 23396);
    EXPECT_EQ(kPhaseDispersionLow[0], 14690);
    EXPECT_EQ(kPhaseDispersionLow[1], 11518);
    EXPECT_EQ(kPhaseDispersionLow[2], 1268);
    EXPECT_EQ(kPhaseDispersionMid[0], 30274);
    EXPECT_EQ(kPhaseDispersionMid[1], 3831);
    EXPECT_EQ(kPhaseDispersionMid[2], -4037);
    EXPECT_EQ(kOutputHighpassB[0], 7699);
    EXPECT_EQ(kOutputHighpassB[1], -15398);
    EXPECT_EQ(kOutputHighpassB[2], 7699);
    EXPECT_EQ(kOutputHighpassA[1], 15836);
    EXPECT_EQ(kOutputHighpassA[2], -7667);
}

TEST(G729Tables, DerivedValuesFollowTheirDefinitions) {
    const double pi = std::numbers::pi;
    // Reset vector: pi*(i+1)/11 in Q13, truncated.
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(kLsfResetVector[i], static_cast<int>(pi * (i + 1) / 11 * 8192)) << i;
    // Cosine table and its slopes (Q19 per segment).
    for (int i = 1; i < 64; ++i) EXPECT_NEAR(kCosTable[i], std::cos(i * pi / 64) * 32768, 1.0) << i;
    EXPECT_EQ(kCosTable[0], 32767);
    for (int i = 0; i < 64; ++i) {
        const double slope = (std::cos((i + 1) * pi / 64) - std::cos(i * pi / 64)) * 32768 * 16;
        EXPECT_NEAR(kCosSlope[i], slope, 1.0) << i;
    }
    // Post-filter weights: repeated rounded Q15 products of 0.55 and 0.7.
    int num = 18022;
    int den = 22938;
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(kPostfilterGammaNumPowers[i], num) << i;
        EXPECT_EQ(kPostfilterGammaDenPowers[i], den) << i;
        num = (num * 18022 + 16384) >> 15;
        den = (den * 22938 + 16384) >> 15;
    }
    // MA predictor sums: one minus the four weights (the stored values were rounded separately).
    for (int mode = 0; mode < 2; ++mode) {
        for (int j = 0; j < 10; ++j) {
            int sum = 0;
            for (int k = 0; k < 4; ++k) sum += kLspMaPredictor[mode * 4 + k][j];
            EXPECT_NEAR(kLspMaPredictorSum[mode][j], 32768 - sum, 4) << mode << "," << j;
        }
    }
    // Fractional-delay filters: unit gain, and phase k mirrors phase 8-k.
    for (int k = 0; k < 7; ++k) {
        int longSum = 0;
        int shortSum = 0;
        for (int i = 0; i < 16; ++i) {
            longSum += kPostfilterUpsampleLong[k][i];
            EXPECT_EQ(kPostfilterUpsampleLong[k][i], kPostfilterUpsampleLong[6 - k][15 - i]);
        }
        for (int i = 0; i < 4; ++i) {
            shortSum += kPostfilterUpsampleShort[k][i];
            EXPECT_EQ(kPostfilterUpsampleShort[k][i], kPostfilterUpsampleShort[6 - k][3 - i]);
        }
        EXPECT_NEAR(longSum, 32768, 700) << k;
        EXPECT_NEAR(shortSum, 32768, 700) << k;
    }
}
