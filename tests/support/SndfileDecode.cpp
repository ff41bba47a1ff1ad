#include "support/SndfileDecode.h"

#include "platform/Files.h"
#include "support/TestSupport.h"

#ifdef _WIN32
#include <windows.h>

#include <chrono>
#include <thread>

#include "platform/Process.h"
#include "platform/win32/WinText.h"
#endif

namespace testing_support {

#ifdef _WIN32
namespace {

std::string shellQuoted(std::string s) {
    for (size_t at = 0; (at = s.find('\'', at)) != std::string::npos; at += 4) s.replace(at, 1, "'\\''");
    return "'" + s + "'";
}

}  // namespace

// Wine does not connect a Unix program's exit to the process handle it gives back, so a shell runs the
// decoder and then renames a file that holds its exit status; that file's arrival says it is done.
Result<std::string> decodeWithSndfile(const std::string& path) {
    const std::string raw = path + ".sndfile.raw", done = path + ".sndfile.done";
    const std::string unixMedia = unixPath(path), unixRaw = unixPath(raw), unixDone = unixPath(done);
    if (unixMedia.empty() || unixRaw.empty() || unixDone.empty())
        return Failure{"an independent decoder needs Wine and the native /usr/bin/sndfile-convert"};
    const std::string script = "/usr/bin/sndfile-convert -pcm32 " + shellQuoted(unixMedia) + " " +
                               shellQuoted(unixRaw) + " >/dev/null 2>&1; echo $? >" +
                               shellQuoted(unixDone + ".part") + "; mv " + shellQuoted(unixDone + ".part") +
                               " " + shellQuoted(unixDone);
    auto started =
        platform::startChildProcess("\"Z:\\bin\\sh\" -c " + platform::quoteWindowsArgument(script), "");
    if (!started.process) return Failure{"the native shell could not be started: " + started.error};
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!platform::pathExists(done) && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::string status = readFile(done);
    std::string bytes = readFile(raw);
    platform::deleteFile(done);
    platform::deleteFile(raw);
    if (status.rfind("0", 0) != 0) return Failure{"sndfile-convert failed on " + path + " (" + status + ")"};
    return bytes;
}
#else
Result<std::string> decodeWithSndfile(const std::string& path) {
    const std::string raw = path + ".sndfile.raw";
    const RunOutput run = runProgram("/usr/bin/sndfile-convert", {"-pcm32", path, raw});
    if (!run.started) return Failure{"sndfile-convert could not be started"};
    std::string bytes = readFile(raw);
    if (!platform::deleteFile(raw)) return Failure{"sndfile-convert failed on " + path + ": " + run.output};
    return bytes;
}
#endif

}  // namespace testing_support
