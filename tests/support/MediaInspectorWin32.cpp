// Under Wine the system's native ffprobe reads the converted files: Wine starts Unix programs through
// CreateProcessW, but does not connect their output to our pipes, so ffprobe writes into a file ("-o")
// that is read once complete, and both paths are handed over as Unix paths. Windows build only.
#ifdef _WIN32
#include <windows.h>

#include <chrono>
#include <thread>

#include "platform/Process.h"
#include "platform/win32/WinText.h"
#include "support/MediaInspector.h"
#include "support/TestSupport.h"

using UnixFileName = char*(__cdecl*)(const wchar_t*);

media_inspector::ProbeRun media_inspector::runProbe(std::vector<std::string> args, const std::string& path) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto convert = kernel == nullptr ? nullptr
                                           : reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
                                                 GetProcAddress(kernel, "wine_get_unix_file_name")));
    if (convert == nullptr || GetFileAttributesW(L"Z:\\usr\\bin\\ffprobe") == INVALID_FILE_ATTRIBUTES)
        return {false, "an independent reader needs Wine and the native /usr/bin/ffprobe"};
    auto unixPath = [convert](const std::string& p) -> std::string {
        char* converted = convert(platform::win32::widen(p).c_str());
        if (converted == nullptr) return {};
        std::string result(converted);
        HeapFree(GetProcessHeap(), 0, converted);
        return result;
    };
    const std::string report = path + ".probe.txt";
    const std::string unixMedia = unixPath(path);
    const std::string unixReport = unixPath(report);
    if (unixMedia.empty() || unixReport.empty()) return {false, "no Unix path for " + path};

    args.insert(args.end(), {"-o", unixReport, unixMedia});
    std::string line = "\"Z:\\usr\\bin\\ffprobe\"";
    for (const std::string& a : args) line += " " + platform::quoteWindowsArgument(a);
    auto started = platform::startChildProcess(line, "");
    if (!started.process) return {false, "the native ffprobe could not be started: " + started.error};

    // The report is complete once its last section, the container's, has been closed.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::string text;
    while (std::chrono::steady_clock::now() < giveUp) {
        text = testing_support::readFile(report);
        if (text.find("[/FORMAT]") != std::string::npos) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    DeleteFileW(platform::win32::widen(report).c_str());
    return {true, text};
}
#endif
