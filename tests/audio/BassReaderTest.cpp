// The audio-library reader on CD tracks read from a disc image, and on WAV files.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio/BassReader.h"
#include "audio/DwvwAifcReader.h"
#include "audio/WavFileWriter.h"
#include "audio/bass/CdSectorSource.h"
#include "audio/bass/bass.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

constexpr size_t kSector = 2352;

void putLe(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::string cdaRecord(uint16_t track, uint32_t firstSector, uint32_t sectors) {
    std::string r = "RIFF";
    putLe(r, 36, 4);
    r += "CDDAfmt ";
    putLe(r, 24, 4);
    putLe(r, 1, 2);
    putLe(r, track, 2);
    putLe(r, 0x12345678, 4);
    putLe(r, firstSector, 4);
    putLe(r, sectors, 4);
    putLe(r, 0, 4);
    putLe(r, 0, 4);
    return r;
}

std::string wavFile(int formatTag, int channels, uint32_t rate, int bits, const std::string& data,
                    uint32_t declaredData = 0) {
    std::string w = "RIFF";
    putLe(w, static_cast<uint32_t>(36 + data.size()), 4);
    w += "WAVEfmt ";
    putLe(w, 16, 4);
    putLe(w, static_cast<uint32_t>(formatTag), 2);
    putLe(w, static_cast<uint32_t>(channels), 2);
    putLe(w, rate, 4);
    putLe(w, rate * static_cast<uint32_t>(channels * bits / 8), 4);
    putLe(w, static_cast<uint32_t>(channels * bits / 8), 2);
    putLe(w, static_cast<uint32_t>(bits), 2);
    w += "data";
    putLe(w, declaredData != 0 ? declaredData : static_cast<uint32_t>(data.size()), 4);
    return w + data;
}

std::string pattern(size_t bytes, uint32_t seed) {
    std::string s(bytes, '\0');
    uint32_t x = seed;
    for (char& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return s;
}

std::string readAll(BassReader& reader, std::vector<size_t>* sizes = nullptr,
                    std::vector<uint64_t>* positions = nullptr) {
    std::string out;
    char buffer[4608];
    for (;;) {
        const size_t n = reader.read(buffer, sizeof buffer);
        if (sizes) sizes->push_back(n);
        if (n == 0) break;
        out.append(buffer, n);
        if (positions) positions->push_back(reader.position());
    }
    return out;
}

class BassReaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(startAudioLibrary(binFolder()), BassStartResult::Started); }
    static void TearDownTestSuite() { stopAudioLibrary(); }

    // A disc of two tracks (150 and 235 sectors) and its track files.
    void makeDisc() {
        image_ = pattern(385 * kSector, 99);
        ASSERT_TRUE(writeFile(dir_.file("disc.img"), image_));
        std::filesystem::create_directories(dir_.path() / "cd");
        ASSERT_TRUE(writeFile(dir_.file("cd/Track01.cda"), cdaRecord(1, 0, 150)));
        ASSERT_TRUE(writeFile(dir_.file("cd/Track02.cda"), cdaRecord(2, 150, 235)));
        bass_cd::installDiscImage(u8(dir_.path() / "cd"), dir_.file("disc.img"));
    }
    void TearDown() override { bass_cd::removeDiscImage(u8(dir_.path() / "cd")); }
    std::string track(const char* name) const { return u8(dir_.path() / "cd" / name); }

    TempDir dir_;
    std::string image_;
};

