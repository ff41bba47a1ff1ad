// The texts a file list row shows for an item: file name, duration and the chosen stream's facts.
#pragma once

#include <cstdint>
#include <string>

struct SourceItem;

// "Mono", "Stereo", "2.1", "4.0", "4.1", "5.1", "6.1", "7.1", else the count in decimal.
std::string channelText(uint32_t channels);

// The file name part of the path, with " (N audios)" when the item has more than one audio stream.
std::string fileColumnText(const SourceItem& item);
// The folder the source is in: a DVD title's folder, else the folder part of the path.
std::string folderColumnText(const SourceItem& item);

// "H:MM:SS" from an hour on, else "MM:SS"; empty for 0 (unknown).
std::string durationText(uint32_t seconds);

// Sample Rate, Bit Rate and Channels columns of the chosen stream.
struct StreamColumns {
    std::string sampleRate;  // "48000 Hz", with "*N" appended when there are N > 1 streams
    std::string bitRate;     // "192 kbps"
    std::string channels;    // channelText
};
StreamColumns streamColumns(const SourceItem& item);
