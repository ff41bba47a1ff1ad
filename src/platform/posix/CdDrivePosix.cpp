#include "platform/CdDrive.h"

namespace platform {

// Track files exist on a mounted disc only on Windows; POSIX systems reach CD audio by other means.
std::unique_ptr<CdAudioDrive> openCdAudioDrive(const std::string&) { return nullptr; }

}  // namespace platform
