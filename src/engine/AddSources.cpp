#include "engine/AddSources.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "audio/ReaderFactory.h"
#include "engine/Probe.h"
#include "engine/Transcoder.h"
#include "platform/Files.h"
#include "platform/KnownFolders.h"
#include "platform/Product.h"
#include "platform/Text.h"
#include "settings/AppSettings.h"
#include "sources/FileList.h"

namespace {

constexpr uint32_t kMenuOrClipBytes = 1048576;
constexpr size_t kMostListedFailures = 30;

// Runs work on runs of the indices that need it on several threads, while the caller takes the results
// in index order. Each run publishes its results one by one as they come. Workers stay ahead of the
// caller by at most a few runs; a stop tells the runs in flight to end early.
template <typename Result>
class OrderedWork {
public:
    using Publish = std::function<void(size_t, Result)>;
    using Work = std::function<void(const std::vector<size_t>&, const Publish&, const std::atomic<bool>&)>;

    // needed[i]: whether index i is worked on at all (decided before, as workers must not read the list).
    // runSize(): how many indices the next run takes (asked under the lock). lookahead: how far past the
    // index the caller waits for a run may start.
    OrderedWork(std::vector<char> needed, unsigned threads, std::function<size_t()> runSize, size_t lookahead,
                Work work)
        : results_(needed.size()),
          ready_(needed.size(), false),
          needed_(std::move(needed)),
          runSize_(std::move(runSize)),
          work_(std::move(work)),
          lookahead_(lookahead) {
        for (unsigned t = 0; t < threads; ++t) workers_.emplace_back([this] { run(); });
    }
    ~OrderedWork() { stop(); }

    // Result k, calling idle() every few milliseconds while it is not ready.
    Result take(size_t k, const std::function<void()>& idle) {
        std::unique_lock lock(mutex_);
        consumed_ = k;
        wake_.notify_all();
        while (!ready_[k]) {
            done_.wait_for(lock, std::chrono::milliseconds(20));
            if (ready_[k]) break;
            lock.unlock();
            idle();
            lock.lock();
        }
        return std::move(results_[k]);
    }

