#include <gtest/gtest.h>

#include "platform/Files.h"
#include "sources/RowText.h"
#include "sources/SourceItem.h"

// The file column counts the audio streams; the stream columns follow the chosen one (the rate column ends
// in "*" and the stream count when there are several), and stay empty for a choice outside the streams.
TEST(RowText, FileAndStreamColumnsFollowTheChosenStream) {
    using V = std::vector<uint32_t>;
    const std::tuple<V, V, V, int32_t, std::string, StreamColumns> cases[] = {
        {{44100}, {128}, {2}, 0, "clip.mkv", {"44100 Hz", "128 kbps", "Stereo"}},
        {{48000, 22050}, {384, 64}, {6, 1}, 0, "clip.mkv (2 audios)", {"48000 Hz*2", "384 kbps", "5.1"}},
        {{48000, 22050}, {384, 64}, {6, 1}, 1, "clip.mkv (2 audios)", {"22050 Hz*2", "64 kbps", "Mono"}},
        {{0, 0}, {0, 0}, {0, 0}, 1, "clip.mkv (2 audios)", {"*2", "", ""}},
        {{48000}, {1}, {1}, 3, "clip.mkv", {"", "", ""}},
    };
    for (const auto& [rates, kbps, channels, chosen, file, expected] : cases) {
        SourceItem item;
        item.path =
            std::string(1, platform::kPathSeparator) + "media" + platform::kPathSeparator + "clip.mkv";
        item.streamSampleRates = rates, item.streamBitRates = kbps, item.streamChannels = channels;
        item.streamIds.resize(rates.size());
        item.audioStream = chosen;
        const StreamColumns got = streamColumns(item);
        EXPECT_EQ(std::tuple(fileColumnText(item), got.sampleRate, got.bitRate, got.channels),
                  std::tuple(file, expected.sampleRate, expected.bitRate, expected.channels))
            << chosen << " of " << rates.size();
    }
}
