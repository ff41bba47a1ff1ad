// Where the CD plug-in gets a track's raw audio sectors: the drive that holds the track file, or a disc
// image that tests install for a folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace bass_cd {

// One raw CD-DA sector: 588 stereo frames of 16-bit samples at 44100 Hz.
inline constexpr size_t kRawSectorBytes = 2352;

class SectorSource {
public:
    virtual ~SectorSource() = default;
    // Reads count raw sectors starting at the logical block address lba; false on a read error.
    virtual bool readSectors(uint32_t lba, uint32_t count, uint8_t* out) = 0;
};

// The 44-byte track file a CD's file system shows for each audio track:
//   0 "RIFF", 4 u32 36, 8 "CDDA", 12 "fmt ", 16 u32 24, 20 u16 version 1, 22 u16 track number,
//   24 u32 volume serial, 28 u32 first sector (logical block address), 32 u32 sector count,
//   36 first sector as frame/second/minute, 40 length as frame/second/minute (all little-endian).
struct CdaTrack {
    uint16_t trackNumber = 0;
    uint32_t firstSector = 0;
    uint32_t sectorCount = 0;
};
inline constexpr size_t kCdaRecordSize = 44;
std::optional<CdaTrack> parseCdaRecord(const uint8_t* bytes, size_t size);

// Track files in folder (compared like paths) read their sectors from imagePath: raw 2352-byte sectors,
// sector 0 at offset 0. For tests and disc images; replaces an earlier image of the folder.
void installDiscImage(const std::string& folder, const std::string& imagePath);
void removeDiscImage(const std::string& folder);

// The sector source for a track file: an installed image for its folder, else the CD drive holding it.
// Null when there is neither.
std::unique_ptr<SectorSource> openSectorSource(const std::string& cdaPath);

}  // namespace bass_cd