TEST_F(BassReaderTest, CdTracksReportTheirFactsAndTheImageBytes) {
    makeDisc();
    struct Case {
        const char* file;
        uint32_t first;
        uint32_t sectors;
        int seconds;
    };
    for (const Case c : {Case{"Track01.cda", 0, 150, 2}, Case{"Track02.cda", 150, 235, 3}}) {
        SCOPED_TRACE(c.file);
        BassReader reader;
        ASSERT_EQ(reader.open(track(c.file)), 1);
        EXPECT_EQ(reader.size(), uint64_t{c.sectors} * kSector);
        EXPECT_EQ(reader.duration(), c.seconds);
        EXPECT_EQ(reader.sampleRate(), 44100);
        EXPECT_EQ(reader.channelCount(), 2);
        EXPECT_EQ(reader.outputChannelCount(), 2);
        EXPECT_EQ(reader.bitsPerSample(), 16);
        EXPECT_EQ(reader.bitRate(), 1411) << "a track is no file: the PCM rate stands in";
        EXPECT_EQ(reader.position(), 0u);
        std::vector<size_t> sizes;
        std::vector<uint64_t> positions;
        const std::string pcm = readAll(reader, &sizes, &positions);
        EXPECT_TRUE(pcm == image_.substr(size_t{c.first} * kSector, size_t{c.sectors} * kSector));
        const size_t total = size_t{c.sectors} * kSector;
        ASSERT_EQ(sizes.size(), (total + 4607) / 4608 + 1);
        for (size_t i = 0; i + 2 < sizes.size(); ++i) EXPECT_EQ(sizes[i], 4608u);
        EXPECT_EQ(sizes[sizes.size() - 2], total % 4608 == 0 ? 4608 : total % 4608);
        EXPECT_EQ(sizes.back(), 0u);
        for (size_t i = 0; i < positions.size(); ++i)
            EXPECT_EQ(positions[i], std::min((i + 1) * 4608, total));
        EXPECT_EQ(reader.read(nullptr, 4608), 0u) << "stays at the end";
        reader.close();
        EXPECT_EQ(reader.position(), 0u);
        EXPECT_EQ(reader.duration(), 0);
    }
}

TEST_F(BassReaderTest, CdTrackEdgeCases) {
    makeDisc();
    ASSERT_TRUE(writeFile(dir_.file("cd/Track03.cda"), cdaRecord(3, 385, 0)));    // empty track
    ASSERT_TRUE(writeFile(dir_.file("cd/Track04.cda"), cdaRecord(4, 380, 100)));  // runs off the disc
    ASSERT_TRUE(writeFile(dir_.file("cd/Track05.cda"), cdaRecord(5, 9000, 10)));  // beyond the disc
    ASSERT_TRUE(writeFile(dir_.file("cd/Short.cda"), cdaRecord(6, 0, 10).substr(0, 40)));
    ASSERT_TRUE(writeFile(dir_.file("copied.cda"), cdaRecord(1, 0, 150)));  // not on the disc

    BassReader reader;
    ASSERT_EQ(reader.open(track("Track03.cda")), 1);
    EXPECT_EQ(reader.duration(), 0);
    EXPECT_EQ(reader.bitRate(), 1411);
    char buffer[4608];
    EXPECT_EQ(reader.read(buffer, sizeof buffer), 0u);

    // Reading stops quietly where the disc's sectors end.
    ASSERT_EQ(reader.open(track("Track04.cda")), 1);
    EXPECT_TRUE(readAll(reader) == image_.substr(380 * kSector));

    for (const char* refused : {"Track05.cda", "Short.cda"}) {
        EXPECT_EQ(reader.open(track(refused)), 0) << refused;
        EXPECT_EQ(reader.read(buffer, sizeof buffer), 0u);
        EXPECT_EQ(reader.duration(), 0);
    }
    EXPECT_EQ(reader.open(dir_.file("copied.cda")), 0) << "a track file away from its disc";
}

