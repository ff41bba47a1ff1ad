#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/Process.h"

namespace platform {
namespace {

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
    PosixChild(pid_t pid, int readFd) : pid_(pid), fd_(readFd) {}
    ~PosixChild() override {
        if (fd_ >= 0) close(fd_);
        // Never leave a zombie or a running child behind.
        if (!reaped()) {
            kill(pid_, SIGKILL);
            reap(true);
        }
    }

    size_t read(char* buffer, size_t maxBytes) override {
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, maxBytes);
            if (n > 0) return static_cast<size_t>(n);
            if (n < 0 && errno == EINTR) continue;
            return 0;
        }
    }

    bool wait(uint32_t timeoutMs) override {
        // Poll in small steps: waitpid has no time-out.
        uint32_t waited = 0;
        for (;;) {
            if (reap(false)) return true;
            if (waited >= timeoutMs) return false;
            const uint32_t step = timeoutMs - waited < 5 ? timeoutMs - waited : 5;
            usleep(step * 1000);
            waited += step;
        }
    }

    void terminate() override {
        if (reaped()) return;
        kill(pid_, SIGKILL);
        reap(true);
    }

    bool setPriority(uint32_t priorityClass) override {
        if (reaped()) return false;
        // Raising the priority needs privileges; a refusal is ignored.
        return setpriority(PRIO_PROCESS, static_cast<id_t>(pid_), niceFor(priorityClass)) == 0;
    }

    bool hasEnded() override { return reap(false); }
    uint64_t id() const override { return static_cast<uint64_t>(pid_); }

private:
    bool reaped() {
        std::lock_guard<std::mutex> lock(mutex_);
        return reaped_;
    }
    // Collects the child's exit status once; the mutex keeps two threads from reaping (and so from
    // touching a recycled pid).
    bool reap(bool block) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (reaped_) return true;
        int status = 0;
        pid_t r;
        do {
            r = waitpid(pid_, &status, block ? 0 : WNOHANG);
        } while (r < 0 && errno == EINTR);
        if (r == pid_ || (r < 0 && errno == ECHILD)) reaped_ = true;
        return reaped_;
    }

    pid_t pid_;
    int fd_;
    std::mutex mutex_;
    bool reaped_ = false;
};

}  // namespace

StartResult startChildProcess(const std::string& commandLine, const std::string& workingFolder) {
    StartResult result;
    std::vector<std::string> args = splitWindowsCommandLine(commandLine);
    if (args.empty() || args[0].empty()) {
        result.error = "empty command line";
        return result;
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int out[2], in[2], status[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        result.error = std::strerror(errno);
        return result;
    }
    if (pipe2(in, O_CLOEXEC) != 0) {
        result.error = std::strerror(errno);
        close(out[0]);
        close(out[1]);
        return result;
    }
    if (pipe2(status, O_CLOEXEC) != 0) {
        result.error = std::strerror(errno);
        for (int fd : {out[0], out[1], in[0], in[1]}) close(fd);
        return result;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        result.error = std::strerror(errno);
        for (int fd : {out[0], out[1], in[0], in[1], status[0], status[1]}) close(fd);
        return result;
    }
    if (pid == 0) {
        // Child: only async-signal-safe calls from here on.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        signal(SIGPIPE, SIG_DFL);
        if (!workingFolder.empty() && chdir(workingFolder.c_str()) != 0) {
            const int err = errno;
            (void)!write(status[1], &err, sizeof err);
            _exit(127);
        }
        execv(argv[0], argv.data());
        const int err = errno;
        (void)!write(status[1], &err, sizeof err);
        _exit(127);
    }
    close(out[1]);
    close(in[0]);
    close(in[1]);  // the child reads end of input at once
    close(status[1]);
    int childErr = 0;
    ssize_t got;
    do {
        got = read(status[0], &childErr, sizeof childErr);
    } while (got < 0 && errno == EINTR);
    close(status[0]);
    if (got == static_cast<ssize_t>(sizeof childErr)) {
        result.error = std::strerror(childErr);
        close(out[0]);
        int st;
        waitpid(pid, &st, 0);
        return result;
    }
    result.process = std::make_unique<PosixChild>(pid, out[0]);
    return result;
}

}  // namespace platform
