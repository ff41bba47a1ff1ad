// Loudness by the transcoder's EBU R128 meter: measuring sources (one decoding pass, nothing encoded),
// album values, ReplayGain 2.0 and R128 tags, and the gain that normalises an output to a target.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/BusyIndicator.h"
#include "engine/OutputTags.h"
#include "platform/Result.h"
#include "sources/Loudness.h"

struct AppSettings;
struct OutputFormat;
struct SourceItem;

enum LoudnessMode : uint32_t { kLoudnessOff = 0, kLoudnessTags = 1, kLoudnessNormalise = 2 };

inline constexpr double kReplayGainReference = -18.0;  // LUFS
inline constexpr double kR128Reference = -23.0;        // LUFS (Opus)
inline constexpr double kGateLufs = -70.0;             // the absolute gate

// The settings' tenths as numbers: the target in LUFS, the ceiling in dBTP.
double loudnessTarget(const AppSettings& settings);
double truePeakCeiling(const AppSettings& settings);

// What the meter's output says: the summary, and the blocks from its per-block lines.
struct LoudnessReading {
    std::optional<LoudnessFacts> facts;  // none when the summary is missing
    LoudnessBlocks blocks;
};

// Reads the meter's lines as the transcoder prints them (any order of other lines around them).
class LoudnessParser {
public:
    void line(std::string_view text);
    LoudnessReading take();

private:
    std::map<int16_t, uint32_t> blocks_;
    bool inSummary_ = false;
    std::optional<double> integrated_, range_, peak_;
};

// The integrated loudness of blocks by the two gates (absolute -70 LUFS, relative -10 LU); none when no
// block passes the absolute gate.
std::optional<double> gatedLoudness(const LoudnessBlocks& blocks);
// Two block counts as one.
LoudnessBlocks mergedBlocks(const LoudnessBlocks& a, const LoudnessBlocks& b);

// The measuring command line: the item's chosen stream, after the trims and the format's volume (format
// may be null: no volume), into the meter, with no output.
std::string measureCommandLine(const SourceItem& item, const OutputFormat* format,
                               const AppSettings& settings, const std::string& transcoderPath);

// The key of a measurement of the item for the format and settings (see RowLoudness::key).
std::string loudnessKey(const SourceItem& item, const OutputFormat* format, const AppSettings& settings);

// Measures one item, waiting for the transcoder. A failure says why (it could not be started, stalled,
// or printed no summary). Once *stop is set the transcoder is ended and the measurement fails.
Result<LoudnessReading> measureLoudness(const SourceItem& item, const OutputFormat* format,
                                        const AppSettings& settings, const std::atomic<bool>* stop = nullptr);

// One album of measured rows: integrated over all their blocks, the highest true peak, the widest range.
LoudnessFacts albumFacts(const std::vector<const RowLoudness*>& members);

// Measures the items whose measurement is missing or stale, ConversionThreads of them side by side,
// showing "[k/n] Analyzing loudness of NAME..." and the bar in busy; then gives every item its album
// values: all items together when oneAlbum (Convert to One), else by folder when AlbumGainByFolder is
// set, else none. formatOf gives an item's format (its volume counts; null for none). measured(i, error)
// is called on the calling thread for every item i measured (error empty on success) so that its row can
// show it. False when the user cancelled (the items measured so far keep their values).
bool analyseLoudness(const std::vector<SourceItem*>& items,
                     const std::function<const OutputFormat*(const SourceItem&)>& formatOf,
                     const AppSettings& settings, bool oneAlbum, BusyIndicator& busy,
                     const std::function<void(size_t, const std::string&)>& measured);

// The ReplayGain tags of an output: "REPLAYGAIN_TRACK_GAIN" ("-6.52 dB"), "REPLAYGAIN_TRACK_PEAK"
// ("0.998123"), the album pair when there are album values; for Opus the R128 gains (Q7.8 against -23
// LUFS). Nothing for a silent measurement.
TagList replayGainTags(const RowLoudness& loudness, const OutputFormat& format);

// The MPEG-4 family keeps its loudness tags in iTunes freeform atoms, which the transcoder does not write:
// they are added to the finished output (see Mp4Tags.h).
bool takesFreeformTags(const OutputFormat& format);

// The gain filters that normalise an output (mode 2), to put before the job's other filters: a constant
// gain to the target (the album's when the row has album values), and a true-peak limiter only when the
// gain would push the peak past the ceiling. Empty for no change, a silent source or another mode.
// sampleRate: the rate of the sound where the filters stand (the limiter's delay counts in samples).
std::string normaliseFilters(const RowLoudness& loudness, const OutputFormat& format,
                             const AppSettings& settings, uint32_t sampleRate);

// What the Status of a row says of its loudness after a run, or "" for nothing to say: a silent source
// ("too quiet to normalise"), a limited one ("limited: 1.2 LU below the target").
std::string loudnessRemark(const RowLoudness& loudness, const AppSettings& settings);
