// melodrift-cli convert: a whole conversion run over the given sources, with the engine the desktop
// program uses. Progress goes to standard error (a live line on a terminal), one line per source to
// standard output at the end: SOURCE<TAB>STATUS<TAB>OUTPUT.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "cli/Cli.h"
#include "cli/CliSettings.h"
#include "cli/SourceArguments.h"
#include "engine/BusyIndicator.h"
#include "engine/ConversionRun.h"
#include "engine/EventQueue.h"
#include "engine/Preparation.h"
#include "engine/Probe.h"
#include "formats/CustomFormats.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/CustomFormatsStore.h"
#include "sources/SourceItem.h"

namespace cli {

namespace {

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) { interrupted = true; }

// One line of the final report: a source that could not be listed, or a list row.
struct Row {
    std::string argument;
    std::unique_ptr<SourceItem> item;  // null: refused when it was added
    std::string status;
};

class ConsoleBusy final : public BusyIndicator {
public:
    void setText(const std::string& text) override {
        if (isatty(fileno(stderr))) std::fprintf(stderr, "\r\033[K%s", text.c_str());
    }
    int barWidth() const override { return 100; }
    void setBar(int) override {}
    void setPercent(const std::string&) override {}
    void pumpMessages() override {}
    bool cancelled() const override { return interrupted; }
};

class ConsoleList final : public RunSources {
public:
    std::vector<Row> rows;  // argument order; expansion rows below their source

    void add(Row row) {
        if (row.item) {
            items_.push_back(row.item.get());
            rowOf_[row.item.get()] = rows.size();
        }
        rows.push_back(std::move(row));
    }
    size_t rowCount() const override { return items_.size(); }
    SourceItem& rowItem(size_t row) override { return *items_[row]; }
    bool isSelected(size_t) const override { return true; }
    void removeExpansionRows() override {
        std::erase_if(rows, [](const Row& r) { return r.item && r.item->isExpansionRow != 0; });
        relist();
    }
    void addExpansionRows(bool, const std::vector<const OutputFormat*>& formats) override {
        for (size_t r = rows.size(); r-- > 0;) {
            const SourceItem* source = rows[r].item.get();
            if (source == nullptr || source->isExpansionRow != 0) continue;
            if (source->needsPreparation != 0 && source->prepared == 0) continue;
            for (size_t f = formats.size(); f-- > 0;) {
                auto copy = std::make_unique<SourceItem>();
                copy->kind = source->kind;
                copy->path = source->path;
                copy->extension = source->extension;
                copy->titleSet = source->titleSet;
                copy->titleNumber = source->titleNumber;
                copy->dvdFolder = source->dvdFolder;
                copy->audioStream = source->audioStream;
                copy->streamIds = source->streamIds;
                copy->streamChannels = source->streamChannels;
                copy->streamSampleRates = source->streamSampleRates;
                copy->streamBitRates = source->streamBitRates;
                copy->duration = source->duration;
                copy->needsPreparation = source->needsPreparation;
                copy->prepared = source->prepared;
                copy->preparedPath = source->preparedPath;
                copy->isExpansionRow = 1;
                copy->groupFormat = const_cast<OutputFormat*>(formats[f]);
                rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(r) + 1,
                            Row{rows[r].argument, std::move(copy), {}});
            }
        }
        relist();
    }
    bool prepareSources(bool) override {
        ConsoleBusy busy;
        for (SourceItem* item : items_) {
            if (item->needsPreparation != 1 || preparedFileExists(*item)) continue;
            statusOf(*item) = "Loading...";
            std::string error;
            item->prepared = prepareSource(*item, busy, error);
            if (item->prepared == 1) {
                statusOf(*item) = "Loading OK";
            } else if (busy.cancelled()) {
                statusOf(*item) = error;
                return false;
            } else {
                statusOf(*item) = "Error: " + error;
            }
        }
        if (isatty(fileno(stderr))) std::fprintf(stderr, "\r\033[K");
        return true;
    }
    std::string& statusOf(const SourceItem& item) {
        const auto found = rowOf_.find(&item);
        static std::string none;
        return found == rowOf_.end() ? none : rows[found->second].status;
    }
    // Prepared files are temporary: they go with the list.
    ~ConsoleList() override {
        for (Row& r : rows) {
            if (r.item && r.item->isExpansionRow == 0 && !r.item->preparedPath.empty())
                platform::deleteFile(r.item->preparedPath);
        }
    }

private:
    // The listed items in row order, and each one's place in rows: progress reports look them up.
    void relist() {
        items_.clear();
        rowOf_.clear();
        for (size_t r = 0; r < rows.size(); ++r) {
            if (!rows[r].item) continue;
            items_.push_back(rows[r].item.get());
            rowOf_[rows[r].item.get()] = r;
        }
    }

    std::vector<SourceItem*> items_;
    std::unordered_map<const SourceItem*, size_t> rowOf_;
};

class ConsoleHost final : public RunHost {
public:
    ConsoleHost(ConsoleList& list, std::optional<std::string> joined)
        : list_(list), joined_(std::move(joined)) {}
    const ConversionRun* run = nullptr;

