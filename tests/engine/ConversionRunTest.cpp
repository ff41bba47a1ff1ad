// Whole conversion runs with the real transcoder: slots, outcomes, Overwrite, cancel and Convert to One.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <utility>

#include "engine/ConversionRun.h"
#include "engine/EventQueue.h"
#include "engine/Probe.h"
#include "formats/Catalogue.h"
#include "platform/Files.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"
#include "support/CliAndMedia.h"
#include "support/MediaInspector.h"
#include "support/RunFakes.h"

namespace fs = std::filesystem;
using namespace testing_support;
using namespace std::chrono_literals;

namespace {

constexpr int32_t kWav = 1200, kMp3 = 1160, kAc3 = 1030;

struct Host final : RunHost {
    std::map<const SourceItem*, std::string> status;
    std::string joinedOutput;
    std::function<void()> onCombining;  // called when the join starts
    std::vector<double> fractions;      // every bar position, in order
    uint32_t keptThreads = 0, keptPriority = 0;
    void setStatus(SourceItem& item, const std::string& text) override { status[&item] = text; }
    void openProgress(const ProgressSetup&) override {}
    void setProgressText(const std::string& text) override {
        if (text == "Combining files..." && onCombining) onCombining();
    }
    void setProgressFraction(double fraction) override { fractions.push_back(fraction); }
    void keepThreads(uint32_t threads) override { keptThreads = threads; }
    void keepPriority(uint32_t priorityClass) override { keptPriority = priorityClass; }
    void stepProgressBar() override {}
    void setProgressPercent(const std::string&) override {}
    bool closeProgress() override { return false; }
    std::vector<std::string> messages;  // a test that expects some takes them; any left over fail it
    void showMessage(const std::string& text, MessageIcon) override { messages.push_back(text); }
    std::vector<std::string> takeMessages() { return std::exchange(messages, {}); }
    std::optional<std::string> chooseJoinedOutput(const std::string&) override { return joinedOutput; }
    void showInFileManager(const std::string&) override {}
    void startShutdownCountdown() override { ADD_FAILURE() << "no shut-down was asked for"; }
};

using Sources = ItemSources;

struct RunTest : ::testing::Test {
    TempDir dir;
    AppSettings settings;
    Catalogue catalogue;
    Sources sources;
    Host host;
    EventQueue queue;
    ConversionRun run{settings, catalogue, sources, host, queue};

    void SetUp() override {
        settings.OutputFiles2MyDocuments = 0;
        settings.BrowseOutputFolder = 0;
    }
    void TearDown() override { EXPECT_EQ(host.messages, std::vector<std::string>{}); }
    SourceItem& add(const std::string& name, int seconds = 2, int rate = 44100, int channels = 2) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(makeSineWav(path, seconds, rate, channels));
        auto probed = probeSource(path, settings);
        if (!probed)
            throw std::runtime_error(path + ": " + probed.reason());  // the test fails, nothing else runs
        sources.items.push_back(probed.take());
        return *sources.items.back();
    }
    void start(int32_t formatId, bool joinIntoOne = false) {
        run.start(false, joinIntoOne, RunChoice{catalogue.findById(formatId), {}, {}});
    }
    // Hands every report to the run until it has ended and no report is due.
    void drive() {
        const auto giveUp = std::chrono::steady_clock::now() + 3min;  // a hang guard
        while ((run.isActive() || run.awaitsReports()) && std::chrono::steady_clock::now() < giveUp) {
            auto event = queue.take(200ms);
            if (!event) continue;
            if (event->kind == RunEvent::kProgress) {
                run.onProgress(std::move(event->progress));
            } else {
                run.onDone(std::move(event->done));
            }
        }
        ASSERT_FALSE(run.isActive());
    }
    std::string statusOf(size_t row) { return host.status[sources.items[row].get()]; }
    std::vector<std::string> filesIn(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(fromU8(folder))) names.push_back(u8(e.path().filename()));
        std::sort(names.begin(), names.end());
        return names;
    }
};

}  // namespace

