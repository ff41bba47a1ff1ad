#include "engine/ConversionRun.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "engine/CommandLine.h"
#include "engine/Loudness.h"
#include "engine/Mp4Tags.h"
#include "engine/OutputCheck.h"
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

// An expansion row converts to its member format of the group, every other row to the run's format.
const OutputFormat* jobFormat(const SourceItem& item, const OutputFormat* runFormat) {
    return item.isExpansionRow && item.groupFormat != nullptr ? item.groupFormat : runFormat;
}

}  // namespace

enum class CombineStage { kNormalising, kJoining };

struct ConversionRun::Combine {
    CombineStage stage = CombineStage::kNormalising;
    bool normalise = false;
    std::unique_ptr<OutputFormat> normalisation;
    LosslessPcm intermediate{};  // what the intermediates hold
    AppSettings untrimmed;       // the run's settings for the intermediates
    const OutputFormat* final = nullptr;
    std::unique_ptr<SourceItem> entry;  // the join's own job
    std::string outputPath;
    std::string listFile;
    std::vector<SourceItem*> members;
};

ConversionRun::ConversionRun(const AppSettings& settings, const Catalogue& catalogue, RunSources& sources,
                             RunHost& host, RunEventSink& sink)
    : settings_(settings), catalogue_(catalogue), sources_(sources), host_(host), sink_(sink) {}

ConversionRun::~ConversionRun() {
    cancel();
    removeLeftovers();
}

void ConversionRun::setStepPlanner(StepPlanner planner) {
    planner_ = planner ? std::move(planner) : StepPlanner(singleStepPlan);
}

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
    if (settings_.LoudnessMode != kLoudnessOff &&
        !measureRunLoudness(selectedOnly, group, entry, joinIntoOne)) {
        // Cancelled: the list is left as it was before the run.
        if (group) sources_.removeExpansionRows();
        combine_.reset();
        return;
    }

    options_ = settings_;
    queue_.clear();
    running_.clear();
    done_.clear();
    planned_.clear();
    runItems_.clear();
    damagedJobs_ = 0;
    for (size_t r = 0; r < sources_.rowCount(); ++r) {
        if (selectedOnly && !sources_.isSelected(r)) continue;
        SourceItem& item = sources_.rowItem(r);
        item.outputPath.clear();
        if (item.needsPreparation && !item.prepared) continue;
        host_.setStatus(item, "");
        if (group && !item.isExpansionRow) continue;
        item.process.reset();
        item.failed = false;
        runItems_.push_back(&item);
        Job job;
        job.item = &item;
        job.row = static_cast<int32_t>(r);
        queue_.push_back(std::move(job));
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
    setup.priorityClass = options_.ConversionPriority;
    setup.threads = threadCount(options_.ConversionThreads);
    if (options_.DestOutputFolderOpt == kOutputSpecificFolder)
        setup.outputFolder = options_.DestSpecifiedFolder;
    host_.openProgress(setup);
    active_ = true;
    cancelPending_ = false;
    host_.setProgressFraction(0);
    if (combine_) {
        host_.setProgressText(combine_->normalise ? "Normalizing files..." : "Combining files...");
    } else {
        host_.setProgressText("Converting " + std::to_string(jobCount_) + " file(s) to " + name + "...");
    }
    finishedPermille_ = 0;
    lastScrolledRow_ = -1;

    if (combine_ && !combine_->normalise) return startCombineStep();
    fillSlots();
    if (active_ && queue_.empty() && running_.empty()) endRun(RunEnd::kQuietly);
}

bool ConversionRun::measureRunLoudness(bool selectedOnly, bool group, const OutputFormat* entry,
                                       bool oneAlbum) {
    // The rows the run will convert, as the queue takes them below.
    std::vector<SourceItem*> items;
    for (size_t r = 0; r < sources_.rowCount(); ++r) {
        if (selectedOnly && !sources_.isSelected(r)) continue;
        SourceItem& item = sources_.rowItem(r);
        if ((item.needsPreparation && !item.prepared) || (group && !item.isExpansionRow)) continue;
        items.push_back(&item);
    }
    if (items.empty()) return true;
    const auto formatOf = [entry](const SourceItem& item) { return jobFormat(item, entry); };
    return sources_.measureLoudness(items, formatOf, settings_, oneAlbum);
}

void ConversionRun::fillSlots() {
    while (active_ && !queue_.empty() && running_.size() < threadCount(options_.ConversionThreads))
        startJob();
}

