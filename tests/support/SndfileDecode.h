// Decodes a file with a decoder that is not the transcoder under test: the system's sndfile-convert (under
// Wine the native one, started through Wine's Unix program support).
#pragma once

#include <string>

#include "platform/Result.h"

namespace testing_support {

// The file's samples as interleaved little-endian 32-bit integers (16- and 24-bit samples shifted up).
Result<std::string> decodeWithSndfile(const std::string& path);

}  // namespace testing_support
