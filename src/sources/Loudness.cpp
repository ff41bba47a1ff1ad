#include "sources/Loudness.h"

#include <cmath>
#include <cstdio>

namespace {

// One decimal and the unit; a value that rounds to zero reads "0.0", never "-0.0".
std::string withUnit(double value, const char* unit) {
    double rounded = std::round(value * 10) / 10;
    if (rounded == 0) rounded = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", rounded, unit);
    return text;
}

}  // namespace

std::string loudnessColumnText(const RowLoudness& loudness) {
    if (!loudness.track) return {};
    return loudness.track->silent ? "Silent" : withUnit(loudness.track->integrated, "LUFS");
}

std::string peakColumnText(const RowLoudness& loudness) {
    if (!loudness.track || loudness.track->silent) return {};
    return withUnit(loudness.track->truePeak, "dBTP");
}
