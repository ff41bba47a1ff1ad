// Decoding speed of the program's own readers, in times real time: DWVW against sndfile-convert on the
// same 10-minute file, CD tracks from a disc image, and the resident memory while decoding a one-hour
// DWVW file (it should stay flat). Needs sndfile-convert (POSIX).
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/BassReader.h"
#include "audio/DwvwAifcReader.h"
#include "audio/WavFileWriter.h"
#include "audio/bass/CdSectorSource.h"
#include "platform/Process.h"

#ifndef _WIN32
#include <unistd.h>
#endif

#ifndef _WIN32
namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A mono 16-bit WAV of music-like content: two tones and some noise.
void writeSourceWav(const std::string& path, int seconds, uint32_t rate) {
    WavFileWriter w;
    w.open(path, false, 16, rate);
    std::vector<int16_t> block(rate);
    uint32_t noise = 1;
    for (int s = 0; s < seconds; ++s) {
        for (uint32_t i = 0; i < rate; ++i) {
            const double t = (static_cast<double>(s) * rate + i) / rate;
            noise = noise * 1664525u + 1013904223u;
            const double v = 9000 * std::sin(2 * 3.14159265 * 220 * t) +
                             5000 * std::sin(2 * 3.14159265 * 1375 * t) +
                             static_cast<double>(static_cast<int32_t>(noise) >> 20);
            block[i] = static_cast<int16_t>(v);
        }
        w.write(block.data(), block.size() * 2);
    }
    w.close();
}

bool run(const std::string& commandLine) {
    auto started = platform::startChildProcess(commandLine, "");
    if (!started.process) return false;
    char buf[4096];
    while (started.process->read(buf, sizeof buf) != 0) {
    }
    started.process->wait(600000);
    return true;
}

long residentKiB() {
#ifdef _WIN32
    return -1;
#else
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (f == nullptr) return -1;
    long pages = 0;
    long resident = 0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = -1;
    std::fclose(f);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
#endif
}

// Decodes a whole file through a reader, optionally into a WAV; the PCM bytes delivered.
uint64_t decode(AudioReader& reader, const std::string& wavPath, std::vector<long>* rssTrace = nullptr) {
    WavFileWriter w;
    if (!wavPath.empty())
        w.open(wavPath, reader.outputChannelCount() == 2, 16, static_cast<uint32_t>(reader.sampleRate()));
    std::vector<char> buffer(4608);
    uint64_t total = 0;
    uint64_t nextTrace = 0;
    const uint64_t traceStep = reader.size() / 6 + 1;
    for (;;) {
        const size_t n = reader.read(buffer.data(), buffer.size());
        if (n == 0) break;
        if (!wavPath.empty()) w.write(buffer.data(), n);
        total += n;
        if (rssTrace != nullptr && reader.position() >= nextTrace) {
            rssTrace->push_back(residentKiB());
            nextTrace += traceStep;
        }
    }
    if (rssTrace != nullptr) rssTrace->push_back(residentKiB());
    w.close();
    return total;
}

}  // namespace
#endif