void ConversionRun::startJob() {
    Job job = std::move(queue_.front());
    queue_.erase(queue_.begin());
    SourceItem& item = *job.item;
    job.format = jobFormat(item, runFormat_);
    lastScrolledRow_ = job.row;
    host_.scrollIntoView(job.row);
    host_.setStatus(item, "Initialize...");

    const bool normalising = combine_ != nullptr && combine_->stage == CombineStage::kNormalising;
    const Result<std::string> target = chooseTarget(item, *job.format, normalising, options_, planned_);
    if (!target) {
        item.outputPath.clear();
        host_.setStatus(item, target.reason());
        finishedPermille_ += 1000;
        updateOverallProgress();
        return;
    }
    job.target = *target;
    if (!beginJob(std::move(job), normalising ? JobKind::kNormalisation : JobKind::kConversion) && active_)
        updateOverallProgress();
}

bool ConversionRun::beginJob(Job job, JobKind kind) {
    job.item->outputPath = job.target;
    job.writing = job.target;
    // An existing file is replaced only by a finished job: its steps write beside it first.
    if (platform::pathExists(job.target)) {
        const auto extension = platform::extensionPart(job.target);
        job.writing = platform::makeTempFileName(platform::folderPart(job.target).value_or(std::string()),
                                                 "~md", extension ? *extension : std::string_view());
    }
    const AppSettings& settings = kind == JobKind::kNormalisation ? combine_->untrimmed : options_;
    job.steps = planner_(*job.item, TranscoderStep{job.format, settings}, kind);
    if (settings.LoudnessMode == kLoudnessTags && takesFreeformTags(*job.format)) {
        TagList gains = replayGainTags(job.item->loudness, *job.format);
        if (!gains.empty()) {
            job.steps.push_back(JobStep{InProcessStep([gains = std::move(gains)](StepContext& context) {
                                            return addFreeformTags(context.output, gains);
                                        }),
                                        0});
        }
    }
    // The intermediates of a join are checked by the join's own check.
    if (options_.VerifyOutputs != 0 && kind != JobKind::kNormalisation) addVerifyStep(job);
    running_.push_back(std::move(job));
    return advance(std::prev(running_.end()));
}

void ConversionRun::addVerifyStep(Job& job) const {
    const bool converts = std::any_of(job.steps.begin(), job.steps.end(), [](const JobStep& s) {
        return std::holds_alternative<TranscoderStep>(s.work);
    });
    if (!converts) return;
    for (JobStep& step : job.steps) step.share *= kConversionShare;
    job.steps.push_back(JobStep{VerifyStep{}, kVerifyShare});
}

bool ConversionRun::advance(Running::iterator it) {
    Job& job = *it;
    for (; job.step < job.steps.size(); ++job.step) {
        const JobStep& step = job.steps[job.step];
        if (std::holds_alternative<VerifyStep>(step.work)) {
            SourceItem& item = *job.item;
            if (startConversion(verifyCommandLine(transcoderPath(), job.writing), item,
                                options_.ConversionPriority, sink_, options_.TranscoderStallSeconds))
                return true;
            failJob(it, "The transcoder could not be started", true);
            return false;
        }
        if (const auto* transcoder = std::get_if<TranscoderStep>(&step.work)) {
            SourceItem& item = *job.item;
            dropTagInputs(job);
            // The join carries its first member's tags and cover.
            const SourceItem& tagSource =
                job.row == -1 && combine_ && !combine_->members.empty() ? *combine_->members.front() : item;
            Result<TagInputs> tags = makeTagInputs(tagSource, &tagSource == &item, *transcoder->format,
                                                   transcoder->settings, false, {}, &item.loudness);
            if (!tags) {
                failJob(it, tags.reason(), false);
                return false;
            }
            job.tags = tags.take();
            item.outputPath = job.writing;
            const Result<> started = buildAndStart(item, *transcoder->format, transcoder->settings,
                                                   options_.ConversionPriority, sink_, job.tags);
            item.outputPath = job.target;
            if (started) return true;
            failJob(it, started.reason(), true);
            return false;
        }
        const Result<> outcome = runInProcess(job, std::get<InProcessStep>(step.work));
        if (cancelPending_) {
            cancelPending_ = false;
            cancel();
            return false;
        }
        if (!outcome) {
            failJob(it, outcome.reason(), false);
            return false;
        }
        job.permille = stepEnd(job, job.step);
    }
    completeJob(it);
    return false;
}

