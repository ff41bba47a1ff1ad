#include "support/TagReader.h"

#include <chrono>
#include <sstream>
#include <thread>

#include "support/TestSupport.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/Process.h"
#include "platform/win32/WinText.h"
#endif

namespace testing_support {

namespace {

const std::string kScript = std::string(MELODRIFT_SOURCE_DIR) + "/tests/support/read_tags.py";

#ifdef _WIN32

// Wine starts the native reader but does not connect its output to a pipe: it writes a file, renamed
// into place once complete.
bool runReader(const std::vector<std::string>& args) {
    std::string line = "\"Z:\\usr\\bin\\python3\"";
    for (const std::string& a : args) line += " " + platform::quoteWindowsArgument(a);
    auto started = platform::startChildProcess(line, "");
    return started.process != nullptr;
}
std::string readerPath(const std::string& path) { return unixPath(path); }
#else
bool runReader(const std::vector<std::string>& args) { return runProgram("/usr/bin/python3", args).started; }
std::string readerPath(const std::string& path) { return path; }
#endif

}  // namespace

std::string escapedTagValue(const std::string& value) {
    std::string out;
    for (const char c : value) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out += c;
        }
    }
    return out;
}

std::map<std::string, FileTags> readTags(const std::vector<std::string>& media,
                                         const std::vector<std::string>& pictures) {
    std::map<std::string, FileTags> found;
    if (media.empty() && pictures.empty()) return found;
    const std::string report = (media.empty() ? pictures : media).front() + ".tags.txt";
    std::map<std::string, std::string> original;  // the reader's path of each file -> ours
    std::vector<std::string> args = {kScript, readerPath(report)};
    const auto add = [&](const std::string& path) {
        args.push_back(readerPath(path));
        original[args.back()] = path;
    };
    for (const std::string& m : media) add(m);
    args.push_back("--pictures");
    for (const std::string& p : pictures) add(p);
    // A report of an earlier call must not pass for this one's (under Wine the reader is not waited for).
    std::error_code gone;
    std::filesystem::remove(fromU8(report), gone);
    if (!runReader(args)) return found;

    std::string text;
    for (const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
         std::chrono::steady_clock::now() < giveUp;
         std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
        text = readFile(report);
        if (text.size() >= 4 && text.compare(text.size() - 4, 4, "END\n") == 0) break;
    }
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const size_t first = line.find('\t'), second = line.find('\t', first + 1);
        if (second == std::string::npos) continue;
        const auto path = original.find(line.substr(0, first));
        if (path == original.end()) continue;
        found[path->second][line.substr(first + 1, second - first - 1)] = line.substr(second + 1);
    }
    return found;
}

}  // namespace testing_support
