#include "engine/Transcoder.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "engine/CommandLine.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "sources/SourceItem.h"

namespace {

constexpr size_t kReadBufferSize = 51200;
constexpr size_t kReadRequest = 51196;
constexpr size_t kInitialCarry = 10240;

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// Reads an unsigned decimal number at pos; pos moves past it.
int64_t readNumber(std::string_view text, size_t& pos) {
    int64_t value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        if (value > (int64_t{1} << 40)) value = int64_t{1} << 40;  // absurd input must not overflow
        ++pos;
    }
    return value;
}

// The program's folder, or empty when it cannot be found (the transcoder then runs in ours).
std::string programFolderText() { return platform::programFolder().value_or(std::string()); }

}  // namespace

std::string transcoderPath() {
    const std::string folder = programFolderText();
    return folder.empty() ? std::string(kTranscoderFileName) : folder + kTranscoderFileName;
}

std::optional<std::string> parseTranscoderVersion(std::string_view output) {
    const std::string_view firstLine = output.substr(0, output.find_first_of("\r\n"));
    static constexpr std::string_view kLead = " version ";
    const size_t lead = firstLine.find(kLead);
    if (lead == std::string_view::npos) return std::nullopt;
    std::string_view version = firstLine.substr(lead + kLead.size());
    version = version.substr(0, version.find_first_of(" \t"));
    if (version.empty()) return std::nullopt;
    return std::string(version);
}

std::optional<std::string> transcoderVersion(const std::string& path) {
    // Only the first line counts; a little more is read so that a version printed late still fits.
    static constexpr size_t kEnough = 4096;
    std::string output;
    runProbe(quotedPath(path) + " -version", [&](platform::ChildProcess& process) {
        drainProcess(
            process,
            [&](const char* data, size_t size) {
                if (output.size() < kEnough) output.append(data, std::min(size, kEnough - output.size()));
            },
            kProbeStallSeconds);
        return true;
    });
    return parseTranscoderVersion(output);
}

LineSplitter::LineSplitter() { carry_.reserve(kInitialCarry); }

void LineSplitter::feed(const char* data, size_t size, const std::function<void(std::string_view)>& onLine) {
    size_t pos = 0;
    while (pos < size) {
        size_t end = pos;
        while (end < size && !isLineEnd(data[end])) ++end;
        if (end == size) {
            // No line end in the rest: keep it for the next read. The carry grows to the combined
            // length plus 100 bytes when it cannot hold it and its terminating zero.
            const size_t needed = carry_.size() + (size - pos) + 1;
            if (needed > carry_.capacity()) carry_.reserve(needed - 1 + 100);
            carry_.append(data + pos, size - pos);
            return;
        }
        if (carry_.empty()) {
            if (end > pos) onLine(std::string_view(data + pos, end - pos));
        } else {
            std::string line;
            line.reserve(carry_.size() + (end - pos));
            line.append(carry_).append(data + pos, end - pos);
            carry_.clear();
            onLine(line);
        }
        pos = end;
        while (pos < size && isLineEnd(data[pos])) ++pos;
    }
}

