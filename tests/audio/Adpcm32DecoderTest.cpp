// The 32 kbit/s ADPCM decoder: first samples worked out by hand from the quantiser rules, the scale
// adaptation, the nibble order, and a sine coded by a test-side encoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "audio/Adpcm32Decoder.h"

namespace {

// The codec's state rules written out once more for the encoder: it tries every nibble on a copy of
// this model and keeps the one whose sample comes nearest to the target.
struct Model {
    int y = 544;
    int a1 = 0, a2 = 0;
    int b[6] = {};
    int dq[6] = {};
    int sr1 = 0, sr2 = 0;
    int p1 = 0, p2 = 0;
    int sez = 0, se = 0;

    static int limit24(long long v) { return static_cast<int>(std::min(8388607LL, std::max(-8388608LL, v))); }
    static int sgn(int v) { return v >= 0 ? 1 : -1; }

    int step(int code) {
        static const int dqln[16] = {-2048, 4,   135, 213, 273, 323, 373, 425,
                                     425,   373, 323, 273, 213, 135, 4,   -2048};
        static const int w[16] = {-12, 18, 41, 64, 112, 198, 355, 1122, 1122, 355, 198, 112, 64, 41, 18, -12};
        const int dql = dqln[code] + y / 4;
        int d = 0;
        if (dql >= 0) {
            const int exponent = (dql / 128) % 16 + 1;
            d = (128 + dql % 128) * (1 << exponent);
            if (code >= 8) d = -d;
        }
        int out = (d >> 6) + 4 * (se >> 8);
        out = std::clamp(out, -32768, 32767);
        y = std::clamp(y + w[code] - y / 32, 544, 5120);

        const int sr = limit24(static_cast<long long>(se) + d);
        const int p = limit24(static_cast<long long>(sez) + d);
        // Poles: a2 leaks by 1/128, a1 by 1/256; both move only when p is not zero.
        int u2 = 0;
        int u1 = 0;
        if (p != 0) {
            const int f = std::clamp(4 * a1, -32768, 32768);
            u2 = (sgn(p) * sgn(p2) * 16384 - sgn(p) * sgn(p1) * f) >> 7;
            u1 = sgn(p) * sgn(p1) * 192;
        }
        a2 = std::clamp(a2 - (a2 >> 7) + u2, -12288, 12288);
        a1 = std::clamp(a1 - (a1 >> 8) + u1, a2 - 15360, 15360 - a2);
        for (int i = 0; i < 6; ++i) b[i] = b[i] - (b[i] >> 8) + (d == 0 ? 0 : sgn(d) * sgn(dq[i]) * 128);
        for (int i = 5; i > 0; --i) dq[i] = dq[i - 1];
        dq[0] = d;
        sr2 = sr1;
        sr1 = sr;
        p2 = p1;
        p1 = p;
        long long z = 0;
        for (int i = 0; i < 6; ++i) z += (static_cast<long long>(b[i]) * dq[i]) >> 14;
        const long long poles =
            ((static_cast<long long>(a1) * sr1) >> 14) + ((static_cast<long long>(a2) * sr2) >> 14);
        sez = limit24(z);
        se = limit24(z + poles);
        return out;
    }
};

std::vector<uint8_t> encodeGreedy(const std::vector<double>& target, std::vector<int>& modelOutput) {
    Model model;
    std::vector<uint8_t> bytes((target.size() + 1) / 2, 0);
    for (size_t i = 0; i < target.size(); ++i) {
        int bestCode = 0;
        double bestError = 1e300;
        for (int code = 0; code < 16; ++code) {
            Model trial = model;
            const double error = std::fabs(trial.step(code) - target[i]);
            if (error < bestError) {
                bestError = error;
                bestCode = code;
            }
        }
        modelOutput.push_back(model.step(bestCode));
        bytes[i / 2] |= static_cast<uint8_t>(i % 2 == 0 ? bestCode : bestCode << 4);
    }
    return bytes;
}

}  // namespace

TEST(Adpcm32Decoder, FirstSampleOfEachCode) {
    // y = 544: y/4 = 136 is added to the table value; dq = (128 + dql mod 128) * 2^(dql/128 + 1);
    // the sample is dq >> 6 (arithmetic) as the estimate starts at 0.
    const int expected[16] = {0, 8, 17, 27, 38, 50, 63, 88, -89, -64, -51, -39, -28, -18, -9, 0};
    for (int code = 0; code < 16; ++code) {
        Adpcm32Decoder d;
        EXPECT_EQ(d.decodeCode(code), expected[code]) << code;
    }
}

