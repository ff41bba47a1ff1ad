#include "support/ConversionJob.h"

#include <chrono>
#include <set>

#include "engine/CommandLine.h"
#include "engine/EventQueue.h"
#include "engine/Transcoder.h"
#include "sources/SourceItem.h"

bool ConversionOutcome::refused() const {
    return completion.find("Conversion failed") != std::string::npos ||
           completion.find("Unknown encoder") != std::string::npos;
}

ConversionOutcome runConversion(SourceItem& item, const OutputFormat& format, const AppSettings& settings,
                                const TagInputs& tags) {
    ConversionOutcome outcome;
    outcome.line = buildCommandLine(item, format, settings, transcoderPath(), tags);
    EventQueue queue;
    const Result<> started = buildAndStart(item, format, settings, platform::kPriorityNormal, queue, tags);
    if (!started) {
        outcome.error = started.reason();
        return outcome;
    }
    bool done = false;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(3);  // a hang guard
    while (!done && std::chrono::steady_clock::now() < giveUp) {
        auto event = queue.take(std::chrono::milliseconds(500));
        if (!event || event->kind == RunEvent::kProgress) continue;
        done = true;
        outcome.completion = event->done->completionText;
    }
    if (!done) {
        cancelConversion(item);
        outcome.error = "no end report";
    }
    item.process.reset();
    return outcome;
}

bool transcoderLacksEncoder(const std::string& encoder) {
#ifdef _WIN32
    static const std::set<std::string> kMissing = {"libgsm", "libgsm_ms"};
#else
    static const std::set<std::string> kMissing = {"libopencore_amrnb", "libvo_amrwbenc"};
#endif
    return kMissing.count(encoder) != 0;
}