ParsedLine parseTranscoderLine(std::string_view line) {
    ParsedLine parsed;
    if (line.empty()) return parsed;
    if (startsWith(line, "frame=") || startsWith(line, "size=")) {
        const size_t at = line.find("time=");
        if (at == std::string_view::npos) {
            parsed.kind = LineKind::kIgnoredProgress;
            return parsed;
        }
        size_t pos = at + 5;
        int64_t minutes = 0, seconds = 0, hundredths = 0;
        const int64_t hours = readNumber(line, pos);
        if (pos < line.size() && line[pos] == ':') {
            ++pos;
            minutes = readNumber(line, pos);
            if (pos < line.size() && line[pos] == ':') {
                ++pos;
                seconds = readNumber(line, pos);
                if (pos < line.size() && line[pos] == '.') {
                    ++pos;
                    hundredths = readNumber(line, pos);
                }
            }
        }
        parsed.kind = LineKind::kProgress;
        parsed.elapsedMs = hours * 3600000 + minutes * 60000 + seconds * 1000 + hundredths * 10;
        return parsed;
    }
    if (startsWith(line, "{\"")) {
        const size_t at = line.find("\"position\":");
        if (at == std::string_view::npos) {
            parsed.kind = LineKind::kIgnoredProgress;
            return parsed;
        }
        size_t pos = at + 11;
        while (pos < line.size() && line[pos] == ' ') ++pos;
        // A decimal number of seconds; the elapsed milliseconds are cut toward zero.
        bool negative = false;
        if (pos < line.size() && (line[pos] == '-' || line[pos] == '+')) negative = line[pos++] == '-';
        const int64_t whole = readNumber(line, pos);
        int64_t ms = whole * 1000;
        if (pos < line.size() && line[pos] == '.') {
            ++pos;
            int64_t scale = 100;
            while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') {
                ms += (line[pos] - '0') * scale;
                scale /= 10;
                ++pos;
            }
        }
        parsed.kind = LineKind::kProgress;
        parsed.elapsedMs = negative ? -ms : ms;
        return parsed;
    }
    parsed.kind = LineKind::kMessage;
    return parsed;
}

int32_t progressPercent(int64_t elapsedMs, uint32_t durationSeconds) {
    if (durationSeconds == 0) return -1;
    uint32_t divisor = static_cast<uint32_t>(static_cast<uint64_t>(durationSeconds) * 1000u / 100u);
    if (divisor == 0) divisor = 1;
    const int64_t percent = elapsedMs / static_cast<int64_t>(divisor);
    return percent > 100 ? 100 : static_cast<int32_t>(percent);
}

bool drainProcess(platform::ChildProcess& process, const std::function<void(const char*, size_t)>& onData,
                  uint32_t stallSeconds) {
    std::unique_ptr<char[]> buffer(new char[kReadBufferSize]);
    StallWatch watch(process, stallSeconds);
    // Reading stops only at the end of the pipe: after the transcoder has ended the pipe may still hold
    // more than one block (the stream lines of a long probe, a failed job's final error line).
    for (;;) {
        const size_t n = process.read(buffer.get(), kReadRequest);
        if (n == 0) break;
        watch.touch();
        buffer[n] = '\0';
        onData(buffer.get(), n);
    }
    while (!process.wait(60000)) {
    }
    return watch.fired();
}

void TranscoderTally::line(std::string_view line, const ParsedLine& parsed) {
    if (parsed.kind == LineKind::kProgress) {
        writtenMs_ = parsed.elapsedMs;
        lastWasDamage_ = false;
        return;
    }
    if (parsed.kind != LineKind::kMessage) return;
    // Every frame a decoder refuses gives this line; the log folds repeats of one line into a count.
    if (line.find("Error while decoding stream") != std::string_view::npos) {
        ++damagedFrames_;
        lastWasDamage_ = true;
        return;
    }
    static constexpr std::string_view kRepeated = "Last message repeated ";
    const size_t at = line.find(kRepeated);
    if (at != std::string_view::npos && lastWasDamage_) {
        size_t pos = at + kRepeated.size();
        damagedFrames_ += static_cast<int32_t>(std::min<int64_t>(readNumber(line, pos), 1 << 20));
        return;
    }
    lastWasDamage_ = false;
}

StallWatch::StallWatch(platform::ChildProcess& process, uint32_t limitSeconds)
    : process_(process),
      limit_(std::chrono::seconds(limitSeconds)),
      lastSign_(std::chrono::steady_clock::now()) {
    if (limitSeconds != 0) thread_ = std::thread(&StallWatch::watch, this);
}

