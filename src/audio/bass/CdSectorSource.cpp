#include "audio/bass/CdSectorSource.h"

#include <cstring>
#include <map>
#include <mutex>

#include "audio/BinaryFile.h"
#include "platform/Bytes.h"
#include "platform/CdDrive.h"
#include "platform/Text.h"

namespace bass_cd {

namespace {

std::string folderKey(const std::string& path) {
    std::string folder = path;
    while (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
#ifdef _WIN32
    for (char& c : folder)
        if (c == '/') c = '\\';
#endif
    return platform::pathKey(folder);
}

std::string folderOf(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

struct ImageRegistry {
    std::mutex mutex;
    std::map<std::string, std::string> images;  // folder key -> image path
};
ImageRegistry& registry() {
    static ImageRegistry r;
    return r;
}

class ImageSectorSource : public SectorSource {
public:
    bool open(const std::string& path) { return file_.open(path); }
    bool readSectors(uint32_t lba, uint32_t count, uint8_t* out) override {
        const uint64_t bytes = uint64_t{count} * kRawSectorBytes;
        return file_.seek(uint64_t{lba} * kRawSectorBytes) && file_.read(out, bytes) == bytes;
    }

private:
    audio::InputFile file_;
};

class DriveSectorSource : public SectorSource {
public:
    explicit DriveSectorSource(std::unique_ptr<platform::CdAudioDrive> drive) : drive_(std::move(drive)) {}
    bool readSectors(uint32_t lba, uint32_t count, uint8_t* out) override {
        return drive_->readRawSectors(lba, count, out);
    }

private:
    std::unique_ptr<platform::CdAudioDrive> drive_;
};

}  // namespace

std::optional<CdaTrack> parseCdaRecord(const uint8_t* bytes, size_t size) {
    if (size < kCdaRecordSize || std::memcmp(bytes, "RIFF", 4) != 0 ||
        std::memcmp(bytes + 8, "CDDA", 4) != 0 || std::memcmp(bytes + 12, "fmt ", 4) != 0)
        return std::nullopt;
    CdaTrack t;
    t.trackNumber = platform::readLe16(bytes + 22);
    t.firstSector = platform::readLe32(bytes + 28);
    t.sectorCount = platform::readLe32(bytes + 32);
    return t;
}

void installDiscImage(const std::string& folder, const std::string& imagePath) {
    std::lock_guard lock(registry().mutex);
    registry().images[folderKey(folder)] = imagePath;
}

void removeDiscImage(const std::string& folder) {
    std::lock_guard lock(registry().mutex);
    registry().images.erase(folderKey(folder));
}

std::unique_ptr<SectorSource> openSectorSource(const std::string& cdaPath) {
    std::string image;
    {
        std::lock_guard lock(registry().mutex);
        const auto it = registry().images.find(folderKey(folderOf(cdaPath)));
        if (it != registry().images.end()) image = it->second;
    }
    if (!image.empty()) {
        auto source = std::make_unique<ImageSectorSource>();
        if (!source->open(image)) return nullptr;
        return source;
    }
    auto drive = platform::openCdAudioDrive(cdaPath);
    if (!drive) return nullptr;
    return std::make_unique<DriveSectorSource>(std::move(drive));
}

}  // namespace bass_cd
