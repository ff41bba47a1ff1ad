// The program's own implementation of the audio library calls it makes. It only decodes: PCM WAV files
// as streams, and CD track files through the CD plug-in once that is loaded. Tracker modules are not
// supported (BASS_MusicLoad refuses every file).
#include "audio/bass/bass.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/BinaryFile.h"
#include "audio/bass/CdSectorSource.h"
#include "platform/Bytes.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace {

constexpr DWORD kVersion = 0x02041100;  // 2.4.17.0
constexpr HPLUGIN kCdPluginHandle = 0x4344;
constexpr QWORD kErrorQword = ~QWORD{0};
constexpr DWORD kErrorDword = 0xFFFFFFFFu;

thread_local int lastError = BASS_OK;

template <typename T>
T fail(int code, T result) {
    lastError = code;
    return result;
}

using platform::readLe16;
using platform::readLe32;

// A decoding channel: fixed format, PCM delivered by byte count from a byte position.
class Channel {
public:
    virtual ~Channel() = default;
    // Up to count bytes (a whole number of frames); the byte count, or -1 when nothing more comes.
    virtual int64_t read(uint8_t* out, size_t count) = 0;
    virtual QWORD filePosition(DWORD mode) = 0;

    DWORD freq = 0;
    DWORD chans = 0;
    DWORD flags = 0;
    DWORD ctype = 0;
    DWORD origres = 0;
    HPLUGIN plugin = 0;
    DWORD bytesPerSample = 2;  // of the delivered PCM
    QWORD length = 0;          // decoded bytes
    QWORD position = 0;
    std::vector<char> filename;  // the path as the caller gave it, for BASS_CHANNELINFO

    DWORD frameBytes() const { return chans * bytesPerSample; }
};

// A RIFF WAVE file of integer PCM (8 to 32 bits) or 32-bit float. 24- and 32-bit integers are delivered
// as 16 bits, as the library does without the float flag.
class WavChannel : public Channel {
public:
    bool open(audio::InputFile& file, QWORD base, QWORD size) {
        file_ = &file;
        uint64_t at = base + 12;
        const uint64_t end = base + size;
        bool haveFormat = false;
        while (at + 8 <= end) {
            uint8_t h[8];
            if (!file.seek(at) || file.read(h, 8) != 8) return false;
            const uint32_t chunkSize = readLe32(h + 4);
            const uint64_t body = at + 8;
            if (std::memcmp(h, "fmt ", 4) == 0) {
                if (chunkSize < 16 || chunkSize > 256) return false;
                uint8_t f[256];
                if (file.read(f, chunkSize) != chunkSize) return false;
                uint16_t tag = readLe16(f);
                if (tag == 0xFFFE) {  // extensible: the sub-format's first two bytes give the tag
                    if (chunkSize < 40) return false;
                    tag = readLe16(f + 24);
                }
                chans = readLe16(f + 2);
                freq = readLe32(f + 4);
                sourceBits_ = readLe16(f + 14);
                if (chans == 0 || freq == 0 || (tag != 1 && tag != 3)) return false;
                if (tag == 3 && sourceBits_ != 32) return false;
                if (tag == 1 && sourceBits_ != 8 && sourceBits_ != 16 && sourceBits_ != 24 &&
                    sourceBits_ != 32)
                    return false;
                isFloat_ = tag == 3;
                haveFormat = true;
            } else if (std::memcmp(h, "data", 4) == 0) {
                if (!haveFormat) return false;
                dataStart_ = body;
                const uint64_t available = end > body ? end - body : 0;
                const uint64_t sourceFrame = uint64_t{chans} * (sourceBits_ / 8u);
                dataBytes_ = std::min<uint64_t>(chunkSize, available) / sourceFrame * sourceFrame;
                break;
            }
            at = body + chunkSize + (chunkSize & 1u);
        }
        if (!haveFormat || dataStart_ == 0) return false;
        fileSize_ = size;
        origres = sourceBits_;
        if (isFloat_) {
            flags = BASS_SAMPLE_FLOAT;
            bytesPerSample = 4;
            ctype = BASS_CTYPE_STREAM_WAV_FLOAT;
        } else {
            flags = sourceBits_ == 8 ? BASS_SAMPLE_8BITS : 0;
            bytesPerSample = sourceBits_ == 8 ? 1 : 2;
            ctype = BASS_CTYPE_STREAM_WAV_PCM;
        }
        const uint64_t frames = dataBytes_ / (uint64_t{chans} * (sourceBits_ / 8u));
        length = frames * frameBytes();
        return file.seek(dataStart_);
    }

