// Under Wine the system's native ffprobe reads the converted files: Wine starts Unix programs through
// CreateProcessW, but does not connect their output to our pipes, so ffprobe writes into a file ("-o")
// that is read once complete, and both paths are handed over as Unix paths. On a Windows without Wine,
// the transcoder's own "-i" listing is read instead by a parser of the tests' own.
#include <windows.h>

#include <chrono>
#include <regex>
#include <thread>

#include "engine/MediaInspector.h"
#include "platform/Process.h"
#include "platform/win32/WinText.h"
#include "support/TestSupport.h"

namespace {

using UnixFileName = char*(__cdecl*)(const wchar_t*);

UnixFileName wineUnixFileName() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel == nullptr ? nullptr
                             : reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
                                   GetProcAddress(kernel, "wine_get_unix_file_name")));
}

std::string unixPath(UnixFileName convert, const std::string& path) {
    char* converted = convert(platform::win32::widen(path).c_str());
    if (converted == nullptr) return {};
    std::string result(converted);
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
}

MediaFacts failure(const std::string& why) {
    MediaFacts facts;
    facts.error = why;
    return facts;
}

MediaFacts inspectWithNativeProbe(UnixFileName convert, const std::string& path,
                                  const std::string& extension) {
    const std::string report = path + ".probe.txt";
    const std::string unixMedia = unixPath(convert, path);
    const std::string unixReport = unixPath(convert, report);
    if (unixMedia.empty() || unixReport.empty()) return failure("no Unix path for " + path);

    std::vector<std::string> args = media_inspector::probeArguments(extension);
    args.insert(args.end(), {"-o", unixReport, unixMedia});
    std::string line = "\"Z:\\usr\\bin\\ffprobe\"";
    for (const std::string& a : args) {
        line += ' ';
        line += platform::quoteWindowsArgument(a);
    }
    auto started = platform::startChildProcess(line, "");
    if (!started.process) return failure("the native ffprobe could not be started: " + started.error);

    // The report is complete once its last section, the container's duration, has been written.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::string text;
    while (std::chrono::steady_clock::now() < giveUp) {
        text = testing_support::readFile(report);
        const size_t at = text.find("format.duration=");
        if (at != std::string::npos && text.find('\n', at) != std::string::npos) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    DeleteFileW(platform::win32::widen(report).c_str());
    return media_inspector::parseFlatOutput(text);
}

// "Duration: 00:00:02.05, ..." and "Stream #0:1...: Audio: aac (LC), 48000 Hz, 5.1, fltp, 128 kb/s".
MediaFacts inspectWithTranscoderListing(const std::string& path, const std::string& extension) {
    std::vector<std::string> args = {"-hide_banner"};
    if (extension == "alw") args.insert(args.end(), {"-f", "alaw", "-ar", "8000", "-ac", "1"});
    if (extension == "ulw") args.insert(args.end(), {"-f", "mulaw", "-ar", "8000", "-ac", "1"});
    args.insert(args.end(), {"-i", path});
    const std::string out = testing_support::runTranscoder(args).output;

    MediaFacts facts;
    std::smatch m;
    static const std::regex kStream(
        R"(Stream #\d+:\d+[^:]*: Audio: ([a-z0-9_]+)[^,\n]*, (\d+) Hz, ([^,\r\n]+))");
    if (!std::regex_search(out, m, kStream)) return failure("no audio stream listed: " + out);
    facts.ok = true;
    facts.codec = m[1];
    facts.sampleRate = std::stoi(m[2]);
    static const std::regex kChannels(R"((\d+) channels)");
    const std::string layout = m[3];
    std::smatch c;
    if (std::regex_search(layout, c, kChannels)) {
        facts.channels = std::stoi(c[1]);
    } else {
        static const std::pair<const char*, int> kLayouts[] = {{"mono", 1}, {"stereo", 2}, {"2.1", 3},
                                                               {"4.0", 4},  {"5.0", 5},    {"4.1", 5},
                                                               {"5.1", 6},  {"6.1", 7},    {"7.1", 8}};
        for (const auto& [name, count] : kLayouts) {
            if (layout.rfind(name, 0) == 0) facts.channels = count;
        }
    }
    static const std::regex kDuration(R"(Duration: (\d+):(\d+):(\d+(?:\.\d+)?))");
    if (std::regex_search(out, m, kDuration)) {
        facts.seconds = std::stoi(m[1]) * 3600.0 + std::stoi(m[2]) * 60.0 + std::stod(m[3]);
    }
    static const std::regex kBitRate(R"(Audio: [^\n]*, (\d+) kb/s)");
    if (std::regex_search(out, m, kBitRate)) facts.bitRate = std::stoll(m[1]) * 1000;
    return facts;
}

}  // namespace

MediaFacts inspectMedia(const std::string& path, const std::string& extension) {
    const UnixFileName convert = wineUnixFileName();
    if (convert != nullptr && GetFileAttributesW(L"Z:\\usr\\bin\\ffprobe") != INVALID_FILE_ATTRIBUTES) {
        return inspectWithNativeProbe(convert, path, extension);
    }
    return inspectWithTranscoderListing(path, extension);
}
