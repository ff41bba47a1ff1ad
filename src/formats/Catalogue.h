// The built-in output formats and the codec records they list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "formats/OutputFormat.h"
#include "formats/SampleFormat.h"

// Owns the 28 built-in formats in catalogue (= ascending id) order. The records keep their identity for
// the catalogue's life; settings loads and the Audio page write their parameter fields.
class Catalogue {
public:
    Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    const std::vector<std::unique_ptr<OutputFormat>>& formats() const { return formats_; }
    // The first format with this id, or null.
    OutputFormat* findById(int32_t id) const;

private:
    std::vector<std::unique_ptr<OutputFormat>> formats_;
};

constexpr size_t kCatalogueFormatCount = 28;
constexpr size_t kCodecRecordCount = 45;

// The display name ("WV (WavPack Lossless)"), else the upper-case extension ("MP3").
std::string formatName(const OutputFormat& format);
// "WV (WavPack Lossless) (*.wv)" with a display name, else the upper-case extension ("MP3").
std::string formatLabel(const OutputFormat& format);
// Prefix of the format's stored values: settingsKey or extension, upper case ("MP3", "AACDEVICE").
std::string settingsPrefix(const OutputFormat& format);
// The first codec of the format's list whose transcoderName equals AudioCodec (case-sensitive), or null.
const CodecInfo* findCodec(const OutputFormat& format);
// Number of entries in a null-terminated codec list (0 for null).
size_t codecCount(const CodecInfo* const* codecs);
// Snaps value to a -1-terminated ascending list: an equal element, else the nearer neighbour (the lower
// one on a tie), the first or last element beyond the ends. Without a list the value is returned.
int32_t nearestListedValue(int32_t value, const int32_t* list);
// The intermediate format of the normalising pass before combining into one: id 170, kind 1, PCM in WAV
// (RF64 once past 4 GB), any sample rate, up to 8 channels; its codec, rate and channels are filled in
// from the members by the caller.
std::unique_ptr<OutputFormat> makeNormalisationFormat();

// The PCM codec of the intermediates that holds every sample of the given decoded formats exactly, and
// the format it stores: 16-bit integers when no member has more than 16 bits, 24-bit up to 24, 32-bit
// integers up to 32; 32-bit floats when floats of 32 bits meet integers of at most 24, else 64-bit floats.
// An unknown format counts as a 32-bit float.
struct LosslessPcm {
    const char* codec;
    SampleFormat format;
};
LosslessPcm losslessPcm(std::span<const SampleFormat> decoded);

// The 45 constant codec records, variants as separate records, in table order.
std::span<const CodecInfo* const> allCodecs();

// Named codec records for code that needs one directly.
namespace codecs {
extern const CodecInfo kAmrNb, kAmrWb, kAlac, kAc3, kEac3, kDca, kAac, kAacDevice, kMp2, kMp3, kMp3Flv,
    kVorbis, kSpeex, kFlac, kPcmU8, kPcmS16Le, kPcmS24Le, kPcmS32Le, kPcmF32Le, kPcmF64Le, kALaw, kALaw8kMono,
    kMuLaw, kMuLaw8kMono, kAdpcmMs, kAdpcmImaWav, kG726, kG722, kG7231, kAdpcmYamaha, kAdpcmYamahaMmf, kPcmS8,
    kPcmS16Be, kPcmS24Be, kPcmS32Be, kPcmF32Be, kPcmF64Be, kAdpcmImaQt, kGsmMs, kGsm, kWmaV1, kWmaV2,
    kWavPack, kOpus, kTta;
}  // namespace codecs