    // No new work is started; the work in flight is told to end and is waited for.
    void stop() {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        wake_.notify_all();
        for (std::thread& worker : workers_) {
            if (worker.joinable()) worker.join();
        }
    }

private:
    void run() {
        const Publish publish = [this](size_t index, Result result) {
            std::lock_guard lock(mutex_);
            results_[index] = std::move(result);
            ready_[index] = true;
            done_.notify_all();
        };
        std::unique_lock lock(mutex_);
        while (true) {
            while (next_ < results_.size() && needed_[next_] == 0) ready_[next_++] = true;
            wake_.wait(
                lock, [&] { return stopped_ || next_ >= results_.size() || next_ < consumed_ + lookahead_; });
            if (stopped_ || next_ >= results_.size()) return;
            std::vector<size_t> indices;
            const size_t size = std::max<size_t>(1, runSize_());
            while (next_ < results_.size() && indices.size() < size) {
                if (needed_[next_] != 0)
                    indices.push_back(next_);
                else
                    ready_[next_] = true;
                ++next_;
            }
            lock.unlock();
            work_(indices, publish, stopped_);
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::vector<Result> results_;
    std::vector<bool> ready_;
    const std::vector<char> needed_;
    std::function<size_t()> runSize_;
    Work work_;
    size_t lookahead_;
    size_t next_ = 0;
    size_t consumed_ = 0;
    std::atomic<bool> stopped_{false};
    std::vector<std::thread> workers_;
};

// How many files one transcoder describes: an even share of what is left for each probe thread, so that
// the transcoders start once and end together, but never more than kMost nor than the probes so far got
// through in kBatchSeconds, so that a batch of slow files (a network share, long scans for a duration)
// still ends its processes often and Cancel stays prompt. The rows appear as each file is described.
class ProbeBatchSizes {
public:
    static constexpr size_t kMost = 48;
    static constexpr double kBatchSeconds = 0.5;

    ProbeBatchSizes(size_t files, unsigned threads) : left_(files), threads_(threads < 1 ? 1 : threads) {}

    size_t next() {
        std::lock_guard lock(mutex_);
        size_t size = std::min(kMost, std::max<size_t>(1, (left_ + threads_ - 1) / threads_));
        if (files_ > 0 && seconds_ > 0) {
            const double pace = static_cast<double>(files_) / seconds_;
            size = std::min(size, std::max<size_t>(1, static_cast<size_t>(pace * kBatchSeconds)));
        }
        left_ -= std::min(left_, size);
        return size;
    }
    void measured(size_t files, double seconds) {
        std::lock_guard lock(mutex_);
        files_ += files;
        seconds_ += seconds;
    }

private:
    std::mutex mutex_;
    size_t left_;
    const size_t threads_;
    size_t files_ = 0;
    double seconds_ = 0;
};

struct Probed {
    Probed() = default;
    Probed(Result<std::unique_ptr<SourceItem>> probed) {
        if (probed)
            item = probed.take();
        else
            error = probed.reason();
    }
    std::unique_ptr<SourceItem> item;
    std::string error;
};

std::string folderOf(const std::string& path) { return platform::folderPart(path).value_or(std::string()); }

bool isShortcut(std::string_view extension) { return platform::equalsIgnoringAsciiCase(extension, ".lnk"); }

void scanInto(const std::string& folder, const std::vector<std::string>& filter,
              const ShortcutResolver& resolve, std::vector<std::string>& batch,
              std::unordered_set<std::string>& seen) {
    // A folder link or junction that leads back up the tree would otherwise be scanned without end.
    if (!seen.insert(platform::pathKey(platform::resolvedFolder(folder))).second) return;
    const auto entries = platform::listFolder(folder);
    if (!entries) return;
    const std::string base = platform::withTrailingSeparator(folder);
    for (const platform::FolderEntry& entry : *entries) {
        if (!entry.isFolder) acceptPath(base + entry.name, filter, resolve, batch);
    }
    for (const platform::FolderEntry& entry : *entries) {
        if (entry.isFolder) scanInto(base + entry.name, filter, resolve, batch, seen);
    }
}

}  // namespace

void acceptPath(const std::string& path, const std::vector<std::string>& filter,
                const ShortcutResolver& resolve, std::vector<std::string>& batch) {
    if (filter.empty()) {
        batch.push_back(path);
        return;
    }
    std::string current = path;
    for (int followed = 0;; ++followed) {
        const auto extension = platform::extensionPart(current);
        if (!extension) return;
        const std::string name = platform::toLowerAscii(extension->substr(1));
        if (std::find(filter.begin(), filter.end(), name) != filter.end()) {
            batch.push_back(current);
            return;
        }
        if (!isShortcut(*extension) || followed == kMaxShortcutsFollowed || !resolve) return;
        const std::optional<std::string> target = resolve(current);
        if (!target) return;
        current = *target;
    }
}

void scanFolder(const std::string& folder, const std::vector<std::string>& filter,
                const ShortcutResolver& resolve, std::vector<std::string>& batch) {
    std::unordered_set<std::string> seen;
    scanInto(folder, filter, resolve, batch, seen);
}

std::vector<platform::FileFilter> addFilesFilter() {
    static const char* const kLabels[] = {
        "All Files (*.*)",
        "3GPP Files (*.3gp;*.3gpp)",
        "3GPP2 Files (*.3g2;*.3gp2)",
        "Adobe Flash Files (*.swf)",
        "Advanced Audio Coding (*.aac)",
        "AIFF Files (*.aiff;*.aif;*.aifc;*.afc)",
        "AMR Files (*.amr;*.awb)",
        "AU Files (*.au;*.snd)",
        "AVI Files (*.avi)",
        "CD Audio Files (*.cda)",
        "Creative Voice Files (*.voc)",
        "CRI ADX Files (*.adx)",
        "Dolby Digital AC-3 (*.ac3)",
        "DTS Files (*.dts)",
        "DV Video Files (*.dv;*.dif)",
        "DVD Video Files (*.vob;*.dvd)",
        "Electronic Arts CDATA Files (*.cdata)",
        "Flash Video Files (*.flv)",
        "Free Lossless Audio Codec (*.flac;*.fla)",
        "H.264/MPEG4 AVC Video (*.m2ts;*.mts)",
        "Matroska Files (*.mkv;*.mka)",
        "Microsoft Digital Video Recording (*.dvr-ms)",
        "MJPEG Video Files (*.mjpg;*.mjpeg)",
        "MMF Files (*.mmf)",
        "Monkey's Audio (*.ape;*.mac)",
        "MP3 Files (*.mp3)",
        "MPEG Audio Files (*.mpa;*.mpga;*.m2a)",
        "MPEG Video Files (*.mpg;*.mpe;*.mpeg;*.m1v;*.mp2;*.m2v;*.mp1;*.mlv)",
        "MPEG-4 Audio Files (*.m4a;*.m4b;*.mp4)",
        "MPEG4 TS HD Video (*.ts)",
        "MPEG-4 Video Files (*.mp4;*.m4v;*.mpv;*.psp)",
        "Musepack (*.mpc;*.mp+;*.mpp)",
        "Nullsoft Audio/Video Files (*.nsv;*.nsa)",
        "NUT Files (*.nut)",
        "OGG Files (*.ogg;*.oga;*.ogm;*.ogv;*.ogx)",
        "Opus Files (*.opus)",
        "QuickTime Files (*.mov;*.qt)",
        "Raw h261 Files (*.h261)",
        "Raw h263 Files (*.h263)",
        "Raw h264 Video Files (*.h264;*.264)",
        "Real Audio Files (*.ra;*.ram)",
        "Real Media Files (*.rm;*.rmvb)",
        "Speex (*.spx)",
        "The True Audio (*.tta)",
        "VCD Video Files (*.dat)",
        "WAV Files (*.wav;*.wave)",
        "WavPack Files (*.wv)",
        "WebM Files (*.webm)",
        "Windows Media Files (*.wma;*.asf;*.wmv;*.wm;*.wmd;*.xwmv)",
        "YUV Video Files (*.yuv)",
    };
    std::vector<platform::FileFilter> filter;
    for (const char* label : kLabels) {
        const std::string text = label;
        const size_t open = text.rfind('(');
        filter.push_back({text, text.substr(open + 1, text.size() - open - 2)});
    }
    return filter;
}

platform::FileDialogRequest addFilesRequest(AppSettings& settings, void* owner) {
    if (!settings.LastAddFileDir.empty() && !platform::pathExists(settings.LastAddFileDir)) {
        const std::string documents = platform::documentsFolder(true);
        settings.LastAddFileDir =
            documents.empty() ? std::string() : platform::withTrailingSeparator(documents);
    }
    platform::FileDialogRequest request;
    request.owner = owner;
    request.filter = addFilesFilter();
    // Explorer style, several files, each must exist, no read-only box.
    request.flags = 0x00080000 | 0x00000200 | 0x00001000 | 0x00000004;
    request.bufferChars = 1048572;
    request.initialFolder = settings.LastAddFileDir;
    return request;
}

std::vector<std::string> chosenFilesBatch(const std::vector<std::string>& answer, AppSettings& settings) {
    if (answer.empty()) return {};
    if (answer.size() == 1) {
        settings.LastAddFileDir = folderOf(answer.front());
        return answer;
    }
    const std::string folder = platform::withTrailingSeparator(answer.front());
    settings.LastAddFileDir = folder;
    std::vector<std::string> batch;
    for (size_t i = 1; i < answer.size(); ++i) batch.push_back(folder + answer[i]);
    return batch;
}

std::string failureReportText(const std::string& failureList, bool transcoderPresent, bool cdTrackHint) {
    std::string text = "Failed to load the following files.\n\n" + failureList;
    if (!transcoderPresent) {
        text += "\nSome files of the program are missing or corrupted. Please reinstall the program.";
    } else if (cdTrackHint) {
        text += "\nIMPORTANT: please DO NOT add CDA file from hard drive, but from CD drive directly.";
    } else {
        text += std::string("\nTo get help, please forward us one or more files above via ") +
                product::kUploadPage + " and send a message to <" + product::kSupportMail + ">.";
    }
    return text;
}

std::optional<std::string> findVobFolder(const std::string& chosen) {
    const std::string folder = platform::withTrailingSeparator(chosen);
    const std::string videoTs = folder + "VIDEO_TS" + platform::kPathSeparator;
    if (platform::isExistingFile(videoTs + "VTS_01_1.VOB")) return videoTs;
    if (platform::isExistingFile(folder + "VTS_01_1.VOB")) return folder;
    return std::nullopt;
}

std::vector<DvdTitle> dvdTitles(const std::string& vobFolder) {
    std::vector<DvdTitle> titles;
    int32_t number = 1;
    for (int32_t set = 1; set <= 99; ++set) {
        const std::string first = dvdTitleFirstVob(vobFolder, set);
        if (!platform::isExistingFile(first)) break;
        const std::optional<uint64_t> size = platform::fileSize64(first);
        if (size && *size < kMenuOrClipBytes) continue;
        titles.push_back({number++, set});
    }
    return titles;
}

SourceAdder::SourceAdder(FileList& list, AppSettings& settings, ListHost& host)
    : list_(list),
      settings_(settings),
      host_(host),
      threads_(std::max(2u, std::thread::hardware_concurrency())),
      resolve_([](const std::string&) { return std::optional<std::string>(); }) {}

std::vector<AddResult> SourceAdder::addBatch(const std::vector<std::string>& batch,
                                             std::unique_ptr<BusyIndicator> busy) {
    host_.setMainWindowEnabled(false);
    if (!busy) busy = host_.openBusy("");
    const size_t n = batch.size();
    busy->setBar(0);
    host_.pumpMessages();

    // What each path needs, decided before the probes start: a source already listed is skipped, a path
    // that comes twice gets the outcome of its first place (tried again only if that failed), files of
    // the program's own readers (CD tracks above all) are probed in order on this thread, and the
    // transcoder probes run side by side.
    enum class Plan : char { kListed, kRepeat, kReader, kTranscoder };
    std::vector<Plan> plans(n);
    std::vector<size_t> firstPlace(n);
    std::vector<char> byTranscoder(n, 0);
    std::unordered_map<std::string, size_t> places;
    std::vector<AddResult> results(n);
    for (size_t k = 0; k < n; ++k) {
        const std::string key = sourceKey(batch[k]);
        firstPlace[k] = places.emplace(key, k).first->second;
        results[k].source = batch[k];
        if (firstPlace[k] != k) {
            plans[k] = Plan::kRepeat;
        } else if (list_.contains(key)) {
            plans[k] = Plan::kListed;
        } else if (readerForExtension(sourceExtension(batch[k])).reader) {
            plans[k] = Plan::kReader;
        } else {
            plans[k] = Plan::kTranscoder;
            byTranscoder[k] = 1;
        }
    }
    const AppSettings& settings = settings_;
    ProbeBatchSizes sizes(static_cast<size_t>(std::count(byTranscoder.begin(), byTranscoder.end(), 1)),
                          threads_);
    OrderedWork<Probed> work(
        std::move(byTranscoder), threads_, [&] { return sizes.next(); },
        2 * threads_ * ProbeBatchSizes::kMost,
        [&](const std::vector<size_t>& indices, const OrderedWork<Probed>::Publish& publish,
            const std::atomic<bool>& stop) {
            std::vector<std::string> paths;
            for (const size_t k : indices) paths.push_back(batch[k]);
            const auto t0 = std::chrono::steady_clock::now();
            size_t got = 0;
            probeSources(
                paths, settings,
                [&](size_t i, Result<std::unique_ptr<SourceItem>> probed) {
                    ++got;
                    publish(indices[i], Probed(std::move(probed)));
                },
                &stop);
            sizes.measured(got, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        });

    bool cdTrackHint = false;
    std::string failures;
    size_t failureCount = 0;
    const int width = busy->barWidth();
    for (size_t k = 0; k < n; ++k) {
        busy->setText("[" + std::to_string(k + 1) + "/" + std::to_string(n) + "] Adding file " +
                      std::string(platform::fileNamePart(batch[k])) + "...");
        busy->setBar(static_cast<int>(static_cast<int64_t>(width) * static_cast<int64_t>(k + 1) /
                                      static_cast<int64_t>(n)));
        AddResult& result = results[k];
        Probed probed;
        if (plans[k] == Plan::kTranscoder) {
            probed = work.take(k, [&] { busy->pumpMessages(); });
        } else if (plans[k] == Plan::kReader) {
            probed = probeSource(batch[k], settings_, &cdTrackHint);
        }
        if (plans[k] == Plan::kListed) {
            result.outcome = AddOutcome::kAlreadyListed;
        } else if (plans[k] == Plan::kRepeat) {
            const AddResult& first = results[firstPlace[k]];
            result.outcome =
                first.outcome == AddOutcome::kFailed ? first.outcome : AddOutcome::kAlreadyListed;
            result.error = first.error;
        } else if (probed.item) {
            result.row = *list_.add(std::move(probed.item), settings_.RequestAudioIndex);
            result.outcome = AddOutcome::kAdded;
        } else {
            result.outcome = AddOutcome::kFailed;
            result.error = probed.error;
        }
        if (result.outcome == AddOutcome::kFailed) {
            if (failureCount < kMostListedFailures) {
                failures += batch[k] + "\n";
            } else if (failureCount == kMostListedFailures) {
                failures += "<more files>...\n";
            }
            ++failureCount;
        }
        busy->pumpMessages();
        if (busy->cancelled()) break;
    }
    work.stop();
    busy.reset();
    host_.setMainWindowEnabled(true);
    if (!failures.empty()) {
        host_.showMessage(failureReportText(failures, platform::pathExists(transcoderPath()), cdTrackHint),
                          MessageIcon::kWarning);
    }
    return results;
}

std::vector<AddResult> SourceAdder::addChosenFiles(const std::vector<std::string>& answer) {
    const std::vector<std::string> batch = chosenFilesBatch(answer, settings_);
    host_.pumpMessages();
    return batch.empty() ? std::vector<AddResult>() : addBatch(batch);
}

std::vector<AddResult> SourceAdder::addGathered(const std::vector<std::string>& batch,
                                                std::unique_ptr<BusyIndicator> busy) {
    if (batch.empty()) return {};
    return addBatch(batch, std::move(busy));
}

std::vector<AddResult> SourceAdder::addFolder(const std::string& folder) {
    settings_.Folder = platform::withTrailingSeparator(folder);
    host_.pumpMessages();
    std::unique_ptr<BusyIndicator> busy = host_.openBusy("Searching files...");
    host_.pumpMessages();
    std::vector<std::string> batch;
    scanFolder(settings_.Folder, settings_.filterExtensions, resolve_, batch);
    return addGathered(batch, std::move(busy));
}

std::vector<AddResult> SourceAdder::addDropped(const std::vector<std::string>& paths) {
    std::unique_ptr<BusyIndicator> busy = host_.openBusy("Searching files...");
    host_.pumpMessages();
    std::vector<std::string> batch;
    for (const std::string& path : paths) {
        if (platform::isExistingFolder(path)) {
            scanFolder(path, settings_.filterExtensions, resolve_, batch);
        } else {
            acceptPath(path, settings_.filterExtensions, resolve_, batch);
        }
    }
    return addGathered(batch, std::move(busy));
}

std::vector<AddResult> SourceAdder::addDvd(const std::string& chosen) {
    settings_.DVDFolder = platform::withTrailingSeparator(chosen);
    const std::optional<std::string> vobFolder = findVobFolder(settings_.DVDFolder);
    if (!vobFolder) {
        host_.showMessage(
            platform::fillIn(platform::fillIn("%s doesn't find any DVD video files at %s.", product::kName),
                             settings_.DVDFolder),
            MessageIcon::kWarning);
        return {};
    }
    const std::vector<DvdTitle> titles = dvdTitles(*vobFolder);
    std::vector<AddResult> results(titles.size());
    std::vector<char> needed(titles.size());
    for (size_t k = 0; k < titles.size(); ++k)
        needed[k] = list_.contains(dvdSourceKey(*vobFolder, titles[k].titleSet)) ? 0 : 1;
    // Each title has a probe of its own.
    OrderedWork<Probed> work(
        needed, threads_, [] { return size_t{1}; }, 4 * static_cast<size_t>(threads_),
        [&](const std::vector<size_t>& indices, const OrderedWork<Probed>::Publish& publish,
            const std::atomic<bool>&) {
            for (const size_t k : indices)
                publish(k, Probed(probeDvdTitle(*vobFolder, titles[k].titleNumber, titles[k].titleSet)));
        });
    std::string failures;
    for (size_t k = 0; k < titles.size(); ++k) {
        AddResult& result = results[k];
        result.source = "DVD Title " + std::to_string(titles[k].titleNumber);
        if (needed[k] == 0) {
            result.outcome = AddOutcome::kAlreadyListed;
            continue;
        }
        Probed probed = work.take(k, [] {});
        if (probed.item) {
            result.row = *list_.add(std::move(probed.item), settings_.RequestAudioIndex);
            result.outcome = AddOutcome::kAdded;
        } else {
            result.outcome = AddOutcome::kFailed;
            result.error = probed.error;
            failures += result.source + "\n";
        }
    }
    if (!failures.empty())
        host_.showMessage("Failed to load the following DVD Titles.\n\n" + failures, MessageIcon::kWarning);
    return results;
}
