// Prints what running a job through the program costs: a 60-second sine converted to MP3 through the
// job's process and reader thread versus the same command line started plainly, and what 200
// start-and-cancel cycles leave behind (threads, handles or descriptors, child processes).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "engine/EventQueue.h"
#include "engine/Transcoder.h"
#include "platform/Process.h"
#include "sources/SourceItem.h"

#ifdef _WIN32
#include <windows.h>
// after windows.h, which it needs
#include <tlhelp32.h>
#else
#include <dirent.h>
#include <unistd.h>

#include <fstream>
#endif

using namespace std::chrono;

namespace {

std::string q(const std::string& s) { return "\"" + s + "\""; }

struct Counts {
    long threads = 0, handles = 0, children = 0;
};

#ifdef _WIN32
Counts countResources() {
    Counts c;
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    c.handles = static_cast<long>(handles);
    const DWORD self = GetCurrentProcessId();
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS | TH32CS_SNAPTHREAD, 0);
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe))
        if (pe.th32ParentProcessID == self) ++c.children;
    THREADENTRY32 te{};
    te.dwSize = sizeof te;
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
        if (te.th32OwnerProcessID == self) ++c.threads;
    CloseHandle(snap);
    return c;
}
std::string tempFolder() {
    wchar_t buf[MAX_PATH];
    GetTempPathW(MAX_PATH, buf);
    std::string out;
    for (wchar_t* p = buf; *p; ++p) out.push_back(static_cast<char>(*p));
    return out;
}
#else
long countEntries(const char* dir) {
    long n = 0;
    if (DIR* d = opendir(dir)) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}
Counts countResources() {
    Counts c;
    c.threads = countEntries("/proc/self/task");
    c.handles = countEntries("/proc/self/fd");
    const std::string self = std::to_string(getpid());
    if (DIR* d = opendir("/proc")) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
            std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
            std::string pid, comm, state, ppid;
            stat >> pid >> comm >> state >> ppid;
            if (ppid == self) ++c.children;
        }
        closedir(d);
    }
    return c;
}
std::string tempFolder() { return "/tmp/"; }
#endif

double runThroughJob(const std::string& line, uint32_t lengthSeconds) {
    SourceItem item;
    item.duration = lengthSeconds;
    EventQueue queue;
    const auto start = steady_clock::now();
    if (!startConversion(line, item, 32, queue)) return -1;
    for (;;) {
        auto ev = queue.take(seconds(120));
        if (!ev || ev->kind == RunEvent::kDone) break;
    }
    const double secs = duration_cast<duration<double>>(steady_clock::now() - start).count();
    item.process.reset();
    return secs;
}

double runPlainly(const std::string& line) {
    const auto start = steady_clock::now();
    auto started = platform::startChildProcess(line, "");
    if (!started.process) return -1;
    // The plain way: read everything and throw it away, no line handling, no thread.
    std::vector<char> buf(65536);
    while (started.process->read(buf.data(), buf.size()) > 0) {
    }
    started.process->wait(120000);
    return duration_cast<duration<double>>(steady_clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    const std::string tx = transcoderPath();
    const std::string folder = tempFolder();
    const std::string wav = folder + "mdbench-sine60.wav", mp3 = folder + "mdbench-out.mp3";
    runPlainly(q(tx) +
               " -y -f lavfi -i sine=frequency=440:sample_rate=44100:duration=60 -ac 2 -c:a pcm_s16le " +
               q(wav));
    const std::string line =
        q(tx) + " -i " + q(wav) + " -dn -sn -vn -c:a libmp3lame -ar 44100 -ac 2 -b:a 128000 -y " + q(mp3);
    std::vector<double> job, plain;
    for (int i = 0; i < 7; ++i) {
        plain.push_back(runPlainly(line));
        job.push_back(runThroughJob(line, 60));
        std::printf("  run %d: job %.3f s, plain %.3f s\n", i, job.back(), plain.back());
    }
    // The fastest run shows the cost least disturbed by other load; the median is printed as well.
    const double jMin = *std::min_element(job.begin(), job.end()),
                 pMin = *std::min_element(plain.begin(), plain.end());
    const double j = median(job), p = median(plain);
    std::printf(
        "60 s sine to MP3: fastest through the job %.3f s, plainly %.3f s: ratio %.4f (program adds %+.2f "
        "%%)\n",
        jMin, pMin, jMin / pMin, (jMin / pMin - 1.0) * 100.0);
    std::printf("                  median through the job %.3f s, plainly %.3f s: ratio %.4f\n", j, p, j / p);

    std::this_thread::sleep_for(milliseconds(300));
    const Counts before = countResources();
    const auto t0 = steady_clock::now();
    const int cycles = 200;
    int started = 0, done = 0;
    for (int i = 0; i < cycles; ++i) {
        SourceItem item;
        item.duration = 600;
        EventQueue queue;
        const std::string longLine = q(tx) + " -re -f lavfi -i sine=duration=600 -c:a pcm_s16le -y " +
                                     q(folder + "mdbench-cancel.wav");
        if (!startConversion(longLine, item, 32, queue)) continue;
        ++started;
        cancelConversion(item);
        for (;;) {
            auto ev = queue.take(seconds(30));
            if (!ev) break;
            if (ev->kind == RunEvent::kDone) {
                ++done;
                break;
            }
        }
        item.process.reset();
    }
    // Detached readers end right after posting; give the last one a moment to be gone.
    std::this_thread::sleep_for(milliseconds(300));
    const Counts after = countResources();
    const double secs = duration_cast<duration<double>>(steady_clock::now() - t0).count();
    std::printf(
        "%d start-and-cancel cycles in %.1f s: %d started, %d done reports; leaked threads %ld, "
        "handles %ld, child processes %ld\n",
        cycles, secs, started, done, after.threads - before.threads, after.handles - before.handles,
        after.children - before.children);
    std::remove(wav.c_str());
    std::remove(mp3.c_str());
    std::remove((folder + "mdbench-cancel.wav").c_str());
    return 0;
}
