// The catalogue's own rules and its data. Labels and prefixes: the formats command test; every format
// converting with its initial values: the end-to-end test.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "formats/Catalogue.h"
#include "support/TestSupport.h"

namespace {

TEST(NearestListedValue, SnapsByTheRules) {
    const int32_t srE[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, -1};
    const int32_t pair[] = {10, 20, -1};
    const int32_t empty[] = {-1};
    // value, list, expected; a tie snaps to the lower neighbour (46050, 15)
    const std::tuple<int32_t, const int32_t*, int32_t> cases[] = {
        {50000, srE, 48000},   {7000, srE, 8000},     {46050, srE, 44100},
        {46051, srE, 48000},   {123, nullptr, 123},   {15, pair, 10},
        {INT32_MAX, pair, 20}, {INT32_MIN, pair, 10}, {42, empty, 42}};
    for (const auto& [value, list, expected] : cases)
        EXPECT_EQ(nearestListedValue(value, list), expected) << value;
}

// A codec record's lists ascend (the snapping depends on it), and it has values exactly when it takes a bit
// rate or a level.
TEST(Catalogue, CodecListsAscendAndValuesFollowTheCapabilities) {
    for (const CodecInfo* c : allCodecs()) {
        ASSERT_NE(c->sampleRates, nullptr) << c->transcoderName;
        for (const int32_t* list : {c->sampleRates, c->values})
            for (const int32_t* v = list; v && v[0] != -1 && v[1] != -1; ++v) EXPECT_LT(v[0], v[1]);
        EXPECT_EQ(c->values != nullptr, (c->capabilities & (kCodecBitRate | kCodecCompression)) != 0)
            << c->transcoderName;
    }
}

// A misspelt codec or container name would make every conversion of that format fail.
TEST(Catalogue, NamesAreKnownToTheTranscoder) {
    const auto encoders = testing_support::runTranscoder({"-hide_banner", "-encoders"});
    const auto muxers = testing_support::runTranscoder({"-hide_banner", "-muxers"});
    ASSERT_TRUE(encoders.started && muxers.started);
    auto has = [](const std::string& text, const std::string& word) {
        return text.find(" " + word + " ") != std::string::npos;
    };
    // Libraries that one of the two transcoder builds lacks.
    const std::set<std::string> optional = {"libopencore_amrnb", "libvo_amrwbenc", "libgsm", "libgsm_ms"};
    for (const CodecInfo* c : allCodecs())
        EXPECT_TRUE(optional.count(c->transcoderName) || has(encoders.output, c->transcoderName))
            << c->transcoderName;
    const Catalogue catalogue;
    for (const auto& f : catalogue.formats()) EXPECT_TRUE(!f->muxer || has(muxers.output, f->muxer)) << f->id;
}

// A join's intermediates hold every member's samples: the narrowest PCM that holds them all, with any rate
// and up to eight channels.
TEST(Catalogue, LosslessPcmHoldsEveryMember) {
    const SampleFormat u8{8, false}, s16{16, false}, s24{24, false}, s32{32, false}, s64{64, false},
        flt{32, true}, dbl{64, true}, unknown{};
    const std::pair<std::vector<SampleFormat>, std::string> cases[] = {
        {{s16, u8, s16}, "pcm_s16le"}, {{s16, s24}, "pcm_s24le"}, {{s24, s32, u8}, "pcm_s32le"},
        {{s16, flt}, "pcm_f32le"},     {{flt, s24}, "pcm_f32le"}, {{s16, unknown}, "pcm_f32le"},
        {{s32, flt}, "pcm_f64le"},     {{dbl, s16}, "pcm_f64le"}, {{s64}, "pcm_f64le"},
    };
    const auto normalisation = makeNormalisationFormat();
    EXPECT_EQ(normalisation->extension, "wav");
    for (const auto& [formats, codec] : cases) {
        normalisation->AudioCodec = losslessPcm(formats).codec;
        EXPECT_EQ(normalisation->AudioCodec, codec);
        const CodecInfo* info = findCodec(*normalisation);
        ASSERT_NE(info, nullptr) << codec;
        EXPECT_EQ(info->sampleRates, nullptr) << codec;
        EXPECT_EQ(info->channelMask, 255u) << codec;
    }
}

}  // namespace