    void setStatus(SourceItem& item, const std::string& text) override { list_.statusOf(item) = text; }
    void openProgress(const ProgressSetup&) override { started_ = std::chrono::steady_clock::now(); }
    int progressBarWidth() override { return 100; }
    void setProgressText(const std::string& text) override {
        text_ = text;
        show();
    }
    void setProgressBar(int) override {}
    void stepProgressBar() override {}
    void setProgressPercent(const std::string& text) override {
        if (text == percent_) return;
        percent_ = text;
        show();
    }
    bool closeProgress() override {
        if (terminal_) std::fprintf(stderr, "\r\033[K");
        return false;
    }
    void showMessage(const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "%smelodrift-cli: convert: %s\n", terminal_ ? "\r\033[K" : "", text.c_str());
    }
    std::optional<std::string> chooseJoinedOutput(const std::string&) override { return joined_; }
    void showInFileManager(const std::string&) override {}
    void startShutdownCountdown() override {}

private:
    // Overall percent, jobs running and the time so far.
    void show() {
        const auto seconds =
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started_)
                .count();
        char line[512];
        std::snprintf(line, sizeof line, "%4s  %zu running  %02lld:%02lld  %s", percent_.c_str(),
                      run != nullptr ? run->runningCount() : size_t{0}, static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60), text_.c_str());
        std::fprintf(stderr, terminal_ ? "\r\033[K%s" : "%s\n", line);
        std::fflush(stderr);
    }

    ConsoleList& list_;
    std::optional<std::string> joined_;
    const bool terminal_ = isatty(fileno(stderr)) != 0;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::string text_, percent_;
};

int runConvertCommand(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    SettingOptions options;
    std::string error;
    if (!takeSettingOptions(args, options, &error)) return usageError(error);
    std::optional<uint32_t> threads;
    std::optional<std::string> joined;
    std::vector<std::string> sourceArgs;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--") {
            sourceArgs.insert(sourceArgs.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                              args.end());
            break;
        }
        if (a == "--threads" || a == "--one") {
            if (i + 1 >= args.size()) return usageError("convert: " + a + " needs a value");
            const std::string& value = args[++i];
            if (a == "--one") {
                joined = absoluteSourcePath(value);
                continue;
            }
            const int n = std::atoi(value.c_str());
            if (n < 1 || n > 32 || std::to_string(n) != value)
                return usageError("convert: --threads takes 1 to 32");
            threads = static_cast<uint32_t>(n);
        } else {
            sourceArgs.push_back(a);
        }
    }
    if (sourceArgs.empty()) return usageError("convert needs at least one SOURCE");

    // A custom group is chosen by its position id; the catalogue knows only its own formats.
    std::optional<int32_t> groupId;
    if (options.formatId && *options.formatId >= kFirstCustomFormatId) {
        groupId = options.formatId;
        options.formatId.reset();
    }
    CliSettings loaded;
    if (!loadCliSettings(options, loaded, &error)) return usageError(error);
    if (!groupId && loaded.format == nullptr && loaded.settings.OutputFormat >= kFirstCustomFormatId)
        groupId = static_cast<int32_t>(loaded.settings.OutputFormat);
    if (threads) loaded.settings.ConversionThreads = *threads;

    RunChoice choice;
    OutputFormat groupEntry;
    const std::vector<CustomOutputFormat> groups = loadCustomFormats(*loaded.store);
    if (groupId) {
        const CustomOutputFormat* group = customFormatForId(groups, *groupId);
        if (group == nullptr) return usageError("no custom format has the id " + std::to_string(*groupId));
        groupEntry.id = *groupId;
        groupEntry.kind = kFormatCustom;
        choice.entry = &groupEntry;
        choice.groupName = group->name;
        choice.groupIds = group->ids;
    } else if (loaded.format != nullptr) {
        choice.entry = loaded.format;
    } else {
        return usageError("the chosen output format is unknown (use --format ID)");
    }

    ConsoleList list;
    int status = 0;
    for (const std::string& argument : sourceArgs) {
        Row row;
        row.argument = argument;
        row.item = probeSource(absoluteSourcePath(argument), loaded.settings, &error);
        if (!row.item) {
            row.status = error;
            status = 1;
        }
        list.add(std::move(row));
    }

    interrupted = false;
    auto previous = std::signal(SIGINT, onInterrupt);
    bool cancelled = false;
    {
        EventQueue queue;
        ConsoleHost host(list, joined);
        ConversionRun run(loaded.settings, *loaded.catalogue, list, host, queue);
        host.run = &run;
        if (list.rowCount() > 0) run.start(false, joined.has_value(), choice);
        cancelled = interrupted;
        while (run.isActive() || run.awaitsReports()) {
            if (interrupted && run.isActive()) {
                run.cancel();
                cancelled = true;
            }
            auto event = queue.take(std::chrono::milliseconds(100));
            if (!event) continue;
            if (event->kind == RunEvent::kProgress) {
                run.onProgress(std::move(event->progress));
            } else {
                run.onDone(std::move(event->done));
            }
        }
    }
    std::signal(SIGINT, previous);

    const bool groupRun = groupId.has_value();
    for (const Row& row : list.rows) {
        if (groupRun && row.item && row.item->isExpansionRow == 0) continue;
        const std::string output = row.item ? row.item->outputPath : std::string();
        if (output.empty()) status = 1;
        std::printf("%s\t%s\t%s\n", row.argument.c_str(), row.status.c_str(), output.c_str());
    }
    if (std::fflush(stdout) != 0) return 1;
    return cancelled ? 130 : status;
}

const Registrar registrar(
    "convert", "convert [--format ID] [--set NAME=VALUE]... [--threads N] [--one OUTPUT] SOURCE...",
    runConvertCommand);

}  // namespace

}  // namespace cli
