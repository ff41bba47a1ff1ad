// A shell that records what it was asked to open or show and answers with prepared results.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace testing_support {

class ShellRecorder final : public platform::Shell {
public:
    struct Opened {
        std::string target;
        int showCommand = 0;
        bool operator==(const Opened&) const = default;
    };
    std::vector<Opened> opened;
    std::vector<std::string> shownInExplorer;
    std::deque<intptr_t> openResults;  // answered in order; success (42) once used up
    std::vector<platform::FileDialogRequest> fileRequests;
    std::optional<std::vector<std::string>> fileAnswer;
    std::vector<platform::FolderDialogRequest> folderRequests;
    std::optional<std::string> folderAnswer;

    void showInExplorer(const std::string& path) override { shownInExplorer.push_back(path); }
    intptr_t openDocument(const std::string& target, int showCommand) override {
        opened.push_back({target, showCommand});
        if (openResults.empty()) return 42;
        const intptr_t result = openResults.front();
        openResults.pop_front();
        return result;
    }
    std::optional<std::vector<std::string>> chooseFile(const platform::FileDialogRequest& request) override {
        fileRequests.push_back(request);
        return fileAnswer;
    }
    std::optional<std::string> chooseFolder(const platform::FolderDialogRequest& request) override {
        folderRequests.push_back(request);
        return folderAnswer;
    }
};

}  // namespace testing_support
