// Reader of CD tracks (and whatever else the audio library opens) through the audio library.
#pragma once

#include <cstdint>

#include "audio/AudioReader.h"

class BassReader : public AudioReader {
public:
    BassReader() = default;
    ~BassReader() override;

    void close() override;
    int open(const std::string& path) override;
    size_t read(void* buffer, size_t maxBytes) override;
    uint64_t position() const override;

private:
    uint32_t handle_ = 0;
    bool isModule_ = false;
};

// Library start-up as the application does it: the version check, no update thread, the no-sound device,
// then the CD plug-in from the program's folder (its failure only means CD tracks will not open).
enum class BassStartResult { Started, WrongVersion, InitFailed };
BassStartResult startAudioLibrary(const std::string& programFolder);
// Library shutdown at exit: frees the library, then every plug-in.
void stopAudioLibrary();