Result<> ConversionRun::runInProcess(Job& job, const InProcessStep& step) {
    StepContext context;
    context.input = inputPath(*job.item);
    context.output = job.writing;
    context.cancelled = [this] { return cancelPending_; };
    context.progress = [this, &job](double fraction) {
        setStepProgress(job, static_cast<int32_t>(std::lround(std::clamp(fraction, 0.0, 1.0) * 1000)));
        if (job.row != -1) host_.setStatus(*job.item, std::to_string(job.permille / 10) + "%");
        updateOverallProgress();
    };
    inStep_ = true;
    Result<> outcome = step(context);
    inStep_ = false;
    return outcome;
}

int32_t ConversionRun::stepEnd(const Job& job, size_t step) const {
    const auto shareSum = [&](size_t count) {
        return std::accumulate(job.steps.begin(), job.steps.begin() + static_cast<std::ptrdiff_t>(count),
                               int64_t{0}, [](int64_t sum, const JobStep& s) { return sum + s.share; });
    };
    const int64_t all = shareSum(job.steps.size());
    if (all == 0) return static_cast<int32_t>(1000 * (step + 1) / job.steps.size());
    return static_cast<int32_t>(1000 * shareSum(step + 1) / all);
}

void ConversionRun::setStepProgress(Job& job, int32_t stepPermille) {
    const int32_t from = job.step == 0 ? 0 : stepEnd(job, job.step - 1);
    const int32_t to = stepEnd(job, job.step);
    job.permille = from + (to - from) * std::clamp(stepPermille, 0, 1000) / 1000;
}

ConversionRun::Running::iterator ConversionRun::findRunning(const SourceItem* item) {
    return std::find_if(running_.begin(), running_.end(), [item](const Job& j) { return j.item == item; });
}

void ConversionRun::onProgress(std::unique_ptr<ProgressReport> report) {
    if (!report || !active_) return;
    if (std::find(discard_.begin(), discard_.end(), report->item) != discard_.end()) return;
    const auto job = findRunning(report->item);
    if (job == running_.end()) return;
    const std::string time = elapsedText(report->elapsedMs);
    if (report->percent != -1) setStepProgress(*job, report->percent * 10);
    if (job->row == -1) {
        host_.setProgressText("Combining files...  " + time);
        if (report->percent == -1) {
            host_.stepProgressBar();
        } else {
            updateOverallProgress();
        }
        return;
    }
    if (report->percent == -1) {
        host_.setStatus(*job->item, time);
    } else {
        host_.setStatus(*job->item, std::to_string(job->permille / 10) + "% " + time);
        updateOverallProgress();
    }
    if (running_.size() < threadCount(options_.ConversionThreads) &&
        running_.back().row != lastScrolledRow_) {
        lastScrolledRow_ = running_.back().row;
        host_.scrollIntoView(lastScrolledRow_);
    }
}

void ConversionRun::onDone(std::unique_ptr<DoneReport> report) {
    if (!report) return;
    if (!leftovers_.empty()) removeLeftovers();
    const auto stale = std::find(discard_.begin(), discard_.end(), report->item);
    if (stale != discard_.end()) {
        discard_.erase(stale);
        return;
    }
    if (!active_) return;
    const auto job = findRunning(report->item);
    if (job == running_.end()) return;
    job->item->process.reset();
    job->permille = stepEnd(*job, job->step);
    bool goesOn = false;
    const bool verifying = std::holds_alternative<VerifyStep>(job->steps[job->step].work);
    if (!verifying) job->transcoderMessage = report->completionText;
    // A transcoder that failed may still have written a header, and a refused job may leave an older
    // file in place: only a clean exit with output counts, and only when the output holds what it should.
    const bool wrote = report->exitCode == 0u && platform::fileSize64(job->writing).value_or(0) > 0;
    if (!verifying && !wrote && !report->stalled) {
        const bool nothingDecoded = report->damagedFrames > 0 && report->writtenMs.value_or(0) <= 0;
        if (nothingDecoded) {
            failJob(job, kNoAudioDecodedText, false);
        } else {
            failJob(job, report->completionText, true);
        }
    } else if (const Result<> checked =
                   verifying ? checkVerifiedAudio(job->writtenMs, *report) : checkEndedStep(*job, *report);
               !checked) {
        failJob(job, checked.reason(), false);
    } else {
        ++job->step;
        if (job->step < job->steps.size()) updateOverallProgress();  // the next step starts from here
        goesOn = advance(job);
        if (!active_) return;
    }
    updateOverallProgress();
    if (!goesOn) afterJobEnded();
}

