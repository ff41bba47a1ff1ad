#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "formats/Catalogue.h"
#include "support/TestSupport.h"

namespace {

std::vector<int32_t> listOf(const int32_t* list) {
    std::vector<int32_t> out;
    if (list)
        for (; *list != -1; ++list) out.push_back(*list);
    return out;
}

std::vector<std::string> codecNames(const CodecInfo* const* codecs) {
    std::vector<std::string> out;
    if (codecs)
        for (; *codecs; ++codecs) out.push_back((*codecs)->transcoderName);
    return out;
}

const std::vector<int32_t> kSrE = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
const std::vector<int32_t> kSrD = {8000,  11025, 12000, 16000, 22050, 24000,
                                   32000, 44100, 48000, 88200, 96000};

TEST(NearestListedValue, SnapsByTheRules) {
    const std::vector<int32_t> srE = [] {
        auto v = kSrE;
        v.push_back(-1);
        return v;
    }();
    const std::vector<int32_t> srD = [] {
        auto v = kSrD;
        v.push_back(-1);
        return v;
    }();
    const int32_t single[] = {13000, -1};
    const int32_t pair[] = {10, 20, -1};
    const int32_t empty[] = {-1};
    struct Case {
        int32_t value;
        const int32_t* list;
        int32_t expected;
    };
    const Case cases[] = {
        {44100, srE.data(), 44100},  // listed
        {50000, srE.data(), 48000},  // beyond the end
        {7000, srE.data(), 8000},    // before the first
        {46050, srE.data(), 44100},  // exact middle: the lower one
        {46051, srE.data(), 48000},
        {46049, srE.data(), 44100},
        {100000, srD.data(), 96000},
        {8000, srE.data(), 8000},
        {48000, srE.data(), 48000},
        {0, srE.data(), 8000},
        {-5, srE.data(), 8000},
        {123, nullptr, 123},  // no list
        {-7, nullptr, -7},
        {1, single, 13000},
        {99999, single, 13000},
        {15, pair, 10},  // tie
        {16, pair, 20},
        {14, pair, 10},
        {INT32_MAX, pair, 20},
        {INT32_MIN, pair, 10},
        {42, empty, 42},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nearestListedValue(c.value, c.list), c.expected) << "value " << c.value;
}

TEST(Catalogue, HasTheFormatsInIdOrder) {
    const Catalogue catalogue;
    const std::vector<int32_t> ids = {1010, 1020, 1030, 1040, 1050, 1055, 1060, 1070, 1082, 1085,
                                      1090, 1095, 1100, 1110, 1120, 1130, 1140, 1150, 1160, 1170,
                                      1175, 1180, 1182, 1185, 1190, 1200, 1210, 1220};
    ASSERT_EQ(catalogue.formats().size(), 28u);
    for (size_t i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(catalogue.formats()[i]->id, ids[i]);
        EXPECT_EQ(catalogue.formats()[i]->kind, kFormatBuiltIn);
        EXPECT_EQ(catalogue.formats()[i]->customFormat, nullptr);
        EXPECT_EQ(catalogue.formats()[i]->AudioVBREnabled, 0);
        EXPECT_EQ(catalogue.formats()[i]->AudioVolume, 100);
        EXPECT_EQ(catalogue.findById(ids[i]), catalogue.formats()[i].get());
    }
    for (int32_t missing : {0, -1, 170, 1000, 1080, 10000, 20000, 21001})
        EXPECT_EQ(catalogue.findById(missing), nullptr) << missing;
}

struct FormatExpectation {
    int32_t id;
    const char* label;
    const char* prefix;
    const char* muxer;  // null: none
    uint32_t flags;
    const char* codec;
    int32_t bitRate, vbrQuality, compression, sampleRate, channels;
    std::vector<std::string> codecs;
};

// The catalogue table, written out independently of the implementation's tables.
const std::vector<FormatExpectation>& expectations() {
    static const std::vector<FormatExpectation> table = {
        {1010, "AAC (*.aac)", "AAC", "adts", 0, "aac", 0, -1, -1, 0, 0, {"aac"}},
        {1020,
         "AAC for iPod/iPhone/iPad/iTunes/DSi (*.m4a)",
         "AACDEVICE",
         "ipod",
         1,
         "aac",
         0,
         -1,
         -1,
         0,
         0,
         {"aac"}},
        {1030, "AC3", "AC3", nullptr, 0, "ac3", 0, -1, -1, 0, 0, {"ac3", "eac3"}},
        {1040,
         "AIFF",
         "AIFF",
         nullptr,
         0,
         "pcm_s16be",
         0,
         -1,
         -1,
         0,
         0,
         {"pcm_alaw", "pcm_mulaw", "g722", "libgsm", "adpcm_ima_qt", "pcm_s8", "pcm_s16be", "pcm_s24be",
          "pcm_s32be", "pcm_f32be", "pcm_f64be"}},
        {1050, "ALAC (Apple Lossless) (*.m4a)", "ALAC", "ipod", 1, "alac", 0, -1, 2, 0, 0, {"alac"}},
        {1055, "A-Law (*.alw)", "ALW", "alaw", 0, "pcm_alaw", 0, -1, -1, 8000, 1, {"pcm_alaw"}},
        {1060,
         "AMR",
         "AMR",
         nullptr,
         0,
         "libopencore_amrnb",
         10200,
         -1,
         -1,
         8000,
         1,
         {"libopencore_amrnb", "libvo_amrwbenc"}},
        {1070,
         "AU",
         "AU",
         nullptr,
         0,
         "pcm_s16be",
         0,
         -1,
         -1,
         0,
         0,
         {"pcm_alaw", "pcm_mulaw", "g722", "pcm_s8", "pcm_s16be", "pcm_s24be", "pcm_s32be", "pcm_f32be",
          "pcm_f64be"}},
        {1082,
         "CAF (Core Audio Format) (*.caf)",
         "CAF",
         nullptr,
         0,
         "pcm_s16be",
         0,
         5,
         2,
         0,
         0,
         {"alac", "pcm_alaw", "pcm_mulaw", "libgsm", "adpcm_ima_qt", "adpcm_ms", "mp2", "libmp3lame",
          "pcm_s8", "pcm_s16be", "pcm_s24be", "pcm_s32be", "pcm_f32be", "pcm_f64be"}},
        {1085, "DTS", "DTS", nullptr, 0, "dca", 0, -1, -1, 0, 0, {"dca"}},
        {1090, "FLAC", "FLAC", nullptr, 0, "flac", 0, -1, 5, 0, 0, {"flac"}},
        {1095,
         "FLV (audio track) (*.flv)",
         "FLVAUDIO",
         nullptr,
         0,
         "libmp3lame",
         0,
         5,
         -1,
         0,
         0,
         {"libmp3lame", "aac"}},
        {1100, "M4A (MPEG-4 audio) (*.m4a)", "M4A", "ipod", 1, "aac", 0, -1, 2, 0, 0, {"aac", "alac"}},
        {1110, "M4B (MPEG-4 audiobook) (*.m4b)", "M4B", "ipod", 1, "aac", 0, -1, 2, 0, 0, {"aac", "alac"}},
        {1120, "M4R (iPhone ringtone) (*.m4r)", "M4R", "ipod", 1, "aac", 0, -1, 2, 0, 0, {"aac", "alac"}},
        {1130,
         "MKA",
         "MKA",
         "matroska",
         0,
         "libvorbis",
         0,
         5,
         5,
         0,
         0,
         {"aac", "ac3", "alac", "dca", "eac3", "flac", "mp2", "libmp3lame", "libopus", "pcm_u8", "pcm_s16le",
          "pcm_s24le", "pcm_s32le", "pcm_f32le", "pcm_f64le", "tta", "libvorbis", "wavpack"}},
        {1140, "MMF", "MMF", nullptr, 0, "adpcm_yamaha", 0, -1, -1, 0, 0, {"adpcm_yamaha"}},
        {1150, "MP2", "MP2", nullptr, 0, "mp2", 0, -1, -1, 0, 0, {"mp2"}},
        {1160, "MP3", "MP3", nullptr, 0, "libmp3lame", 0, 5, -1, 0, 0, {"libmp3lame"}},
        {1170, "MPA", "MPA", "mpeg", 0, "mp2", 0, 5, -1, 0, 0, {"mp2", "libmp3lame"}},
        {1175, "mu-Law (*.ulw)", "ULW", "mulaw", 0, "pcm_mulaw", 0, -1, -1, 8000, 1, {"pcm_mulaw"}},
        {1180,
         "OGG (OGG Audio) (*.ogg)",
         "OGG",
         nullptr,
         0,
         "libvorbis",
         0,
         5,
         5,
         0,
         0,
         {"flac", "libopus", "libspeex", "libvorbis"}},
        {1182, "Opus (*.opus)", "OPUS", nullptr, 0, "libopus", 0, -1, -1, 0, 0, {"libopus"}},
        {1185, "SPX (Speex) (*.spx)", "SPX", nullptr, 0, "libspeex", 14000, -1, -1, 16000, 1, {"libspeex"}},
        {1190,
         "VOC",
         "VOC",
         nullptr,
         0,
         "pcm_u8",
         0,
         -1,
         -1,
         0,
         0,
         {"pcm_alaw", "pcm_mulaw", "pcm_u8", "pcm_s16le"}},
        {1200,
         "WAV",
         "WAV",
         nullptr,
         0,
         "pcm_s16le",
         0,
         5,
         5,
         0,
         0,
         {"aac",
          "ac3",
          "libopencore_amrnb",
          "libvo_amrwbenc",
          "pcm_alaw",
          "pcm_mulaw",
          "dca",
          "eac3",
          "flac",
          "g722",
          "g723_1",
          "g726",
          "adpcm_ima_wav",
          "adpcm_ms",
          "libgsm_ms",
          "mp2",
          "libmp3lame",
          "pcm_u8",
          "pcm_s16le",
          "pcm_s24le",
          "pcm_s32le",
          "pcm_f32le",
          "pcm_f64le",
          "libspeex",
          "libvorbis",
          "wmav1",
          "wmav2",
          "adpcm_yamaha"}},
        {1210, "WMA", "WMA", nullptr, 0, "wmav2", 0, -1, -1, 0, 0, {"wmav1", "wmav2"}},
        {1220, "WV (WavPack Lossless) (*.wv)", "WV", nullptr, 0, "wavpack", 0, -1, 0, 0, 0, {"wavpack"}},
    };
    return table;
}

TEST(Catalogue, EveryFormatMatchesItsRow) {
    const Catalogue catalogue;
    ASSERT_EQ(expectations().size(), catalogue.formats().size());
    for (const auto& e : expectations()) {
        SCOPED_TRACE(e.id);
        const OutputFormat* f = catalogue.findById(e.id);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(formatLabel(*f), e.label);
        EXPECT_EQ(settingsPrefix(*f), e.prefix);
        EXPECT_EQ(f->muxer ? std::string(f->muxer) : std::string("-"), e.muxer ? e.muxer : "-");
        EXPECT_EQ(f->flags, e.flags);
        EXPECT_EQ(f->AudioCodec, e.codec);
        EXPECT_EQ(f->AudioBitRate, e.bitRate);
        EXPECT_EQ(f->AudioVBRQuality, e.vbrQuality);
        EXPECT_EQ(f->AudioCompressionLevel, e.compression);
        EXPECT_EQ(f->AudioSampleRate, e.sampleRate);
        EXPECT_EQ(f->AudioChannels, e.channels);
        EXPECT_EQ(codecNames(f->codecs), e.codecs);
        EXPECT_EQ(codecCount(f->codecs), e.codecs.size());
        // Every initial codec is one of the format's own.
        const CodecInfo* codec = findCodec(*f);
        ASSERT_NE(codec, nullptr);
        EXPECT_STREQ(codec->transcoderName, e.codec);
    }
}

TEST(Catalogue, VariantsAreListedWhereTheTableSaysSo) {
    const Catalogue catalogue;
    struct Case {
        int32_t id;
        size_t index;
        const CodecInfo* codec;
    };
    const Case cases[] = {
        {1055, 0, &codecs::kALaw8kMono},
        {1175, 0, &codecs::kMuLaw8kMono},
        {1140, 0, &codecs::kAdpcmYamahaMmf},
        {1095, 0, &codecs::kMp3Flv},
        {1095, 1, &codecs::kAacDevice},
        {1200, 4, &codecs::kALaw},
        {1200, 27, &codecs::kAdpcmYamaha},
        {1160, 0, &codecs::kMp3},
        {1020, 0, &codecs::kAac},
        {1040, 3, &codecs::kGsm},
        {1200, 14, &codecs::kGsmMs},
    };
    for (const Case& c : cases) EXPECT_EQ(catalogue.findById(c.id)->codecs[c.index], c.codec) << c.id;
}

TEST(Catalogue, FindCodecComparesCaseSensitivelyAndMayFindNone) {
    Catalogue catalogue;
    OutputFormat* mp3 = catalogue.findById(1160);
    mp3->AudioCodec = "pcm_s16le";  // stored, but not an MP3 codec
    EXPECT_EQ(findCodec(*mp3), nullptr);
    mp3->AudioCodec = "LIBMP3LAME";
    EXPECT_EQ(findCodec(*mp3), nullptr);
    mp3->AudioCodec = "";
    EXPECT_EQ(findCodec(*mp3), nullptr);
    OutputFormat* wav = catalogue.findById(1200);
    wav->AudioCodec = "libmp3lame";
    EXPECT_EQ(findCodec(*wav), &codecs::kMp3);
    OutputFormat fresh;
    fresh.AudioCodec = "aac";
    EXPECT_EQ(findCodec(fresh), nullptr);
}

TEST(Catalogue, CatalogueInstancesAreIndependent) {
    Catalogue a;
    const Catalogue b;
    a.findById(1160)->AudioBitRate = 192000;
    EXPECT_EQ(b.findById(1160)->AudioBitRate, 0);
    EXPECT_EQ(settingsPrefix(*b.findById(1160)), "MP3");
}

struct CodecExpectation {
    const char* name;
    const char* display;
    uint32_t capabilities;
    std::vector<int32_t> rates;
    std::vector<int32_t> values;
    int32_t vbrHigh, vbrLow;
    uint32_t mask;
};

TEST(Codecs, TheFortyFiveRecordsInTableOrder) {
    const std::vector<int32_t> srA = {6000,  8000,  11025, 12000, 16000, 22050,  24000,
                                      32000, 44100, 48000, 88200, 96000, 176400, 192000};
    const std::vector<int32_t> srB(srA.begin() + 1, srA.end());
    const std::vector<int32_t> srC = {8000,  16000, 22050, 24000,  32000, 44100,
                                      48000, 88200, 96000, 176400, 192000};
    const std::vector<int32_t> srF = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000};
    const std::vector<int32_t> brMp = {8000,  16000,  24000,  32000,  40000,  48000,  56000,  64000,  80000,
                                       96000, 112000, 128000, 144000, 160000, 192000, 224000, 256000, 320000};
    std::vector<int32_t> brVorbis = brMp;
    brVorbis.insert(brVorbis.end(), {400000, 480000});
    const std::vector<int32_t> brAac = {16000,  24000,  32000,  40000,  48000,  56000,  64000,
                                        80000,  96000,  112000, 128000, 144000, 160000, 192000,
                                        224000, 256000, 320000, 384000, 448000, 512000};
    const std::vector<int32_t> brAc3 = {32000,  40000,  48000,  56000,  64000,  80000,  96000,
                                        112000, 128000, 160000, 192000, 224000, 256000, 320000,
                                        384000, 448000, 512000, 576000, 640000};
    const std::vector<int32_t> brOpus = {6000,   8000,   12000,  16000,  24000,  32000,  40000,  48000,
                                         56000,  64000,  80000,  96000,  112000, 128000, 144000, 160000,
                                         192000, 224000, 256000, 320000, 384000, 448000, 512000};
    const std::vector<int32_t> brWma = {8000,  12000,  16000,  20000,  32000,  40000,  48000,  64000, 80000,
                                        96000, 128000, 160000, 192000, 256000, 320000, 384000, 440000};
    const std::vector<int32_t> none;
    const std::vector<CodecExpectation> table = {
        {"libopencore_amrnb",
         "AMR-NB (Adaptive Multi-Rate Narrow-Band)",
         1,
         {8000},
         {4750, 5150, 5900, 6700, 7400, 7950, 10200, 12200},
         -1,
         -1,
         1},
        {"libvo_amrwbenc",
         "AMR-WB (Adaptive Multi-Rate Wide-Band)",
         1,
         {16000},
         {6600, 8850, 12650, 14250, 15850, 18250, 19850, 23050, 23850},
         -1,
         -1,
         1},
        {"alac", "ALAC (Apple Lossless Audio Codec)", 4, srB, {0, 1, 2}, -1, -1, 2},
        {"ac3", "AC-3 (Dolby Digital)", 1, {32000, 44100, 48000}, brAc3, -1, -1, 63},
        {"eac3", "Enhanced AC-3 (Dolby Digital Plus)", 1, {32000, 44100, 48000}, brAc3, -1, -1, 63},
        {"dca", "DTS Coherent Acoustics", 0, kSrE, none, -1, -1, 3},
        {"aac", "AAC (Advanced Audio Codec)", 1, kSrD, brAac, -1, -1, 63},
        {"aac",
         "AAC (Advanced Audio Codec)",
         1,
         {44100},
         {96000, 112000, 128000, 144000, 160000, 192000},
         -1,
         -1,
         2},
        {"mp2", "MP2 (MPEG audio layer 2)", 1, {16000, 22050, 24000, 32000, 44100, 48000}, brMp, -1, -1, 3},
        {"libmp3lame", "MP3 (MPEG audio layer 3)", 3, kSrE, brMp, 0, 10, 3},
        {"libmp3lame", "MP3 (MPEG audio layer 3)", 3, {11025, 22050, 44100}, brMp, 0, 10, 3},
        {"libvorbis", "Vorbis", 3, kSrD, brVorbis, 0, 10, 255},
        {"libspeex",
         "Speex",
         1,
         {8000, 16000, 32000},
         {2000, 4000, 7000, 9000, 11000, 14000, 18000, 22000, 25000, 29000, 36000, 44000},
         -1,
         -1,
         3},
        {"flac",
         "FLAC (Free Lossless Audio Codec)",
         4,
         srC,
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
         -1,
         -1,
         255},
        {"pcm_u8", "PCM 8-bit", 0, srA, none, -1, -1, 255},
        {"pcm_s16le", "PCM 16-bit", 0, srA, none, -1, -1, 255},
        {"pcm_s24le", "PCM 24-bit", 0, srA, none, -1, -1, 255},
        {"pcm_s32le", "PCM 32-bit", 0, srA, none, -1, -1, 255},
        {"pcm_f32le", "PCM 32-bit Float", 0, srA, none, -1, -1, 3},
        {"pcm_f64le", "PCM 64-bit Float", 0, srA, none, -1, -1, 3},
        {"pcm_alaw", "CCITT A-Law (8-bit)", 0, srA, none, -1, -1, 3},
        {"pcm_alaw", "CCITT A-Law (8-bit)", 0, {8000}, none, -1, -1, 1},
        {"pcm_mulaw", "CCITT mu-Law (8-bit)", 0, srA, none, -1, -1, 3},
        {"pcm_mulaw", "CCITT mu-Law (8-bit)", 0, {8000}, none, -1, -1, 1},
        {"adpcm_ms", "Microsoft ADPCM (4-bit)", 0, srA, none, -1, -1, 3},
        {"adpcm_ima_wav", "IMA ADPCM (4-bit)", 0, srA, none, -1, -1, 3},
        {"g726", "G.726 ADPCM", 1, {8000}, {2, 3, 4, 5}, -1, -1, 1},
        {"g722", "G.722 ADPCM", 0, {7000}, none, -1, -1, 1},
        {"g723_1", "G.723.1", 1, {8000}, {6300}, -1, -1, 1},
        {"adpcm_yamaha", "Yamaha ADPCM (4-bit)", 0, srA, none, -1, -1, 3},
        {"adpcm_yamaha", "Yamaha ADPCM (4-bit)", 0, {4000, 8000, 11025, 22050, 44100}, none, -1, -1, 1},
        {"pcm_s8", "PCM 8-bit", 0, srA, none, -1, -1, 255},
        {"pcm_s16be", "PCM 16-bit", 0, srA, none, -1, -1, 255},
        {"pcm_s24be", "PCM 24-bit", 0, srA, none, -1, -1, 255},
        {"pcm_s32be", "PCM 32-bit", 0, srA, none, -1, -1, 255},
        {"pcm_f32be", "PCM 32-bit Float", 0, srA, none, -1, -1, 3},
        {"pcm_f64be", "PCM 64-bit Float", 0, srA, none, -1, -1, 3},
        {"adpcm_ima_qt", "IMA ADPCM (4-bit)", 0, srA, none, -1, -1, 3},
        {"libgsm_ms", "Microsoft GSM", 1, {8000}, {13000}, -1, -1, 1},
        {"libgsm", "GSM", 1, {8000}, {13000}, -1, -1, 1},
        {"wmav1", "Windows Media Audio 1", 1, srF, brWma, -1, -1, 3},
        {"wmav2", "Windows Media Audio 2", 1, srF, brWma, -1, -1, 3},
        {"wavpack", "WavPack Lossless", 4, srA, {0, 1, 2, 3, 4}, -1, -1, 255},
        {"libopus", "Opus", 1, {8000, 12000, 16000, 24000, 48000}, brOpus, -1, -1, 255},
        {"tta", "TTA (True Audio Lossless)", 0, srC, none, -1, -1, 63},
    };
    ASSERT_EQ(table.size(), 45u);
    ASSERT_EQ(allCodecs().size(), 45u);
    for (size_t i = 0; i < table.size(); ++i) {
        const CodecInfo& c = *allCodecs()[i];
        const CodecExpectation& e = table[i];
        SCOPED_TRACE(std::to_string(i) + " " + e.name);
        EXPECT_STREQ(c.transcoderName, e.name);
        EXPECT_STREQ(c.displayName, e.display);
        EXPECT_EQ(c.capabilities, e.capabilities);
        EXPECT_EQ(listOf(c.sampleRates), e.rates);
        EXPECT_EQ(listOf(c.values), e.values);
        EXPECT_EQ(c.vbrHighQuality, e.vbrHigh);
        EXPECT_EQ(c.vbrLowQuality, e.vbrLow);
        EXPECT_EQ(c.channelMask, e.mask);
    }
}

