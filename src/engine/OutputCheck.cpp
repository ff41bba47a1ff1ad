#include "engine/OutputCheck.h"

#include <cstdio>

#include "engine/CommandLine.h"
#include "engine/Probe.h"
#include "engine/Transcoder.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"

namespace {

std::string countText(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// A length in whole seconds; a part of a second is not worth showing next to a loss this size.
std::string holdsText(int64_t written, uint64_t expected, const char* between) {
    return "the output holds " + lengthText(written < 0 ? 0 : static_cast<uint64_t>(written)) + between +
           lengthText(expected);
}

}  // namespace

ExpectedAudio expectedAudio(const SourceItem& item, const AppSettings& settings) {
    ExpectedAudio expected;
    expected.exact = !item.durationEstimated && !item.hasVideo;
    const uint64_t length = item.durationMs != 0 ? item.durationMs : uint64_t{item.duration} * 1000;
    if (length == 0) return expected;
    const TrimWindow window = trimWindow(item, settings);
    uint64_t kept = length > window.skipMs ? length - window.skipMs : 0;
    if (window.lengthMs && *window.lengthMs < kept) kept = *window.lengthMs;
    expected.ms = kept;
    return expected;
}

std::string lengthText(uint64_t ms) {
    const uint64_t s = ms / 1000;
    char text[48];
    if (s >= 3600) {
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", static_cast<unsigned long long>(s / 3600),
                      static_cast<unsigned long long>(s / 60 % 60), static_cast<unsigned long long>(s % 60));
    } else {
        std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(s / 60),
                      static_cast<unsigned long long>(s % 60));
    }
    return text;
}

Result<> checkWrittenAudio(const ExpectedAudio& expected, std::optional<int64_t> writtenMs) {
    if (!writtenMs) return {};
    // A trim may leave nothing or next to nothing to convert; then an empty output is right.
    static constexpr uint64_t kAudible = 50;
    if (*writtenMs <= 0 && (!expected.ms || *expected.ms >= kAudible)) return Failure{kNoAudioDecodedText};
    if (!expected.exact || !expected.ms) return {};
    const int64_t wanted = static_cast<int64_t>(*expected.ms);
    const int64_t shortfall = wanted - *writtenMs;
    if (shortfall > kShortfallMs && shortfall * 100 > wanted * kShortfallPercent)
        return Failure{holdsText(*writtenMs, *expected.ms, " of ")};
    return {};
}

Result<> checkVerifiedAudio(std::optional<int64_t> writtenMs, const DoneReport& decoding) {
    if (decoding.stalled) return Failure{kStalledText};
    if (decoding.exitCode != 0u) {
        if (decoding.completionText.empty()) return Failure{kUndecodableOutputText};
        return Failure{std::string(kUndecodableOutputText) + ": " + decoding.completionText};
    }
    if (decoding.damagedFrames > 0)
        return Failure{"the output is damaged: " +
                       countText(static_cast<size_t>(decoding.damagedFrames), "frame", "frames") +
                       " could not be decoded"};
    if (!writtenMs || !decoding.writtenMs) return {};
    const int64_t decoded = *decoding.writtenMs;
    const int64_t difference = decoded - *writtenMs;
    if (difference < -kCodecFrameMs)
        return Failure{holdsText(decoded, static_cast<uint64_t>(*writtenMs), " of ")};
    if (difference > kCodecFrameMs)
        return Failure{holdsText(decoded, static_cast<uint64_t>(*writtenMs), " instead of ")};
    return {};
}

std::string verifyCommandLine(const std::string& transcoderPath, const std::string& output) {
    const std::string raw = rawInputFormat(sourceExtension(output));
    return quotedPath(transcoderPath) + (raw.empty() ? "" : " -f " + raw) + " -i " + quotedPath(output) +
           " -vn -sn -dn -f null -";
}

std::optional<uint64_t> outputLengthFromHeader(const std::string& path, uint32_t stallSeconds) {
    SourceItem output;
    output.path = path;
    output.extension = sourceExtension(path);
    if (!probeWithTranscoder(output, probeStallSeconds(stallSeconds))) return 0;
    if (output.durationMs == 0) return std::nullopt;
    return output.durationMs;
}

std::string damagedFramesText(int32_t frames) {
    return countText(static_cast<size_t>(frames < 0 ? 0 : frames), "damaged frame", "damaged frames") +
           " skipped";
}

std::string runSummaryText(size_t failed, size_t total, size_t damaged) {
    std::string text;
    if (failed > 0)
        text =
            std::to_string(failed) + " of " + countText(total, "file", "files") + " could not be converted.";
    if (damaged > 0) {
        if (!text.empty()) text += " ";
        text += countText(damaged, "file was", "files were") +
                " converted from a damaged source; the Status column says how many frames were skipped.";
    }
    return text;
}
