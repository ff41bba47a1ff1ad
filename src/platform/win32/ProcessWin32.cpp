#include <windows.h>

#include <mutex>
#include <vector>

#include "platform/Process.h"
#include "platform/win32/Handle.h"
#include "platform/win32/WinText.h"

namespace platform {
namespace {

using win32::Handle;

constexpr UINT kTerminatedExitCode = 1;

// Every transcoder is placed in one job object that kills its members when the program's process ends,
// so no transcoder outlives the program, however it ends.
HANDLE killOnCloseJob() {
    static HANDLE job = [] {
        HANDLE h = CreateJobObjectW(nullptr, nullptr);
        if (h) {
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
            info.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            SetInformationJobObject(h, JobObjectExtendedLimitInformation, &info, sizeof info);
        }
        return h;
    }();
    return job;
}

std::string lastErrorText() {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out = n ? win32::narrow(std::wstring_view(text, n)) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\r' || out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

class Win32Child final : public ChildProcess {
public:
    Win32Child(Handle process, Handle pipe, DWORD pid)
        : process_(std::move(process)), pipe_(std::move(pipe)), pid_(pid) {}

    size_t read(char* buffer, size_t maxBytes) override {
        DWORD got = 0;
        if (!ReadFile(pipe_.get(), buffer, static_cast<DWORD>(maxBytes), &got, nullptr)) return 0;
        return got;
    }

    bool wait(uint32_t timeoutMs) override {
        return WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0;
    }

    void terminate() override {
        if (WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0) return;
        // A cancelled job must never read as a transcoder that finished by itself.
        TerminateProcess(process_.get(), kTerminatedExitCode);
        WaitForSingleObject(process_.get(), INFINITE);
    }

    bool setPriority(uint32_t priorityClass) override {
        return SetPriorityClass(process_.get(), priorityClass) != FALSE;
    }

    bool hasEnded() override { return wait(0); }

    std::optional<uint32_t> exitCode() override {
        DWORD code = 0;
        if (!hasEnded() || !GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
        return code;
    }
    uint64_t id() const override { return pid_; }

private:
    Handle process_;
    Handle pipe_;
    DWORD pid_;
};

}  // namespace

StartResult startChildProcess(const std::string& commandLine, const std::string& workingFolder) {
    StartResult result;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE self = GetCurrentProcess();

    // Pipe A: the child's standard output and (through a duplicate) standard error.
    Handle outRead, outWrite, errWrite;
    if (!CreatePipe(outRead.out(), outWrite.out(), &inherit, 0)) {
        result.error = lastErrorText();
        return result;
    }
    if (!DuplicateHandle(self, outWrite.get(), self, errWrite.out(), 0, TRUE, DUPLICATE_SAME_ACCESS)) {
        result.error = lastErrorText();
        return result;
    }
    // Pipe B: the child's standard input; its write end is closed right after the start.
    Handle inRead, inWrite;
    if (!CreatePipe(inRead.out(), inWrite.out(), &inherit, 0)) {
        result.error = lastErrorText();
        return result;
    }
    // Our own ends must not be inherited.
    Handle ourRead, ourWrite;
    if (!DuplicateHandle(self, outRead.get(), self, ourRead.out(), 0, FALSE, DUPLICATE_SAME_ACCESS) ||
        !DuplicateHandle(self, inWrite.get(), self, ourWrite.out(), 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        result.error = lastErrorText();
        return result;
    }
    outRead.reset();
    inWrite.reset();

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    si.hStdInput = inRead.get();
    si.hStdOutput = outWrite.get();
    si.hStdError = errWrite.get();

    std::wstring line = win32::widen(commandLine);
    std::vector<wchar_t> mutableLine(line.begin(), line.end());
    mutableLine.push_back(L'\0');
    const std::wstring folder = win32::widen(workingFolder);
    PROCESS_INFORMATION pi{};
    // Started suspended so that it is in the job object before it runs a single instruction.
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE,
                        CREATE_NEW_CONSOLE | CREATE_SUSPENDED, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
        result.error = lastErrorText();
        return result;
    }
    Handle process(pi.hProcess);
    Handle thread(pi.hThread);
    if (HANDLE job = killOnCloseJob()) AssignProcessToJobObject(job, process.get());
    ResumeThread(thread.get());
    thread.reset();
    outWrite.reset();
    errWrite.reset();
    inRead.reset();
    ourWrite.reset();  // the child reads end of input at once
    result.process = std::make_unique<Win32Child>(std::move(process), std::move(ourRead), pi.dwProcessId);
    return result;
}

}  // namespace platform
