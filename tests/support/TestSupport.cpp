#include "support/TestSupport.h"

#include <chrono>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/Process.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace testing_support {

std::string u8(const fs::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

fs::path fromU8(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }

TempDir::TempDir() {
    std::random_device rd;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = fs::temp_directory_path() / ("mdtest-" + std::to_string(stamp) + "-" + std::to_string(rd()));
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& name) const { return u8(path_ / fromU8(name)); }

static fs::path& executablePath() {
    static fs::path p;
    return p;
}

void setExecutablePath(const char* argv0) {
    std::error_code ec;
#ifdef _WIN32
    (void)argv0;
    wchar_t buf[4096];

    const unsigned long n = GetModuleFileNameW(nullptr, buf, 4096);
    executablePath() = fs::path(std::wstring(buf, n));
#else
    executablePath() = fs::canonical("/proc/self/exe", ec);
    if (ec) executablePath() = fs::absolute(argv0);
#endif
}

std::string binFolder() {
    std::string folder = u8(executablePath().parent_path());
    folder += static_cast<char>(fs::path::preferred_separator);
    return folder;
}

std::string transcoderPath() {
#ifdef _WIN32
    return binFolder() + "mdxcode.exe";
#else
    return binFolder() + "mdxcode";
#endif
}

RunOutput runProgram(const std::string& program, const std::vector<std::string>& args) {
    std::string line = "\"" + program + "\"";
    for (const auto& a : args) line += " " + platform::quoteWindowsArgument(a);
    RunOutput out;
    auto started = platform::startChildProcess(line, "");
    if (!started.process) return out;
    out.started = true;
    char buf[65536];
    for (;;) {
        const size_t n = started.process->read(buf, sizeof buf);
        if (n == 0) break;
        out.output.append(buf, n);
    }
    started.process->wait(60000);
    return out;
}

RunOutput runTranscoder(const std::vector<std::string>& args) { return runProgram(transcoderPath(), args); }

bool makeSineWav(const std::string& path, int seconds, int sampleRate, int channels, int frequency) {
    const std::string src = "sine=frequency=" + std::to_string(frequency) +
                            ":sample_rate=" + std::to_string(sampleRate) +
                            ":duration=" + std::to_string(seconds);
    std::vector<std::string> args = {"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i", src};
    if (channels != 1) {
        args.push_back("-ac");
        args.push_back(std::to_string(channels));
    }
    args.insert(args.end(), {"-c:a", "pcm_s16le", "-y", path});
    runTranscoder(args);
    std::error_code ec;
    return fs::file_size(fromU8(path), ec) > 44 && !ec;
}

std::string readFile(const std::string& path) {
    std::ifstream in(fromU8(path), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(fromU8(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace testing_support
