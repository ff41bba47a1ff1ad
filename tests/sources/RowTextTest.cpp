#include <gtest/gtest.h>

#include "sources/RowText.h"
#include "sources/SourceItem.h"

namespace {

#ifdef _WIN32
const std::string kSep = "\\";
#else
const std::string kSep = "/";
#endif

SourceItem itemWithStreams(std::vector<uint32_t> rates, std::vector<uint32_t> kbps,
                           std::vector<uint32_t> channels) {
    SourceItem item;
    item.path = kSep + "media" + kSep + "clip.mkv";
    item.streamSampleRates = std::move(rates);
    item.streamBitRates = std::move(kbps);
    item.streamChannels = std::move(channels);
    item.streamIds.resize(item.streamSampleRates.size());
    return item;
}

}  // namespace

TEST(RowText, ChannelTexts) {
    const std::vector<std::pair<uint32_t, std::string>> cases = {
        {0, "0"},   {1, "Mono"}, {2, "Stereo"}, {3, "2.1"}, {4, "4.0"}, {5, "4.1"},
        {6, "5.1"}, {7, "6.1"},  {8, "7.1"},    {9, "9"},   {24, "24"},
    };
    for (const auto& [count, text] : cases) EXPECT_EQ(channelText(count), text) << count;
}

TEST(RowText, Durations) {
    const std::vector<std::pair<uint32_t, std::string>> cases = {
        {0, ""},         {1, "00:01"},      {59, "00:59"},     {61, "01:01"},
        {3599, "59:59"}, {3600, "1:00:00"}, {3661, "1:01:01"}, {360000, "100:00:00"},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(durationText(seconds), text) << seconds;
}

TEST(RowText, FileColumn) {
    SourceItem one = itemWithStreams({44100}, {128}, {2});
    EXPECT_EQ(fileColumnText(one), "clip.mkv");
    SourceItem two = itemWithStreams({48000, 22050}, {0, 0}, {6, 1});
    EXPECT_EQ(fileColumnText(two), "clip.mkv (2 audios)");
    SourceItem bare;
    bare.path = "track";
    EXPECT_EQ(fileColumnText(bare), "track");
}

TEST(RowText, StreamColumnsFollowTheChosenStream) {
    struct Case {
        const char* name;
        SourceItem item;
        int32_t chosen;
        StreamColumns expected;
    };
    const std::vector<Case> cases = {
        {"single stream", itemWithStreams({44100}, {128}, {2}), 0, {"44100 Hz", "128 kbps", "Stereo"}},
        {"first of two",
         itemWithStreams({48000, 22050}, {384, 64}, {6, 1}),
         0,
         {"48000 Hz*2", "384 kbps", "5.1"}},
        {"second of two",
         itemWithStreams({48000, 22050}, {384, 64}, {6, 1}),
         1,
         {"22050 Hz*2", "64 kbps", "Mono"}},
        {"unknown facts", itemWithStreams({0, 0}, {0, 0}, {0, 0}), 1, {"*2", "", ""}},
        {"5.0 shows as 4.1", itemWithStreams({48000}, {0}, {5}), 0, {"48000 Hz", "", "4.1"}},
        {"choice outside the streams", itemWithStreams({48000}, {1}, {1}), 3, {"", "", ""}},
        {"negative choice", itemWithStreams({48000}, {1}, {1}), -1, {"", "", ""}},
        {"no streams", SourceItem{}, 0, {"", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SourceItem item = c.item;
        item.audioStream = c.chosen;
        const StreamColumns got = streamColumns(item);
        EXPECT_EQ(got.sampleRate, c.expected.sampleRate);
        EXPECT_EQ(got.bitRate, c.expected.bitRate);
        EXPECT_EQ(got.channels, c.expected.channels);
    }
}