    int64_t read(uint8_t* out, size_t count) override {
        const size_t sourceSample = sourceBits_ / 8u;
        const size_t frames = count / frameBytes();
        const uint64_t framesLeft = (length - position) / frameBytes();
        const size_t want = static_cast<size_t>(std::min<uint64_t>(frames, framesLeft));
        if (want == 0) return framesLeft == 0 ? -1 : 0;
        const size_t sourceBytes = want * chans * sourceSample;
        size_t got = 0;
        if (sourceSample == bytesPerSample) {
            got = file_->read(out, sourceBytes);
        } else {
            // Wider integers: keep their top 16 bits.
            buffer_.resize(sourceBytes);
            got = file_->read(buffer_.data(), sourceBytes);
            const size_t samples = got / sourceSample;
            for (size_t i = 0; i < samples; ++i) {
                const uint8_t* s = buffer_.data() + i * sourceSample + (sourceSample - 2);
                out[2 * i] = s[0];
                out[2 * i + 1] = s[1];
            }
        }
        const size_t wholeFrames = got / (chans * sourceSample);
        const size_t delivered = wholeFrames * frameBytes();
        position += delivered;
        if (got < sourceBytes) length = position;  // the file ended early: nothing more will come
        if (delivered == 0) return -1;
        consumed_ += wholeFrames * chans * sourceSample;
        return static_cast<int64_t>(delivered);
    }

    QWORD filePosition(DWORD mode) override {
        switch (mode) {
            case BASS_FILEPOS_CURRENT:
                return dataStart_ + consumed_;
            case BASS_FILEPOS_DOWNLOAD:
            case BASS_FILEPOS_END:
                return fileSize_;
            case BASS_FILEPOS_START:
                return dataStart_;
            default:
                return fail(BASS_ERROR_NOTAVAIL, kErrorQword);
        }
    }

private:
    audio::InputFile* file_ = nullptr;
    uint32_t sourceBits_ = 0;
    bool isFloat_ = false;
    uint64_t dataStart_ = 0;
    uint64_t dataBytes_ = 0;
    uint64_t consumed_ = 0;
    uint64_t fileSize_ = 0;
    std::vector<uint8_t> buffer_;
};

class FileWavChannel : public WavChannel {
public:
    audio::InputFile file;
};

// A CD track: raw sectors are the 16-bit stereo 44100 Hz PCM itself.
class CdChannel : public Channel {
public:
    CdChannel(std::unique_ptr<bass_cd::SectorSource> source, const bass_cd::CdaTrack& track)
        : source_(std::move(source)), track_(track) {
        freq = 44100;
        chans = 2;
        ctype = BASS_CTYPE_STREAM_CD;
        origres = 16;
        plugin = kCdPluginHandle;
        length = QWORD{track.sectorCount} * bass_cd::kRawSectorBytes;
    }

    int64_t read(uint8_t* out, size_t count) override {
        count = static_cast<size_t>(std::min<QWORD>(count / frameBytes() * frameBytes(), length - position));
        if (position >= length) return -1;
        size_t done = 0;
        while (done < count) {
            const QWORD sector = position / bass_cd::kRawSectorBytes;
            if (sector < cacheFirst_ || sector >= cacheFirst_ + cacheCount_) {
                const QWORD left = QWORD{track_.sectorCount} - sector;
                uint32_t n = static_cast<uint32_t>(std::min<QWORD>(kCacheSectors, left));
                const uint32_t lba = track_.firstSector + static_cast<uint32_t>(sector);
                cache_.resize(size_t{n} * bass_cd::kRawSectorBytes);
                bool ok = source_->readSectors(lba, n, cache_.data());
                if (!ok && n > 1) {
                    // One sector alone: everything up to a bad sector is still delivered.
                    n = 1;
                    cache_.resize(bass_cd::kRawSectorBytes);
                    ok = source_->readSectors(lba, 1, cache_.data());
                }
                if (!ok) {
                    // An unreadable sector ends the track here.
                    cacheCount_ = 0;
                    length = position;
                    lastError = BASS_ERROR_UNKNOWN;
                    break;
                }
                cacheFirst_ = sector;
                cacheCount_ = n;
            }
            const size_t offset = static_cast<size_t>(position - cacheFirst_ * bass_cd::kRawSectorBytes);
            const size_t n = std::min(count - done, cache_.size() - offset);
            std::memcpy(out + done, cache_.data() + offset, n);
            done += n;
            position += n;
        }
        return done == 0 ? -1 : static_cast<int64_t>(done);
    }