Result<> ConversionRun::checkEndedStep(Job& job, const DoneReport& report) {
    if (report.stalled) return Failure{kStalledText};
    job.damagedFrames += report.damagedFrames;
    job.writtenMs = report.writtenMs;
    // A transcoder that printed no statistics leaves the output's header to tell.
    if (!job.writtenMs) {
        if (const auto header = outputLengthFromHeader(job.writing, options_.TranscoderStallSeconds))
            job.writtenMs = static_cast<int64_t>(*header);
    }
    const auto& transcoder = std::get<TranscoderStep>(job.steps[job.step].work);
    return checkWrittenAudio(expectedAudio(*job.item, transcoder.settings), job.writtenMs);
}

void ConversionRun::completeJob(Running::iterator it) {
    Job& job = *it;
    SourceItem& item = *job.item;
    bool written = platform::fileSize64(job.writing).value_or(0) > 0;
    if (written && job.writing != job.target) written = platform::replaceFile(job.writing, job.target);
    if (!written) return failJob(it, job.transcoderMessage, true);
    item.outputPath = job.target;
    if (options_.KeepDateCreated != 0 || options_.KeepDateModified != 0) {
        const SourceItem& timeSource =
            item.kind == kSourceCombineList && !combine_->members.empty() ? *combine_->members.front() : item;
        copyFileTimes(timeSource, job.target, options_);
    }
    std::string text = combine_ && combine_->stage == CombineStage::kNormalising
                           ? std::string("Normalizing OK")
                           : std::string(platform::fileNamePart(job.target));
    if (job.damagedFrames > 0) {
        text += " (" + damagedFramesText(job.damagedFrames) + ")";
        ++damagedJobs_;
    }
    if (!(combine_ && combine_->stage == CombineStage::kNormalising)) {
        const std::string remark = loudnessRemark(item.loudness, options_);
        if (!remark.empty()) text += " (" + remark + ")";
    }
    setJobStatus(job, text);
    retire(it);
}

void ConversionRun::failJob(Running::iterator it, const std::string& reason, bool blameTranscoder) {
    Job& job = *it;
    deleteOutput(job.writing, *job.item);
    job.item->outputPath.clear();
    job.item->failed = true;
    if (job.row == -1 && combine_) {
        for (SourceItem* member : combine_->members) member->failed = true;
    }
    std::string text = kConversionFailureText;
    if (blameTranscoder && !platform::pathExists(transcoderPath())) {
        text += std::string(" (") + kReinstallText + ")";
    } else if (!reason.empty()) {
        text += " (" + reason + ")";
    }
    if (text.size() > std::string_view(kConversionFailureText).size()) host_.widenStatusColumn();
    setJobStatus(job, text);
    retire(it);
}

void ConversionRun::dropTagInputs(Job& job) {
    if (!removeTagInputs(job.tags)) leftovers_.push_back(job.tags);
    job.tags = {};
}

void ConversionRun::removeLeftovers() {
    std::erase_if(leftovers_, [](const TagInputs& inputs) { return removeTagInputs(inputs); });
}

void ConversionRun::retire(Running::iterator it) {
    dropTagInputs(*it);
    done_.push_back(it->item);
    running_.erase(it);
    finishedPermille_ += 1000;
}

void ConversionRun::setJobStatus(const Job& job, const std::string& text) {
    if (job.row != -1) return host_.setStatus(*job.item, text);
    if (combine_) {
        for (SourceItem* member : combine_->members) host_.setStatus(*member, text);
    }
}

void ConversionRun::updateOverallProgress() {
    int64_t total = finishedPermille_;
    for (const Job& job : running_) total += job.permille;
    const int64_t jobs = static_cast<int64_t>(std::max<size_t>(jobCount_, 1));
    host_.setProgressFraction(std::min(1.0, static_cast<double>(total) / static_cast<double>(jobs * 1000)));
    const int64_t percent = std::min<int64_t>(total / (jobs * 10), 100);
    host_.setProgressPercent(std::to_string(percent) + "%");
}

void ConversionRun::afterJobEnded() {
    if (!queue_.empty()) fillSlots();
    if (!active_ || !queue_.empty() || !running_.empty()) return;
    // Jobs that ran end the run as usual, even when the last queued ones were refused; a run in which
    // every job was refused ends without its end steps.
    if (done_.empty()) return endRun(RunEnd::kQuietly);
    if (combine_ && combine_->stage == CombineStage::kNormalising) return startCombineStep();
    endRun(RunEnd::kFinished);
}

