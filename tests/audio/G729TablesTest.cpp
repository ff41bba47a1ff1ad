// The transcribed tables: sizes, and spot checks of values that follow from their definitions.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "audio/G729Tables.h"

using namespace g729;

TEST(G729Tables, SizesAndDerivedValues) {
    const std::pair<size_t, size_t> sizes[] = {{sizeof kLspCodebook1, 128 * 10},
                                               {sizeof kLspCodebook2, 32 * 10},
                                               {sizeof kLspMaPredictor, 8 * 10},
                                               {sizeof kLspMaPredictorSum, 2 * 10},
                                               {sizeof kCosTable, 64},
                                               {sizeof kCosSlope, 64},
                                               {sizeof kPitchInterpFilter, 31},
                                               {sizeof kPostfilterUpsampleLong, 7 * 16},
                                               {sizeof kPostfilterUpsampleShort, 7 * 4},
                                               {sizeof kGainPredictionCoeffs, 4},
                                               {sizeof kGainStageA, 8 * 2},
                                               {sizeof kGainStageB, 8 * 2},
                                               {sizeof kPhaseDispersionLow, 40},
                                               {sizeof kPhaseDispersionMid, 40},
                                               {sizeof kLsfResetVector, 10},
                                               {sizeof kLspInitialVector, 10}};
    for (size_t i = 0; i < std::size(sizes); ++i)
        EXPECT_EQ(sizes[i].first, sizes[i].second * sizeof(int16_t)) << "table " << i;
    const double pi = std::numbers::pi;
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(kLsfResetVector[i], static_cast<int>(pi * (i + 1) / 11 * 8192)) << i;
    for (int i = 1; i < 64; ++i) EXPECT_NEAR(kCosTable[i], std::cos(i * pi / 64) * 32768, 1.0) << i;
    for (int i = 0; i < 64; ++i)
        EXPECT_NEAR(kCosSlope[i], (std::cos((i + 1) * pi / 64) - std::cos(i * pi / 64)) * 32768 * 16, 1.0)
            << i;
    // MA predictor sums are one minus the four weights (each rounded separately).
    for (int mode = 0; mode < 2; ++mode) {
        for (int j = 0; j < 10; ++j) {
            int sum = 0;
            for (int k = 0; k < 4; ++k) sum += kLspMaPredictor[mode * 4 + k][j];
            EXPECT_NEAR(kLspMaPredictorSum[mode][j], 32768 - sum, 4) << mode << "," << j;
        }
    }
}
