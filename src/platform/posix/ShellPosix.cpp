#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/Files.h"
#include "platform/Shell.h"

extern char** environ;

namespace platform {
namespace {

// Starts xdg-open with the target as its one argument (no shell, so no character of the name means
// anything) and reaps it in the background. Windows-style result: above 32 when it started.
intptr_t launchOpener(const std::string& target) {
    // A name starting with '-' would read as an option of the opener.
    std::string argument = target;
    if (!argument.empty() && argument[0] == '-') argument = "./" + argument;
    std::string program = "xdg-open";
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ);
    if (error != 0) {
        switch (error) {
            case ENOENT:
                return 2;
            case EACCES:
                return 5;
            case ENOMEM:
                return 8;
            default:
                return 0;
        }
    }
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return 42;
}

class PosixShell final : public Shell {
public:
    // File managers cannot be told which file to select through xdg-open: open its folder.
    void showInExplorer(const std::string& path) override {
        const auto folder = folderPart(path);
        launchOpener(folder ? *folder : std::string("."));
    }
    intptr_t openDocument(const std::string& target, int showCommand) override {
        (void)showCommand;
        if (target.empty()) return 2;
        return launchOpener(target);
    }
    std::optional<std::vector<std::string>> chooseFile(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseFolder(const FolderDialogRequest&) override { return std::nullopt; }
};

}  // namespace

Shell& systemShell() {
    static PosixShell shell;
    return shell;
}

}  // namespace platform
