#include "engine/ConversionRun.h"

#include <algorithm>
#include <cstdio>

#include "engine/CommandLine.h"
#include "formats/Catalogue.h"
#include "formats/OutputFormat.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"

namespace {

constexpr uint32_t kMinThreads = 1;
constexpr uint32_t kMaxThreads = 32;

uint32_t threadCount(uint32_t setting) { return std::clamp(setting, kMinThreads, kMaxThreads); }

// "[mm:ss.mmm]" below an hour, "[hh:mm:ss.mmm]" from there on.
std::string elapsedText(int64_t ms) {
    if (ms < 0) ms = 0;
    const int64_t seconds = ms / 1000;
    char text[48];
    if (seconds < 3600) {
        std::snprintf(text, sizeof text, "[%02d:%02d.%03d]", static_cast<int>(seconds / 60),
                      static_cast<int>(seconds % 60), static_cast<int>(ms % 1000));
    } else {
        std::snprintf(text, sizeof text, "[%02d:%02d:%02d.%03d]", static_cast<int>(seconds / 3600),
                      static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60),
                      static_cast<int>(ms % 1000));
    }
    return text;
}

// Deletes a job's output, never its source.
void deleteOutput(const std::string& output, const SourceItem& item) {
    if (output.empty() || platform::samePath(platform::fullPath(output), platform::fullPath(item.path)) ||
        platform::sameFile(output, item.path)) {
        return;
    }
    platform::deleteFile(output);
}

// A line of the join's list file: the path in single quotes, each quote inside it closed, escaped and
// reopened.
std::string listLine(const std::string& path) {
    std::string line = "file '";
    for (const char c : platform::fullPath(path)) {
        if (c == '\'') {
            line += "'\\''";
        } else {
            line += c;
        }
    }
    return line + "'\n";
}

}  // namespace

struct ConversionRun::Combine {
    int stage = 0;  // 1 normalising, 2 joining
    bool normalise = false;
    std::unique_ptr<OutputFormat> normalisation;
    const OutputFormat* final = nullptr;
    std::unique_ptr<SourceItem> entry;  // the join's own job
    uint32_t skipSwitch = 0, lengthSwitch = 0, ignoreSwitch = 0;
    std::string outputPath;
    std::string listFile;
    std::vector<SourceItem*> members;
};

ConversionRun::ConversionRun(AppSettings& settings, const Catalogue& catalogue, RunSources& sources,
                             RunHost& host, RunEventSink& sink)
    : settings_(settings), catalogue_(catalogue), sources_(sources), host_(host), sink_(sink) {}

ConversionRun::~ConversionRun() { cancel(); }

