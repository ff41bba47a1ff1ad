#include "formats/Catalogue.h"

#include <algorithm>
#include <array>

#include "platform/Text.h"

namespace {

// Sample-rate lists (Hz), -1-terminated.
constexpr int32_t kSrA[] = {6000,  8000,  11025, 12000, 16000,  22050,  24000, 32000,
                            44100, 48000, 88200, 96000, 176400, 192000, -1};
constexpr int32_t kSrB[] = {8000,  11025, 12000, 16000, 22050,  24000,  32000,
                            44100, 48000, 88200, 96000, 176400, 192000, -1};
constexpr int32_t kSrC[] = {8000, 16000, 22050, 24000, 32000, 44100, 48000, 88200, 96000, 176400, 192000, -1};
constexpr int32_t kSrD[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 88200, 96000, -1};
constexpr int32_t kSrE[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, -1};
constexpr int32_t kSrF[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, -1};
constexpr int32_t kSr8000[] = {8000, -1};
constexpr int32_t kSr16000[] = {16000, -1};
constexpr int32_t kSr44100[] = {44100, -1};
constexpr int32_t kSr7000[] = {7000, -1};
constexpr int32_t kSrAc3[] = {32000, 44100, 48000, -1};
constexpr int32_t kSrMp2[] = {16000, 22050, 24000, 32000, 44100, 48000, -1};
constexpr int32_t kSrFlv[] = {11025, 22050, 44100, -1};
constexpr int32_t kSrSpeex[] = {8000, 16000, 32000, -1};
constexpr int32_t kSrMmf[] = {4000, 8000, 11025, 22050, 44100, -1};
constexpr int32_t kSrOpus[] = {8000, 12000, 16000, 24000, 48000, -1};

// Value lists: bit rates in bit/s, compression levels, or bits per sample (g726).
constexpr int32_t kBrMp[] = {8000,   16000,  24000,  32000,  40000,  48000,  56000,  64000,  80000, 96000,
                             112000, 128000, 144000, 160000, 192000, 224000, 256000, 320000, -1};
constexpr int32_t kBrVorbis[] = {8000,   16000,  24000,  32000,  40000,  48000,  56000,
                                 64000,  80000,  96000,  112000, 128000, 144000, 160000,
                                 192000, 224000, 256000, 320000, 400000, 480000, -1};
constexpr int32_t kBrAac[] = {16000,  24000,  32000,  40000,  48000,  56000,  64000,
                              80000,  96000,  112000, 128000, 144000, 160000, 192000,
                              224000, 256000, 320000, 384000, 448000, 512000, -1};
constexpr int32_t kBrAacDevice[] = {96000, 112000, 128000, 144000, 160000, 192000, -1};
constexpr int32_t kBrAc3[] = {32000,  40000,  48000,  56000,  64000,  80000,  96000,  112000, 128000, 160000,
                              192000, 224000, 256000, 320000, 384000, 448000, 512000, 576000, 640000, -1};
constexpr int32_t kBrOpus[] = {6000,   8000,   12000,  16000,  24000,  32000,  40000,  48000,
                               56000,  64000,  80000,  96000,  112000, 128000, 144000, 160000,
                               192000, 224000, 256000, 320000, 384000, 448000, 512000, -1};
constexpr int32_t kBrWma[] = {8000,  12000,  16000,  20000,  32000,  40000,  48000,  64000,  80000,
                              96000, 128000, 160000, 192000, 256000, 320000, 384000, 440000, -1};
constexpr int32_t kBrSpeex[] = {2000,  4000,  7000,  9000,  11000, 14000, 18000,
                                22000, 25000, 29000, 36000, 44000, -1};
constexpr int32_t kBrAmrNb[] = {4750, 5150, 5900, 6700, 7400, 7950, 10200, 12200, -1};
constexpr int32_t kBrAmrWb[] = {6600, 8850, 12650, 14250, 15850, 18250, 19850, 23050, 23850, -1};
constexpr int32_t kBrG7231[] = {6300, -1};
constexpr int32_t kBrGsm[] = {13000, -1};
constexpr int32_t kLevelsAlac[] = {0, 1, 2, -1};
constexpr int32_t kLevelsFlac[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, -1};
constexpr int32_t kLevelsWavPack[] = {0, 1, 2, 3, 4, -1};
constexpr int32_t kBitsG726[] = {2, 3, 4, 5, -1};

constexpr uint32_t kMono = 1, kUpToStereo = 3, kUpTo51 = 63, kUpTo71 = 255, kStereoOnly = 2;

}  // namespace