int main() {
#ifdef _WIN32
    // The comparison needs sndfile-convert, which only the native build has.
    std::printf("readers_bench: needs sndfile-convert, run the native build\n");
    return 0;
#else
    const std::string sndfile = "/usr/bin/sndfile-convert";
    if (!std::filesystem::exists(sndfile)) {
        std::printf("readers_bench: sndfile-convert not found\n");
        return 1;
    }
    const auto dir =
        std::filesystem::temp_directory_path() / ("md-readers-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string d = dir.string() + "/";
    const uint32_t rate = 44100;

    // 10 minutes: our reader against sndfile-convert, both decoding to a 16-bit WAV.
    writeSourceWav(d + "ten.wav", 600, rate);
    run("\"" + sndfile + "\" -dwvw16 \"" + d + "ten.wav\" \"" + d + "ten.aifc\"");
    double best = 1e9;
    double bestNoWrite = 1e9;
    double bestSndfile = 1e9;
    for (int round = 0; round < 3; ++round) {
        DwvwAifcReader reader;
        auto start = Clock::now();
        reader.open(d + "ten.aifc");
        decode(reader, d + "ours.wav");
        best = std::min(best, secondsSince(start));
        start = Clock::now();
        reader.open(d + "ten.aifc");
        decode(reader, "");
        bestNoWrite = std::min(bestNoWrite, secondsSince(start));
        start = Clock::now();
        run("\"" + sndfile + "\" -pcm16 \"" + d + "ten.aifc\" \"" + d + "theirs.wav\"");
        bestSndfile = std::min(bestSndfile, secondsSince(start));
    }
    const bool same = std::filesystem::file_size(d + "ours.wav") == std::filesystem::file_size(d + "ten.wav");
    std::printf(
        "DWVW 16-bit, 10 min mono (%.1f MB): ours %.3f s = %.0fx real time (decode only %.3f s = %.0fx)\n",
        static_cast<double>(std::filesystem::file_size(d + "ten.aifc")) / 1e6, best, 600 / best, bestNoWrite,
        600 / bestNoWrite);
    std::printf("  sndfile-convert %.3f s = %.0fx real time; ratio sndfile/ours = %.2f%s\n", bestSndfile,
                600 / bestSndfile, bestSndfile / best, same ? "" : " (output sizes differ!)");

    // A CD track of 10 minutes from a disc image.
    {
        const uint32_t sectors = 600 * 75;
        std::filesystem::create_directories(dir / "cd");
        FILE* f = std::fopen((d + "disc.img").c_str(), "wb");
        std::vector<unsigned char> sector(bass_cd::kRawSectorBytes);
        for (uint32_t s = 0; s < sectors; ++s) {
            for (size_t i = 0; i < sector.size(); ++i) sector[i] = static_cast<unsigned char>(s + i * 7);
            std::fwrite(sector.data(), 1, sector.size(), f);
        }
        std::fclose(f);
        unsigned char cda[44] = {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'C', 'D', 'D', 'A',
                                 'f', 'm', 't', ' ', 24, 0, 0, 0, 1,   0,   1};
        cda[32] = static_cast<unsigned char>(sectors & 0xFF);
        cda[33] = static_cast<unsigned char>((sectors >> 8) & 0xFF);
        f = std::fopen((d + "cd/Track01.cda").c_str(), "wb");
        std::fwrite(cda, 1, sizeof cda, f);
        std::fclose(f);
        bass_cd::installDiscImage(d + "cd", d + "disc.img");
        startAudioLibrary(d);
        double bestCd = 1e9;
        for (int round = 0; round < 3; ++round) {
            BassReader reader;
            const auto start = Clock::now();
            reader.open(d + "cd/Track01.cda");
            decode(reader, d + "cd.wav");
            bestCd = std::min(bestCd, secondsSince(start));
        }
        stopAudioLibrary();
        std::printf("CD track, 10 min from a disc image into a WAV: %.3f s = %.0fx real time\n", bestCd,
                    600 / bestCd);
    }

    // One hour: resident memory along the way.
    std::filesystem::remove(d + "ten.wav");
    writeSourceWav(d + "hour.wav", 3600, rate);
    run("\"" + sndfile + "\" -dwvw16 \"" + d + "hour.wav\" \"" + d + "hour.aifc\"");
    std::filesystem::remove(d + "hour.wav");
    {
        DwvwAifcReader reader;
        std::vector<long> trace;
        const long before = residentKiB();
        const auto start = Clock::now();
        reader.open(d + "hour.aifc");
        const uint64_t bytes = decode(reader, d + "hour-out.wav", &trace);
        const double took = secondsSince(start);
        std::printf("DWVW 16-bit, 1 hour mono (%.0f MB): %.2f s = %.0fx real time, %.0f MB PCM\n",
                    static_cast<double>(std::filesystem::file_size(d + "hour.aifc")) / 1e6, took, 3600 / took,
                    static_cast<double>(bytes) / 1e6);
        std::printf("  resident memory (KiB) before %ld, along the hour:", before);
        for (long kib : trace) std::printf(" %ld", kib);
        std::printf("\n");
    }
    std::filesystem::remove_all(dir);
    return 0;
#endif
}
