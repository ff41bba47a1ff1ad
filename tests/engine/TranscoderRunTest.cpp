// The transcoder process run for real: conversion with progress, failure detail and cancel.
#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "engine/EventQueue.h"
#include "engine/Probe.h"
#include "engine/Transcoder.h"
#include "sources/SourceItem.h"
#include "support/TestSupport.h"

using namespace std::chrono_literals;
using testing_support::TempDir;

namespace {

std::string q(const std::string& s) { return "\"" + s + "\""; }

// The job's done report; progress reports before it are skipped, and none may follow it.
std::unique_ptr<DoneReport> doneReport(EventQueue& queue) {
    for (auto ev = queue.take(120s); ev; ev = queue.take(120s)) {
        if (ev->kind == RunEvent::kDone) return std::move(ev->done);
    }
    return nullptr;
}

// A transcoder that has already ended and left more than two read blocks in its pipe.
class EndedProcess final : public platform::ChildProcess {
public:
    explicit EndedProcess(std::string output) : output_(std::move(output)) {}
    size_t read(char* buffer, size_t maxBytes) override {
        const size_t n = std::min(maxBytes, output_.size() - at_);
        output_.copy(buffer, n, at_);
        at_ += n;
        return n;
    }
    bool wait(uint32_t) override { return true; }
    void terminate() override {}
    std::optional<uint32_t> exitCode() override { return 1; }
    bool setPriority(uint32_t) override { return false; }
    bool hasEnded() override { return true; }
    uint64_t id() const override { return 1; }

private:
    std::string output_;
    size_t at_ = 0;
};

// A sink whose done report still runs for a while after the consumer has seen it.
class LingeringSink final : public RunEventSink {
public:
    ~LingeringSink() override { waitForReaders(); }
    void postProgress(std::unique_ptr<ProgressReport>) override {}
    void postDone(std::unique_ptr<DoneReport>) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            seen_ = true;
            seenChanged_.notify_all();
        }
        std::this_thread::sleep_for(100ms);
        lingered_ = true;  // the sink must still be there
    }
    void waitUntilSeen() {
        std::unique_lock<std::mutex> lock(mutex_);
        seenChanged_.wait(lock, [this] { return seen_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable seenChanged_;
    bool seen_ = false;
    bool lingered_ = false;
};

}  // namespace

// A consumer may destroy its sink as soon as it has the done report: the sink waits for the reader.
TEST(TranscoderRun, SinkOutlivesItsReaders) {
    SourceItem item;
    auto sink = std::make_unique<LingeringSink>();
    ASSERT_TRUE(startConversion(q(transcoderPath()) + " -version", item, 32, *sink));
    sink->waitUntilSeen();
    sink.reset();
    std::this_thread::sleep_for(300ms);  // a reader still holding a destroyed sink would write to it now
    item.process.reset();
}

// The lines that matter come last (a long tag list before the streams, the error after a long input
// listing): everything left in the pipe after the transcoder ended is read.
TEST(TranscoderRun, OutputLeftInThePipeIsReadToTheEnd) {
    std::string output = "Input #0, mp3, from 'book.mp3':\n  Metadata:\n";
    while (output.size() < 200000) output += "    lyrics          : la la la la la la la la la la la la la\n";
    output +=
        "  Duration: 00:03:00.00, start: 0.000000, bitrate: 128 kb/s\n"
        "  Stream #0:0: Audio: mp3, 44100 Hz, stereo, fltp, 128 kb/s\n"
        "out.mp3: Permission denied\n";
    EndedProcess process(output);
    SourceItem item;
    EXPECT_TRUE(readProbeOutput(process, item));
    EXPECT_EQ(item.duration, 180u);

    EndedProcess again(output);
    std::string read;
    drainProcess(again, [&](const char* data, size_t size) { read.append(data, size); });
    EXPECT_EQ(read.size(), output.size());
}

TEST(TranscoderRun, FailureDetailIsTheLastMessageLineInUtf8) {
    TempDir dir;
    const std::string missing = dir.file("Музыка 曲.wav");
    SourceItem item;
    item.duration = 10;
    EventQueue queue;
    const std::string line = q(transcoderPath()) + " -i " + q(missing) + " -dn -sn -vn -c:a libmp3lame -y " +
                             q(dir.file("out.mp3"));
    ASSERT_TRUE(startConversion(line, item, 32, queue));
    const auto done = doneReport(queue);
    ASSERT_TRUE(done);
    EXPECT_NE(done->exitCode.value_or(0), 0u);
    EXPECT_NE(done->completionText.find("No such file or directory"), std::string::npos)
        << done->completionText;
    EXPECT_NE(done->completionText.find("Музыка 曲.wav"), std::string::npos) << done->completionText;
    item.process.reset();
}

TEST(TranscoderRun, CancelEndsTheProcessAndDoneStillArrives) {
    TempDir dir;
    SourceItem item;
    item.duration = 600;
    EventQueue queue;
    // Read at native speed so that the job is surely still running when it is cancelled.
    const std::string line = q(transcoderPath()) + " -re -f lavfi -i sine=duration=600 -c:a pcm_s16le -y " +
                             q(dir.file("long.wav"));
    ASSERT_TRUE(startConversion(line, item, 16384, queue));
    auto first = queue.take(30s);
    ASSERT_TRUE(first.has_value());
    ASSERT_EQ(first->kind, RunEvent::kProgress);
    cancelConversion(item);
    EXPECT_TRUE(item.process->hasEnded());
    const auto done = doneReport(queue);
    ASSERT_TRUE(done);
    EXPECT_NE(done->exitCode.value_or(0), 0u);  // a cancelled job never reads as finished
    item.process.reset();                       // the reader has let go; this closes the handles, once
}
