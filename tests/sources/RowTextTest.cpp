#include <gtest/gtest.h>

#include "platform/Files.h"
#include "sources/RowText.h"
#include "sources/SourceItem.h"

namespace {

SourceItem itemWithStreams(std::vector<uint32_t> rates, std::vector<uint32_t> kbps,
                           std::vector<uint32_t> channels, int32_t chosen = 0) {
    SourceItem item;
    item.path = std::string(1, platform::kPathSeparator) + "media" + platform::kPathSeparator + "clip.mkv";
    item.streamSampleRates = std::move(rates);
    item.streamBitRates = std::move(kbps);
    item.streamChannels = std::move(channels);
    item.streamIds.resize(item.streamSampleRates.size());
    item.audioStream = chosen;
    return item;
}

}  // namespace

TEST(RowText, FileAndStreamColumnsFollowTheChosenStream) {
    const struct {
        const char* name;
        SourceItem item;
        StreamColumns expected;
    } cases[] = {
        {"single stream", itemWithStreams({44100}, {128}, {2}), {"44100 Hz", "128 kbps", "Stereo"}},
        {"first of two",
         itemWithStreams({48000, 22050}, {384, 64}, {6, 1}),
         {"48000 Hz*2", "384 kbps", "5.1"}},
        {"second of two",
         itemWithStreams({48000, 22050}, {384, 64}, {6, 1}, 1),
         {"22050 Hz*2", "64 kbps", "Mono"}},
        {"unknown facts", itemWithStreams({0, 0}, {0, 0}, {0, 0}, 1), {"*2", "", ""}},
        {"choice outside the streams", itemWithStreams({48000}, {1}, {1}, 3), {"", "", ""}},
    };
    EXPECT_EQ(fileColumnText(cases[0].item), "clip.mkv");
    EXPECT_EQ(fileColumnText(cases[1].item), "clip.mkv (2 audios)");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const StreamColumns got = streamColumns(c.item);
        EXPECT_EQ(std::tuple(got.sampleRate, got.bitRate, got.channels),
                  std::tuple(c.expected.sampleRate, c.expected.bitRate, c.expected.channels));
    }
}
