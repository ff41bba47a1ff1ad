// Output formats and the constant codec records they list.
#pragma once

#include <cstdint>
#include <string>

struct CustomOutputFormat;

// Capability bits of a codec.
enum CodecCapability : uint32_t {
    kCodecBitRate = 1,      // takes a constant bit rate from values
    kCodecVbr = 2,          // takes a VBR quality between the two VBR ends
    kCodecCompression = 4,  // takes a compression level from values
};

struct CodecInfo {
    const char* transcoderName;
    const char* displayName;
    uint32_t capabilities;
    const int32_t* sampleRates;  // -1-terminated ascending list, or null
    const int32_t* values;       // -1-terminated ascending list, or null
    int32_t vbrHighQuality;      // -1 when the codec has no VBR
    int32_t vbrLowQuality;
    uint32_t channelMask;  // bit n-1 set: n channels allowed
};

enum OutputFormatKind : int32_t {
    kFormatCommand = -1,
    kFormatBuiltIn = 0,
    kFormatIntermediate = 1,
    kFormatCustom = 4,
};

// Format ids that are not catalogue entries.
constexpr int32_t kNormalisationFormatId = 170;
constexpr int32_t kFirstCustomFormatId = 21001;

struct OutputFormat {
    int32_t id = -1;
    int32_t kind = kFormatCommand;
    CustomOutputFormat* customFormat = nullptr;
    // Encoding parameters, named after their stored values.
    std::string AudioCodec;
    int32_t AudioBitRate = 0;
    int32_t AudioVBRQuality = -1;
    int32_t AudioVBREnabled = 0;
    int32_t AudioCompressionLevel = -1;
    int32_t AudioSampleRate = 0;
    int32_t AudioChannels = 0;
    int32_t AudioVolume = 100;
    // Constant description.
    std::string extension;
    const char* displayName = nullptr;
    const char* muxer = nullptr;
    const char* settingsKey = nullptr;
    uint32_t flags = 0;                        // bit 0: MP4-family output written with fast start
    const CodecInfo* const* codecs = nullptr;  // null-terminated, or null
};

constexpr uint32_t kFormatFastStart = 1;
