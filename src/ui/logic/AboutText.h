// What the About box says about the transcoder beside the program.
#pragma once

#include <string>

namespace ui {

enum class TranscoderState { kReading, kAnswered, kMissing, kSilent };

// kAnswered with its version: "FFmpeg 4.1"; the other states say what the user can do about them.
std::string transcoderLine(TranscoderState state, const std::string& version = {});

}  // namespace ui