    // A CD track is not a file stream.
    QWORD filePosition(DWORD) override { return fail(BASS_ERROR_NOTFILE, kErrorQword); }

private:
    static constexpr uint32_t kCacheSectors = 16;
    std::unique_ptr<bass_cd::SectorSource> source_;
    bass_cd::CdaTrack track_;
    std::vector<uint8_t> cache_;
    QWORD cacheFirst_ = 0;
    QWORD cacheCount_ = 0;
};

struct Library {
    std::mutex mutex;
    bool initialized = false;
    bool cdPlugin = false;
    DWORD updatePeriod = 100;
    DWORD bufferLength = 500;
    DWORD nextHandle = 0x10001;
    std::map<DWORD, std::shared_ptr<Channel>> channels;
};
Library& library() {
    static Library lib;
    return lib;
}

std::shared_ptr<Channel> findChannel(DWORD handle) {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    const auto it = lib.channels.find(handle);
    return it == lib.channels.end() ? nullptr : it->second;
}

// The caller's path as UTF-8, and its raw bytes (with the terminator) for BASS_CHANNELINFO.
bool decodePath(const void* file, DWORD flags, std::string& utf8, std::vector<char>& raw) {
    if (file == nullptr) return false;
#ifdef _WIN32
    if (flags & BASS_UNICODE) {
        const auto* w = static_cast<const wchar_t*>(file);
        const std::wstring wide(w);
        utf8 = platform::utf8Path(std::filesystem::path(wide));
        const auto* bytes = reinterpret_cast<const char*>(w);
        raw.assign(bytes, bytes + (wide.size() + 1) * sizeof(wchar_t));
        return true;
    }
#else
    (void)flags;
#endif
    utf8 = static_cast<const char*>(file);
    raw.assign(utf8.begin(), utf8.end());
    raw.push_back('\0');
    return true;
}

DWORD addChannel(std::shared_ptr<Channel> channel) {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    DWORD handle = lib.nextHandle++;
    if (lib.nextHandle == 0) lib.nextHandle = 0x10001;
    lib.channels[handle] = std::move(channel);
    lastError = BASS_OK;
    return handle;
}

bool isInitialized() {
    std::lock_guard lock(library().mutex);
    return library().initialized;
}

}  // namespace

DWORD BASS_GetVersion() { return kVersion; }

int BASS_ErrorGetCode() { return lastError; }

BOOL BASS_SetConfig(DWORD option, DWORD value) {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    switch (option) {
        case BASS_CONFIG_UPDATEPERIOD:
            lib.updatePeriod = value;  // there is no update thread to start or stop
            break;
        case BASS_CONFIG_BUFFER:
            lib.bufferLength = value;
            break;
        default:
            return fail(BASS_ERROR_ILLTYPE, FALSE);
    }
    lastError = BASS_OK;
    return TRUE;
}

BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* dsguid) {
    (void)freq;
    (void)flags;
    (void)win;
    (void)dsguid;
    if (device != 0) return fail(BASS_ERROR_DEVICE, FALSE);  // only the no-sound device exists
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    if (lib.initialized) return fail(BASS_ERROR_ALREADY, FALSE);
    lib.initialized = true;
    lastError = BASS_OK;
    return TRUE;
}

BOOL BASS_Free() {
    Library& lib = library();
    std::map<DWORD, std::shared_ptr<Channel>> released;
    {
        std::lock_guard lock(lib.mutex);
        if (!lib.initialized) return fail(BASS_ERROR_INIT, FALSE);
        lib.initialized = false;
        released.swap(lib.channels);
    }
    lastError = BASS_OK;
    return TRUE;
}

