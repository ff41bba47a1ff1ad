#include "audio/WavFileWriter.h"

#include <algorithm>
#include <cstring>

#include "platform/Bytes.h"

WavHeaderSizes wavHeaderSizes(uint64_t fileSize) {
    constexpr uint64_t kMax = 0xFFFFFFFFu;
    const uint64_t riff = fileSize >= 8 ? fileSize - 8 : 0;
    const uint64_t data = fileSize >= WavFileWriter::kHeaderSize ? fileSize - WavFileWriter::kHeaderSize : 0;
    if (riff > kMax) return {static_cast<uint32_t>(kMax), static_cast<uint32_t>(kMax)};
    return {static_cast<uint32_t>(riff), static_cast<uint32_t>(std::min(data, kMax))};
}

WavFileWriter::~WavFileWriter() { close(); }

bool WavFileWriter::open(const std::string& path, bool stereo, uint16_t bitsPerSample, uint32_t sampleRate) {
    close();
    format_ = WavFormatRecord{};
    format_.channels = stereo ? 2 : 1;
    format_.sampleRate = sampleRate;
    format_.bitsPerSample = bitsPerSample;
    const uint32_t channelBits = uint32_t{format_.channels} * uint32_t{bitsPerSample};
    format_.byteRate = channelBits * sampleRate / 8u;
    format_.blockAlign = static_cast<uint16_t>(channelBits / 8u);
    if (!file_.create(path)) return false;

    uint8_t h[kHeaderSize];
    std::memcpy(h, "RIFF", 4);
    platform::writeLe32(h + 4, 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    platform::writeLe32(h + 16, 16);
    platform::writeLe16(h + 20, static_cast<uint16_t>(format_.formatTag));
    platform::writeLe16(h + 22, static_cast<uint16_t>(format_.channels));
    platform::writeLe32(h + 24, format_.sampleRate);
    platform::writeLe32(h + 28, format_.byteRate);
    platform::writeLe16(h + 32, static_cast<uint16_t>(format_.blockAlign));
    platform::writeLe16(h + 34, static_cast<uint16_t>(format_.bitsPerSample));
    std::memcpy(h + 36, "data", 4);
    platform::writeLe32(h + 40, 4);
    file_.write(h, kHeaderSize);
    return true;
}

bool WavFileWriter::write(const void* bytes, size_t count) { return file_.write(bytes, count); }

bool WavFileWriter::close() {
    if (!file_.isOpen()) return true;
    const WavHeaderSizes sizes = wavHeaderSizes(file_.size());
    uint8_t field[4];
    platform::writeLe32(field, sizes.riffSize);
    bool ok = file_.writeAt(4, field, 4);
    platform::writeLe32(field, sizes.dataSize);
    ok = file_.writeAt(40, field, 4) && ok;
    file_.close();
    return ok;
}
