// A conversion run: the chosen list entries become jobs, up to ConversionThreads transcoders run side by
// side, every job's outcome goes to its row's Status text and the overall state to the progress window;
// Convert to One first normalises the sources (or takes them as they are) and then joins them. Every job
// is a sequence of steps (see JobStep.h).
//
// The run talks to its surroundings only through RunSources (the file list), RunHost (rows' texts, the
// progress window, message boxes, the save dialog, the shell) and the RunEventSink its jobs report to. The
// front end hands every report of that sink back to onProgress / onDone on the run's own thread.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/JobStep.h"
#include "engine/ListHost.h"
#include "engine/OutputNaming.h"
#include "engine/OutputTags.h"
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
    // The Status text of the row that holds the item.
    virtual void setStatus(SourceItem& item, const std::string& text) = 0;
    virtual void scrollIntoView(int32_t row) { (void)row; }
    // A failure detail is long: the Status column is made at least 500 pixels wide.
    virtual void widenStatusColumn() {}
    virtual void setMainWindowEnabled(bool enabled) { (void)enabled; }

    virtual void openProgress(const ProgressSetup& setup) = 0;
    virtual void setProgressText(const std::string& text) = 0;
    // The overall bar: the part of the run done, 0 to 1.
    virtual void setProgressFraction(double fraction) = 0;
    // Advances the bar by its step (2 while joining) when the join's length is unknown.
    virtual void stepProgressBar() = 0;
    virtual void setProgressPercent(const std::string& text) = 0;
    // Closes the progress window; true when "Shut down Windows after converting" was ticked.
    virtual bool closeProgress() = 0;
    // The thread count and the priority chosen during a run are the user's new settings.
    virtual void keepThreads(uint32_t threads) { (void)threads; }
    virtual void keepPriority(uint32_t priorityClass) { (void)priorityClass; }

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
    // Measures the loudness of the items that lack a current measurement and gives them their album
    // values (see analyseLoudness); false when the user cancelled. Lists that never measure leave the
    // items as they are.
    virtual bool measureLoudness(const std::vector<SourceItem*>& items,
                                 const std::function<const OutputFormat*(const SourceItem&)>& formatOf,
                                 const AppSettings& settings, bool oneAlbum) {
        (void)items, (void)formatOf, (void)settings, (void)oneAlbum;
        return true;
    }
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
    // The run reads settings when it starts and keeps its own copy from there on.
    ConversionRun(const AppSettings& settings, const Catalogue& catalogue, RunSources& sources, RunHost& host,
                  RunEventSink& sink);
    ~ConversionRun();
    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;

    // How the jobs of the next runs are made; the default is one transcoder step per job.
    void setStepPlanner(StepPlanner planner);

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
        int32_t row = -1;  // the list row; -1 for the join's own entry
        const OutputFormat* format = nullptr;
        std::string target;   // the output the job is for
        std::string writing;  // where the steps write: the target, or a fresh sibling replacing it at the end
        std::vector<JobStep> steps;
        size_t step = 0;                   // the one running
        int32_t permille = 0;              // of the whole job done
        std::string transcoderMessage;     // the last line of its last transcoder step
        std::optional<int64_t> writtenMs;  // what its conversion reported writing
        int32_t damagedFrames = 0;         // skipped while converting
        TagInputs tags;                    // the running transcoder step's metadata file and cover
    };
    using Running = std::list<Job>;
    struct Combine;
    enum class RunEnd { kQuietly, kFinished, kCancelled };

    // Measures the rows the run is to convert when its loudness mode needs it; false on a cancel.
    bool measureRunLoudness(bool selectedOnly, bool group, const OutputFormat* entry, bool oneAlbum);
    void fillSlots();
    void startJob();
    // Plans the job's steps and runs them; false when the job has ended already.
    bool beginJob(Job job, JobKind kind);
    // Runs the job's steps from its current one on until a transcoder runs (true) or the job has ended
    // (false; also when a cancel came during an in-process step).
    bool advance(Running::iterator job);
    Result<> runInProcess(Job& job, const InProcessStep& step);
    // Whether a transcoder step that ended left the output it should have.
    Result<> checkEndedStep(Job& job, const DoneReport& report);
    void addVerifyStep(Job& job) const;
    int32_t stepEnd(const Job& job, size_t step) const;
    // Places the current step's own progress (per mille) within the job's.
    void setStepProgress(Job& job, int32_t stepPermille);
    void completeJob(Running::iterator job);
    // blameTranscoder: a missing transcoder file is named as the cause.
    void failJob(Running::iterator job, const std::string& reason, bool blameTranscoder);
    void retire(Running::iterator job);
    // Deletes the job's tag files; one still held by an ending transcoder is deleted later.
    void dropTagInputs(Job& job);
    void removeLeftovers();
    void setJobStatus(const Job& job, const std::string& text);
    void updateOverallProgress();
    void afterJobEnded();
    // The one way a run ends; message is a warning shown once the progress window is gone.
    void endRun(RunEnd how, const std::string& message = {});
    Running::iterator findRunning(const SourceItem* item);

    // Convert to One.
    void handOver();
    void startCombineStep();
    void finishCombine(RunEnd how);

    const AppSettings& settings_;
    const Catalogue& catalogue_;
    RunSources& sources_;
    RunHost& host_;
    RunEventSink& sink_;
    StepPlanner planner_ = singleStepPlan;

    AppSettings options_;  // the run's copy of the settings, taken at its start
    std::vector<Job> queue_;
    Running running_;
    // The items of the jobs that ended, in that order: a finished job's steps and texts are let go, so
    // a run of thousands of jobs does not keep them all.
    std::vector<SourceItem*> done_;
    PlannedTargets planned_;
    const OutputFormat* runFormat_ = nullptr;
    size_t jobCount_ = 0;
    std::vector<SourceItem*> runItems_;  // the rows the run converts, for its closing count
    size_t damagedJobs_ = 0;
    int64_t finishedPermille_ = 0;  // 1000 per finished or refused job
    bool active_ = false;
    bool inStep_ = false;         // an in-process step is running
    bool cancelPending_ = false;  // cancel asked for while it was
    int32_t lastScrolledRow_ = -1;
    std::vector<SourceItem*> discard_;  // jobs ended by a cancel whose done report is still due
    std::vector<TagInputs> leftovers_;  // tag files not yet deleted
    std::unique_ptr<Combine> combine_;
};