HPLUGIN BASS_PluginLoad(const char* file, DWORD flags) {
    std::string path;
    std::vector<char> raw;
    if (!decodePath(file, flags, path, raw)) return fail(BASS_ERROR_FILEOPEN, HPLUGIN{0});
    const size_t cut = path.find_last_of("/\\");
    const std::string name = platform::toLowerAscii(cut == std::string::npos ? path : path.substr(cut + 1));
    // The one plug-in is built in: loading it by name switches it on.
    if (name != "basscd.dll" && name != "libbasscd.so") return fail(BASS_ERROR_FILEOPEN, HPLUGIN{0});
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    if (lib.cdPlugin) return fail(BASS_ERROR_ALREADY, HPLUGIN{0});
    lib.cdPlugin = true;
    lastError = BASS_OK;
    return kCdPluginHandle;
}

BOOL BASS_PluginFree(HPLUGIN handle) {
    Library& lib = library();
    std::vector<std::shared_ptr<Channel>> released;
    std::lock_guard lock(lib.mutex);
    if (handle != 0 && handle != kCdPluginHandle) return fail(BASS_ERROR_HANDLE, FALSE);
    if (handle == kCdPluginHandle && !lib.cdPlugin) return fail(BASS_ERROR_HANDLE, FALSE);
    lib.cdPlugin = false;
    // Streams of a freed plug-in go with it.
    for (auto it = lib.channels.begin(); it != lib.channels.end();) {
        if (it->second->plugin == kCdPluginHandle) {
            released.push_back(it->second);
            it = lib.channels.erase(it);
        } else {
            ++it;
        }
    }
    lastError = BASS_OK;
    return TRUE;
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
    if (!isInitialized()) return fail(BASS_ERROR_INIT, HSTREAM{0});
    if (mem) return fail(BASS_ERROR_NOTAVAIL, HSTREAM{0});
    if (!(flags & BASS_STREAM_DECODE)) return fail(BASS_ERROR_NOTAVAIL, HSTREAM{0});  // nothing can play
    if (flags & (BASS_SAMPLE_8BITS | BASS_SAMPLE_FLOAT | BASS_SAMPLE_MONO))
        return fail(BASS_ERROR_NOTAVAIL, HSTREAM{0});
    std::string path;
    std::vector<char> raw;
    if (!decodePath(file, flags, path, raw)) return fail(BASS_ERROR_FILEOPEN, HSTREAM{0});

    auto channel = std::make_shared<FileWavChannel>();
    if (!channel->file.open(path)) return fail(BASS_ERROR_FILEOPEN, HSTREAM{0});
    const QWORD fileSize = channel->file.size();
    if (offset > fileSize) return fail(BASS_ERROR_FILEFORM, HSTREAM{0});
    const QWORD size = length == 0 ? fileSize - offset : std::min(length, fileSize - offset);
    uint8_t head[bass_cd::kCdaRecordSize];
    const size_t got = channel->file.seek(offset) ? channel->file.read(head, sizeof head) : 0;
    if (got < 12 || std::memcmp(head, "RIFF", 4) != 0) return fail(BASS_ERROR_FILEFORM, HSTREAM{0});

    if (std::memcmp(head + 8, "CDDA", 4) == 0) {
        bool plugin = false;
        {
            std::lock_guard lock(library().mutex);
            plugin = library().cdPlugin;
        }
        if (!plugin) return fail(BASS_ERROR_FILEFORM, HSTREAM{0});
        const auto track = bass_cd::parseCdaRecord(head, std::min<size_t>(got, static_cast<size_t>(size)));
        if (!track) return fail(BASS_ERROR_FILEFORM, HSTREAM{0});
        auto source = bass_cd::openSectorSource(path);
        if (!source) return fail(BASS_ERROR_NOCD, HSTREAM{0});
        std::vector<uint8_t> probe(bass_cd::kRawSectorBytes);
        if (track->sectorCount != 0 && !source->readSectors(track->firstSector, 1, probe.data()))
            return fail(BASS_ERROR_CDTRACK, HSTREAM{0});
        auto cd = std::make_shared<CdChannel>(std::move(source), *track);
        cd->flags = BASS_STREAM_DECODE;
        cd->filename = std::move(raw);
        return addChannel(std::move(cd));
    }
    if (std::memcmp(head + 8, "WAVE", 4) != 0 || !channel->open(channel->file, offset, size))
        return fail(BASS_ERROR_FILEFORM, HSTREAM{0});
    channel->flags |= BASS_STREAM_DECODE;
    channel->filename = std::move(raw);
    return addChannel(std::move(channel));
}

