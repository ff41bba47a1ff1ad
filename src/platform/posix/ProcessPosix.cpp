#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

#include "platform/Process.h"
#include "platform/posix/UniqueFd.h"

namespace platform {
namespace {

using posix::UniqueFd;

int niceFor(uint32_t priorityClass) {
    switch (priorityClass) {
        case kPriorityIdle:
            return 19;
        case kPriorityBelowNormal:
            return 10;
        case kPriorityAboveNormal:
            return -5;
        case kPriorityHigh:
            return -10;
        default:
            return 0;
    }
}

class PosixChild final : public ChildProcess {
public:
    PosixChild(pid_t pid, UniqueFd readFd)
        : pid_(pid), fd_(std::move(readFd)), exited_(static_cast<int>(syscall(SYS_pidfd_open, pid, 0))) {}
    ~PosixChild() override {
        fd_.reset();
        terminate();  // never leave a zombie or a running child behind
    }

    size_t read(char* buffer, size_t maxBytes) override {
        for (;;) {
            const ssize_t n = ::read(fd_.get(), buffer, maxBytes);
            if (n > 0) return static_cast<size_t>(n);
            if (n < 0 && errno == EINTR) continue;
            return 0;
        }
    }

    bool wait(uint32_t timeoutMs) override {
        if (hasEnded()) return true;
        if (exited_) {
            // The process descriptor becomes readable the moment the child ends.
            pollfd ended{exited_.get(), POLLIN, 0};
            while (poll(&ended, 1, static_cast<int>(timeoutMs)) < 0 && errno == EINTR) {
            }
            return hasEnded();
        }
        // Without process descriptors (old kernels): poll in small steps, waitpid has no time-out.
        uint32_t waited = 0;
        for (;;) {
            if (hasEnded()) return true;
            if (waited >= timeoutMs) return false;
            const uint32_t step = timeoutMs - waited < 5 ? timeoutMs - waited : 5;
            usleep(step * 1000);
            waited += step;
        }
    }

    // Signals are sent under the lock that reaping takes: an unreaped pid is still ours (a zombie at
    // worst), so a signal can never reach a recycled pid.
    void terminate() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (reapLocked(false)) return;
        kill(pid_, SIGKILL);
        reapLocked(true);
    }

    bool setPriority(uint32_t priorityClass) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (reapLocked(false)) return false;
        // Raising the priority needs privileges; a refusal is ignored.
        return setpriority(PRIO_PROCESS, static_cast<id_t>(pid_), niceFor(priorityClass)) == 0;
    }

    bool hasEnded() override {
        std::lock_guard<std::mutex> lock(mutex_);
        return reapLocked(false);
    }

    std::optional<uint32_t> exitCode() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!reapLocked(false)) return std::nullopt;
        return exitCode_;
    }

    uint64_t id() const override { return static_cast<uint64_t>(pid_); }

private:
    // Collects the child's exit status once. The caller holds mutex_.
    bool reapLocked(bool block) {
        if (reaped_) return true;
        int status = 0;
        pid_t r;
        do {
            r = waitpid(pid_, &status, block ? 0 : WNOHANG);
        } while (r < 0 && errno == EINTR);
        if (r == pid_) {
            reaped_ = true;
            if (WIFEXITED(status)) exitCode_ = static_cast<uint32_t>(WEXITSTATUS(status));
            if (WIFSIGNALED(status)) exitCode_ = 128u + static_cast<uint32_t>(WTERMSIG(status));
        } else if (r < 0 && errno == ECHILD) {
            reaped_ = true;  // someone else collected it: the code is unknown
        }
        return reaped_;
    }

    pid_t pid_;
    UniqueFd fd_;
    UniqueFd exited_;  // the child's process descriptor, when the kernel has them
    std::mutex mutex_;
    bool reaped_ = false;
    std::optional<uint32_t> exitCode_;
};

StartResult failed(int err) {
    StartResult result;
    result.error = std::strerror(err);
    return result;
}

bool makePipe(UniqueFd& readEnd, UniqueFd& writeEnd) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
    return true;
}

StartResult startHere(const std::string& commandLine, const std::string& workingFolder) {
    std::vector<std::string> args = splitWindowsCommandLine(commandLine);
    if (args.empty() || args[0].empty()) {
        StartResult result;
        result.error = "empty command line";
        return result;
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    UniqueFd outRead, outWrite, inRead, inWrite, statusRead, statusWrite;
    if (!makePipe(outRead, outWrite) || !makePipe(inRead, inWrite) || !makePipe(statusRead, statusWrite)) {
        return failed(errno);
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) return failed(errno);
    if (pid == 0) {
        // Child: only async-signal-safe calls from here on.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        // When the program runs with a standard stream closed, a pipe end may itself be 0, 1 or 2; copies
        // above 2 make the three dup2 calls below always real copies, which clear close-on-exec.
        const int childIn = fcntl(inRead.get(), F_DUPFD_CLOEXEC, 3);
        const int childOut = fcntl(outWrite.get(), F_DUPFD_CLOEXEC, 3);
        int err = 0;
        if (childIn < 0 || childOut < 0 || dup2(childIn, 0) < 0 || dup2(childOut, 1) < 0 ||
            dup2(childOut, 2) < 0) {
            err = errno;
        } else {
            signal(SIGPIPE, SIG_DFL);
            if (workingFolder.empty() || chdir(workingFolder.c_str()) == 0) execv(argv[0], argv.data());
            err = errno;
        }
        (void)!write(statusWrite.get(), &err, sizeof err);
        _exit(127);
    }
    outWrite.reset();
    inRead.reset();
    inWrite.reset();  // the child reads end of input at once
    statusWrite.reset();
    int childErr = 0;
    ssize_t got;
    do {
        got = ::read(statusRead.get(), &childErr, sizeof childErr);
    } while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof childErr)) {
        int st;
        waitpid(pid, &st, 0);
        return failed(childErr);
    }
    StartResult result;
    result.process = std::make_unique<PosixChild>(pid, std::move(outRead));
    return result;
}

// Children are forked by one thread that lives as long as the program. The parent-death signal fires
// when the thread that forked ends, so a child started by a short-lived thread would be killed with it.
class Spawner {
public:
    static Spawner& instance() {
        static Spawner* spawner = new Spawner;  // never destroyed: its thread runs until the program ends
        return *spawner;
    }

    StartResult start(const std::string& commandLine, const std::string& workingFolder) {
        std::packaged_task<StartResult()> task([&] { return startHere(commandLine, workingFolder); });
        std::future<StartResult> result = task.get_future();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            tasks_.push_back(&task);
        }
        ready_.notify_one();
        return result.get();
    }

private:
    Spawner() {
        std::thread([this] { loop(); }).detach();
    }

    void loop() {
        for (;;) {
            std::packaged_task<StartResult()>* task;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ready_.wait(lock, [this] { return !tasks_.empty(); });
                task = tasks_.front();
                tasks_.pop_front();
            }
            (*task)();
        }
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::packaged_task<StartResult()>*> tasks_;
};

}  // namespace

StartResult startChildProcess(const std::string& commandLine, const std::string& workingFolder) {
    return Spawner::instance().start(commandLine, workingFolder);
}

}  // namespace platform
