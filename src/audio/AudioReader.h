// The program's own readers deliver interleaved little-endian signed 16-bit PCM.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class AudioReader {
public:
    virtual ~AudioReader() = default;
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    // Releases file, buffers and decoder state and zeroes every field; safe to call twice.
    virtual void close() = 0;
    // Opens a source (UTF-8 path); nonzero on success. Calls close() first.
    virtual int open(const std::string& path) = 0;
    // Fills buffer with PCM; the byte count written, 0 at the end or on failure.
    virtual size_t read(void* buffer, size_t maxBytes) = 0;
    virtual uint64_t size() const { return size_; }
    virtual uint64_t position() const = 0;
    virtual int duration() const { return durationSeconds_; }
    virtual int channelCount() const { return channels_; }
    virtual int outputChannelCount() const { return outputChannels_; }
    virtual int sampleRate() const { return sampleRate_; }
    virtual int bitsPerSample() const { return bitsPerSample_; }
    virtual int bitRate() const { return bitRateKbps_; }

protected:
    AudioReader() = default;
    void resetFields() {
        size_ = 0;
        position_ = 0;
        durationSeconds_ = 0;
        sampleRate_ = 0;
        channels_ = 0;
        outputChannels_ = 0;
        bitsPerSample_ = 0;
        bytesPerSample_ = 0;
        bitRateKbps_ = 0;
    }

    uint64_t size_ = 0;
    uint64_t position_ = 0;
    int durationSeconds_ = 0;
    int sampleRate_ = 0;
    int channels_ = 0;
    int outputChannels_ = 0;
    int bitsPerSample_ = 0;
    int bytesPerSample_ = 0;
    int bitRateKbps_ = 0;
};
