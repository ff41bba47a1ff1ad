#include <windows.h>

#include <array>
#include <mutex>
#include <vector>

#include "platform/Process.h"
#include "platform/win32/Handle.h"
#include "platform/win32/WinText.h"

namespace platform {
namespace {

using win32::Handle;
using win32::lastErrorText;

constexpr UINT kTerminatedExitCode = 1;

// Every transcoder is placed in one job object that kills its members when the program's process ends,
// so no transcoder outlives the program, however it ends.
HANDLE killOnCloseJob() {
    static const Handle job = [] {
        Handle h(CreateJobObjectW(nullptr, nullptr));
        if (h) {
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
            info.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            SetInformationJobObject(h.get(), JobObjectExtendedLimitInformation, &info, sizeof info);
        }
        return h;
    }();
    return job.get();
}

// Our starts run one at a time: while one start's inheritable pipe ends exist, no other start of ours
// creates a child, so even a system that ignored the handle list below could not leak them.
std::mutex startMutex;

// The attribute list naming the only handles a child inherits; it refers to the array, which must outlive
// the CreateProcessW call.
class InheritedHandles {
public:
    explicit InheritedHandles(const std::array<HANDLE, 3>& handles) : handles_(handles) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
        if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                       sizeof(HANDLE) * handles_.size(), nullptr, nullptr)) {
            DeleteProcThreadAttributeList(list);
            return;
        }
        list_ = list;
    }
    ~InheritedHandles() {
        if (list_) DeleteProcThreadAttributeList(list_);
    }
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

private:
    std::array<HANDLE, 3> handles_;
    std::vector<unsigned char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

bool makeInheritable(HANDLE h) {
    return SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) != 0;
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
    const HANDLE self = GetCurrentProcess();
    std::wstring line = win32::widen(commandLine);
    std::vector<wchar_t> mutableLine(line.begin(), line.end());
    mutableLine.push_back(L'\0');
    const std::wstring folder = win32::widen(workingFolder);

    const std::lock_guard<std::mutex> oneStartAtATime(startMutex);
    // Pipe A: the child's standard output and (through a duplicate) standard error. Pipe B: its standard
    // input, whose write end is closed right after the start. Only the child's ends become inheritable.
    Handle ourRead, outWrite, errWrite, inRead, ourWrite;
    if (!CreatePipe(ourRead.out(), outWrite.out(), nullptr, 0) || !makeInheritable(outWrite.get()) ||
        !DuplicateHandle(self, outWrite.get(), self, errWrite.out(), 0, TRUE, DUPLICATE_SAME_ACCESS) ||
        !CreatePipe(inRead.out(), ourWrite.out(), nullptr, 0) || !makeInheritable(inRead.get())) {
        result.error = lastErrorText();
        return result;
    }
    const InheritedHandles inherited({inRead.get(), outWrite.get(), errWrite.get()});
    if (!inherited.get()) {
        result.error = lastErrorText();
        return result;
    }

    STARTUPINFOEXW si{};
    si.StartupInfo.cb = sizeof si;
    si.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    si.StartupInfo.wShowWindow = SW_HIDE;
    si.StartupInfo.hStdInput = inRead.get();
    si.StartupInfo.hStdOutput = outWrite.get();
    si.StartupInfo.hStdError = errWrite.get();
    si.lpAttributeList = inherited.get();

    PROCESS_INFORMATION pi{};
    // Started suspended so that it is in the job object before it runs a single instruction. Detached:
    // the transcoder needs no console of its own (its streams are the pipes), and a console host would
    // inherit the child's standard handles and keep the pipe from ending when the child does.
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE,
                        DETACHED_PROCESS | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si.StartupInfo, &pi)) {
        result.error = lastErrorText();
        return result;
    }
    Handle process(pi.hProcess);
    Handle thread(pi.hThread);
    if (HANDLE job = killOnCloseJob()) AssignProcessToJobObject(job, process.get());
    ResumeThread(thread.get());
    result.process = std::make_unique<Win32Child>(std::move(process), std::move(ourRead), pi.dwProcessId);
    // The child's ends and our input write end close on return: the child reads end of input at once.
    return result;
}

}  // namespace platform