// Two slots for five jobs; raising the threads to four starts two more at once.
TEST_F(RunTest, SlotsFollowTheThreadCount) {
    for (int i = 0; i < 5; ++i) add("s" + std::to_string(i) + ".wav", 20);
    settings.ConversionThreads = 2;
    start(kMp3);
    EXPECT_EQ(run.runningCount(), 2u);
    run.setThreads(4);
    EXPECT_EQ(run.runningCount(), 4u);
    run.setPriority(platform::kPriorityBelowNormal);
    // The choices are the user's new settings through the host; the run never writes into the record.
    using Pair = std::pair<uint32_t, uint32_t>;
    EXPECT_EQ(Pair(host.keptThreads, host.keptPriority), Pair(4, platform::kPriorityBelowNormal));
    EXPECT_EQ(Pair(settings.ConversionThreads, settings.ConversionPriority), Pair(2, 32));
    drive();
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(statusOf(i), "s" + std::to_string(i) + ".mp3");
        EXPECT_NEAR(inspectMedia(sources.items[i]->outputPath, "mp3").seconds, 20, 0.2);
    }
}

// A failed job shows the transcoder's last line, leaves no partial output and the run goes on; a refused
// target shows its refusal.
TEST_F(RunTest, FailuresShowTheirReasonAndTheRunGoesOn) {
    add("good.wav");
    SourceItem& broken = add("broken.wav");
    writeFile(broken.path, "RIFF junk that is not audio at all");  // spoilt after it was probed
    add("refused.wav");
    settings.TargetExistsOpt = kTargetSkip;
    writeFile(dir.file("refused.mp3"), "old");
    start(kMp3);
    drive();
    EXPECT_EQ(statusOf(0), "good.mp3");
    EXPECT_EQ(statusOf(1).rfind("Conversion failure (", 0), 0u) << statusOf(1);
    EXPECT_EQ(statusOf(2), kTargetSkippedText);
    EXPECT_EQ(filesIn(u8(dir.path())),
              (std::vector<std::string>{"broken.wav", "good.mp3", "good.wav", "refused.mp3", "refused.wav"}));
    // A refusal is the user's own choice, not a failure.
    EXPECT_EQ(host.takeMessages(), std::vector<std::string>{"1 of 3 files could not be converted."});
}

// Overwrite replaces a file only with a finished conversion; a failed one keeps the old file.
TEST_F(RunTest, OverwriteReplacesOnlyOnSuccess) {
    add("a.wav");
    SourceItem& broken = add("b.wav");
    writeFile(broken.path, "not audio");
    writeFile(dir.file("a.mp3"), "old a");
    writeFile(dir.file("b.mp3"), "old b");
    settings.TargetExistsOpt = kTargetOverwrite;
    start(kMp3);
    drive();
    EXPECT_EQ(statusOf(0), "a.mp3");
    EXPECT_NEAR(inspectMedia(dir.file("a.mp3"), "mp3").seconds, 2, 0.2);
    EXPECT_EQ(readFile(dir.file("b.mp3")), "old b");
    EXPECT_EQ(statusOf(1).rfind("Conversion failure (", 0), 0u) << statusOf(1);  // not the old file's name
    EXPECT_EQ(filesIn(u8(dir.path())), (std::vector<std::string>{"a.mp3", "a.wav", "b.mp3", "b.wav"}));
    EXPECT_EQ(host.takeMessages(), std::vector<std::string>{"1 of 2 files could not be converted."});
}

// Cancel ends every transcoder, deletes every partial output and never touches a source; again and again.
TEST_F(RunTest, CancelLeavesNothingBehind) {
#ifdef _WIN32
    const int rounds = 10;
#else
    const int rounds = 100;
#endif
    for (int i = 0; i < 3; ++i) add("long" + std::to_string(i) + ".wav", 300);
    const std::string source = readFile(sources.items[0]->path);
    settings.ConversionThreads = 3;
    for (int round = 0; round < rounds; ++round) {
        start(kMp3);
        ASSERT_EQ(run.runningCount(), 3u);
        if (round < 3) {
            // Well into the work; later rounds cancel right after the start.
            auto first = queue.take(60s);
            ASSERT_TRUE(first);
        }
        run.cancel();
        for (const auto& item : sources.items) {
            EXPECT_EQ(host.status[item.get()], kCancelledText);
            EXPECT_FALSE(item->process);
        }
        drive();
        ASSERT_EQ(filesIn(u8(dir.path())), (std::vector<std::string>{"long0.wav", "long1.wav", "long2.wav"}))
            << "round " << round;
    }
    EXPECT_EQ(readFile(sources.items[0]->path), source);
}