void ConversionRun::endRun(RunEnd how, const std::string& message) {
    if (combine_) finishCombine(how);
    for (Job& job : running_) dropTagInputs(job);
    queue_.clear();
    running_.clear();
    if (how == RunEnd::kCancelled) done_.clear();
    const bool shutDown = host_.closeProgress();
    host_.setMainWindowEnabled(true);
    active_ = false;
    std::string warning = message;
    if (how == RunEnd::kFinished && warning.empty()) {
        const size_t failed = static_cast<size_t>(
            std::count_if(runItems_.begin(), runItems_.end(), [](const SourceItem* i) { return i->failed; }));
        warning = runSummaryText(failed, runItems_.size(), damagedJobs_);
    }
    if (!warning.empty()) host_.showMessage(warning, MessageIcon::kWarning);
    if (how == RunEnd::kFinished) {
        if (options_.BrowseOutputFolder != 0) {
            for (const SourceItem* item : done_) {
                if (!item->outputPath.empty() && platform::pathExists(item->outputPath)) {
                    host_.showInFileManager(item->outputPath);
                    break;
                }
            }
        }
        if (shutDown) host_.startShutdownCountdown();
    }
    if (combine_) {
        done_.clear();  // the join's own entry goes with the group
        combine_.reset();
    }
}

void ConversionRun::cancel() {
    if (!active_ || running_.empty()) return;
    if (inStep_) {
        // The step on the stack ends first; the run then cancels (see advance).
        cancelPending_ = true;
        return;
    }
    for (Job& job : running_) {
        if (job.item->process) {
            cancelConversion(*job.item);
            job.item->process.reset();
            discard_.push_back(job.item);
        }
        deleteOutput(job.writing, *job.item);
        job.item->outputPath.clear();
        if (job.row != -1) host_.setStatus(*job.item, kCancelledText);
    }
    endRun(RunEnd::kCancelled);
}

void ConversionRun::setPriority(uint32_t priorityClass) {
    if (running_.empty()) return;
    options_.ConversionPriority = priorityClass;
    host_.keepPriority(priorityClass);
    for (Job& job : running_) {
        if (job.item->process) job.item->process->setPriority(priorityClass);
    }
}

void ConversionRun::setThreads(uint32_t threads) {
    options_.ConversionThreads = threadCount(threads);
    host_.keepThreads(options_.ConversionThreads);
    if (!active_ || (combine_ && combine_->stage == CombineStage::kJoining)) return;
    fillSlots();
    if (queue_.empty() && running_.empty()) afterJobEnded();
}

// Convert to One.

void ConversionRun::handOver() {
    Combine& c = *combine_;
    c.final = runFormat_;
    for (const Job& job : queue_) c.members.push_back(job.item);
    c.normalise = options_.NormalizeFile != 0;
    if (!c.normalise) {
        jobCount_ = 1;
        c.stage = CombineStage::kJoining;
        return;
    }
    c.normalisation = makeNormalisationFormat();
    // The intermediates hold the members whole at the rate and channel count the joined file gets (the
    // largest of the members unless the format sets its own), so that the join only copies samples.
    uint32_t rate = 0, channels = 0;
    std::vector<SampleFormat> decoded;
    for (const SourceItem* m : c.members) {
        if (m->streamCount() == 0) continue;
        const size_t s = m->convertedStream();
        rate = std::max(rate, m->streamSampleRates[s]);
        if (s < m->streamChannels.size()) channels = std::max(channels, m->streamChannels[s]);
        decoded.push_back(s < m->streamSampleFormats.size() ? m->streamSampleFormats[s] : SampleFormat{});
    }
    OutputFormat& n = *c.normalisation;
    c.intermediate = losslessPcm(decoded);
    n.AudioCodec = c.intermediate.codec;
    if (channels == 0) channels = 2;
    if (const CodecInfo* joined = findCodec(*c.final)) {
        const AudioShape shape = outputAudioShape(*c.final, *joined, rate, channels);
        n.AudioSampleRate = shape.sampleRate;
        n.AudioChannels = shape.channels;
    } else {
        n.AudioSampleRate = static_cast<int32_t>(rate == 0 ? 44100 : rate);
        n.AudioChannels = static_cast<int32_t>(channels);
    }
    runFormat_ = c.normalisation.get();
    // The intermediates are whole; trimming applies once, to the joined result.
    c.untrimmed = options_;
    c.untrimmed.EnableSkipLength = c.untrimmed.EnableConvertLength = c.untrimmed.EnableIgnoreTheLast = 0;
    // The gain and its tags go to the joined file only.
    c.untrimmed.LoudnessMode = kLoudnessOff;
    c.stage = CombineStage::kNormalising;
}