void ConversionRun::start(bool selectedOnly, bool joinIntoOne, const RunChoice& choice) {
    if (active_) return;
    const size_t rows = sources_.rowCount();
    bool anySelected = false;
    for (size_t r = 0; r < rows && !anySelected; ++r) anySelected = sources_.isSelected(r);
    if (selectedOnly && !anySelected) return host_.showMessage(kSelectAFileText, MessageIcon::kInformation);
    if (!selectedOnly && rows == 0) return host_.showMessage(kNoFilesInListText, MessageIcon::kInformation);
    const OutputFormat* entry = choice.entry;
    if (entry == nullptr || entry->kind == kFormatCommand) return;
    const bool group = entry->kind == kFormatCustom;
    if (joinIntoOne && group) return host_.showMessage(kGroupCannotJoinText, MessageIcon::kWarning);
    if (joinIntoOne) {
        const auto output = host_.chooseJoinedOutput(entry->extension);
        if (!output || output->empty()) return;
        combine_ = std::make_unique<Combine>();
        combine_->outputPath = platform::fullPath(*output);
    }

    sources_.removeExpansionRows();
    if (!sources_.prepareSources(selectedOnly)) {
        combine_.reset();
        return;
    }
    if (group) {
        std::vector<const OutputFormat*> members;
        for (const int32_t id : choice.groupIds) {
            if (const OutputFormat* f = catalogue_.findById(id)) members.push_back(f);
        }
        if (members.empty()) {
            return host_.showMessage(platform::fillIn(kGroupWithoutFormatsText, choice.groupName),
                                     MessageIcon::kWarning);
        }
        sources_.addExpansionRows(selectedOnly, members);
    }
    std::string name = group ? choice.groupName : formatName(*entry);

    queue_.clear();
    running_.clear();
    done_.clear();
    planned_.clear();
    for (size_t r = 0; r < sources_.rowCount(); ++r) {
        if (selectedOnly && !sources_.isSelected(r)) continue;
        SourceItem& item = sources_.rowItem(r);
        item.outputPath.clear();
        if (item.needsPreparation && !item.prepared) continue;
        item.rowIndex = static_cast<int32_t>(r);
        host_.setStatus(item, "");
        if (group && !item.isExpansionRow) continue;
        item.progress = 0;
        item.process.reset();
        queue_.push_back(&item);
        planned_.protectSource(item.path, systemNamingFileSystem());
    }
    if (queue_.empty()) {
        combine_.reset();
        return;
    }

    jobCount_ = queue_.size();
    runFormat_ = entry;
    if (combine_) handOver();
    host_.setMainWindowEnabled(false);
    ProgressSetup setup;
    setup.priorityClass = settings_.ConversionPriority;
    setup.threads = threadCount(settings_.ConversionThreads);
    if (settings_.DestOutputFolderOpt == kOutputSpecificFolder)
        setup.outputFolder = settings_.DestSpecifiedFolder;
    host_.openProgress(setup);
    active_ = true;
    host_.setProgressBar(0);
    if (combine_) {
        host_.setProgressText(combine_->normalise ? "Normalizing files..." : "Combining files...");
    } else {
        host_.setProgressText("Converting " + std::to_string(jobCount_) + " file(s) to " + name + "...");
    }
    finishedSum_ = 0;
    barScale_ =
        static_cast<float>(jobCount_) * 100.0f / static_cast<float>(std::max(1, host_.progressBarWidth()));
    lastScrolledRow_ = -1;

    if (combine_ && !combine_->normalise) return startCombineStep();
    fillSlots();
    if (queue_.empty() && running_.empty()) endQuietly();
}

void ConversionRun::fillSlots() {
    while (active_ && !queue_.empty() && running_.size() < threadCount(settings_.ConversionThreads))
        startJob();
}

void ConversionRun::startJob() {
    SourceItem* item = queue_.front();
    queue_.erase(queue_.begin());
    Job job;
    job.item = item;
    job.format = item->isExpansionRow && item->groupFormat != nullptr ? item->groupFormat : runFormat_;
    lastScrolledRow_ = item->rowIndex;
    host_.scrollIntoView(item->rowIndex);
    host_.setStatus(*item, "Initialize...");

    std::string error;
    const bool normalisation = combine_ != nullptr && combine_->stage == 1;
    if (!chooseTarget(*item, *job.format, normalisation, settings_, planned_, &error)) {
        item->outputPath.clear();
        host_.setStatus(*item, error);
        addFinished();
        updateOverallProgress();
        return;
    }
    job.target = item->outputPath;
    if (!launch(std::move(job))) updateOverallProgress();
}

bool ConversionRun::launch(Job job) {
    SourceItem& item = *job.item;
    job.writing = job.target;
    // An existing file is replaced only by a finished conversion: the job writes beside it first.
    if (platform::pathExists(job.target)) {
        const auto extension = platform::extensionPart(job.target);
        job.writing = platform::makeTempFileName(platform::folderPart(job.target).value_or(std::string()),
                                                 "~md", extension ? *extension : std::string_view());
    }
    item.outputPath = job.writing;
    std::string error;
    const bool started =
        buildAndStart(item, *job.format, settings_, settings_.ConversionPriority, sink_, &error);
    item.outputPath = job.target;
    if (!started) {
        failJob(job, error);
        done_.push_back(std::move(job));
        addFinished();
        return false;
    }
    running_.push_back(std::move(job));
    return true;
}

std::vector<ConversionRun::Job>::iterator ConversionRun::findRunning(const SourceItem* item) {
    return std::find_if(running_.begin(), running_.end(), [item](const Job& j) { return j.item == item; });
}

