// The console program starts the audio library (and its CD plug-in) as the desktop program does at
// start-up, so that CD tracks probe and decode here too; it is freed when the program ends.
#include "audio/BassReader.h"
#include "platform/Files.h"

namespace cli {

namespace {

class AudioLibrary {
public:
    AudioLibrary() {
        started_ =
            startAudioLibrary(platform::programFolder().value_or(std::string())) == BassStartResult::Started;
    }
    ~AudioLibrary() {
        if (started_) stopAudioLibrary();
    }
    AudioLibrary(const AudioLibrary&) = delete;
    AudioLibrary& operator=(const AudioLibrary&) = delete;

private:
    bool started_ = false;
};

const AudioLibrary library;

}  // namespace

}  // namespace cli
