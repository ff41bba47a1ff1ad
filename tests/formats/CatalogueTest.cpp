#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "formats/Catalogue.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace {

std::vector<int32_t> listOf(const int32_t* list) {
    std::vector<int32_t> out;
    for (; list && *list != -1; ++list) out.push_back(*list);
    return out;
}

std::vector<std::string> codecNames(const CodecInfo* const* codecs) {
    std::vector<std::string> out;
    for (; codecs && *codecs; ++codecs) out.push_back((*codecs)->transcoderName);
    return out;
}

TEST(NearestListedValue, SnapsByTheRules) {
    const int32_t srE[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, -1};
    const int32_t srD[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 88200, 96000, -1};
    const int32_t pair[] = {10, 20, -1};
    const int32_t empty[] = {-1};
    // value, list, expected; a tie snaps to the lower neighbour (46050, 15)
    const std::tuple<int32_t, const int32_t*, int32_t> cases[] = {
        {44100, srE, 44100}, {50000, srE, 48000},  {7000, srE, 8000},     {46050, srE, 44100},
        {46051, srE, 48000}, {100000, srD, 96000}, {-5, srE, 8000},       {123, nullptr, 123},
        {15, pair, 10},      {16, pair, 20},       {INT32_MAX, pair, 20}, {INT32_MIN, pair, 10},
        {42, empty, 42}};
    for (const auto& [value, list, expected] : cases)
        EXPECT_EQ(nearestListedValue(value, list), expected) << value;
}

TEST(Catalogue, FormatsInIdOrderWithTheirLabelsAndPrefixes) {
    const Catalogue catalogue;
    ASSERT_EQ(catalogue.formats().size(), 28u);
    int32_t previous = 0;
    for (const auto& f : catalogue.formats()) {
        EXPECT_GT(f->id, previous);
        previous = f->id;
        EXPECT_EQ(catalogue.findById(f->id), f.get());
        EXPECT_EQ(f->kind, kFormatBuiltIn);
        const CodecInfo* initial = findCodec(*f);  // the initial codec is one of the format's own
        ASSERT_NE(initial, nullptr) << f->id;
        EXPECT_EQ(initial->transcoderName, f->AudioCodec);
    }
    EXPECT_EQ(catalogue.formats().front()->id, 1010);
    EXPECT_EQ(catalogue.formats().back()->id, 1220);
    for (int32_t missing : {0, 170, 1080, 21001}) EXPECT_EQ(catalogue.findById(missing), nullptr);
    const std::vector<std::string> labels = split(  // id|label|prefix
        "1160|MP3|MP3|1220|WV (WavPack Lossless) (*.wv)|WV|1180|OGG (OGG Audio) (*.ogg)|OGG|"
        "1020|AAC for iPod/iPhone/iPad/iTunes/DSi (*.m4a)|AACDEVICE|1095|FLV (audio track) (*.flv)|FLVAUDIO|"
        "1050|ALAC (Apple Lossless) (*.m4a)|ALAC|1100|M4A (MPEG-4 audio) (*.m4a)|M4A",
        "|");
    ASSERT_EQ(labels.size(), 21u);
    for (size_t i = 0; i < labels.size(); i += 3) {
        EXPECT_EQ(formatLabel(*catalogue.findById(std::stoi(labels[i]))), labels[i + 1]);
        EXPECT_EQ(settingsPrefix(*catalogue.findById(std::stoi(labels[i]))), labels[i + 2]);
    }
}

TEST(Codecs, FortyFiveRecordsAllListedWithSoundLists) {
    ASSERT_EQ(allCodecs().size(), 45u);
    const std::set<const CodecInfo*> records(allCodecs().begin(), allCodecs().end());
    EXPECT_EQ(records.size(), 45u);
    std::set<const CodecInfo*> listed;
    const Catalogue catalogue;
    for (const auto& f : catalogue.formats())
        for (const CodecInfo* const* c = f->codecs; *c; ++c) listed.insert(*c);
    EXPECT_EQ(listed, records);
    for (const CodecInfo* c : allCodecs()) {
        for (const int32_t* list : {c->sampleRates, c->values}) {
            const auto v = listOf(list);
            for (size_t i = 1; i < v.size(); ++i) EXPECT_LT(v[i - 1], v[i]) << c->transcoderName;
        }
        EXPECT_NE(c->sampleRates, nullptr) << c->transcoderName;
        EXPECT_EQ(c->values != nullptr, (c->capabilities & (kCodecBitRate | kCodecCompression)) != 0)
            << c->transcoderName;
    }
    // Records whose lists the snapping depends on, and formats that use a restricted variant.
    using V = std::vector<int32_t>;
    EXPECT_EQ(listOf(codecs::kAc3.sampleRates), (V{32000, 44100, 48000}));
    EXPECT_EQ(listOf(codecs::kALaw8kMono.sampleRates), V{8000});
    EXPECT_EQ(catalogue.findById(1055)->codecs[0], &codecs::kALaw8kMono);
    EXPECT_EQ(catalogue.findById(1095)->codecs[1], &codecs::kAacDevice);
    EXPECT_EQ(catalogue.findById(1140)->codecs[0], &codecs::kAdpcmYamahaMmf);
    EXPECT_EQ(codecCount(catalogue.findById(1200)->codecs), 28u);
}

TEST(Catalogue, FindCodecIsCaseSensitiveAndInstancesAreIndependent) {
    Catalogue catalogue;
    OutputFormat* mp3 = catalogue.findById(1160);
    for (const char* name : {"pcm_s16le", "LIBMP3LAME", ""}) {
        mp3->AudioCodec = name;
        EXPECT_EQ(findCodec(*mp3), nullptr) << name;
    }
    catalogue.findById(1200)->AudioCodec = "libmp3lame";
    EXPECT_EQ(findCodec(*catalogue.findById(1200)), &codecs::kMp3);
    mp3->AudioBitRate = 192000;
    EXPECT_EQ(Catalogue().findById(1160)->AudioBitRate, 0);
}

TEST(NormalisationFormat, StartsAsTheIntermediateFormat) {
    const auto f = makeNormalisationFormat();
    EXPECT_TRUE(f->id == 170 && f->kind == kFormatIntermediate && f->extension == "ts" &&
                f->AudioCodec.empty());
    EXPECT_EQ(codecNames(f->codecs), (std::vector<std::string>{"ac3", "dca", "mp2", "libmp3lame"}));
    EXPECT_EQ(formatLabel(*f), "TS");
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

}  // namespace