// Three layouts joined with normalisation: 16-bit PCM intermediates at the largest channel count and the
// largest rate that AC-3 takes; the joined length is the sum, and so is the length the join's job knows.
// Odd names must survive the list file.
TEST_F(RunTest, JoinsNormalisedIntermediates) {
    add("it's & co.wav", 2, 44100, 2).durationMs = 2000;
    add("Песня 曲 😀.wav", 3, 22050, 1).durationMs = 3000;
    SourceItem& surround = add("surround.wav", 4, 96000, 6);
    surround.durationMs = 4000;
    surround.durationEstimated = true;
    settings.EnableSkipLength = 1;  // trims apply to the joined file only
    settings.SkipLength = 1000;
    host.joinedOutput = dir.file("joined.ac3");
    std::vector<MediaFacts> intermediates;
    host.onCombining = [&] {
        for (const auto& item : sources.items) intermediates.push_back(inspectMedia(item->outputPath, "wav"));
    };
    std::pair<uint64_t, bool> joinLength;
    run.setStepPlanner([&](const SourceItem& item, const TranscoderStep& conversion, JobKind kind) {
        if (kind == JobKind::kJoin) joinLength = {item.durationMs, item.durationEstimated};
        return std::vector<JobStep>{{conversion, 1}};
    });
    start(kAc3, true);
    drive();
    ASSERT_EQ(intermediates.size(), 3u);
    for (const MediaFacts& facts : intermediates) {
        EXPECT_EQ(std::tuple(facts.codec, facts.sampleRate, facts.channels),
                  std::tuple(std::string("pcm_s16le"), 48000, 6));
    }
    EXPECT_EQ(joinLength, std::pair(uint64_t{9000}, true));
    const MediaFacts joined = inspectMedia(dir.file("joined.ac3"), "ac3");
    EXPECT_NEAR(joined.seconds, 2 + 3 + 4 - 1, 0.2);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(sources.items[i]->outputPath, dir.file("joined.ac3"));
    EXPECT_EQ(settings.EnableSkipLength, 1u);
    EXPECT_EQ(filesIn(u8(dir.path())).size(), 4u);  // the sources and the joined file
}

// Without normalisation the sources themselves are joined.
TEST_F(RunTest, JoinsSourcesAsTheyAre) {
    add("one 'quoted'.wav", 2);
    add("two.wav", 3);
    sources.items[0]->durationMs = 2000;
    sources.items[1]->durationMs = 0;  // one length unknown: so is the join's
    settings.NormalizeFile = 0;
    host.joinedOutput = dir.file("both.mp3");
    uint64_t joinLength = 1;
    run.setStepPlanner([&](const SourceItem& item, const TranscoderStep& conversion, JobKind kind) {
        if (kind == JobKind::kJoin) joinLength = item.durationMs;
        return std::vector<JobStep>{{conversion, 1}};
    });
    start(kMp3, true);
    drive();
    EXPECT_EQ(statusOf(0), "both.mp3");
    EXPECT_NEAR(inspectMedia(dir.file("both.mp3"), "mp3").seconds, 5, 0.2);
    EXPECT_EQ(joinLength, 0u);
}

// Every normalisation job refused: the run ends at once, the trim switches are the user's again and no
// intermediate is left.
TEST_F(RunTest, RefusedNormalisationRestoresTheTrims) {
    add("a.wav");
    writeFile(dir.file("file"), "x");
    settings.DestOutputFolderOpt = kOutputSpecificFolder;
    settings.DestSpecifiedFolder = dir.file("file") + platform::kPathSeparator + "out";
    settings.EnableConvertLength = 1;
    host.joinedOutput = dir.file("joined.wav");
    start(kWav, true);
    EXPECT_FALSE(run.isActive());
    EXPECT_EQ(settings.EnableConvertLength, 1u);
    EXPECT_EQ(statusOf(0).rfind("Failed to create folder", 0), 0u) << statusOf(0);
    EXPECT_FALSE(fs::exists(fromU8(dir.file("joined.wav"))));
}

// A job of steps: in-process steps placed around the transcoder.
namespace {

StepPlanner around(InProcessStep before, InProcessStep after, uint32_t transcoderShare = 1) {
    return [=](const SourceItem&, const TranscoderStep& conversion, JobKind) {
        std::vector<JobStep> steps;
        if (before) steps.push_back({before, 1});
        steps.push_back({conversion, transcoderShare});
        if (after) steps.push_back({after, 1});
        return steps;
    };
}

}  // namespace