TEST_F(BassReaderTest, CdTracksNeedThePlugin) {
    makeDisc();
    BassReader reader;
    ASSERT_EQ(reader.open(track("Track01.cda")), 1);
    ASSERT_TRUE(BASS_PluginFree(0));
    char buffer[4608];
    EXPECT_EQ(reader.read(buffer, sizeof buffer), 0u) << "the plug-in's streams went with it";
    EXPECT_EQ(reader.open(track("Track01.cda")), 0);
    EXPECT_EQ(BASS_PluginLoad("other.dll", 0), 0u);
    const std::string plugin = binFolder() + "BassCD.DLL";
    EXPECT_NE(BASS_PluginLoad(plugin.c_str(), 0), 0u);
    EXPECT_EQ(BASS_PluginLoad(plugin.c_str(), 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    EXPECT_EQ(reader.open(track("Track01.cda")), 1);
}

TEST_F(BassReaderTest, PcmWavFiles) {
    struct Case {
        const char* name;
        int channels;
        uint32_t rate;
        int bits;
        size_t frames;
        int seconds;
    };
    const Case cases[] = {{"mono16", 1, 8000, 16, 8000, 1},
                          {"stereo16", 2, 44100, 16, 44100 * 2 + 100, 2},
                          {"stereo24", 2, 48000, 24, 48000, 1},
                          {"mono32", 1, 22050, 32, 30000, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t width = static_cast<size_t>(c.bits / 8);
        const std::string data = pattern(c.frames * static_cast<size_t>(c.channels) * width, 5);
        const std::string bytes = wavFile(1, c.channels, c.rate, c.bits, data);
        const std::string path = dir_.file(std::string(c.name) + ".wav");
        ASSERT_TRUE(writeFile(path, bytes));
        BassReader reader;
        ASSERT_EQ(reader.open(path), 1);
        const double seconds = static_cast<double>(c.frames) / c.rate;
        EXPECT_EQ(reader.duration(), c.seconds);
        EXPECT_EQ(reader.size(), c.frames * static_cast<size_t>(c.channels) * 2);
        EXPECT_EQ(reader.sampleRate(), static_cast<int>(c.rate));
        EXPECT_EQ(reader.channelCount(), c.channels);
        EXPECT_EQ(reader.bitRate(),
                  static_cast<int>(static_cast<double>(bytes.size()) / (seconds * 125.0) + 0.5));
        std::string expected;
        for (size_t at = 0; at < data.size(); at += width) expected += data.substr(at + width - 2, 2);
        EXPECT_TRUE(readAll(reader) == expected) << "the top 16 bits of each sample";
    }
}

TEST_F(BassReaderTest, RefusedSources) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::string twoBytes = pattern(4000, 1);
    const Case cases[] = {
        {"empty.wav", ""},
        {"eightbit.wav", wavFile(1, 1, 8000, 8, twoBytes)},
        {"float.wav", wavFile(3, 2, 44100, 32, twoBytes)},
        {"threech.wav", wavFile(1, 3, 44100, 16, pattern(6000, 2))},
        {"adpcm.wav", wavFile(2, 1, 8000, 4, twoBytes)},
        {"text.wav", "just some text, not audio at all"},
        {"riffonly.wav", "RIFF\x04\x00\x00\x00WAVE"},
        {"module.xm", "Extended Module: a tracker module"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir_.file(c.name);
        ASSERT_TRUE(writeFile(path, c.bytes));
        BassReader reader;
        EXPECT_EQ(reader.open(path), 0);
        EXPECT_EQ(reader.position(), 0u);
        EXPECT_EQ(reader.sampleRate(), 0);
        char buffer[64];
        EXPECT_EQ(reader.read(buffer, sizeof buffer), 0u);
    }
    BassReader reader;
    EXPECT_EQ(reader.open(dir_.file("missing.wav")), 0);
}

TEST_F(BassReaderTest, ZeroLengthAndTruncatedWav) {
    const std::string path = dir_.file("empty-data.wav");
    ASSERT_TRUE(writeFile(path, wavFile(1, 2, 44100, 16, "")));
    BassReader reader;
    ASSERT_EQ(reader.open(path), 1);
    EXPECT_EQ(reader.duration(), 0);
    EXPECT_EQ(reader.bitRate(), 1411) << "no seconds: the PCM rate stands in";

    // A data chunk that claims more than the file holds delivers what is there.
    const std::string data = pattern(1001 * 4, 3);
    ASSERT_TRUE(writeFile(path, wavFile(1, 2, 44100, 16, data, 1000000)));
    ASSERT_EQ(reader.open(path), 1);
    EXPECT_EQ(reader.size(), data.size());
    EXPECT_TRUE(readAll(reader) == data);
}

// Paths beyond ASCII reach the file system intact (wide paths on Windows).
TEST_F(BassReaderTest, NonAsciiPaths) {
    const std::string folder =
        u8(dir_.path()) + "/\xD0\x9C\xD1\x83\xD0\xB7\xD1\x8B\xD0\xBA\xD0\xB0 \xE9\x9F\xB3\xE6\xA5\xBD";
    std::filesystem::create_directories(fromU8(folder));
    const std::string wav = folder + "/\xEC\x9D\x8C\xEC\x95\x85.wav";
    const std::string pcm = pattern(8000, 9);
    {
        WavFileWriter w;
        ASSERT_TRUE(w.open(wav, true, 16, 22050));
        w.write(pcm.data(), pcm.size());
    }
    BassReader reader;
    ASSERT_EQ(reader.open(wav), 1);
    EXPECT_EQ(reader.sampleRate(), 22050);
    EXPECT_TRUE(readAll(reader) == pcm);

    ASSERT_TRUE(writeFile(folder + "/Track01.cda", cdaRecord(1, 0, 3)));
    ASSERT_TRUE(writeFile(folder + "/disc.img", pattern(3 * kSector, 8)));
    bass_cd::installDiscImage(folder, folder + "/disc.img");
    ASSERT_EQ(reader.open(folder + "/Track01.cda"), 1);
    EXPECT_TRUE(readAll(reader) == readFile(folder + "/disc.img"));
    bass_cd::removeDiscImage(folder);

    DwvwAifcReader dwvw;
    EXPECT_EQ(dwvw.open(wav), 0) << "opened, read and refused: not an AIFC";
    std::string aifc = "FORM";
    aifc += std::string("\0\0\0\x44", 4) + "AIFCCOMM" +
            std::string("\0\0\0\x18\0\x01\0\0\0\x02\0\x10\x40\x0e\xac\x44", 16) + std::string(6, '\0') +
            "DWVW" + std::string(2, '\0') + "SSND" + std::string("\0\0\0\x09", 4) + std::string(8, '\0') +
            "\x80";
    ASSERT_TRUE(writeFile(folder + "/\xE6\x9B\xB2.aifc", aifc));
    ASSERT_EQ(dwvw.open(folder + "/\xE6\x9B\xB2.aifc"), 1);
    EXPECT_EQ(dwvw.sampleRate(), 44100);
    uint8_t out[4608];
    EXPECT_EQ(dwvw.read(out, sizeof out), 2u) << "one zero sample";
}

TEST(BassLibrary, CallsOutsideTheirStateFail) {
    EXPECT_EQ(BASS_GetVersion() >> 16, 0x0204u);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, "x.wav", 0, 0, BASS_STREAM_DECODE), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_FALSE(BASS_Free());
    EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr, nullptr)) << "only the no-sound device exists";
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    EXPECT_FALSE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    EXPECT_FALSE(BASS_StreamFree(12345));
    EXPECT_EQ(BASS_ChannelGetData(12345, nullptr, 10), 0xFFFFFFFFu);
    EXPECT_EQ(BASS_ChannelGetLength(12345, BASS_POS_BYTE), ~QWORD{0});
    EXPECT_LT(BASS_ChannelBytes2Seconds(12345, 100), 0.0);
    BASS_CHANNELINFO info{};
    EXPECT_FALSE(BASS_ChannelGetInfo(12345, &info));
    EXPECT_TRUE(BASS_SetConfig(BASS_CONFIG_UPDATEPERIOD, 0));
    EXPECT_FALSE(BASS_SetConfig(999, 0));

    TempDir dir;
    const std::string path = dir.file("a.wav");
    ASSERT_TRUE(writeFile(path, wavFile(1, 1, 8000, 16, pattern(1600, 4))));
#ifdef _WIN32
    const std::wstring wide = fromU8(path).wstring();
    const HSTREAM h = BASS_StreamCreateFile(FALSE, wide.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_UNICODE);
#else
    const HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_UNICODE);
#endif
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.freq, 8000u);
    EXPECT_EQ(info.chans, 1u);
    EXPECT_EQ(info.ctype, static_cast<DWORD>(BASS_CTYPE_STREAM_WAV_PCM));
    EXPECT_EQ(BASS_StreamGetFilePosition(h, BASS_FILEPOS_END), 1644u);
    EXPECT_EQ(BASS_MusicLoad(FALSE, path.c_str(), 0, 0, BASS_MUSIC_DECODE, 0), 0u);
    EXPECT_TRUE(BASS_Free());
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), ~QWORD{0}) << "freeing the library frees its streams";
}

}  // namespace
