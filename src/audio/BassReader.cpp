#include "audio/BassReader.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <string>

#include "audio/BinaryFile.h"
#include "audio/bass/bass.h"
#include "platform/Files.h"

namespace {

// The library takes wide paths on Windows (with BASS_UNICODE) and UTF-8 elsewhere.
#ifdef _WIN32
using LibraryPath = std::wstring;
LibraryPath libraryPath(const std::string& utf8) { return platform::nativePath(utf8).wstring(); }
#else
using LibraryPath = std::string;
LibraryPath libraryPath(const std::string& utf8) { return utf8; }
#endif

constexpr const char* kPlugins[] = {"basscd.dll"};

}  // namespace

BassReader::~BassReader() { BassReader::close(); }

void BassReader::close() {
    if (handle_ != 0) {
        if (isModule_)
            BASS_MusicFree(handle_);
        else
            BASS_StreamFree(handle_);
    }
    handle_ = 0;
    isModule_ = false;
    resetFields();
}

namespace {

// A header may claim any rate or length: a figure beyond an int is kept at the int's end, never
// converted out of range.
int wholeNumber(double value) {
    if (!(value > 0)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

}  // namespace

int BassReader::open(const std::string& path) {
    close();
    const LibraryPath p = libraryPath(path);
    handle_ = BASS_StreamCreateFile(FALSE, p.c_str(), 0, 0, BASS_UNICODE | BASS_STREAM_DECODE);
    if (handle_ == 0) {
        handle_ = BASS_MusicLoad(FALSE, p.c_str(), 0, 0,
                                 BASS_UNICODE | BASS_MUSIC_DECODE | BASS_MUSIC_PRESCAN | BASS_MUSIC_RAMP, 0);
        if (handle_ == 0) return 0;
        isModule_ = true;
    }
    size_ = BASS_ChannelGetLength(handle_, BASS_POS_BYTE);
    durationSeconds_ = wholeNumber(BASS_ChannelBytes2Seconds(handle_, size_));

    BASS_CHANNELINFO info{};
    BASS_ChannelGetInfo(handle_, &info);
    if (info.chans > 2 || (info.flags & (BASS_SAMPLE_8BITS | BASS_SAMPLE_FLOAT)) != 0) {
        close();
        return 0;
    }
    channels_ = outputChannels_ = static_cast<int>(info.chans);
    sampleRate_ = wholeNumber(info.freq);
    bitsPerSample_ = 16;
    bytesPerSample_ = 2;

    const double seconds = BASS_ChannelBytes2Seconds(handle_, size_);
    const QWORD fileBytes = BASS_StreamGetFilePosition(handle_, BASS_FILEPOS_END);
    if (seconds > 0 && fileBytes != ~QWORD{0})
        bitRateKbps_ = wholeNumber(static_cast<double>(fileBytes) / (seconds * 125.0) + 0.5);
    else
        bitRateKbps_ = wholeNumber(static_cast<double>(info.freq) * info.chans * 16.0 / 1000.0);
    return 1;
}

size_t BassReader::read(void* buffer, size_t maxBytes) {
    if (handle_ == 0) return 0;
    const auto length = static_cast<DWORD>(std::min<size_t>(maxBytes, 0x0FFFFFFF));
    const DWORD n = BASS_ChannelGetData(handle_, buffer, length);
    return n == 0xFFFFFFFFu ? 0 : static_cast<size_t>(n);
}

uint64_t BassReader::position() const {
    if (handle_ == 0) return 0;
    return BASS_ChannelGetPosition(handle_, BASS_POS_BYTE);
}

BassStartResult startAudioLibrary(const std::string& programFolder) {
    if ((BASS_GetVersion() >> 16) != BASSVERSION) return BassStartResult::WrongVersion;
    BASS_SetConfig(BASS_CONFIG_UPDATEPERIOD, 0);
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) return BassStartResult::InitFailed;
    for (const char* name : kPlugins) {
        const LibraryPath p = libraryPath(programFolder + name);
        BASS_PluginLoad(reinterpret_cast<const char*>(p.c_str()), BASS_UNICODE);
    }
    return BassStartResult::Started;
}

void stopAudioLibrary() {
    BASS_Free();
    BASS_PluginFree(0);
}
