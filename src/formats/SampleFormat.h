// How a decoder hands out a stream's samples.
#pragma once

#include <cstdint>

// Bits per sample (the significant ones when the decoder says: "s32 (24 bit)" holds 24), integer or
// floating point; 0 bits when unknown.
struct SampleFormat {
    uint32_t bits = 0;
    bool floating = false;

    bool operator==(const SampleFormat&) const = default;
};
