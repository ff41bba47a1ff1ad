// One entry of the file list: a source with its probed facts, preparation state and run state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "audio/ReaderFactory.h"
#include "formats/SampleFormat.h"
#include "sources/Loudness.h"
#include "sources/SourceTags.h"

namespace platform {
class ChildProcess;
}

struct OutputFormat;

enum SourceKind : int32_t {
    kSourceFile = 0,
    kSourceDvdTitle = 1,
    kSourceCdTrack = kReaderCdTrack,
    kSourceAifc = kReaderAifc,
    kSourceVoiceRecorder = kReaderVoiceRecorder,
    kSourceCombineList = 5,
};

// What probing found out about a source. Expansion rows copy it whole.
struct SourceFacts {
    int32_t kind = kSourceFile;
    std::string path;
    std::string extension;  // lower case, no dot
    int32_t titleSet = 0;
    int32_t titleNumber = 0;
    std::string dvdFolder;    // ends with a separator
    int32_t audioStream = 0;  // the stream converted: the automatic choice until the user picks one
    std::vector<std::string> streamIds;
    std::vector<uint32_t> streamChannels;
    std::vector<uint32_t> streamSampleRates;
    // How each stream decodes: what a lossless copy of it must hold.
    std::vector<SampleFormat> streamSampleFormats;
    std::vector<uint32_t> streamBitRates;  // kbit/s
    uint32_t duration = 0;                 // whole seconds
    uint64_t durationMs = 0;               // the same, to the millisecond; 0 when unknown
    // The length is the transcoder's guess from the bit rate (a VBR MP3 without a header).
    bool durationEstimated = false;
    bool hasVideo = false;  // a picture stream that is not a cover (films, DVD titles)
    SourceTags tags;        // as the source says them

    size_t streamCount() const { return streamSampleRates.size(); }
    // The stream a job converts: the chosen one, or the first when the choice is outside the streams
    // (never made by the probe or the stream menu).
    size_t convertedStream() const {
        return audioStream < 0 || static_cast<size_t>(audioStream) >= streamCount()
                   ? 0
                   : static_cast<size_t>(audioStream);
    }
};

// A source the transcoder cannot read is first decoded (or joined) into a temporary file. Expansion rows
// copy it whole and share the file, which only the source row deletes.
struct SourcePreparation {
    bool needsPreparation = false;
    bool prepared = false;
    std::string preparedPath;
};

// What a run keeps on the row while the row converts; never copied.
struct SourceRunState {
    // The running transcoder with its output pipe (the pipe is owned by the process object). The job's
    // reader thread holds a second reference, so the handles are closed once, after both let go.
    std::shared_ptr<platform::ChildProcess> process;
    bool failed = false;  // the row's last job failed (Select Failed picks it)
};

// A row of the list: the three groups above, reached by their field names, and what belongs to the row
// itself.
struct SourceItem : SourceFacts, SourcePreparation, SourceRunState {
    std::string outputPath;
    bool isExpansionRow = false;
    const OutputFormat* groupFormat = nullptr;  // the format an expansion row converts to
    TagEdits tagEdits;     // the user's changes, for the outputs only: the source is never written
    RowLoudness loudness;  // the last measurement, kept while the row's source and settings stay

    // What the row's outputs carry and their names are made from.
    SourceTags outputTags() const { return editedTags(tags, tagEdits); }

    SourceFacts& facts() { return *this; }
    const SourceFacts& facts() const { return *this; }
    SourcePreparation& preparation() { return *this; }
    const SourcePreparation& preparation() const { return *this; }
};

// The extension of a path as the list stores it: the text after the last '.' of the file name, lower case;
// empty when the file name has no dot.
std::string sourceExtension(const std::string& path);

// The automatic stream choice: stream r-1 for the setting r when 2 <= r <= the stream count, else 0.
int32_t automaticAudioStream(uint32_t requestAudioIndex, size_t streamCount);

// Source keys: the path (upper case on Windows); for a DVD title "DVD:" + folder + title set.
std::string sourceKey(const std::string& path);
std::string dvdSourceKey(const std::string& dvdFolder, int32_t titleSet);

// Keeps the list free of duplicates. Does not own the items.
class SourceMap {
public:
    SourceMap();
    SourceItem* find(const std::string& key) const;
    // False (and nothing changes) when the key is already present.
    bool insert(const std::string& key, SourceItem* item);
    void erase(const std::string& key);
    void clear() { map_.clear(); }
    size_t size() const { return map_.size(); }

private:
    std::unordered_map<std::string, SourceItem*> map_;
};