StallWatch::~StallWatch() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void StallWatch::touch() {
    std::lock_guard<std::mutex> lock(mutex_);
    lastSign_ = std::chrono::steady_clock::now();
}

bool StallWatch::fired() {
    std::lock_guard<std::mutex> lock(mutex_);
    return fired_;
}

void StallWatch::watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        const auto deadline = lastSign_ + limit_;
        if (std::chrono::steady_clock::now() >= deadline) {
            fired_ = true;
            lock.unlock();
            process_.terminate();  // the pipe then ends and the reading with it
            return;
        }
        wake_.wait_until(lock, deadline);
    }
}

uint32_t probeStallSeconds(uint32_t transcoderStallSeconds) {
    return transcoderStallSeconds == 0 ? kProbeStallSeconds
                                       : std::min(transcoderStallSeconds, kProbeStallSeconds);
}

void RunEventSink::readerStarted() {
    std::lock_guard<std::mutex> lock(readersMutex_);
    ++readers_;
}

void RunEventSink::readerEnded() {
    // Signalled under the lock: once it is released, this reader never touches the sink again.
    std::lock_guard<std::mutex> lock(readersMutex_);
    if (--readers_ == 0) readersGone_.notify_all();
}

void RunEventSink::waitForReaders() {
    std::unique_lock<std::mutex> lock(readersMutex_);
    readersGone_.wait(lock, [this] { return readers_ == 0; });
}

namespace {

// Runs on the job's own thread; it shares the process object with the run, so whichever lets go last
// closes the handles.
void readerThread(std::shared_ptr<platform::ChildProcess> process, SourceItem* item, uint32_t duration,
                  RunEventSink* sink, uint32_t stallSeconds) {
    LineSplitter splitter;
    std::string lastMessage;
    TranscoderTally tally;
    const bool stalled = drainProcess(
        *process,
        [&](const char* data, size_t size) {
            splitter.feed(data, size, [&](std::string_view line) {
                const ParsedLine parsed = parseTranscoderLine(line);
                tally.line(line, parsed);
                if (parsed.kind == LineKind::kMessage) {
                    lastMessage.assign(line);
                } else if (parsed.kind == LineKind::kProgress) {
                    auto report = std::make_unique<ProgressReport>();
                    report->item = item;
                    report->percent = progressPercent(parsed.elapsedMs, duration);
                    report->elapsedMs = parsed.elapsedMs;
                    sink->postProgress(std::move(report));
                }
            });
        },
        stallSeconds);
    auto done = std::make_unique<DoneReport>();
    done->item = item;
    done->completionText = platform::decodeChildOutput(lastMessage);
    done->exitCode = process->exitCode();
    done->writtenMs = tally.writtenMs();
    done->damagedFrames = tally.damagedFrames();
    done->stalled = stalled;
    process.reset();
    sink->postDone(std::move(done));
    sink->readerEnded();
}

}  // namespace

bool startConversion(const std::string& commandLine, SourceItem& item, uint32_t priorityClass,
                     RunEventSink& sink, uint32_t stallSeconds) {
    platform::StartResult started = platform::startChildProcess(commandLine, programFolderText());
    if (!started.process) return false;
    std::shared_ptr<platform::ChildProcess> process(std::move(started.process));
    process->setPriority(priorityClass);
    item.process = process;
    sink.readerStarted();
    try {
        std::thread(readerThread, process, &item, item.duration, &sink, stallSeconds).detach();
    } catch (const std::system_error&) {
        // No thread: end the process again; the job did not start.
        sink.readerEnded();
        process->terminate();
        item.process.reset();
        return false;
    }
    return true;
}

void cancelConversion(SourceItem& item) {
    if (item.process) item.process->terminate();
}

bool runProbe(const std::string& commandLine, const std::function<bool(platform::ChildProcess&)>& reading) {
    platform::StartResult started = platform::startChildProcess(commandLine, programFolderText());
    if (!started.process) return false;
    return reading(*started.process);
}
