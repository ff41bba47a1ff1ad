// The program's one window: the output-format list, the command buttons, the file list, the menus and
// keys, and the host of every long operation (adding sources, preparing them, conversion runs).
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/AddSources.h"
#include "engine/ConversionRun.h"
#include "formats/Catalogue.h"
#include "formats/CustomFormats.h"
#include "platform/Prompts.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "settings/AppSettings.h"
#include "sources/FileList.h"
#include "ui/logic/FormatChoice.h"

class FileListView;
class ListRunSources;
namespace ui {
class ProgressWindow;
class SkinButton;
}  // namespace ui
class WindowPostingSink;
namespace platform {
class Shutdown;
}

// What the window uses of the world; tests put recorders in place of the shell, the prompts and the
// shut-down, and a memory store in place of the registry.
struct MainServices {
    SettingsStore* store = nullptr;
    platform::Shell* shell = nullptr;
    platform::Prompts* prompts = nullptr;
    platform::Shutdown* shutdown = nullptr;
    std::string programFolder;  // ends with a separator: the transcoder and the help file are there
};

class MainDialog final : public RunHost, public ListHost {
public:
    explicit MainDialog(const MainServices& services);
    ~MainDialog() override;
    MainDialog(const MainDialog&) = delete;
    MainDialog& operator=(const MainDialog&) = delete;

    // Opens the window and runs its messages until it closes (the program's life).
    void run();
    // Opens the window without running its messages (tests drive it and then call close()).
    HWND open();
    void close();
    // The message loop's filter: tooltips first, then the key table, then the dialogs' keys.
    bool preTranslate(MSG& msg);

    HWND handle() const { return window_; }
    FileList& list() { return list_; }
    AppSettings& settings() { return settings_; }
    const ConversionRun* conversion() const { return run_.get(); }
    SourceAdder& adder() { return *adder_; }
    // The files of a drop, as the window's drop message hands them on.
    void addDropped(const std::vector<std::string>& paths);

    // ListHost.
    std::unique_ptr<BusyIndicator> openBusy(const std::string& text) override;
    void setMainWindowEnabled(bool enabled) override;
    void pumpMessages() override;
    void showMessage(const std::string& text, MessageIcon icon) override;

    // RunHost.
    void setStatus(SourceItem& item, const std::string& text) override;
    void scrollIntoView(int32_t row) override;
    void widenStatusColumn() override;
    void openProgress(const ProgressSetup& setup) override;
    void setProgressText(const std::string& text) override;
    void setProgressFraction(double fraction) override;
    void stepProgressBar() override;
    void setProgressPercent(const std::string& text) override;
    bool closeProgress() override;
    void keepThreads(uint32_t threads) override;
    void keepPriority(uint32_t priorityClass) override;
    std::optional<std::string> chooseJoinedOutput(const std::string& extension) override;
    void showInFileManager(const std::string& path) override;
    void startShutdownCountdown() override;

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void onInit();
    void placeControls();
    void styleControls();
    void fillFormatList();
    void showFormatSelection();
    void onFormatChanged();
    void onCommand(UINT id);
    void onContextMenu(HWND from, LPARAM lParam);
    void onInitMenu(HMENU menu);
    void onDrop(HDROP drop);
    void onDestroy();
    void convert(bool selectedOnly, bool joinIntoOne);
    // Plays a path with its program, or shows it in the file manager.
    void openPath(const std::optional<std::string>& path, bool browse);
    void openHelp();
    void addFiles();
    // The folder picker over the window, starting at a remembered folder.
    std::optional<std::string> chooseFolder(const char* title, const std::string& start);
    void addFolder();
    void addDvd();

    MainServices services_;
    HWND window_ = nullptr;
    AppSettings settings_;
    Catalogue catalogue_;
    std::vector<CustomOutputFormat> groups_;
    std::unique_ptr<FormatChoice> formats_;
    FileList list_;
    std::unique_ptr<FileListView> view_;
    std::unique_ptr<SourceAdder> adder_;
    std::unique_ptr<ListRunSources> runSources_;
    std::unique_ptr<WindowPostingSink> sink_;
    std::unique_ptr<ConversionRun> run_;
    std::unique_ptr<ui::ProgressWindow> progress_;
    std::vector<std::unique_ptr<ui::SkinButton>> buttons_;
    HBITMAP background_ = nullptr;
    HMENU menus_ = nullptr;
    HACCEL keys_ = nullptr;
    HWND tooltip_ = nullptr;
    bool statusWidened_ = false;
    bool modal_ = false;
};
