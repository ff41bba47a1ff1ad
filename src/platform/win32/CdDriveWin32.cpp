// windows.h must come before the device-control headers.
#include <windows.h>
#include <winioctl.h>
// (after winioctl.h)
#include <ntddcdrm.h>

#include <utility>

#include "platform/CdDrive.h"
#include "platform/win32/Handle.h"

namespace platform {

namespace {

class Win32CdAudioDrive : public CdAudioDrive {
public:
    explicit Win32CdAudioDrive(win32::Handle device) : device_(std::move(device)) {}

    bool readRawSectors(uint32_t lba, uint32_t count, uint8_t* out) override {
        // Drives take a limited number of raw sectors per request.
        constexpr uint32_t kMaxPerRequest = 20;
        constexpr DWORD kRawSector = 2352;
        while (count > 0) {
            const uint32_t n = count < kMaxPerRequest ? count : kMaxPerRequest;
            RAW_READ_INFO info{};
            info.DiskOffset.QuadPart = static_cast<LONGLONG>(lba) * 2048;
            info.SectorCount = n;
            info.TrackMode = CDDA;
            DWORD got = 0;
            if (!DeviceIoControl(device_.get(), IOCTL_CDROM_RAW_READ, &info, sizeof info, out, n * kRawSector,
                                 &got, nullptr) ||
                got != n * kRawSector)
                return false;
            out += got;
            lba += n;
            count -= n;
        }
        return true;
    }

private:
    win32::Handle device_;
};

}  // namespace

std::unique_ptr<CdAudioDrive> openCdAudioDrive(const std::string& pathOnDisc) {
    if (pathOnDisc.size() < 2 || pathOnDisc[1] != ':') return nullptr;
    const char letter = pathOnDisc[0];
    if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'))) return nullptr;
    const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', 0};
    // Only CD drives: a track file copied to a hard disk has no sectors to read.
    if (GetDriveTypeW(root) != DRIVE_CDROM) return nullptr;
    const wchar_t device[] = {L'\\', L'\\', L'.', L'\\', static_cast<wchar_t>(letter), L':', 0};
    win32::Handle h(CreateFileW(device, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    if (!h) return nullptr;
    return std::make_unique<Win32CdAudioDrive>(std::move(h));
}

}  // namespace platform