namespace codecs {
// clang-format off
const CodecInfo kAmrNb{"libopencore_amrnb", "AMR-NB (Adaptive Multi-Rate Narrow-Band)", 1, kSr8000, kBrAmrNb, -1, -1, kMono};
const CodecInfo kAmrWb{"libvo_amrwbenc", "AMR-WB (Adaptive Multi-Rate Wide-Band)", 1, kSr16000, kBrAmrWb, -1, -1, kMono};
const CodecInfo kAlac{"alac", "ALAC (Apple Lossless Audio Codec)", 4, kSrB, kLevelsAlac, -1, -1, kStereoOnly};
const CodecInfo kAc3{"ac3", "AC-3 (Dolby Digital)", 1, kSrAc3, kBrAc3, -1, -1, kUpTo51};
const CodecInfo kEac3{"eac3", "Enhanced AC-3 (Dolby Digital Plus)", 1, kSrAc3, kBrAc3, -1, -1, kUpTo51};
const CodecInfo kDca{"dca", "DTS Coherent Acoustics", 0, kSrE, nullptr, -1, -1, kUpToStereo};
const CodecInfo kAac{"aac", "AAC (Advanced Audio Codec)", 1, kSrD, kBrAac, -1, -1, kUpTo51};
const CodecInfo kAacDevice{"aac", "AAC (Advanced Audio Codec)", 1, kSr44100, kBrAacDevice, -1, -1, kStereoOnly};
const CodecInfo kMp2{"mp2", "MP2 (MPEG audio layer 2)", 1, kSrMp2, kBrMp, -1, -1, kUpToStereo};
const CodecInfo kMp3{"libmp3lame", "MP3 (MPEG audio layer 3)", 3, kSrE, kBrMp, 0, 10, kUpToStereo};
const CodecInfo kMp3Flv{"libmp3lame", "MP3 (MPEG audio layer 3)", 3, kSrFlv, kBrMp, 0, 10, kUpToStereo};
// Vorbis quality runs the other way from LAME's: 10 is the best (and biggest).
const CodecInfo kVorbis{"libvorbis", "Vorbis", 3, kSrD, kBrVorbis, 10, 0, kUpTo71};
const CodecInfo kSpeex{"libspeex", "Speex", 1, kSrSpeex, kBrSpeex, -1, -1, kUpToStereo};
const CodecInfo kFlac{"flac", "FLAC (Free Lossless Audio Codec)", 4, kSrC, kLevelsFlac, -1, -1, kUpTo71};
const CodecInfo kPcmU8{"pcm_u8", "PCM 8-bit", 0, kSrA, nullptr, -1, -1, kUpTo71};
const CodecInfo kPcmS16Le{"pcm_s16le", "PCM 16-bit", 0, kSrA, nullptr, -1, -1, kUpTo71};
const CodecInfo kPcmS24Le{"pcm_s24le", "PCM 24-bit", 0, kSrA, nullptr, -1, -1, kUpTo71};
const CodecInfo kPcmS32Le{"pcm_s32le", "PCM 32-bit", 0, kSrA, nullptr, -1, -1, kUpTo71};
const CodecInfo kPcmF32Le{"pcm_f32le", "PCM 32-bit Float", 0, kSrA, nullptr, -1, -1, kUpToStereo};
const CodecInfo kPcmF64Le{"pcm_f64le", "PCM 64-bit Float", 0, kSrA, nullptr, -1, -1, kUpToStereo};
const CodecInfo kALaw{"pcm_alaw", "CCITT A-Law (8-bit)", 0, kSrA, nullptr, -1, -1, kUpToStereo};
const CodecInfo kALaw8kMono{"pcm_alaw", "CCITT A-Law (8-bit)", 0, kSr8000, nullptr, -1, -1, kMono};
const CodecInfo kMuLaw{"pcm_mulaw", "CCITT mu-Law (8-bit)", 0, kSrA, nullptr, -1, -1, kUpToStereo};
const CodecInfo kMuLaw8kMono{"pcm_mulaw", "CCITT mu-Law (8-bit)", 0, kSr8000, nullptr, -1, -1, kMono};
const CodecInfo kAdpcmMs{"adpcm_ms", "Microsoft ADPCM (4-bit)", 0, kSrA, nullptr, -1, -1, kUpToStereo};
const CodecInfo kAdpcmImaWav{"adpcm_ima_wav", "IMA ADPCM (4-bit)", 0, kSrA, nullptr, -1, -1, kUpToStereo};
const CodecInfo kG726{"g726", "G.726 ADPCM", 1, kSr8000, kBitsG726, -1, -1, kMono};
const CodecInfo kG722{"g722", "G.722 ADPCM", 0, kSr7000, nullptr, -1, -1, kMono};
const CodecInfo kG7231{"g723_1", "G.723.1", 1, kSr8000, kBrG7231, -1, -1, kMono};
const CodecInfo kAdpcmYamaha{"adpcm_yamaha", "Yamaha ADPCM (4-bit)", 0, kSrA, nullptr, -1, -1, kUpToStereo};
const CodecInfo kAdpcmYamahaMmf{"adpcm_yamaha", "Yamaha ADPCM (4-bit)", 0, kSrMmf, nullptr, -1, -1, kMono};
const CodecInfo kPcmS8{"pcm_s8", "PCM 8-bit", 0, kSrA, nullptr, -1, -1, kUpTo71};
const CodecInfo kPcmS16Be{"pcm_s16be", "PCM 16-bit", 0, kSrA, nullptr, -1, -1, kUpTo71};
const CodecInfo kPcmS24Be{"pcm_s24be", "PCM 24-bit", 0, kSrA, nullptr, -1, -1, kUpTo71};
const CodecInfo kPcmS32Be{"pcm_s32be", "PCM 32-bit", 0, kSrA, nullptr, -1, -1, kUpTo71};
const CodecInfo kPcmF32Be{"pcm_f32be", "PCM 32-bit Float", 0, kSrA, nullptr, -1, -1, kUpToStereo};
const CodecInfo kPcmF64Be{"pcm_f64be", "PCM 64-bit Float", 0, kSrA, nullptr, -1, -1, kUpToStereo};
const CodecInfo kAdpcmImaQt{"adpcm_ima_qt", "IMA ADPCM (4-bit)", 0, kSrA, nullptr, -1, -1, kUpToStereo};
const CodecInfo kGsmMs{"libgsm_ms", "Microsoft GSM", 1, kSr8000, kBrGsm, -1, -1, kMono};
const CodecInfo kGsm{"libgsm", "GSM", 1, kSr8000, kBrGsm, -1, -1, kMono};
const CodecInfo kWmaV1{"wmav1", "Windows Media Audio 1", 1, kSrF, kBrWma, -1, -1, kUpToStereo};
const CodecInfo kWmaV2{"wmav2", "Windows Media Audio 2", 1, kSrF, kBrWma, -1, -1, kUpToStereo};
const CodecInfo kWavPack{"wavpack", "WavPack Lossless", 4, kSrA, kLevelsWavPack, -1, -1, kUpTo71};
const CodecInfo kOpus{"libopus", "Opus", 1, kSrOpus, kBrOpus, -1, -1, kUpTo71};
const CodecInfo kTta{"tta", "TTA (True Audio Lossless)", 0, kSrC, nullptr, -1, -1, kUpTo51};
// clang-format on
}  // namespace codecs

