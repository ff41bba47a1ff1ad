#include "audio/ReaderFactory.h"

#include "audio/BassReader.h"
#include "audio/DwvwAifcReader.h"
#include "audio/VoiceRecorderReader.h"
#include "platform/Text.h"
#include "sources/SourceItem.h"

ReaderChoice readerForExtension(const std::string& extension) {
    const std::string ext = platform::toLowerAscii(extension);
    ReaderChoice choice;
    if (ext == "cda") {
        choice.reader = std::make_unique<BassReader>();
        choice.kind = kSourceCdTrack;
    } else if (ext == "voc") {
        choice.reader = std::make_unique<VoiceRecorderReader>();
        choice.kind = kSourceVoiceRecorder;
    } else if (ext == "aif" || ext == "aiff" || ext == "aifc" || ext == "afc") {
        choice.reader = std::make_unique<DwvwAifcReader>();
        choice.kind = kSourceAifc;
    }
    return choice;
}

std::unique_ptr<AudioReader> readerForKind(int32_t kind) {
    switch (kind) {
        case kSourceAifc:
            return std::make_unique<DwvwAifcReader>();
        case kSourceVoiceRecorder:
            return std::make_unique<VoiceRecorderReader>();
        default:
            return std::make_unique<BassReader>();
    }
}