TEST(Codecs, EveryRecordIsListedBySomeFormatAndEveryListedOneIsARecord) {
    const Catalogue catalogue;
    std::set<const CodecInfo*> records(allCodecs().begin(), allCodecs().end());
    EXPECT_EQ(records.size(), 45u);  // distinct records
    std::set<const CodecInfo*> listed;
    for (const auto& f : catalogue.formats())
        for (const CodecInfo* const* c = f->codecs; *c; ++c) listed.insert(*c);
    EXPECT_EQ(listed, records);
}

TEST(Codecs, ListsAreAscendingAndTerminated) {
    for (const CodecInfo* c : allCodecs()) {
        for (const int32_t* list : {c->sampleRates, c->values}) {
            const auto v = listOf(list);
            for (size_t i = 1; i < v.size(); ++i) EXPECT_LT(v[i - 1], v[i]) << c->transcoderName;
        }
        EXPECT_NE(c->sampleRates, nullptr) << c->transcoderName;
        EXPECT_EQ(c->values != nullptr, (c->capabilities & (kCodecBitRate | kCodecCompression)) != 0)
            << c->transcoderName;
    }
}

TEST(NormalisationFormat, StartsAsTheIntermediateFormat) {
    const auto f = makeNormalisationFormat();
    EXPECT_EQ(f->id, 170);
    EXPECT_EQ(f->kind, kFormatIntermediate);
    EXPECT_EQ(f->extension, "ts");
    EXPECT_EQ(f->muxer, nullptr);
    EXPECT_EQ(f->displayName, nullptr);
    EXPECT_EQ(f->flags, 0u);
    EXPECT_EQ(f->AudioVolume, 100);
    EXPECT_EQ(f->AudioVBREnabled, 0);
    EXPECT_EQ(f->AudioVBRQuality, -1);
    EXPECT_EQ(f->AudioCompressionLevel, -1);
    EXPECT_EQ(f->AudioCodec, "");
    EXPECT_EQ(codecNames(f->codecs), (std::vector<std::string>{"ac3", "dca", "mp2", "libmp3lame"}));
    EXPECT_EQ(f->codecs[0], &codecs::kAc3);
    EXPECT_EQ(f->codecs[3], &codecs::kMp3);
    EXPECT_EQ(formatLabel(*f), "TS");
}

// Checks the names against the transcoder beside the tests: a misspelt codec or container name would make
// every conversion of that format fail.
TEST(Catalogue, NamesAreKnownToTheTranscoder) {
    const auto encoders = testing_support::runTranscoder({"-hide_banner", "-encoders"});
    const auto muxers = testing_support::runTranscoder({"-hide_banner", "-muxers"});
    ASSERT_TRUE(encoders.started && muxers.started);
    auto hasWord = [](const std::string& text, const std::string& word) {
        return text.find(" " + word + " ") != std::string::npos;
    };
    // Libraries that one of the two transcoder builds lacks.
    const std::set<std::string> optional = {"libopencore_amrnb", "libvo_amrwbenc", "libgsm", "libgsm_ms"};
    for (const CodecInfo* c : allCodecs()) {
        if (!optional.count(c->transcoderName)) {
            EXPECT_TRUE(hasWord(encoders.output, c->transcoderName)) << c->transcoderName;
        }
    }
    const Catalogue catalogue;
    for (const auto& f : catalogue.formats()) {
        if (f->muxer) {
            EXPECT_TRUE(hasWord(muxers.output, f->muxer)) << f->id << " " << f->muxer;
        }
    }
}

}  // namespace