namespace {
using namespace codecs;

constexpr std::array<const CodecInfo*, kCodecRecordCount> kAllCodecs = {&kAmrNb,
                                                                        &kAmrWb,
                                                                        &kAlac,
                                                                        &kAc3,
                                                                        &kEac3,
                                                                        &kDca,
                                                                        &kAac,
                                                                        &kAacDevice,
                                                                        &kMp2,
                                                                        &kMp3,
                                                                        &kMp3Flv,
                                                                        &kVorbis,
                                                                        &kSpeex,
                                                                        &kFlac,
                                                                        &kPcmU8,
                                                                        &kPcmS16Le,
                                                                        &kPcmS24Le,
                                                                        &kPcmS32Le,
                                                                        &kPcmF32Le,
                                                                        &kPcmF64Le,
                                                                        &kALaw,
                                                                        &kALaw8kMono,
                                                                        &kMuLaw,
                                                                        &kMuLaw8kMono,
                                                                        &kAdpcmMs,
                                                                        &kAdpcmImaWav,
                                                                        &kG726,
                                                                        &kG722,
                                                                        &kG7231,
                                                                        &kAdpcmYamaha,
                                                                        &kAdpcmYamahaMmf,
                                                                        &kPcmS8,
                                                                        &kPcmS16Be,
                                                                        &kPcmS24Be,
                                                                        &kPcmS32Be,
                                                                        &kPcmF32Be,
                                                                        &kPcmF64Be,
                                                                        &kAdpcmImaQt,
                                                                        &kGsmMs,
                                                                        &kGsm,
                                                                        &kWmaV1,
                                                                        &kWmaV2,
                                                                        &kWavPack,
                                                                        &kOpus,
                                                                        &kTta};

// Codec lists of the formats, null-terminated, in the order the Audio page shows them.
constexpr const CodecInfo* kListAac[] = {&kAac, nullptr};
constexpr const CodecInfo* kListAc3[] = {&kAc3, &kEac3, nullptr};
constexpr const CodecInfo* kListAiff[] = {&kALaw,       &kMuLaw,    &kG722,     &kGsm,
                                          &kAdpcmImaQt, &kPcmS8,    &kPcmS16Be, &kPcmS24Be,
                                          &kPcmS32Be,   &kPcmF32Be, &kPcmF64Be, nullptr};
constexpr const CodecInfo* kListAlac[] = {&kAlac, nullptr};
constexpr const CodecInfo* kListALaw[] = {&kALaw8kMono, nullptr};
constexpr const CodecInfo* kListAmr[] = {&kAmrNb, &kAmrWb, nullptr};
constexpr const CodecInfo* kListAu[] = {&kALaw,     &kMuLaw,    &kG722,     &kPcmS8,    &kPcmS16Be,
                                        &kPcmS24Be, &kPcmS32Be, &kPcmF32Be, &kPcmF64Be, nullptr};
constexpr const CodecInfo* kListCaf[] = {&kAlac,     &kALaw,     &kMuLaw,    &kGsm,      &kAdpcmImaQt,
                                         &kAdpcmMs,  &kMp2,      &kMp3,      &kPcmS8,    &kPcmS16Be,
                                         &kPcmS24Be, &kPcmS32Be, &kPcmF32Be, &kPcmF64Be, nullptr};
constexpr const CodecInfo* kListDts[] = {&kDca, nullptr};
constexpr const CodecInfo* kListFlac[] = {&kFlac, nullptr};
constexpr const CodecInfo* kListFlv[] = {&kMp3Flv, &kAacDevice, nullptr};
constexpr const CodecInfo* kListMpeg4[] = {&kAac, &kAlac, nullptr};
constexpr const CodecInfo* kListMka[] = {
    &kAac,      &kAc3,      &kAlac,     &kDca,      &kEac3,     &kFlac, &kMp2,    &kMp3,     &kOpus, &kPcmU8,
    &kPcmS16Le, &kPcmS24Le, &kPcmS32Le, &kPcmF32Le, &kPcmF64Le, &kTta,  &kVorbis, &kWavPack, nullptr};
constexpr const CodecInfo* kListMmf[] = {&kAdpcmYamahaMmf, nullptr};
constexpr const CodecInfo* kListMp2[] = {&kMp2, nullptr};
constexpr const CodecInfo* kListMp3[] = {&kMp3, nullptr};
constexpr const CodecInfo* kListMpa[] = {&kMp2, &kMp3, nullptr};
constexpr const CodecInfo* kListMuLaw[] = {&kMuLaw8kMono, nullptr};
constexpr const CodecInfo* kListOgg[] = {&kFlac, &kOpus, &kSpeex, &kVorbis, nullptr};
constexpr const CodecInfo* kListOpus[] = {&kOpus, nullptr};
constexpr const CodecInfo* kListSpx[] = {&kSpeex, nullptr};
constexpr const CodecInfo* kListVoc[] = {&kALaw, &kMuLaw, &kPcmU8, &kPcmS16Le, nullptr};
constexpr const CodecInfo* kListWav[] = {
    &kAac,    &kAc3,   &kAmrNb,    &kAmrWb,       &kALaw,        &kMuLaw,    &kDca,      &kEac3,
    &kFlac,   &kG722,  &kG7231,    &kG726,        &kAdpcmImaWav, &kAdpcmMs,  &kGsmMs,    &kMp2,
    &kMp3,    &kPcmU8, &kPcmS16Le, &kPcmS24Le,    &kPcmS32Le,    &kPcmF32Le, &kPcmF64Le, &kSpeex,
    &kVorbis, &kWmaV1, &kWmaV2,    &kAdpcmYamaha, nullptr};
constexpr const CodecInfo* kListWma[] = {&kWmaV1, &kWmaV2, nullptr};
constexpr const CodecInfo* kListWavPack[] = {&kWavPack, nullptr};
// The intermediates keep the rate and channels they are given: the join's own format fits them.
const CodecInfo kWholeS16{"pcm_s16le", "PCM 16-bit", 0, nullptr, nullptr, -1, -1, kUpTo71};
const CodecInfo kWholeS24{"pcm_s24le", "PCM 24-bit", 0, nullptr, nullptr, -1, -1, kUpTo71};
const CodecInfo kWholeS32{"pcm_s32le", "PCM 32-bit", 0, nullptr, nullptr, -1, -1, kUpTo71};
const CodecInfo kWholeF32{"pcm_f32le", "PCM 32-bit Float", 0, nullptr, nullptr, -1, -1, kUpTo71};
const CodecInfo kWholeF64{"pcm_f64le", "PCM 64-bit Float", 0, nullptr, nullptr, -1, -1, kUpTo71};
constexpr const CodecInfo* kListNormalisation[] = {&kWholeS16, &kWholeS24, &kWholeS32,
                                                   &kWholeF32, &kWholeF64, nullptr};

struct FormatRow {
    int32_t id;
    const char* extension;
    const char* displayName;
    const char* muxer;
    const char* settingsKey;
    uint32_t flags;
    const char* codec;
    int32_t bitRate, vbrQuality, compressionLevel, sampleRate, channels;
    const CodecInfo* const* codecs;
};

// clang-format off
constexpr FormatRow kRows[kCatalogueFormatCount] = {
    {1010, "aac", "AAC", "adts", nullptr, 0, "aac", 0, -1, -1, 0, 0, kListAac},
    {1020, "m4a", "AAC for iPod/iPhone/iPad/iTunes/DSi", "ipod", "AACDevice", 1, "aac", 0, -1, -1, 0, 0, kListAac},
    {1030, "ac3", nullptr, nullptr, nullptr, 0, "ac3", 0, -1, -1, 0, 0, kListAc3},
    {1040, "aiff", nullptr, nullptr, nullptr, 0, "pcm_s16be", 0, -1, -1, 0, 0, kListAiff},
    {1050, "m4a", "ALAC (Apple Lossless)", "ipod", "alac", 1, "alac", 0, -1, 2, 0, 0, kListAlac},
    {1055, "alw", "A-Law", "alaw", nullptr, 0, "pcm_alaw", 0, -1, -1, 8000, 1, kListALaw},
    {1060, "amr", nullptr, nullptr, nullptr, 0, "libopencore_amrnb", 10200, -1, -1, 8000, 1, kListAmr},
    {1070, "au", nullptr, nullptr, nullptr, 0, "pcm_s16be", 0, -1, -1, 0, 0, kListAu},
    {1082, "caf", "CAF (Core Audio Format)", nullptr, nullptr, 0, "pcm_s16be", 0, 5, 2, 0, 0, kListCaf},
    {1085, "dts", nullptr, nullptr, nullptr, 0, "dca", 0, -1, -1, 0, 0, kListDts},
    {1090, "flac", nullptr, nullptr, nullptr, 0, "flac", 0, -1, 5, 0, 0, kListFlac},
    {1095, "flv", "FLV (audio track)", nullptr, "FLVAUDIO", 0, "libmp3lame", 0, 5, -1, 0, 0, kListFlv},
    {1100, "m4a", "M4A (MPEG-4 audio)", "ipod", nullptr, 1, "aac", 0, -1, 2, 0, 0, kListMpeg4},
    {1110, "m4b", "M4B (MPEG-4 audiobook)", "ipod", nullptr, 1, "aac", 0, -1, 2, 0, 0, kListMpeg4},
    {1120, "m4r", "M4R (iPhone ringtone)", "ipod", nullptr, 1, "aac", 0, -1, 2, 0, 0, kListMpeg4},
    {1130, "mka", nullptr, "matroska", nullptr, 0, "libvorbis", 0, 5, 5, 0, 0, kListMka},
    {1140, "mmf", nullptr, nullptr, nullptr, 0, "adpcm_yamaha", 0, -1, -1, 0, 0, kListMmf},
    {1150, "mp2", nullptr, nullptr, nullptr, 0, "mp2", 0, -1, -1, 0, 0, kListMp2},
    {1160, "mp3", nullptr, nullptr, nullptr, 0, "libmp3lame", 0, 5, -1, 0, 0, kListMp3},
    {1170, "mpa", nullptr, "mpeg", nullptr, 0, "mp2", 0, 5, -1, 0, 0, kListMpa},
    {1175, "ulw", "mu-Law", "mulaw", nullptr, 0, "pcm_mulaw", 0, -1, -1, 8000, 1, kListMuLaw},
    {1180, "ogg", "OGG (OGG Audio)", nullptr, nullptr, 0, "libvorbis", 0, 5, 5, 0, 0, kListOgg},
    {1182, "opus", "Opus", nullptr, nullptr, 0, "libopus", 0, -1, -1, 0, 0, kListOpus},
    {1185, "spx", "SPX (Speex)", nullptr, nullptr, 0, "libspeex", 14000, -1, -1, 16000, 1, kListSpx},
    {1190, "voc", nullptr, nullptr, nullptr, 0, "pcm_u8", 0, -1, -1, 0, 0, kListVoc},
    {1200, "wav", nullptr, nullptr, nullptr, 0, "pcm_s16le", 0, 5, 5, 0, 0, kListWav},
    {1210, "wma", nullptr, nullptr, nullptr, 0, "wmav2", 0, -1, -1, 0, 0, kListWma},
    {1220, "wv", "WV (WavPack Lossless)", nullptr, nullptr, 0, "wavpack", 0, -1, 0, 0, 0, kListWavPack},
};
// clang-format on

}  // namespace

