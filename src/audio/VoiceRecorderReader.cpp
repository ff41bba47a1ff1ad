#include "audio/VoiceRecorderReader.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/Bytes.h"
#include "platform/Files.h"

namespace {

constexpr char kSignature[] = "_VOC_File";
constexpr int kSignatureOffset = 6;
constexpr int kRecordBytes = 16;
constexpr int kPaddingStep = 20;

bool allZero(const uint8_t* bytes, int count) {
    return std::all_of(bytes, bytes + count, [](uint8_t b) { return b == 0; });
}

}  // namespace

VoiceRecorderReader::~VoiceRecorderReader() { close(); }

void VoiceRecorderReader::close() {
    if (file_.is_open()) file_.close();
    file_.clear();
    offset_ = 0;
    ended_ = true;
    codec_ = -1;
    frameBytes_ = 0;
    frame_.fill(0);
    frameIndex_ = frame_.size();
    acelp_.reset();
    adpcm_.reset();
    resetFields();
}

int VoiceRecorderReader::open(const std::string& path) {
    close();
    const auto fsPath = platform::nativePath(path);
    file_.open(fsPath, std::ios::in | std::ios::binary);
    if (!file_.is_open()) return 0;

    uint8_t header[kHeaderBytes];
    if (!readBytes(header, kHeaderBytes) ||
        std::memcmp(header + kSignatureOffset, kSignature, sizeof(kSignature) - 1) != 0) {
        close();
        return 0;
    }
    const int codec = header[26];
    if (codec != kCodecAcelp && codec != kCodecAdpcm) {
        close();
        return 0;
    }

    sampleRate_ = 8000;
    channels_ = outputChannels_ = 1;
    bitsPerSample_ = 16;
    bytesPerSample_ = 2;
    bitRateKbps_ = 0;
    durationSeconds_ = header[22] * 3600 + header[23] * 60 + header[24] + (header[25] != 0 ? 1 : 0);
    std::error_code ec;
    const auto fileSize = std::filesystem::file_size(fsPath, ec);
    size_ = ec ? 0 : fileSize;

    const uint64_t records = header[15] == 12 ? 30 : 254;
    ended_ = false;
    seekTo(kHeaderBytes + records * kRecordBytes);

    codec_ = codec;
    if (codec == kCodecAcelp) {
        frameBytes_ = acelp::kFrameBytes;
        acelp_ = std::make_unique<Acelp56Decoder>();
    } else {
        frameBytes_ = Adpcm32Decoder::kFrameBytes;
        adpcm_ = std::make_unique<Adpcm32Decoder>();
    }
    return 1;
}

uint64_t VoiceRecorderReader::position() const { return std::min(offset_, size_); }

bool VoiceRecorderReader::readBytes(uint8_t* dest, int count) {
    file_.read(reinterpret_cast<char*>(dest), count);
    const auto got = file_.gcount();
    offset_ += static_cast<uint64_t>(got);
    if (got != count) {
        ended_ = true;
        return false;
    }
    return true;
}

bool VoiceRecorderReader::seekTo(uint64_t offset) {
    // Beyond the end there is nothing to read: end here rather than trust the stream's seek.
    if (offset > size_) {
        offset_ = size_;
        ended_ = true;
        return false;
    }
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(offset), std::ios::beg);
    if (!file_) {
        ended_ = true;
        return false;
    }
    offset_ = offset;
    return true;
}

bool VoiceRecorderReader::fetchFrame(uint8_t* frame) {
    const int length = frameBytes_;
    while (!ended_) {
        const uint64_t start = offset_;
        if (!readBytes(frame, length)) return false;

        int trailingZeros = 0;
        while (trailingZeros < length && frame[length - 1 - trailingZeros] == 0) ++trailingZeros;
        if (trailingZeros >= kPaddingStep && trailingZeros < 40) {
            // Zero padding: step on by 20 bytes and read again.
            if (!seekTo(start + kPaddingStep)) return false;
            continue;
        }
        if (trailingZeros < length) return true;

        // An all-zero frame closes a block; the record after it says where the next block starts.
        const uint64_t recordStart = offset_;
        uint8_t record[40];
        if (!readBytes(record, length) || allZero(record, length)) {
            ended_ = true;
            return false;
        }
        const auto jump = static_cast<int32_t>(platform::readLe32(record));
        // Only forward jumps from the record are taken, so every pass of this loop moves on through
        // the file and no offset can make it revisit a block.
        if (jump >= 0 && !seekTo(recordStart + static_cast<uint64_t>(jump))) return false;
    }
    return false;
}

bool VoiceRecorderReader::decodeNextFrame() {
    uint8_t frame[40];
    if (!fetchFrame(frame)) return false;
    if (acelp_) {
        acelp_->decodeFrame(frame, frame_.data());
    } else if (adpcm_) {
        adpcm_->decodeFrame(frame, frame_.data());
    } else {
        return false;
    }
    frameIndex_ = 0;
    return true;
}

size_t VoiceRecorderReader::read(void* buffer, size_t maxBytes) {
    if (buffer == nullptr || codec_ < 0) return 0;
    const size_t limit = std::min(kMaxSamplesPerRead, maxBytes / 2);
    auto* out = static_cast<uint8_t*>(buffer);
    size_t samples = 0;
    while (samples < limit) {
        if (frameIndex_ >= frame_.size() && !decodeNextFrame()) break;
        const size_t n = std::min(limit - samples, frame_.size() - frameIndex_);
        for (size_t i = 0; i < n; ++i) {
            platform::writeLe16(out + 2 * (samples + i), static_cast<uint16_t>(frame_[frameIndex_ + i]));
        }
        frameIndex_ += n;
        samples += n;
    }
    return 2 * samples;
}
