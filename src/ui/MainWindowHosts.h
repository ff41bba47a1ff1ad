// What the long operations ask of the main window, apart from the window itself: the list operations'
// busy window, disabling and message boxes (ListHost), and a conversion run's row texts, progress window,
// save dialog and shut-down (RunHost).
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "engine/ConversionRun.h"
#include "engine/ListHost.h"

class FileList;
class FileListView;
namespace platform {
class Prompts;
class Shell;
class Shutdown;
}  // namespace platform

namespace ui {

class ProgressWindow;

class MainListHost final : public ListHost {
public:
    MainListHost(HWND window, FileListView& view, platform::Prompts& prompts);

    std::unique_ptr<BusyIndicator> openBusy(const std::string& text) override;
    void setMainWindowEnabled(bool enabled) override;
    void pumpMessages() override;
    void showMessage(const std::string& text, MessageIcon icon) override;

private:
    HWND window_;
    FileListView& view_;
    platform::Prompts& prompts_;
};

class MainRunHost final : public RunHost {
public:
    // list: the rows the run reports on; listHost: disabling and messages, shared with the list operations;
    // settings: the window's, which keep the threads and priority chosen during a run.
    MainRunHost(HWND window, FileList& list, FileListView& view, MainListHost& listHost,
                AppSettings& settings, platform::Shell& shell, platform::Prompts& prompts,
                platform::Shutdown* shutdown);
    ~MainRunHost() override;
    MainRunHost(const MainRunHost&) = delete;
    MainRunHost& operator=(const MainRunHost&) = delete;

    // The progress window while a run shows it, else null (its keys go through the main loop).
    HWND progressWindow() const;

    void setStatus(SourceItem& item, const std::string& text) override;
    void scrollIntoView(int32_t row) override;
    void widenStatusColumn() override;
    void setMainWindowEnabled(bool enabled) override { listHost_.setMainWindowEnabled(enabled); }
    void openProgress(const ProgressSetup& setup) override;
    void setProgressText(const std::string& text) override;
    void setProgressFraction(double fraction) override;
    void stepProgressBar() override;
    void setProgressPercent(const std::string& text) override;
    bool closeProgress() override;
    void keepThreads(uint32_t threads) override;
    void keepPriority(uint32_t priorityClass) override;
    void showMessage(const std::string& text, MessageIcon icon) override {
        listHost_.showMessage(text, icon);
    }
    std::optional<std::string> chooseJoinedOutput(const std::string& extension) override;
    void showInFileManager(const std::string& path) override;
    void startShutdownCountdown() override;

private:
    HWND window_;
    FileList& list_;
    FileListView& view_;
    MainListHost& listHost_;
    AppSettings& settings_;
    platform::Shell& shell_;
    platform::Prompts& prompts_;
    platform::Shutdown* shutdown_;
    std::unique_ptr<ProgressWindow> progress_;
    bool statusWidened_ = false;
};

}  // namespace ui
