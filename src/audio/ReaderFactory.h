// Which of the program's own readers handles a source: by extension for the probe, by the item's kind
// for the preparation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audio/AudioReader.h"

// The source kinds that the program's own readers serve; the list's source kinds use the same numbers.
enum ReaderKind : int32_t {
    kReaderNone = 0,
    kReaderCdTrack = 2,
    kReaderAifc = 3,
    kReaderVoiceRecorder = 4,
};

struct ReaderChoice {
    std::unique_ptr<AudioReader> reader;  // null: the transcoder probes the file
    int32_t kind = kReaderNone;           // the source kind a successful open gives the item
};

// "cda": the audio-library reader; "voc": the voice-recorder reader; "aif", "aiff", "aifc", "afc": the
// DWVW reader; anything else: no reader. The extension has no dot; letter case does not matter.
ReaderChoice readerForExtension(const std::string& extension);

// kReaderAifc: the DWVW reader; kReaderVoiceRecorder: the voice-recorder reader; any other kind: the
// audio-library reader.
std::unique_ptr<AudioReader> readerForKind(int32_t kind);