Catalogue::Catalogue() {
    formats_.reserve(kCatalogueFormatCount);
    for (const FormatRow& row : kRows) {
        auto format = std::make_unique<OutputFormat>();
        format->id = row.id;
        format->kind = kFormatBuiltIn;
        format->AudioCodec = row.codec;
        format->AudioBitRate = row.bitRate;
        format->AudioVBRQuality = row.vbrQuality;
        format->AudioVBREnabled = 0;
        format->AudioCompressionLevel = row.compressionLevel;
        format->AudioSampleRate = row.sampleRate;
        format->AudioChannels = row.channels;
        format->AudioVolume = 100;
        format->extension = row.extension;
        format->displayName = row.displayName;
        format->muxer = row.muxer;
        format->settingsKey = row.settingsKey;
        format->flags = row.flags;
        format->codecs = row.codecs;
        formats_.push_back(std::move(format));
    }
}

OutputFormat* Catalogue::findById(int32_t id) const {
    for (const auto& format : formats_)
        if (format->id == id) return format.get();
    return nullptr;
}

std::string formatName(const OutputFormat& format) {
    return format.displayName ? std::string(format.displayName) : platform::toUpperAscii(format.extension);
}

std::string formatLabel(const OutputFormat& format) {
    if (format.displayName) return formatName(format) + " (*." + format.extension + ")";
    return formatName(format);
}

