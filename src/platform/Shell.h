// The shell: opening documents and web pages, showing a file in the file manager, and the modal file and
// folder choosers. Callers go through the Shell interface so that tests can put a recorder in its place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Show commands of the Windows shell.
inline constexpr int kShowNormal = 1;
inline constexpr int kShow = 5;

// One entry of a file dialog's type list: its display text and its patterns ("*.mp3;*.wav").
struct FileFilter {
    std::string text;
    std::string patterns;
};

struct FileDialogRequest {
    void* owner = nullptr;  // the owner window, or null
    std::vector<FileFilter> filter;
    uint32_t flags = 0;            // the dialog's OFN_ flags
    std::string initialName;       // what the name box shows at first
    size_t bufferChars = 520;      // the most the dialog may return, in UTF-16 units
    std::string initialFolder;     // may be empty
    std::string defaultExtension;  // with or without its dot
    bool open = true;              // false: the save dialog
};

struct FolderDialogRequest {
    void* owner = nullptr;
    std::string title;
    bool fromComputer = false;  // rooted at the drives instead of the desktop
    std::string initialFolder;  // selected when the dialog opens
    size_t maxChars = 260;      // the chosen path with its final separator must be shorter than this
};

class Shell {
public:
    virtual ~Shell() = default;
    // Opens the file manager at the file's folder with the file selected (where the system can).
    virtual void showInExplorer(const std::string& path) = 0;
    // Opens a file or a URL with its default program. Windows' convention: above 32 is success.
    virtual intptr_t openDocument(const std::string& target, int showCommand) = 0;
    // One full path, or when several files were chosen the folder followed by the file names; none when
    // the user chose nothing.
    virtual std::optional<std::vector<std::string>> chooseFile(const FileDialogRequest& request) = 0;
    // The chosen folder ending in a separator; none on cancel, for a folder without a file-system path,
    // or when it does not fit maxChars.
    virtual std::optional<std::string> chooseFolder(const FolderDialogRequest& request) = 0;
};

// The real shell of this system. POSIX: documents open through xdg-open, there are no choosers.
Shell& systemShell();

// The command line of the fallback launcher of openDocument: the registered open command cut at its first
// "\"%1\"" (or at its first %1; the whole text when neither occurs), then a blank and the target.
std::string fallbackOpenCommand(std::string_view registeredCommand, std::string_view target);

// A folder as chooseFolder returns it: a separator appended when missing, none when the result would not
// be shorter than maxChars (counted in UTF-16 units, as the system counts).
std::optional<std::string> finishChosenFolder(std::string_view folder, size_t maxChars);

// A type list written as "text|patterns|text|patterns||" (the bars become the dialog's separators).
std::vector<FileFilter> parseFileFilter(std::string_view barSeparated);

// Length of UTF-8 text in UTF-16 units.
size_t utf16Length(std::string_view utf8);

}  // namespace platform
