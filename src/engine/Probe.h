// The media probe: learns a source's duration and audio streams by running the transcoder with "-i" and
// reading what it prints.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Transcoder.h"
#include "formats/SampleFormat.h"
#include "platform/Result.h"
#include "sources/RowText.h"
#include "sources/SourceTags.h"

struct AppSettings;
struct SourceItem;
namespace platform {
class ChildProcess;
}

// "\"%s\" %s -i \"%s\"": the quoted transcoder, the forced input format of a raw extension ("-f mulaw -ar
// 8k -ac 1") or nothing (two blanks then), and the quoted source.
std::string probeCommandLine(const std::string& transcoderPath, const std::string& extension,
                             const std::string& sourcePath);
// One source's part of a probe line: " <raw-input option> -i <quoted path>" (the option before its own
// "-i", as it applies to the next input only).
std::string probeInputArguments(const std::string& extension, const std::string& sourcePath);
// A batch's command line stays below the Windows limit of 32,767 characters; the UTF-8 bytes counted
// here are never fewer than the UTF-16 units the system counts.
inline constexpr size_t kMostProbeLineChars = 32000;

inline constexpr const char* kProbeStalledText = "The transcoder stopped answering while reading the file";

// The pieces of the probe output that the reading understands.
// Seconds of a "Duration:" value ("00:01:02.50, start: ..." gives 62; "N/A" gives 0).
uint32_t parseDurationText(std::string_view text);
// The same to the millisecond (62500); 0 when unknown.
uint64_t parseDurationMs(std::string_view text);
// The id after "Stream #": "<digits>:<digits>" followed by '[', '(' or ':' ("0:1" of "0:1(eng): ..." or
// "0:0[0x1c0]: ..."); empty when the text does not start with such an id.
std::string parseStreamId(std::string_view afterHash);
struct AudioFields {
    uint32_t sampleRate = 0;
    uint32_t bitRate = 0;  // kbit/s
    uint32_t channels = 0;
    SampleFormat sampleFormat;
};
// The fields after "Audio:" ("aac (LC), 44100 Hz, stereo, fltp, 128 kb/s (default)").
AudioFields parseAudioFields(std::string_view text);

// Reads probe output line by line into an item: the first duration, every audio stream, each once, and
// the tags. A batch numbers its inputs: the streams of input N are "N:k", stored as "0:k" (what the
// conversion of the file on its own names them). Tags are the input's own "Metadata:" block; an Ogg
// file keeps its tags on the stream, so there the first audio stream's block fills what the input's
// did not say. A cover picture's stream sets tags.hasCover.
class ProbeReading {
public:
    explicit ProbeReading(SourceItem& item) : item_(item) {}
    void line(std::string_view line);
    bool foundAudio() const { return foundAudio_; }

private:
    // Whose "Metadata:" block comes next: the input's, the first audio stream's, or another's.
    enum class TagOwner { kOther, kInput, kFirstAudio };
    void tagLine(std::string_view text, size_t indent);

    SourceItem& item_;
    bool durationSeen_ = false;
    bool foundAudio_ = false;
    bool oggInput_ = false;
    TagOwner owner_ = TagOwner::kOther;
    bool takingTags_ = false;               // the open block's tags are stored
    std::optional<size_t> metadataIndent_;  // inside a "Metadata:" block printed at this indentation
    std::optional<TagField> extending_;     // the field a value's next line goes on
};

// Drains a running probe process into the item. True when an audio stream was found. A probe that prints
// nothing for stallSeconds is ended (false, *stalled set).
bool readProbeOutput(platform::ChildProcess& process, SourceItem& item,
                     uint32_t stallSeconds = kProbeStallSeconds, bool* stalled = nullptr);

// Splits one transcoder's description of several inputs into their readings. The lines of input N run
// from the first line after input N-1's description (what is printed while N is opened, such as
// "Estimating duration from bitrate") to the end of its own indented description under "Input #N".
class BatchReading {
public:
    explicit BatchReading(const std::vector<SourceItem*>& items);
    void line(std::string_view line);
    // Inputs whose description is complete: those before the last "Input #" header seen. At the end of
    // the output the one under that header is complete too.
    size_t complete() const { return headers_ == 0 ? 0 : headers_ - 1; }
    // Inputs with a header: the transcoder opened them.
    size_t opened() const { return headers_; }
    bool foundAudio(size_t input) const { return readings_[input].foundAudio(); }
    // The transcoder's complaint about the input it could not open ("<path>: <error>" gives the error);
    // empty when it printed no such line.
    const std::string& openError() const { return openError_; }

private:
    std::vector<SourceItem*> items_;
    std::vector<ProbeReading> readings_;
    size_t headers_ = 0;
    std::string openError_;
};

// Probes the items (path and extension set, no double quote) with as few transcoder processes as the
// command-line limit allows, calling done(i, error) for each item in order as soon as its facts are
// complete: error empty when an audio stream was found. An input the transcoder cannot open ends its
// process; that item is refused with the transcoder's message and the ones after it go to a new
// process. Each process has its own stall limit. Once *stop is set the running process is ended and no
// more items are reported.
void probeTranscoderBatch(const std::vector<SourceItem*>& items, uint32_t stallSeconds,
                          const std::function<void(size_t, const std::string&)>& done,
                          const std::atomic<bool>* stop = nullptr);

// Runs the transcoder probe on item.path (with the raw-input option of item.extension) and fills the
// item's duration and streams. True when an audio stream was found; false when none was, the transcoder
// could not be started or stopped answering.
bool probeWithTranscoder(SourceItem& item, uint32_t stallSeconds = kProbeStallSeconds,
                         bool* stalled = nullptr);

// Makes a new item for a file and probes it. Fails, with the reason, when the file cannot be used
// (missing, its path cannot be passed to the transcoder, or no audio stream is found). The audio stream
// is chosen from RequestAudioIndex.
// Readers first: files with the extensions "cda", "voc", "aif", "aiff", "aifc" and "afc" are opened by
// the program's own reader, whose facts then fill the item (kind 2, 4 or 3, one stream, needsPreparation
// set). A refused "cda" file fails without a transcoder probe and sets *cdTrackHint (when given).
Result<std::unique_ptr<SourceItem>> probeSource(const std::string& path, const AppSettings& settings,
                                                bool* cdTrackHint = nullptr);
// The same for many files, whose transcoder probes share processes (probeTranscoderBatch): done(i, result)
// for every path in order, each as soon as it is known; none after *stop is set.
void probeSources(const std::vector<std::string>& paths, const AppSettings& settings,
                  const std::function<void(size_t, Result<std::unique_ptr<SourceItem>>)>& done,
                  const std::atomic<bool>* stop = nullptr, bool* cdTrackHint = nullptr);

// Probes a DVD title on its first VOB file ("<vobFolder>VTS_<set>_1.VOB"): a kind 1 item named "DVD Title
// <titleNumber>", duration 0 (the first part's length is not the title's), needing preparation. Fails
// when no audio stream is found.
Result<std::unique_ptr<SourceItem>> probeDvdTitle(const std::string& vobFolder, int32_t titleNumber,
                                                  int32_t titleSet);
std::string dvdTitleFirstVob(const std::string& vobFolder, int32_t titleSet);

// The reader step on its own: item.path and item.extension set, nothing probed yet.
enum class ReaderProbe { NoReader, Succeeded, Refused };
ReaderProbe probeWithReader(SourceItem& item, bool* cdTrackHint);
