// The checks that decide whether a job's output holds the audio it should: its length against the
// source's (after the trims), and, when outputs are verified, a second complete decoding of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Result.h"

struct AppSettings;
struct SourceItem;
struct DoneReport;

inline constexpr const char* kNoAudioDecodedText = "no audio could be decoded from the source";
inline constexpr const char* kStalledText = "the transcoder stopped answering";
inline constexpr const char* kUndecodableOutputText = "the output could not be decoded";

// The verified length may differ from the written one by one codec frame: the longest in the catalogue's
// codecs is Opus's 120 ms.
inline constexpr int64_t kCodecFrameMs = 120;
// A shortfall counts only beyond both of these: a codec's priming or a rounded probe is no loss.
inline constexpr int64_t kShortfallMs = 500;
inline constexpr int64_t kShortfallPercent = 1;

// What a job's output should hold.
struct ExpectedAudio {
    std::optional<uint64_t> ms;  // none when the source's length is unknown
    // False when the length is only an estimate or the source is a film (its sound may end before its
    // picture): then only an output without any audio fails.
    bool exact = true;
};
ExpectedAudio expectedAudio(const SourceItem& item, const AppSettings& settings);

// A length as the failure texts give it: "0:45" below an hour, "10:02:13" from there on.
std::string lengthText(uint64_t ms);

// The check after the transcoder ended cleanly: writtenMs is what it wrote (none when it cannot be told).
Result<> checkWrittenAudio(const ExpectedAudio& expected, std::optional<int64_t> writtenMs);

// The verify step: the output decoded once completely (the done report of that decoding) against what the
// conversion said it wrote.
Result<> checkVerifiedAudio(std::optional<int64_t> writtenMs, const DoneReport& decoding);

// The transcoder line that decodes a file completely and writes nothing.
std::string verifyCommandLine(const std::string& transcoderPath, const std::string& output);

// How long the audio of an existing file is, read from its header; 0 when it has no audio stream, none when
// the header does not say.
std::optional<uint64_t> outputLengthFromHeader(const std::string& path, uint32_t stallSeconds);

// "12 damaged frames skipped", "1 damaged frame skipped".
std::string damagedFramesText(int32_t frames);

// The end of a run with failures or damaged sources; empty when all went well.
std::string runSummaryText(size_t failed, size_t total, size_t damaged);
