// A child process whose standard output and standard error share one pipe, started from one command-line
// text. Windows: CreateProcessW, hidden new console. POSIX: the text is split by the Windows rules and the
// program started directly (never through a shell).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Windows priority classes; the values are those of the Win32 constants (and of the stored settings).
enum PriorityClass : uint32_t {
    kPriorityIdle = 64,
    kPriorityBelowNormal = 16384,
    kPriorityNormal = 32,
    kPriorityAboveNormal = 32768,
    kPriorityHigh = 128,
};

class ChildProcess {
public:
    virtual ~ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Reads what the child printed: the byte count, or 0 when nothing more comes (end of pipe or error).
    // Blocks until data arrives or every writer has gone.
    virtual size_t read(char* buffer, size_t maxBytes) = 0;
    // Waits up to timeoutMs for the child to end; true when it has ended.
    virtual bool wait(uint32_t timeoutMs) = 0;
    // Ends the child and waits for it. A child ended this way never reports exit code 0.
    virtual void terminate() = 0;
    // The child's exit code once it has ended (POSIX: 128 + the signal's number when a signal ended it);
    // none while it runs or when the system cannot tell.
    virtual std::optional<uint32_t> exitCode() = 0;
    virtual bool setPriority(uint32_t priorityClass) = 0;
    virtual bool hasEnded() = 0;
    // The operating system's id of the child.
    virtual uint64_t id() const = 0;

protected:
    ChildProcess() = default;
};

struct StartResult {
    std::unique_ptr<ChildProcess> process;  // null on failure
    std::string error;                      // why the start failed
};

// Starts commandLine with the merged output pipe and an input pipe whose write end is closed at once.
// workingFolder may be empty (the caller's current folder is then kept).
StartResult startChildProcess(const std::string& commandLine, const std::string& workingFolder);

// Splits a command line into arguments by the Windows rules (CommandLineToArgvW): blanks separate,
// double quotes group, 2n backslashes before a quote give n backslashes and a quote that toggles
// grouping, 2n+1 give n backslashes and a literal quote, "" inside a group gives a literal quote.
// The first argument (the program) ends at the first blank outside quotes, backslashes are literal there.
std::vector<std::string> splitWindowsCommandLine(const std::string& commandLine);

// Quotes one argument so that splitWindowsCommandLine gives it back unchanged.
std::string quoteWindowsArgument(const std::string& argument);

}  // namespace platform
