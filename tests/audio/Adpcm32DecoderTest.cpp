// The 32 kbit/s ADPCM decoder against a sine coded by a test-side encoder (first samples worked out by hand:
// the voice-recorder reader test).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "audio/Adpcm32Decoder.h"

namespace {

const int kLogStep[16] = {-2048, 4, 135, 213, 273, 323, 373, 425, 425, 373, 323, 273, 213, 135, 4, -2048};
const int kScaleStep[16] = {-12, 18, 41, 64, 112, 198, 355, 1122, 1122, 355, 198, 112, 64, 41, 18, -12};

// The codec's state rules written out independently; the encoder tries every nibble on a copy.
struct Model {
    int y = 544, a1 = 0, a2 = 0, sr1 = 0, sr2 = 0, p1 = 0, p2 = 0, sez = 0, se = 0, b[6] = {}, dq[6] = {};

    static int limit(long long v) { return static_cast<int>(std::clamp(v, -8388608LL, 8388607LL)); }
    static int sgn(int v) { return v >= 0 ? 1 : -1; }
    int step(int code) {
        const int dql = kLogStep[code] + y / 4;
        const int d =
            (dql < 0 ? 0 : (128 + dql % 128) * (1 << ((dql / 128) % 16 + 1))) * (code >= 8 ? -1 : 1);
        const int out = std::clamp((d >> 6) + 4 * (se >> 8), -32768, 32767);
        y = std::clamp(y + kScaleStep[code] - y / 32, 544, 5120);
        const int sr = limit(static_cast<long long>(se) + d), p = limit(static_cast<long long>(sez) + d);
        const int f = std::clamp(4 * a1, -32768, 32768);
        const int u2 = p == 0 ? 0 : (sgn(p) * sgn(p2) * 16384 - sgn(p) * sgn(p1) * f) >> 7;
        a2 = std::clamp(a2 - (a2 >> 7) + u2, -12288, 12288);
        a1 = std::clamp(a1 - (a1 >> 8) + (p == 0 ? 0 : sgn(p) * sgn(p1) * 192), a2 - 15360, 15360 - a2);
        long long z = 0;
        for (int i = 5; i >= 0; --i) {
            b[i] = b[i] - (b[i] >> 8) + (d == 0 ? 0 : sgn(d) * sgn(dq[i]) * 128);
            dq[i] = i == 0 ? d : dq[i - 1];
        }
        for (int i = 0; i < 6; ++i) z += (static_cast<long long>(b[i]) * dq[i]) >> 14;
        sr2 = std::exchange(sr1, sr);
        p2 = std::exchange(p1, p);
        sez = limit(z);
        se = limit(z + ((static_cast<long long>(a1) * sr1) >> 14) +
                   ((static_cast<long long>(a2) * sr2) >> 14));
        return out;
    }
};

}  // namespace

TEST(Adpcm32Decoder, FollowsAnEncodedSine) {
    for (const auto& [frequency, amplitude] :
         {std::pair{440.0, 8000.0}, {1000.0, 16000.0}, {250.0, 2000.0}, {1800.0, 12000.0}}) {
        Model model;
        std::vector<double> sine(8000);
        std::vector<int16_t> modelOutput;
        std::vector<uint8_t> bytes(sine.size() / 2, 0);
        for (size_t i = 0; i < sine.size(); ++i) {
            sine[i] =
                amplitude * std::sin(2.0 * std::numbers::pi * frequency * static_cast<double>(i) / 8000.0);
            int best = 0;
            for (int code = 1; code < 16; ++code) {
                Model a = model, b = model;
                if (std::fabs(a.step(code) - sine[i]) < std::fabs(b.step(best) - sine[i])) best = code;
            }
            modelOutput.push_back(static_cast<int16_t>(model.step(best)));
            bytes[i / 2] |= static_cast<uint8_t>(i % 2 == 0 ? best : best << 4);
        }
        Adpcm32Decoder decoder;
        std::vector<int16_t> pcm(sine.size());
        for (size_t f = 0; f < pcm.size(); f += Adpcm32Decoder::kFrameSamples)
            decoder.decodeFrame(bytes.data() + f / 2, pcm.data() + f);
        EXPECT_TRUE(pcm == modelOutput) << "decoder and model agree";
        double signal = 0.0, noise = 0.0;
        for (size_t i = 400; i < pcm.size(); ++i) {  // after the adaptation settles
            signal += sine[i] * sine[i];
            noise += (pcm[i] - sine[i]) * (pcm[i] - sine[i]);
        }
        const double snr = 10.0 * std::log10(signal / std::max(noise, 1e-9));
        EXPECT_GT(snr, 15.0) << frequency;
    }
}