// Shares 1 : 2 : 1 split the job's progress into quarters; the bar only moves forwards and ends full. The
// steps see the source and, after the transcoder, its finished output.
TEST_F(RunTest, StepSharesSpanTheJobAndTheRun) {
    SourceItem& item = add("a.wav");
    std::string beforeStatus;
    double fractionBeforeLast = -1;
    MediaFacts written;
    run.setStepPlanner(around(
        [&](StepContext& step) -> Result<> {
            EXPECT_EQ(step.input, item.path);
            step.progress(0.5);
            beforeStatus = host.status[&item];
            EXPECT_DOUBLE_EQ(host.fractions.back(), 0.125);  // half of the first quarter
            step.progress(1);
            return {};
        },
        [&](StepContext& step) -> Result<> {
            fractionBeforeLast = host.fractions.back();
            written = inspectMedia(step.output, "mp3");
            return {};
        },
        2));
    start(kMp3);
    drive();
    EXPECT_EQ(beforeStatus, "12%");
    EXPECT_DOUBLE_EQ(fractionBeforeLast, 0.75);
    EXPECT_NEAR(written.seconds, 2, 0.2);
    EXPECT_EQ(statusOf(0), "a.mp3");
    ASSERT_FALSE(host.fractions.empty());
    EXPECT_TRUE(std::is_sorted(host.fractions.begin(), host.fractions.end()));
    EXPECT_DOUBLE_EQ(host.fractions.back(), 1.0);
}

// A step that fails fails its job with its reason: nothing it wrote is left, an existing target stays as
// it was under Overwrite, and the other jobs go on.
TEST_F(RunTest, FailingStepFailsOnlyItsJobAndLeavesNoPartialFile) {
    add("a.wav");
    SourceItem& checked = add("b.wav");
    add("c.wav");
    writeFile(dir.file("b.mp3"), "old b");
    settings.TargetExistsOpt = kTargetOverwrite;
    run.setStepPlanner(around(nullptr, [&](StepContext& step) -> Result<> {
        if (step.input == checked.path || step.input == sources.items[2]->path)
            return Failure{"check failed"};
        return {};
    }));
    start(kMp3);
    drive();
    EXPECT_EQ(statusOf(0), "a.mp3");
    EXPECT_EQ(statusOf(1), "Conversion failure (check failed)");
    EXPECT_EQ(statusOf(2), "Conversion failure (check failed)");
    EXPECT_EQ(readFile(dir.file("b.mp3")), "old b");
    EXPECT_TRUE(sources.items[1]->outputPath.empty());
    EXPECT_EQ(filesIn(u8(dir.path())),
              (std::vector<std::string>{"a.mp3", "a.wav", "b.mp3", "b.wav", "c.wav"}));
    EXPECT_EQ(host.takeMessages(), std::vector<std::string>{"2 of 3 files could not be converted."});
    // The failed rows are marked for Select Failed; the good one is not.
    EXPECT_EQ(
        (std::vector<bool>{sources.items[0]->failed, sources.items[1]->failed, sources.items[2]->failed}),
        (std::vector<bool>{false, true, true}));
}

// A cancel that comes while a job is in its second step removes the output its first step wrote and every
// other job's partial output; an existing target stays.
TEST_F(RunTest, CancelDuringTheSecondStepRemovesThePartialOutput) {
    add("a.wav", 2);
    add("b.wav", 300);
    writeFile(dir.file("a.mp3"), "old a");
    settings.TargetExistsOpt = kTargetOverwrite;
    bool sawCancel = false;
    std::string partial;
    run.setStepPlanner(around(nullptr, [&](StepContext& step) -> Result<> {
        partial = step.output;
        EXPECT_GT(platform::fileSize64(step.output).value_or(0), 0u);
        run.cancel();  // as a Cancel pumped during a long step would
        sawCancel = step.cancelled();
        return Failure{"stopped"};
    }));
    start(kMp3);
    drive();
    EXPECT_TRUE(sawCancel);
    EXPECT_NE(partial, dir.file("a.mp3"));  // the first step wrote beside the existing target
    EXPECT_EQ(statusOf(0), kCancelledText);
    EXPECT_EQ(statusOf(1), kCancelledText);
    EXPECT_EQ(readFile(dir.file("a.mp3")), "old a");
    EXPECT_EQ(filesIn(u8(dir.path())), (std::vector<std::string>{"a.mp3", "a.wav", "b.wav"}));
}
