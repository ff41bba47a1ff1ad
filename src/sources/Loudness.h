// A source's loudness as the EBU R128 meter measures it, and what a row keeps of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct LoudnessFacts {
    double integrated = 0;  // LUFS
    double range = 0;       // loudness range, LU
    double truePeak = 0;    // dBTP
    // No block above the -70 LUFS gate, or shorter than one 400 ms block: it gets no gain and no tags.
    bool silent = false;
};

// The 400 ms blocks of a measurement by their momentary loudness in tenths of LUFS, counted, in rising
// order: enough to gate an album made of several measurements as if it were one file.
using LoudnessBlocks = std::vector<std::pair<int16_t, uint32_t>>;

struct RowLoudness {
    std::optional<LoudnessFacts> track;
    std::optional<LoudnessFacts> album;  // the album's integrated loudness and highest true peak
    LoudnessBlocks blocks;               // the track's, for the albums it is part of
    // What the measurement was made of (the file's size and time, the stream, the trims, the volume): a
    // row whose key is another is measured again.
    std::string key;
};

// The list's Loudness and Peak columns: "-14.2 LUFS" and "-0.3 dBTP"; empty when not measured; "Silent"
// (Loudness) and "" (Peak) for a silent one.
std::string loudnessColumnText(const RowLoudness& loudness);
std::string peakColumnText(const RowLoudness& loudness);
