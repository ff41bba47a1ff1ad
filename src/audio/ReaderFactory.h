// Which of the program's own readers handles a source: by extension for the probe, by the item's kind
// for the preparation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audio/AudioReader.h"

struct ReaderChoice {
    std::unique_ptr<AudioReader> reader;  // null: the transcoder probes the file
    int32_t kind = 0;                     // the source kind a successful open gives the item
};

// "cda": the audio-library reader, kind 2; "voc": the voice-recorder reader, kind 4; "aif", "aiff",
// "aifc", "afc": the DWVW reader, kind 3; anything else: no reader, kind 0. The extension has no dot;
// letter case does not matter.
ReaderChoice readerForExtension(const std::string& extension);

// 3: the DWVW reader; 4: the voice-recorder reader; any other kind: the audio-library reader.
std::unique_ptr<AudioReader> readerForKind(int32_t kind);
