// The rules that decide whether an output holds what it should, and what the transcoder's lines tell.
#include <gtest/gtest.h>

#include "engine/OutputCheck.h"
#include "engine/Transcoder.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"

namespace {

std::string outcome(const Result<>& r) { return r ? "ok" : r.reason(); }

}  // namespace

// The final statistics line gives the written time; every refused frame counts, folded repeats included.
TEST(TranscoderTally, WrittenTimeAndDamagedFrames) {
    TranscoderTally tally;
    EXPECT_EQ(tally.writtenMs(), std::nullopt);
    for (const char* line :
         {"size=       0kB time=00:00:00.00 bitrate=N/A speed=N/A", "[mp3float @ 0x55f7] Header missing",
          "Error while decoding stream #0:0: Invalid data found when processing input",
          "    Last message repeated 4 times", "[mp3float @ 0x55f7] overread, skip -7",
          "    Last message repeated 9 times",
          "Error while decoding stream #0:0: Invalid data found when processing input",
          "size=    3446kB time=00:00:20.01 bitrate=1411.2kbits/s speed= 623x",
          "video:0kB audio:3445kB subtitle:0kB other streams:0kB"})
        tally.line(line, parseTranscoderLine(line));
    EXPECT_EQ(tally.damagedFrames(), 1 + 4 + 1);
    EXPECT_EQ(tally.writtenMs(), 20010);
}

// Shorter than expected by more than half a second and 1 % fails; an estimate or a film fails only
// without audio; an unknown length or written time cannot fail but for an empty output.
TEST(OutputCheck, WrittenAgainstExpected) {
    const uint64_t book = ((10 * 60 + 2) * 60 + 13) * 1000;  // 10:02:13
    const ExpectedAudio exact{book, true}, guess{book, false}, unknown{std::nullopt, true};
    const struct {
        ExpectedAudio expected;
        std::optional<int64_t> written;
        const char* result;
    } cases[] = {
        {exact, 45000, "the output holds 0:45 of 10:02:13"},
        {exact, 0, "no audio could be decoded from the source"},
        {exact, static_cast<int64_t>(book) - 600, "ok"},          // 0.6 s short of 10 h: under 1 %
        {{30000, true}, 29400, "the output holds 0:29 of 0:30"},  // 0.6 s and 2 %
        {{30000, true}, 29600, "ok"},                             // 0.4 s
        {{30000, true}, 31000, "ok"},                             // longer never fails here
        {guess, 45000, "ok"},
        {guess, 0, "no audio could be decoded from the source"},
        {unknown, 0, "no audio could be decoded from the source"},
        {unknown, 1, "ok"},
        {exact, std::nullopt, "ok"},
        {{20, true}, 0, "ok"},  // the trims left next to nothing
    };
    for (const auto& c : cases)
        EXPECT_EQ(outcome(checkWrittenAudio(c.expected, c.written)), c.result)
            << c.written.value_or(-1) << " of " << c.expected.ms.value_or(0);
}

// The length the trims leave of the source, as the command line asks for it.
TEST(OutputCheck, ExpectedLengthAfterTheTrims) {
    SourceItem item;
    item.duration = 62;
    item.durationMs = 62500;
    const auto expected = [&](uint32_t skip, uint32_t length, uint32_t ignore) {
        AppSettings s;
        s.EnableSkipLength = skip != 0, s.SkipLength = skip;
        s.EnableConvertLength = length != 0, s.ConvertLength = length;
        s.EnableIgnoreTheLast = ignore != 0, s.IgnoreLength = ignore;
        return expectedAudio(item, s).ms.value_or(0);
    };
    EXPECT_EQ(expected(0, 0, 0), 62500u);
    EXPECT_EQ(expected(2000, 0, 0), 60500u);
    EXPECT_EQ(expected(2000, 10000, 0), 10000u);
    EXPECT_EQ(expected(0, 90000, 0), 62500u);    // a length beyond the end keeps what there is
    EXPECT_EQ(expected(2000, 0, 5000), 55000u);  // ignoring counts from the whole seconds: 62 - 2 - 5
    EXPECT_EQ(expected(70000, 0, 0), 0u);
    item.hasVideo = true;
    EXPECT_FALSE(expectedAudio(item, AppSettings{}).exact);
    item.hasVideo = false, item.durationEstimated = true;
    EXPECT_FALSE(expectedAudio(item, AppSettings{}).exact);
    item = SourceItem{};
    EXPECT_EQ(expectedAudio(item, AppSettings{}).ms, std::nullopt);
}

// The second decoding must be clean and as long as what the conversion wrote, within one codec frame.
TEST(OutputCheck, VerifiedAgainstWritten) {
    const auto verified = [](std::optional<int64_t> written, uint32_t exit, std::optional<int64_t> decoded,
                             int32_t damaged = 0, bool stalled = false) {
        DoneReport r;
        r.exitCode = exit, r.writtenMs = decoded, r.damagedFrames = damaged, r.stalled = stalled;
        return outcome(checkVerifiedAudio(written, r));
    };
    EXPECT_EQ(verified(6000, 0, 6000), "ok");
    EXPECT_EQ(verified(6000, 0, 6000 - 120), "ok");
    EXPECT_EQ(verified(6000, 0, 6000 + 120), "ok");
    EXPECT_EQ(verified(6000, 0, 3000), "the output holds 0:03 of 0:06");
    EXPECT_EQ(verified(6000, 0, 9000), "the output holds 0:09 instead of 0:06");
    EXPECT_EQ(verified(6000, 0, 6000, 2), "the output is damaged: 2 frames could not be decoded");
    EXPECT_EQ(verified(6000, 1, std::nullopt), "the output could not be decoded");
    EXPECT_EQ(verified(6000, 137, std::nullopt, 0, true), "the transcoder stopped answering");
    EXPECT_EQ(verified(std::nullopt, 0, 3000), "ok");
}

TEST(OutputCheck, Texts) {
    EXPECT_EQ(lengthText(45999), "0:45");
    EXPECT_EQ(lengthText(36133000), "10:02:13");
    EXPECT_EQ(damagedFramesText(1), "1 damaged frame skipped");
    EXPECT_EQ(damagedFramesText(12), "12 damaged frames skipped");
    EXPECT_EQ(runSummaryText(0, 5, 0), "");
    EXPECT_EQ(runSummaryText(2, 5, 0), "2 of 5 files could not be converted.");
    EXPECT_EQ(runSummaryText(1, 1, 1),
              "1 of 1 file could not be converted. 1 file was converted from a damaged source; the Status "
              "column says how many frames were skipped.");
    EXPECT_EQ(verifyCommandLine("/p/mdxcode", "/o/a.ulaw"),
              "\"/p/mdxcode\" -f mulaw -ar 8k -ac 1 -i \"/o/a.ulaw\" -vn -sn -dn -f null -");
}
