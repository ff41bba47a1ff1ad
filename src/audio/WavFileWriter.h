// Writes the temporary 16-bit PCM WAV files that prepared sources are decoded into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "audio/BinaryFile.h"

struct WavFormatRecord {
    uint16_t formatTag = 1;  // PCM
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t byteRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;  // never written
};

// The two header sizes for a finished file. A RIFF file cannot describe 4 GiB or more; such a file gets
// 0xFFFFFFFF in both fields, which readers take as "up to the end of the file", rather than sizes
// wrapped round to a small number that would hide most of the sound.
struct WavHeaderSizes {
    uint32_t riffSize;
    uint32_t dataSize;
};
WavHeaderSizes wavHeaderSizes(uint64_t fileSize);

class WavFileWriter {
public:
    static constexpr size_t kHeaderSize = 44;

    WavFileWriter() = default;
    ~WavFileWriter();
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // Creates the file (replacing an existing one) and writes the header with placeholder sizes.
    bool open(const std::string& path, bool stereo, uint16_t bitsPerSample, uint32_t sampleRate);
    // Appends sample bytes. False when they did not all reach the file (disk full); callers that only
    // need the patched sizes to be truthful may ignore it.
    bool write(const void* bytes, size_t count);
    // Patches both sizes from the file's size and closes. Does nothing when closed. False when the sizes
    // could not be written.
    bool close();
    bool isOpen() const { return file_.isOpen(); }
    const WavFormatRecord& format() const { return format_; }

private:
    audio::OutputFile file_;
    WavFormatRecord format_;
};