TEST(Adpcm32Decoder, ScaleFactorAdaptsAndStaysInRange) {
    struct Case {
        int code;
        int scaleAfter;
    };
    // y + W[I] - y/32 from 544, limited to 544..5120.
    const Case cases[] = {{7, 544 + 1122 - 17}, {8, 544 + 1122 - 17}, {0, 544}, {15, 544},
                          {4, 544 + 112 - 17},  {1, 544 + 18 - 17}};
    for (const auto& c : cases) {
        Adpcm32Decoder d;
        d.decodeCode(c.code);
        EXPECT_EQ(d.scale(), c.scaleAfter) << c.code;
    }
    Adpcm32Decoder loud;
    for (int i = 0; i < 200; ++i) loud.decodeCode(i % 2 == 0 ? 7 : 15);
    EXPECT_LE(loud.scale(), 5120);
    Adpcm32Decoder quiet;
    for (int i = 0; i < 200; ++i) quiet.decodeCode(0);
    EXPECT_EQ(quiet.scale(), 544);
}

TEST(Adpcm32Decoder, LowNibbleComesFirst) {
    uint8_t frame[Adpcm32Decoder::kFrameBytes] = {0x70};
    int16_t pcm[Adpcm32Decoder::kFrameSamples];
    Adpcm32Decoder d;
    d.decodeFrame(frame, pcm);
    EXPECT_EQ(pcm[0], 0);   // code 0: nothing changes but the scale stays at its floor
    EXPECT_EQ(pcm[1], 88);  // code 7 from the start state
    for (int i = 2; i < Adpcm32Decoder::kFrameSamples; ++i)
        EXPECT_GE(pcm[i], 0) << i;  // decays, no sign flip
}

TEST(Adpcm32Decoder, FollowsAnEncodedSine) {
    struct Case {
        double frequency;
        double amplitude;
    };
    const Case cases[] = {{440.0, 8000.0}, {1000.0, 16000.0}, {250.0, 2000.0}, {1800.0, 12000.0}};
    for (const auto& c : cases) {
        std::vector<double> sine(8000);
        for (size_t i = 0; i < sine.size(); ++i) {
            sine[i] = c.amplitude *
                      std::sin(2.0 * std::numbers::pi * c.frequency * static_cast<double>(i) / 8000.0);
        }
        std::vector<int> modelOutput;
        const auto bytes = encodeGreedy(sine, modelOutput);
        Adpcm32Decoder decoder;
        std::vector<int16_t> pcm;
        for (size_t f = 0; f + Adpcm32Decoder::kFrameBytes <= bytes.size();
             f += Adpcm32Decoder::kFrameBytes) {
            int16_t block[Adpcm32Decoder::kFrameSamples];
            decoder.decodeFrame(bytes.data() + f, block);
            pcm.insert(pcm.end(), block, block + Adpcm32Decoder::kFrameSamples);
        }
        ASSERT_EQ(pcm.size(), sine.size());
        // The decoder and the encoder's model must agree sample for sample.
        size_t differing = 0;
        for (size_t i = 0; i < pcm.size(); ++i) differing += pcm[i] != modelOutput[i] ? 1 : 0;
        EXPECT_EQ(differing, 0u) << c.frequency;
        double signal = 0.0;
        double noise = 0.0;
        for (size_t i = 400; i < pcm.size(); ++i) {  // after the adaptation settles
            signal += sine[i] * sine[i];
            noise += (pcm[i] - sine[i]) * (pcm[i] - sine[i]);
        }
        const double snr = 10.0 * std::log10(signal / std::max(noise, 1e-9));
        std::printf("ADPCM sine %.0f Hz amplitude %.0f: SNR %.1f dB\n", c.frequency, c.amplitude, snr);
        EXPECT_GT(snr, 15.0) << c.frequency;
    }
}

TEST(Adpcm32Decoder, SaturatesInsteadOfWrapping) {
    // A long run of the largest step in one direction drives the predictor and the reconstructed
    // signal to their limits: the samples must stay pinned at the rail of that sign.
    struct Case {
        int code;
        int rail;
    };
    for (const Case c : {Case{7, 32767}, Case{8, -32768}}) {
        Adpcm32Decoder d;
        for (int i = 0; i < 20000; ++i) {
            const int s = d.decodeCode(c.code);
            ASSERT_TRUE(c.rail > 0 ? s >= 0 : s <= 0) << i;
            if (i >= 19000) {
                ASSERT_EQ(s, c.rail) << i;
            }
        }
        // Random codes afterwards keep every sample in range and the scale within its limits.
        std::mt19937 rng(static_cast<unsigned>(c.code));
        for (int i = 0; i < 100000; ++i) {
            d.decodeCode(static_cast<int>(rng() % 16));
            ASSERT_GE(d.scale(), 544);
            ASSERT_LE(d.scale(), 5120);
        }
    }
}
