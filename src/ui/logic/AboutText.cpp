#include "ui/logic/AboutText.h"

namespace ui {

std::string transcoderLine(TranscoderState state, const std::string& version) {
    switch (state) {
        case TranscoderState::kReading:
            return "Transcoder: looking...";
        case TranscoderState::kAnswered:
            return "Transcoder: FFmpeg " + version;
        case TranscoderState::kMissing:
            return "Transcoder: missing. Please reinstall the program.";
        case TranscoderState::kSilent:
            break;
    }
    return "Transcoder: does not answer. Please reinstall the program.";
}

}  // namespace ui