void ConversionRun::startCombineStep() {
    Combine& c = *combine_;
    c.stage = CombineStage::kJoining;
    host_.setProgressFraction(0);
    host_.setProgressText("Combining files...");
    host_.setProgressPercent("");
    finishedPermille_ = 0;
    jobCount_ = 1;
    queue_.clear();
    running_.clear();
    done_.clear();
    if (c.normalise) {
        std::erase_if(c.members, [](const SourceItem* m) { return m->outputPath.empty(); });
    }
    for (SourceItem* member : c.members) host_.setStatus(*member, "Combining...");
    if (c.members.empty()) return endRun(RunEnd::kQuietly, kNothingToJoinText);
    // The joined file must not replace one of the files it is made of.
    for (const SourceItem* member : c.members) {
        if (platform::sameFile(member->path, c.outputPath))
            return endRun(RunEnd::kQuietly, kTargetIsSourceText);
    }

    std::string list;
    for (const SourceItem* m : c.members) {
        // Members that needed preparation took part only once prepared.
        const std::string& path = c.normalise ? m->outputPath : inputPath(*m);
        if (!path.empty()) list += listLine(path);
    }
    if (!list.empty()) {
        c.listFile = platform::makeTempFileName("", "", ".txt");
        if (!platform::writeWholeFile(c.listFile, list)) {
            platform::deleteFile(c.listFile);
            c.listFile.clear();
        }
    }
    if (c.listFile.empty()) return endRun(RunEnd::kQuietly, kListFileFailedText);

    c.entry = std::make_unique<SourceItem>();
    SourceItem& e = *c.entry;
    e.kind = kSourceCombineList;
    e.path = c.listFile;
    bool unknownLength = false, unknownMs = false;
    for (const SourceItem* m : c.members) {
        e.duration += m->duration;
        unknownLength = unknownLength || m->duration == 0;
        e.durationMs += m->durationMs;
        unknownMs = unknownMs || m->durationMs == 0;
        e.durationEstimated = e.durationEstimated || m->durationEstimated;
        e.hasVideo = e.hasVideo || m->hasVideo;  // a film member's sound may end before its picture
    }
    // The joined file is one album: its track values are the members' album values.
    const SourceItem& firstMember = *c.members.front();
    if (firstMember.loudness.album) {
        e.loudness.track = firstMember.loudness.album;
        e.loudness.album = firstMember.loudness.album;
    }
    if (unknownLength) e.duration = 0;
    if (unknownMs) e.durationMs = 0;
    if (c.normalise) {
        const OutputFormat& n = *c.normalisation;
        const uint64_t bitRate = uint64_t{c.intermediate.format.bits} *
                                 static_cast<uint64_t>(n.AudioSampleRate) *
                                 static_cast<uint64_t>(n.AudioChannels) / 1000;
        e.streamBitRates = {static_cast<uint32_t>(bitRate)};
        e.streamSampleRates = {static_cast<uint32_t>(n.AudioSampleRate)};
        e.streamChannels = {static_cast<uint32_t>(n.AudioChannels)};
        e.streamSampleFormats = {c.intermediate.format};
    } else {
        const SourceItem& first = *c.members.front();
        e.audioStream = first.audioStream;
        e.streamIds = first.streamIds;
        e.streamChannels = first.streamChannels;
        e.streamSampleRates = first.streamSampleRates;
        e.streamBitRates = first.streamBitRates;
        e.streamSampleFormats = first.streamSampleFormats;
    }

    Job job;
    job.item = &e;
    job.format = c.final;
    job.target = c.outputPath;
    if (!beginJob(std::move(job), JobKind::kJoin) && active_) afterJobEnded();
}

void ConversionRun::finishCombine(RunEnd how) {
    Combine& c = *combine_;
    // A finished join gives every member the joined file.
    const std::string joined = how == RunEnd::kFinished && c.entry ? c.entry->outputPath : std::string();
    if (!c.listFile.empty()) platform::deleteFile(c.listFile);
    c.listFile.clear();
    for (SourceItem* member : c.members) {
        if (c.normalise && !member->outputPath.empty()) deleteOutput(member->outputPath, *member);
        member->outputPath = joined;
        if (how == RunEnd::kCancelled) host_.setStatus(*member, kCancelledText);
    }
}
