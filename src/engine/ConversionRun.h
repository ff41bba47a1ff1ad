// A conversion run: the chosen list entries become jobs, up to ConversionThreads transcoders run side by
// side, every job's outcome goes to its row's Status text and the overall state to the progress window;
// Convert to One first normalises the sources (or takes them as they are) and then joins them.
//
// The run talks to its surroundings only through RunSources (the file list), RunHost (rows' texts, the
// progress window, message boxes, the save dialog, the shell) and the RunEventSink its jobs report to. The
// front end hands every report of that sink back to onProgress / onDone on the run's own thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/ListHost.h"
#include "engine/OutputNaming.h"
#include "engine/Transcoder.h"

struct AppSettings;
struct OutputFormat;
struct SourceItem;
class Catalogue;

inline constexpr const char* kSelectAFileText = "You should select a file at least.";
inline constexpr const char* kNoFilesInListText = "There aren't files in list.";
inline constexpr const char* kGroupCannotJoinText =
    "Customized Output Format is not supported for \"Convert to One\".";
inline constexpr const char* kGroupWithoutFormatsText =
    "There're not any output formats associated with custom format \"%s\". Please choose one or more output "
    "formats for the format before converting.";
inline constexpr const char* kNothingToJoinText = "No files need to be converted.";
inline constexpr const char* kListFileFailedText = "Failed to create temporary file. Conversion failed.";
inline constexpr const char* kReinstallText =
    "Some files of the program are missing or corrupted. Please reinstall the program";
inline constexpr const char* kConversionFailureText = "Conversion failure";
inline constexpr const char* kCancelledText = "Cancelled";

// What the progress window is opened with.
struct ProgressSetup {
    uint32_t priorityClass = 32;
    uint32_t threads = 2;
    std::string outputFolder;  // empty: the outputs go beside their sources
};

class RunHost {
public:
    virtual ~RunHost() = default;
    // The Status text of the item's row (item.rowIndex).
    virtual void setStatus(SourceItem& item, const std::string& text) = 0;
    virtual void scrollIntoView(int32_t row) { (void)row; }
    // A failure detail is long: the Status column is made at least 500 pixels wide.
    virtual void widenStatusColumn() {}
    virtual void setMainWindowEnabled(bool enabled) { (void)enabled; }

    virtual void openProgress(const ProgressSetup& setup) = 0;
    virtual int progressBarWidth() = 0;
    virtual void setProgressText(const std::string& text) = 0;
    virtual void setProgressBar(int position) = 0;
    // Advances the bar by its step (2 while joining) when the join's length is unknown.
    virtual void stepProgressBar() = 0;
    virtual void setProgressPercent(const std::string& text) = 0;
    // Closes the progress window; true when "Shut down Windows after converting" was ticked.
    virtual bool closeProgress() = 0;

    virtual void showMessage(const std::string& text, MessageIcon icon) = 0;
    // The joined output of Convert to One; nothing when the user cancels.
    virtual std::optional<std::string> chooseJoinedOutput(const std::string& extension) = 0;
    virtual void showInFileManager(const std::string& path) = 0;
    virtual void startShutdownCountdown() = 0;
};

// The file list as a run sees it.
class RunSources {
public:
    virtual ~RunSources() = default;
    virtual size_t rowCount() const = 0;
    virtual SourceItem& rowItem(size_t row) = 0;
    virtual bool isSelected(size_t row) const = 0;
    virtual void removeExpansionRows() = 0;
    // One row per format below every ready source row (only selected ones with selectedOnly).
    virtual void addExpansionRows(bool selectedOnly, const std::vector<const OutputFormat*>& formats) = 0;
    // Prepares the sources the transcoder cannot read itself; false when the user cancelled.
    virtual bool prepareSources(bool selectedOnly) = 0;
};

// The output-format list's current entry: a catalogue format, a custom group (kind 4, with its name and
// member ids) or a command entry (nothing happens).
struct RunChoice {
    const OutputFormat* entry = nullptr;
    std::string groupName;
    std::vector<int32_t> groupIds;
};

class ConversionRun {
public:
    ConversionRun(AppSettings& settings, const Catalogue& catalogue, RunSources& sources, RunHost& host,
                  RunEventSink& sink);
    ~ConversionRun();
    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;

    // The Convert commands: selected rows only, and joined into one file.
    void start(bool selectedOnly, bool joinIntoOne, const RunChoice& choice);
    void onProgress(std::unique_ptr<ProgressReport> report);
    void onDone(std::unique_ptr<DoneReport> report);
    void cancel();
    void setPriority(uint32_t priorityClass);
    void setThreads(uint32_t threads);

    // From start to the end (or cancel): the progress window is open.
    bool isActive() const { return active_; }
    size_t runningCount() const { return running_.size(); }
    // Reports still due from transcoders ended by a cancel.
    bool awaitsReports() const { return !discard_.empty(); }

private:
    struct Job {
        SourceItem* item = nullptr;
        const OutputFormat* format = nullptr;
        std::string target;   // the output the job is for
        std::string writing;  // where the transcoder writes: the target, or a fresh sibling replacing it
    };
    struct Combine;

    void fillSlots();
    void startJob();
    // Starts the job's transcoder; a job that cannot start ends at once as a failed conversion.
    bool launch(Job job);
    void finishJob(Job& job, const DoneReport& report);
    void failJob(Job& job, const std::string& completionText);
    void setJobStatus(const Job& job, const std::string& text);
    void addFinished();
    void updateOverallProgress();
    void afterJobEnded();
    void endQuietly();
    void endRun();
    std::vector<Job>::iterator findRunning(const SourceItem* item);

    // Convert to One.
    void handOver();
    void startCombineStep();
    bool failCombine(const std::string& text);
    void cleanUpCombine(bool cancelled);
    void restoreTrims();

    AppSettings& settings_;
    const Catalogue& catalogue_;
    RunSources& sources_;
    RunHost& host_;
    RunEventSink& sink_;

    std::vector<SourceItem*> queue_;
    std::vector<Job> running_;
    std::vector<Job> done_;
    PlannedTargets planned_;
    const OutputFormat* runFormat_ = nullptr;
    size_t jobCount_ = 0;
    int64_t finishedSum_ = 0;
    float barScale_ = 1;
    bool active_ = false;
    int32_t lastScrolledRow_ = -1;
    std::vector<SourceItem*> discard_;  // jobs ended by a cancel whose done report is still due
    std::unique_ptr<Combine> combine_;
};