void ConversionRun::onProgress(std::unique_ptr<ProgressReport> report) {
    if (!report || !active_) return;
    if (std::find(discard_.begin(), discard_.end(), report->item) != discard_.end()) return;
    const auto job = findRunning(report->item);
    if (job == running_.end()) return;
    SourceItem& item = *job->item;
    const std::string time = elapsedText(report->elapsedMs);
    if (item.rowIndex == -1) {
        host_.setProgressText("Combining files...  " + time);
        if (report->percent == -1) {
            host_.stepProgressBar();
        } else {
            item.progress = report->percent;
            updateOverallProgress();
        }
        return;
    }
    if (report->percent == -1) {
        host_.setStatus(item, time);
    } else {
        item.progress = report->percent;
        host_.setStatus(item, std::to_string(report->percent) + "% " + time);
        updateOverallProgress();
    }
    if (running_.size() < threadCount(settings_.ConversionThreads) &&
        running_.back().item->rowIndex != lastScrolledRow_) {
        lastScrolledRow_ = running_.back().item->rowIndex;
        host_.scrollIntoView(lastScrolledRow_);
    }
}

void ConversionRun::onDone(std::unique_ptr<DoneReport> report) {
    if (!report) return;
    const auto stale = std::find(discard_.begin(), discard_.end(), report->item);
    if (stale != discard_.end()) {
        discard_.erase(stale);
        return;
    }
    if (!active_) return;
    const auto found = findRunning(report->item);
    if (found == running_.end()) return;
    Job job = std::move(*found);
    running_.erase(found);
    job.item->progress = 100;
    job.item->process.reset();
    finishJob(job, *report);
    done_.push_back(std::move(job));
    addFinished();
    updateOverallProgress();
    afterJobEnded();
}

void ConversionRun::finishJob(Job& job, const DoneReport& report) {
    SourceItem& item = *job.item;
    // A transcoder that failed may still have written a header, and a refused job may leave an older
    // file in place: only a clean exit with output counts.
    bool converted = report.exitCode == 0u && platform::fileSize64(job.writing).value_or(0) > 0;
    if (converted && job.writing != job.target) converted = platform::replaceFile(job.writing, job.target);
    if (!converted) return failJob(job, report.completionText);
    item.outputPath = job.target;
    if (settings_.KeepDateCreated != 0 || settings_.KeepDateModified != 0) {
        const SourceItem& timeSource =
            item.kind == kSourceCombineList && !combine_->members.empty() ? *combine_->members.front() : item;
        copyFileTimes(timeSource, job.target, settings_);
    }
    if (combine_ && combine_->stage == 1) {
        setJobStatus(job, "Normalizing OK");
    } else {
        setJobStatus(job, std::string(platform::fileNamePart(job.target)));
    }
}

void ConversionRun::failJob(Job& job, const std::string& completionText) {
    deleteOutput(job.writing, *job.item);
    job.item->outputPath.clear();
    std::string text = kConversionFailureText;
    if (!platform::pathExists(transcoderPath())) {
        text += std::string(" (") + kReinstallText + ")";
    } else if (!completionText.empty()) {
        text += " (" + completionText + ")";
    }
    if (text.size() > std::string_view(kConversionFailureText).size()) host_.widenStatusColumn();
    setJobStatus(job, text);
}

void ConversionRun::setJobStatus(const Job& job, const std::string& text) {
    if (job.item->rowIndex != -1) return host_.setStatus(*job.item, text);
    if (combine_) {
        for (SourceItem* member : combine_->members) host_.setStatus(*member, text);
    }
}

void ConversionRun::addFinished() { finishedSum_ += 100; }

void ConversionRun::updateOverallProgress() {
    int64_t total = finishedSum_;
    for (const Job& job : running_) total += job.item->progress;
    host_.setProgressBar(static_cast<int>(static_cast<float>(total) / barScale_));
    const int64_t percent =
        std::min<int64_t>(total / static_cast<int64_t>(std::max<size_t>(jobCount_, 1)), 100);
    host_.setProgressPercent(std::to_string(percent) + "%");
}

