#include "sources/RowText.h"

#include <cstdio>

#include "platform/Files.h"
#include "sources/SourceItem.h"

std::string channelText(uint32_t channels) {
    static const char* const kNames[] = {"Mono", "Stereo", "2.1", "4.0", "4.1", "5.1", "6.1", "7.1"};
    if (channels >= 1 && channels <= 8) return kNames[channels - 1];
    return std::to_string(channels);
}

std::string fileColumnText(const SourceItem& item) {
    std::string text(platform::fileNamePart(item.path));
    if (item.streamCount() > 1) text += " (" + std::to_string(item.streamCount()) + " audios)";
    return text;
}

std::string folderColumnText(const SourceItem& item) {
    std::string folder = item.kind == kSourceDvdTitle
                             ? item.dvdFolder
                             : platform::folderPart(item.path).value_or(std::string());
    // Shown as folders are shown elsewhere: without the closing separator, except at a drive's root.
    const bool driveRoot = folder.size() == 3 && folder[1] == ':';
    if (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/') && !driveRoot) folder.pop_back();
    return folder;
}

std::string durationText(uint32_t seconds) {
    if (seconds == 0) return {};
    char text[32];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "%u:%02u:%02u", seconds / 3600, seconds % 3600 / 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%02u:%02u", seconds / 60, seconds % 60);
    }
    return text;
}

StreamColumns streamColumns(const SourceItem& item) {
    StreamColumns columns;
    const size_t n = item.streamCount();
    if (item.audioStream < 0) return columns;
    const size_t i = static_cast<size_t>(item.audioStream);
    if (i < n) {
        if (item.streamSampleRates[i] > 0)
            columns.sampleRate = std::to_string(item.streamSampleRates[i]) + " Hz";
        if (n > 1) {
            columns.sampleRate += '*';
            columns.sampleRate += std::to_string(n);
        }
    }
    if (i < item.streamBitRates.size() && item.streamBitRates[i] > 0) {
        columns.bitRate = std::to_string(item.streamBitRates[i]) + " kbps";
    }
    if (i < item.streamChannels.size() && item.streamChannels[i] > 0) {
        columns.channels = channelText(item.streamChannels[i]);
    }
    return columns;
}
