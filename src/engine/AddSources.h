// Adding sources to the file list: the Add Files dialog's answer, Add Folder, dropped files and folders,
// and the titles of a DVD. Paths are gathered into a batch (the extension filter and shortcuts decide
// what a folder scan or a drop takes), then probed side by side by several transcoders while the rows are
// appended in batch order, under the busy window; files that could not be added are reported at the end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/ListHost.h"
#include "platform/Shell.h"

struct AppSettings;
class FileList;

// A path follows at most this many shortcuts to its target; a longer chain (a loop) is refused.
inline constexpr int kMaxShortcutsFollowed = 8;

// A shortcut's target, or nothing when the file is no shortcut or cannot be resolved.
using ShortcutResolver = std::function<std::optional<std::string>(const std::string&)>;

// The extension filter and the shortcut rule for one file found by a folder scan or a drop: appends the
// path (or the shortcut's target) to the batch when it is taken. An empty filter takes everything.
void acceptPath(const std::string& path, const std::vector<std::string>& filter,
                const ShortcutResolver& resolve, std::vector<std::string>& batch);
// Every file of the folder tree through acceptPath: the files of the folder itself first, then those of
// each subfolder, depth first. A folder reached again through a link is not scanned twice.
void scanFolder(const std::string& folder, const std::vector<std::string>& filter,
                const ShortcutResolver& resolve, std::vector<std::string>& batch);

// The Add Files dialog: its type list (50 entries, "All Files" first) and its request, starting in
// LastAddFileDir (which falls back to the Documents folder when it is gone).
std::vector<platform::FileFilter> addFilesFilter();
platform::FileDialogRequest addFilesRequest(AppSettings& settings, void* owner);
// The dialog's answer (one path, or a folder followed by names) as a batch; LastAddFileDir becomes the
// folder of the choice.
std::vector<std::string> chosenFilesBatch(const std::vector<std::string>& answer, AppSettings& settings);

// The message listing the files that could not be added, with the hint that fits: the transcoder is
// missing, a CD track was copied to a disk, or where to send the files.
std::string failureReportText(const std::string& failureList, bool transcoderPresent, bool cdTrackHint);

// The DVD folder chosen by the user (the disc's root or its VIDEO_TS folder): the folder that holds the VOB
// files, ending in a separator; nothing when no VTS_01_1.VOB is there.
std::optional<std::string> findVobFolder(const std::string& chosen);
// The title sets worth listing, numbered from 1: VTS_01_1.VOB, VTS_02_1.VOB ... up to the first one
// missing, without the ones under 1 MB (menus and short clips).
struct DvdTitle {
    int32_t titleNumber = 0;
    int32_t titleSet = 0;
};
std::vector<DvdTitle> dvdTitles(const std::string& vobFolder);

// What became of one path of a batch or one title of a DVD.
enum class AddOutcome { kAdded, kAlreadyListed, kFailed, kNotTried };
struct AddResult {
    std::string source;  // the path, or "DVD Title N"
    AddOutcome outcome = AddOutcome::kNotTried;
    size_t row = 0;     // kAdded: the new row
    std::string error;  // kFailed: why
};

class SourceAdder {
public:
    SourceAdder(FileList& list, AppSettings& settings, ListHost& host);

    // How many probes run side by side (default: the number of cores, at least 2).
    void setProbeThreads(unsigned threads) { threads_ = threads < 1 ? 1 : threads; }
    void setShortcutResolver(ShortcutResolver resolve) { resolve_ = std::move(resolve); }

    // Probes and appends every path in batch order, under the given busy window (or a new one), with the
    // main window disabled; Cancel stops after the files in flight. Reports the failures in a message.
    std::vector<AddResult> addBatch(const std::vector<std::string>& batch,
                                    std::unique_ptr<BusyIndicator> busy = nullptr);
    // The commands, after their dialog: the Add Files answer, the chosen folder, the dropped paths.
    std::vector<AddResult> addChosenFiles(const std::vector<std::string>& answer);
    std::vector<AddResult> addFolder(const std::string& folder);
    std::vector<AddResult> addDropped(const std::vector<std::string>& paths);
    // Lists the titles of the DVD in the chosen folder (DVDFolder remembers it), reporting the titles
    // whose probe failed; a folder without DVD video shows its own message.
    std::vector<AddResult> addDvd(const std::string& chosen);

private:
    std::vector<AddResult> addGathered(const std::vector<std::string>& batch,
                                       std::unique_ptr<BusyIndicator> busy);

    FileList& list_;
    AppSettings& settings_;
    ListHost& host_;
    unsigned threads_;
    ShortcutResolver resolve_;
};
