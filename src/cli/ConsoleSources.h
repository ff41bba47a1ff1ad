// Sources named on the command line, added to a file list as the desktop program adds them: files as
// chosen in Add Files, folders as in Add Folder (with the extension filter of the settings), DVD folders
// (the disc's root or its VIDEO_TS folder) one source per title. The busy window is a line on standard
// error while it is a terminal; messages go to standard error.
#pragma once

#include <string>
#include <vector>

#include "engine/AddSources.h"
#include "engine/ListHost.h"

struct AppSettings;
class FileList;
struct SourceItem;

namespace cli {

class ConsoleListHost final : public ListHost {
public:
    explicit ConsoleListHost(std::string command) : command_(std::move(command)) {}
    std::unique_ptr<BusyIndicator> openBusy(const std::string& text) override;
    void setMainWindowEnabled(bool) override {}
    void pumpMessages() override {}
    void showMessage(const std::string& text, MessageIcon icon) override;

private:
    std::string command_;
};

// Standard error is a terminal: progress may be drawn on one live line.
bool stderrIsTerminal();

// True once Ctrl+C was pressed while interrupts are watched (see watchInterrupts).
bool interrupted();
// Turns Ctrl+C into a cancel while the returned guard lives.
class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

private:
    void (*previous_)(int);
};

// One source line of a command's report, in the order the arguments named them.
struct SourceLine {
    std::string source;          // the argument, a file found in a folder, or "ARG (DVD Title N)"
    SourceItem* item = nullptr;  // the listed item; null when it was refused
    std::string error;           // why it was refused
};

// Adds the sources to the list; a path named twice is listed once.
std::vector<SourceLine> addSources(const std::vector<std::string>& arguments, FileList& list,
                                   AppSettings& settings, ListHost& host);

}  // namespace cli
