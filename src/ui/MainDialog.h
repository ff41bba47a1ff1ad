// The program's one window: the output-format list, the command buttons, the file list, the menus and
// keys. It turns its controls' and menus' messages into calls on the list model, the adding of sources
// and the conversion run; what those ask of the window goes through its hosts (ui/MainWindowHosts.h).
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/AddSources.h"
#include "engine/ConversionRun.h"
#include "engine/ThrottledRunHost.h"
#include "formats/Catalogue.h"
#include "formats/CustomFormats.h"
#include "platform/Prompts.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "settings/AppSettings.h"
#include "sources/FileList.h"
#include "ui/DialogWindow.h"
#include "ui/GdiHandles.h"
#include "ui/logic/FormatChoice.h"

class FileListView;
class ListRunSources;
namespace ui {
class MainListHost;
class MainRunHost;
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
    // Sees every command that has a handler before it runs; false holds it back (tests record with it).
    std::function<bool(UINT id)> beforeCommand = nullptr;
};

class MainDialog final : private ui::DialogWindow {
public:
    explicit MainDialog(const MainServices& services);
    ~MainDialog() override;

    // Opens the window and runs its messages until it closes (the program's life).
    void run();
    // Opens the window without running its messages (tests drive it and then call close()).
    HWND open();
    void close();
    // The message loop's filter: tooltips first, then the key table, then the dialogs' keys.
    bool preTranslate(MSG& msg);

    using DialogWindow::handle;
    FileList& list() { return list_; }
    AppSettings& settings() { return settings_; }
    const ConversionRun* conversion() const { return run_.get(); }
    SourceAdder& adder() { return *adder_; }
    // The files of a drop, as the window's drop message hands them on.
    void addDropped(const std::vector<std::string>& paths);

private:
    struct Handler;
    static const Handler kHandlers[];

    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
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
    void openHelpMenu();
    void openOptions();
    void openWebCommand(UINT id);
    void showLength(bool all);
    void editTags();
    void analyzeLoudness();
    void addFiles();
    // The folder picker over the window, starting at a remembered folder.
    std::optional<std::string> chooseFolder(const char* title, const std::string& start);
    void addFolder();
    void addDvd();

    MainServices services_;
    AppSettings settings_;
    Catalogue catalogue_;
    std::vector<CustomOutputFormat> groups_;
    std::unique_ptr<FormatChoice> formats_;
    FileList list_;
    std::unique_ptr<FileListView> view_;
    std::unique_ptr<ui::MainListHost> listHost_;
    std::unique_ptr<ui::MainRunHost> runHost_;
    std::unique_ptr<ThrottledRunHost> throttledHost_;  // what a run reports to: runHost_ at a window's pace
    std::unique_ptr<SourceAdder> adder_;
    std::unique_ptr<ListRunSources> runSources_;
    std::unique_ptr<WindowPostingSink> sink_;
    std::unique_ptr<ConversionRun> run_;
    ui::IconHandle bigIcon_, smallIcon_;
    ui::BitmapHandle background_;  // before the buttons, which paint from it
    std::vector<std::unique_ptr<ui::SkinButton>> buttons_;
    ui::MenuHandle listMenu_, helpMenu_;
    ui::KeyTableHandle keys_;
    ui::WindowHandle tooltip_;
    bool modal_ = false;
};