std::string settingsPrefix(const OutputFormat& format) {
    return platform::toUpperAscii(format.settingsKey ? std::string_view(format.settingsKey)
                                                     : std::string_view(format.extension));
}

const CodecInfo* findCodec(const OutputFormat& format) {
    if (!format.codecs) return nullptr;
    for (const CodecInfo* const* codec = format.codecs; *codec; ++codec)
        if (format.AudioCodec == (*codec)->transcoderName) return *codec;
    return nullptr;
}

size_t codecCount(const CodecInfo* const* list) {
    size_t count = 0;
    if (list)
        while (list[count]) ++count;
    return count;
}

int32_t nearestListedValue(int32_t value, const int32_t* list) {
    if (!list || list[0] == -1) return value;
    size_t i = 0;
    for (; list[i] != -1; ++i) {
        if (list[i] == value) return value;
        if (list[i] > value) {
            if (i == 0) return list[0];
            // Distances in 64 bits: the requested value may be anything a user stored.
            const int64_t below = int64_t{value} - list[i - 1];
            const int64_t above = int64_t{list[i]} - value;
            return above < below ? list[i] : list[i - 1];
        }
    }
    return list[i - 1];
}

std::unique_ptr<OutputFormat> makeNormalisationFormat() {
    auto format = std::make_unique<OutputFormat>();
    format->id = kNormalisationFormatId;
    format->kind = kFormatIntermediate;
    format->extension = "wav";
    // A plain RIFF header cannot count past 4 GB; an intermediate of a long join can.
    format->muxer = "wav -rf64 auto";
    format->codecs = kListNormalisation;
    format->AudioCodec = kWholeS16.transcoderName;
    return format;
}

LosslessPcm losslessPcm(std::span<const SampleFormat> decoded) {
    uint32_t integerBits = 0, floatBits = 0;
    for (const SampleFormat& f : decoded) {
        if (f.bits == 0 || f.floating) {
            floatBits = std::max(floatBits, f.bits == 0 ? 32u : f.bits);
        } else {
            integerBits = std::max(integerBits, f.bits);
        }
    }
    static constexpr struct {
        uint32_t integerBits, floatBits;
        LosslessPcm pcm;
    } kRows[] = {
        {16, 0, {"pcm_s16le", {16, false}}},
        {24, 0, {"pcm_s24le", {24, false}}},
        {32, 0, {"pcm_s32le", {32, false}}},
        {24, 32, {"pcm_f32le", {32, true}}},  // 24-bit mantissa
    };
    for (const auto& row : kRows) {
        if (integerBits <= row.integerBits && floatBits <= row.floatBits) return row.pcm;
    }
    return {"pcm_f64le", {64, true}};
}

std::span<const CodecInfo* const> allCodecs() { return kAllCodecs; }
