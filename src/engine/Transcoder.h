// Where the transcoder lives and how it is run.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/Process.h"

struct SourceItem;

// The transcoder's file name in the program folder.
#ifdef _WIN32
inline constexpr const char* kTranscoderFileName = "mdxcode.exe";
#else
inline constexpr const char* kTranscoderFileName = "mdxcode";
#endif

// The transcoder's full path: mdxcode.exe (POSIX: mdxcode) in the program folder, or the bare name when
// the folder is unknown.
std::string transcoderPath();

// The version the transcoder names in the first line of its "-version" output ("ffmpeg version 4.1
// Copyright ..." gives "4.1"); nothing when that line is not there.
std::optional<std::string> parseTranscoderVersion(std::string_view output);
// Runs the transcoder at path with "-version" and reads its version; nothing when it cannot be started
// or does not say.
std::optional<std::string> transcoderVersion(const std::string& path);

// Cuts text into lines at runs of CR and LF, carrying an unfinished line over to the next feed.
class LineSplitter {
public:
    LineSplitter();
    // Calls onLine for every complete line in data (never for an empty one).
    void feed(const char* data, size_t size, const std::function<void(std::string_view)>& onLine);
    size_t carryCapacity() const { return carry_.capacity(); }
    size_t carrySize() const { return carry_.size(); }

private:
    std::string carry_;
};

// What a conversion line tells about the elapsed output time, in milliseconds.
enum class LineKind { kProgress, kIgnoredProgress, kMessage, kEmpty };
struct ParsedLine {
    LineKind kind = LineKind::kEmpty;
    int64_t elapsedMs = 0;
};
ParsedLine parseTranscoderLine(std::string_view line);
// Percent done for an elapsed time of a source of durationSeconds: -1 for duration 0, at most 100.
int32_t progressPercent(int64_t elapsedMs, uint32_t durationSeconds);

// What a conversion's output tells about the audio it wrote and the damage it met on the way: the time of
// its last statistics line (the final one gives the output's length at no cost) and the frames its
// decoders could not decode.
class TranscoderTally {
public:
    void line(std::string_view line, const ParsedLine& parsed);
    // None when the transcoder never printed a statistics line.
    std::optional<int64_t> writtenMs() const { return writtenMs_; }
    int32_t damagedFrames() const { return damagedFrames_; }

private:
    std::optional<int64_t> writtenMs_;
    int32_t damagedFrames_ = 0;
    bool lastWasDamage_ = false;  // a "Last message repeated" line multiplies it
};

// Ends a process that prints nothing for longer than its limit (0: never), such as a transcoder stuck on
// a network share that stopped answering. Reading touches it on every block it gets.
class StallWatch {
public:
    StallWatch(platform::ChildProcess& process, uint32_t limitSeconds);
    ~StallWatch();
    StallWatch(const StallWatch&) = delete;
    StallWatch& operator=(const StallWatch&) = delete;
    void touch();
    // True once the watch has ended the process.
    bool fired();

private:
    void watch();

    platform::ChildProcess& process_;
    const std::chrono::milliseconds limit_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::chrono::steady_clock::time_point lastSign_;
    bool stopping_ = false;
    bool fired_ = false;
    std::thread thread_;
};

// A probe waits at most this long for the transcoder to say something.
inline constexpr uint32_t kProbeStallSeconds = 30;
uint32_t probeStallSeconds(uint32_t transcoderStallSeconds);

struct ProgressReport {
    SourceItem* item = nullptr;
    int32_t percent = 0;
    int64_t elapsedMs = 0;
};

// What a job's reader reports once, after the transcoder has ended.
struct DoneReport {
    SourceItem* item = nullptr;
    std::string completionText;        // the last message line it printed (UTF-8), or ""
    std::optional<uint32_t> exitCode;  // none when the system could not tell
    std::optional<int64_t> writtenMs;  // the time of its last statistics line
    int32_t damagedFrames = 0;
    bool stalled = false;  // it printed nothing for too long and was ended
};

// Where a running job's reader thread reports. Called from the reader thread: implementations only post.
// Every reader holds the sink from its start until after its done report; a sink's destructor waits for
// them (waitForReaders), so a consumer may destroy the sink as soon as it has taken the last done report.
class RunEventSink {
public:
    RunEventSink() = default;
    RunEventSink(const RunEventSink&) = delete;
    RunEventSink& operator=(const RunEventSink&) = delete;
    virtual ~RunEventSink() { waitForReaders(); }
    virtual void postProgress(std::unique_ptr<ProgressReport> report) = 0;
    virtual void postDone(std::unique_ptr<DoneReport> report) = 0;

    // A reader's hold on the sink.
    void readerStarted();
    void readerEnded();

protected:
    // Derived destructors call this before their own members go.
    void waitForReaders();

private:
    std::mutex readersMutex_;
    std::condition_variable readersGone_;
    int readers_ = 0;
};

// Starts a conversion job: the process and its pipe go into item.process, the reader thread drains the
// output and reports through sink. False (nothing posted) when the process cannot be started.
// stallSeconds: the job is ended when the transcoder prints nothing for that long (0: never).
bool startConversion(const std::string& commandLine, SourceItem& item, uint32_t priorityClass,
                     RunEventSink& sink, uint32_t stallSeconds = 0);

// Ends a running job's transcoder (cancel). The reader still posts its done report.
void cancelConversion(SourceItem& item);

// Runs a probe: starts the transcoder and hands the running process to reading on the calling thread.
// False when the process cannot be started, otherwise what reading returns.
bool runProbe(const std::string& commandLine, const std::function<bool(platform::ChildProcess&)>& reading);

// The read loop shared by conversion and probe: reads blocks of at most 51196 bytes until the pipe ends
// (every writer gone, so nothing the transcoder printed is left behind), then waits for the process.
// onData gets each block. With a stall limit (seconds, 0: none) a process that prints nothing for that long
// is ended; true then.
bool drainProcess(platform::ChildProcess& process, const std::function<void(const char*, size_t)>& onData,
                  uint32_t stallSeconds = 0);