void ConversionRun::afterJobEnded() {
    if (!queue_.empty()) fillSlots();
    if (!queue_.empty() || !running_.empty()) return;
    // Jobs that ran end the run as usual, even when the last queued ones were refused; a run in which
    // every job was refused ends without its end steps.
    if (!done_.empty()) {
        endRun();
    } else {
        endQuietly();
    }
}

void ConversionRun::endQuietly() {
    if (combine_) cleanUpCombine(false);
    host_.closeProgress();
    host_.setMainWindowEnabled(true);
    active_ = false;
    combine_.reset();
}

void ConversionRun::endRun() {
    if (combine_ && combine_->stage == 1) return startCombineStep();
    if (combine_) {
        const std::string joined = combine_->entry ? combine_->entry->outputPath : std::string();
        cleanUpCombine(false);
        for (SourceItem* member : combine_->members) member->outputPath = joined;
    }
    const bool shutDown = host_.closeProgress();
    host_.setMainWindowEnabled(true);
    active_ = false;
    if (settings_.BrowseOutputFolder != 0) {
        for (const Job& job : done_) {
            if (!job.item->outputPath.empty() && platform::pathExists(job.item->outputPath)) {
                host_.showInFileManager(job.item->outputPath);
                break;
            }
        }
    }
    if (shutDown) host_.startShutdownCountdown();
    if (combine_) {
        done_.clear();  // the join's own entry goes with the group
        combine_.reset();
    }
}

void ConversionRun::cancel() {
    if (!active_ || running_.empty()) return;
    for (Job& job : running_) {
        cancelConversion(*job.item);
        job.item->process.reset();
        deleteOutput(job.writing, *job.item);
        job.item->outputPath.clear();
        if (job.item->rowIndex != -1) host_.setStatus(*job.item, kCancelledText);
        discard_.push_back(job.item);
    }
    if (combine_) cleanUpCombine(true);
    queue_.clear();
    running_.clear();
    done_.clear();
    host_.closeProgress();
    host_.setMainWindowEnabled(true);
    active_ = false;
    combine_.reset();
}

void ConversionRun::setPriority(uint32_t priorityClass) {
    if (running_.empty()) return;
    settings_.ConversionPriority = priorityClass;
    for (Job& job : running_) {
        if (job.item->process) job.item->process->setPriority(priorityClass);
    }
}

void ConversionRun::setThreads(uint32_t threads) {
    settings_.ConversionThreads = threadCount(threads);
    if (!active_ || (combine_ && combine_->stage == 2)) return;
    fillSlots();
    if (queue_.empty() && running_.empty()) afterJobEnded();
}

// Convert to One.

void ConversionRun::handOver() {
    Combine& c = *combine_;
    c.final = runFormat_;
    c.members = queue_;
    c.normalise = settings_.NormalizeFile != 0;
    if (!c.normalise) {
        jobCount_ = 1;
        c.stage = 2;
        return;
    }
    c.normalisation = makeNormalisationFormat();
    uint32_t rate = 0, channels = 0;
    for (const SourceItem* m : c.members) {
        if (m->streamCount() == 0) continue;
        const size_t s = m->audioStream >= 0 && static_cast<size_t>(m->audioStream) < m->streamCount()
                             ? static_cast<size_t>(m->audioStream)
                             : 0;
        rate = std::max(rate, m->streamSampleRates[s]);
        if (s < m->streamChannels.size()) channels = std::max(channels, m->streamChannels[s]);
    }
    OutputFormat& n = *c.normalisation;
    if (rate > 0 && channels > 0) {
        n.AudioCodec = "ac3";
        n.AudioSampleRate =
            c.final->AudioSampleRate > 0 ? c.final->AudioSampleRate : static_cast<int32_t>(rate);
        n.AudioChannels =
            c.final->AudioChannels > 0 ? c.final->AudioChannels : static_cast<int32_t>(channels);
        n.AudioBitRate = defaultBitRate(n.AudioSampleRate, n.AudioChannels) * 3 / 2;
    }
    runFormat_ = c.normalisation.get();
    // The intermediates are whole; trimming applies once, to the joined result.
    c.skipSwitch = settings_.EnableSkipLength;
    c.lengthSwitch = settings_.EnableConvertLength;
    c.ignoreSwitch = settings_.EnableIgnoreTheLast;
    settings_.EnableSkipLength = settings_.EnableConvertLength = settings_.EnableIgnoreTheLast = 0;
    c.stage = 1;
}

