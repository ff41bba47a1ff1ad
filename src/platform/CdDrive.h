// Raw audio sectors from the CD drive that holds a file (Windows: the drive letter's device).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class CdAudioDrive {
public:
    virtual ~CdAudioDrive() = default;
    // Reads count raw 2352-byte CD-DA sectors from the logical block address lba; false on an error.
    virtual bool readRawSectors(uint32_t lba, uint32_t count, uint8_t* out) = 0;
};

// The CD drive of the file's drive letter; null when the path is not on a CD drive or it cannot be opened.
// POSIX has no drive letters: always null there.
std::unique_ptr<CdAudioDrive> openCdAudioDrive(const std::string& pathOnDisc);

}  // namespace platform