BOOL BASS_StreamFree(HSTREAM handle) {
    std::shared_ptr<Channel> released;
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    const auto it = lib.channels.find(handle);
    if (it == lib.channels.end()) return fail(BASS_ERROR_HANDLE, FALSE);
    released = it->second;
    lib.channels.erase(it);
    lastError = BASS_OK;
    return TRUE;
}

QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode) {
    const auto channel = findChannel(handle);
    if (!channel) return fail(BASS_ERROR_HANDLE, kErrorQword);
    lastError = BASS_OK;
    return channel->filePosition(mode);
}

HMUSIC BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags, DWORD freq) {
    (void)offset;
    (void)length;
    (void)freq;
    if (!isInitialized()) return fail(BASS_ERROR_INIT, HMUSIC{0});
    if (mem) return fail(BASS_ERROR_NOTAVAIL, HMUSIC{0});
    std::string path;
    std::vector<char> raw;
    if (!decodePath(file, flags, path, raw)) return fail(BASS_ERROR_FILEOPEN, HMUSIC{0});
    audio::InputFile in;
    if (!in.open(path)) return fail(BASS_ERROR_FILEOPEN, HMUSIC{0});
    return fail(BASS_ERROR_FILEFORM, HMUSIC{0});  // no module formats are supported
}

BOOL BASS_MusicFree(HMUSIC) { return fail(BASS_ERROR_HANDLE, FALSE); }

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode) {
    const auto channel = findChannel(handle);
    if (!channel) return fail(BASS_ERROR_HANDLE, kErrorQword);
    if (mode != BASS_POS_BYTE) return fail(BASS_ERROR_NOTAVAIL, kErrorQword);
    lastError = BASS_OK;
    return channel->length;
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    const auto channel = findChannel(handle);
    if (!channel) return fail(BASS_ERROR_HANDLE, -1.0);
    lastError = BASS_OK;
    return static_cast<double>(pos) / (static_cast<double>(channel->freq) * channel->frameBytes());
}

BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) {
    const auto channel = findChannel(handle);
    if (!channel) return fail(BASS_ERROR_HANDLE, FALSE);
    if (info == nullptr) return fail(BASS_ERROR_ILLPARAM, FALSE);
    info->freq = channel->freq;
    info->chans = channel->chans;
    info->flags = channel->flags;
    info->ctype = channel->ctype;
    info->origres = channel->origres;
    info->plugin = channel->plugin;
    info->sample = 0;
    info->filename = channel->filename.data();
    lastError = BASS_OK;
    return TRUE;
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
    const auto channel = findChannel(handle);
    if (!channel) return fail(BASS_ERROR_HANDLE, kErrorDword);
    // Only plain byte counts: no FFT, float conversion or peeking.
    if (length & 0xF0000000u) return fail(BASS_ERROR_NOTAVAIL, kErrorDword);
    if (buffer == nullptr && length != 0) return fail(BASS_ERROR_ILLPARAM, kErrorDword);
    if (channel->position >= channel->length) return fail(BASS_ERROR_ENDED, kErrorDword);
    lastError = BASS_OK;
    if (length == 0) return 0;
    const int64_t n = channel->read(static_cast<uint8_t*>(buffer), length);
    if (n < 0) return fail(lastError != BASS_OK ? lastError : BASS_ERROR_ENDED, kErrorDword);
    lastError = BASS_OK;
    return static_cast<DWORD>(n);
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
    const auto channel = findChannel(handle);
    if (!channel) return fail(BASS_ERROR_HANDLE, kErrorQword);
    if (mode != BASS_POS_BYTE) return fail(BASS_ERROR_NOTAVAIL, kErrorQword);
    lastError = BASS_OK;
    return channel->position;
}
