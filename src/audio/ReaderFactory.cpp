#include "audio/ReaderFactory.h"

#include "audio/BassReader.h"
#include "audio/DwvwAifcReader.h"
#include "audio/VoiceRecorderReader.h"
#include "platform/Text.h"

ReaderChoice readerForExtension(const std::string& extension) {
    const std::string ext = platform::toLowerAscii(extension);
    ReaderChoice choice;
    if (ext == "cda") {
        choice.reader = std::make_unique<BassReader>();
        choice.kind = kReaderCdTrack;
    } else if (ext == "voc") {
        choice.reader = std::make_unique<VoiceRecorderReader>();
        choice.kind = kReaderVoiceRecorder;
    } else if (ext == "aif" || ext == "aiff" || ext == "aifc" || ext == "afc") {
        choice.reader = std::make_unique<DwvwAifcReader>();
        choice.kind = kReaderAifc;
    }
    return choice;
}

std::unique_ptr<AudioReader> readerForKind(int32_t kind) {
    switch (kind) {
        case kReaderAifc:
            return std::make_unique<DwvwAifcReader>();
        case kReaderVoiceRecorder:
            return std::make_unique<VoiceRecorderReader>();
        default:
            return std::make_unique<BassReader>();
    }
}