void ConversionRun::restoreTrims() {
    // The switches are off only while the sources are normalised; they are the user's again afterwards.
    Combine& c = *combine_;
    if (!c.normalise || c.stage != 1) return;
    settings_.EnableSkipLength = c.skipSwitch;
    settings_.EnableConvertLength = c.lengthSwitch;
    settings_.EnableIgnoreTheLast = c.ignoreSwitch;
}

void ConversionRun::startCombineStep() {
    restoreTrims();
    Combine& c = *combine_;
    c.stage = 2;
    host_.setProgressBar(0);
    host_.setProgressText("Combining files...");
    host_.setProgressPercent("");
    finishedSum_ = 0;
    jobCount_ = 1;
    barScale_ = 100.0f / static_cast<float>(std::max(1, host_.progressBarWidth()));
    queue_.clear();
    running_.clear();
    done_.clear();
    if (c.normalise) {
        std::erase_if(c.members, [](const SourceItem* m) { return m->outputPath.empty(); });
    }
    for (SourceItem* member : c.members) host_.setStatus(*member, "Combining...");
    if (c.members.empty()) {
        failCombine(kNothingToJoinText);
        return;
    }
    // The joined file must not replace one of the files it is made of.
    for (const SourceItem* member : c.members) {
        if (platform::sameFile(member->path, c.outputPath)) {
            failCombine(kTargetIsSourceText);
            return;
        }
    }

    std::string list;
    for (const SourceItem* m : c.members) {
        const std::string& path = c.normalise                                       ? m->outputPath
                                  : m->needsPreparation && !m->preparedPath.empty() ? m->preparedPath
                                                                                    : m->path;
        if (!path.empty()) list += listLine(path);
    }
    if (!list.empty()) {
        c.listFile = platform::makeTempFileName("", "", ".txt");
        if (!platform::writeWholeFile(c.listFile, list)) {
            platform::deleteFile(c.listFile);
            c.listFile.clear();
        }
    }
    if (c.listFile.empty()) {
        failCombine(kListFileFailedText);
        return;
    }

    c.entry = std::make_unique<SourceItem>();
    SourceItem& e = *c.entry;
    e.kind = kSourceCombineList;
    e.path = c.listFile;
    e.rowIndex = -1;
    bool unknownLength = false;
    for (const SourceItem* m : c.members) {
        e.duration += m->duration;
        unknownLength = unknownLength || m->duration == 0;
    }
    if (unknownLength) e.duration = 0;
    if (c.normalise) {
        e.streamBitRates = {static_cast<uint32_t>(c.normalisation->AudioBitRate / 1000)};
        e.streamSampleRates = {static_cast<uint32_t>(c.normalisation->AudioSampleRate)};
        e.streamChannels = {static_cast<uint32_t>(c.normalisation->AudioChannels)};
    } else {
        const SourceItem& first = *c.members.front();
        e.audioStream = first.audioStream;
        e.streamIds = first.streamIds;
        e.streamChannels = first.streamChannels;
        e.streamSampleRates = first.streamSampleRates;
        e.streamBitRates = first.streamBitRates;
    }

    Job job;
    job.item = &e;
    job.format = c.final;
    job.target = c.outputPath;
    if (!launch(std::move(job))) endRun();
}

bool ConversionRun::failCombine(const std::string& text) {
    host_.closeProgress();
    host_.setMainWindowEnabled(true);
    host_.showMessage(text, MessageIcon::kWarning);
    cleanUpCombine(false);
    active_ = false;
    combine_.reset();
    return false;
}

void ConversionRun::cleanUpCombine(bool cancelled) {
    restoreTrims();  // whatever ended the run
    Combine& c = *combine_;
    if (!c.listFile.empty()) platform::deleteFile(c.listFile);
    c.listFile.clear();
    for (SourceItem* member : c.members) {
        if (c.normalise && !member->outputPath.empty()) deleteOutput(member->outputPath, *member);
        member->outputPath.clear();
        if (cancelled) host_.setStatus(*member, kCancelledText);
    }
}
