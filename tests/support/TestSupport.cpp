#include "support/TestSupport.h"

#include <chrono>
#include <fstream>
#include <random>
#include <sstream>

#include "engine/Transcoder.h"
#include "platform/Files.h"
#include "platform/Process.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/WinText.h"
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

std::string binFolder() { return platform::programFolder().value_or(std::string()); }

std::string transcoderPath() { return ::transcoderPath(); }

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

std::vector<std::string> words(const std::string& text, const std::vector<std::string>& then) {
    std::vector<std::string> list;
    std::istringstream in(text);
    for (std::string w; in >> w;) list.push_back(w);
    list.insert(list.end(), then.begin(), then.end());
    return list;
}

bool makeMedia(const std::string& path, const std::string& args) {
    runTranscoder(words("-hide_banner -loglevel error " + args, {"-y", path}));
    return !readFile(path).empty();
}

std::string openComplaint(const std::string& path, const std::string& fallback) {
    const std::string output = runTranscoder({"-hide_banner", "-i", path}).output;
    const std::string prefix = path + ": ";
    for (size_t at = output.find(prefix); at != std::string::npos; at = output.find(prefix, at + 1)) {
        if (at != 0 && output[at - 1] != '\n') continue;
        const size_t end = output.find_first_of("\r\n", at);
        return output.substr(at + prefix.size(), end == std::string::npos ? end : end - at - prefix.size());
    }
    return fallback;
}

bool makeSineWav(const std::string& path, int seconds, int sampleRate, int channels) {
    return makeMedia(path, "-f lavfi -i sine=frequency=440:sample_rate=" + std::to_string(sampleRate) +
                               ":duration=" + std::to_string(seconds) + " -ac " + std::to_string(channels) +
                               " -c:a pcm_s16le");
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

#ifdef _WIN32
std::string unixPath(const std::string& path) {
    using UnixFileName = char*(__cdecl*)(const wchar_t*);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto convert = kernel == nullptr ? nullptr
                                           : reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
                                                 GetProcAddress(kernel, "wine_get_unix_file_name")));
    if (convert == nullptr) return {};
    char* converted = convert(platform::win32::widen(path).c_str());
    if (converted == nullptr) return {};
    std::string result(converted);
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
}
#endif

}  // namespace testing_support
