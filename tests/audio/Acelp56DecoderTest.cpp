// The 5.6 kbit/s CS-ACELP decoder as a whole: coded pitch delays come out as the repetition period.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "audio/Acelp56Decoder.h"

using namespace acelp;

namespace {

constexpr int kWidths[kParamCount] = {8, 10, 8, 6, 2, 5, 4, 6, 2, 5};

// A steady sound: fixed spectrum and gains, one delay in thirds in both subframes, varying pulses.
std::vector<int16_t> decodeSteady(int thirds, int gainCode, int count) {
    const int integer = (thirds + 1) / 3;
    std::mt19937 rng(7);
    Acelp56Decoder decoder;
    std::vector<int16_t> out(static_cast<size_t>(count) * kFrameSamples);
    for (int i = 0; i < count; ++i) {
        const int pitch1 = thirds < 3 * 85 ? thirds - 58 : integer + 112, pitch2 = 9 + thirds - 3 * integer;
        FrameParams p = {5, 0, pitch1, 0, 0, gainCode, pitch2, 0, 0, gainCode};
        for (const int k : {kPositions1, kSigns1, kPositions2, kSigns2})
            p[k] = static_cast<int>(rng() % (k == kSigns1 || k == kSigns2 ? 4 : 64));
        std::array<uint8_t, kFrameBytes> frame{};
        for (int k = 0, s = 0; k < kParamCount; ++k)
            for (int b = 0; b < kWidths[k]; ++b, ++s)
                if ((p[k] >> b) & 1) frame[s / 8] |= static_cast<uint8_t>(0x80 >> (s % 8));
        decoder.decodeFrame(frame.data(), out.data() + i * kFrameSamples);
    }
    return out;
}

}  // namespace

TEST(AcelpDecoder, SteadyFramesRepeatAtTheCodedDelay) {
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
