// melodrift-cli convert: a whole conversion run over the given sources, with the engine the desktop
// program uses. Progress goes to standard error (a live line on a terminal), one line per source to
// standard output at the end: SOURCE<TAB>STATUS<TAB>OUTPUT.
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/ConsoleSources.h"
#include "cli/SettingOptions.h"
#include "cli/SourceArguments.h"
#include "cli/TagOptions.h"
#include "engine/ConversionRun.h"
#include "engine/EventQueue.h"
#include "engine/ListRunSources.h"
#include "formats/CustomFormats.h"
#include "settings/CustomFormatsStore.h"
#include "sources/FileList.h"

namespace cli {

namespace {

class ConsoleHost final : public RunHost {
public:
    ConsoleHost(FileList& list, std::optional<std::string> joined)
        : list_(list), joined_(std::move(joined)) {}
    const ConversionRun* run = nullptr;

    void setStatus(SourceItem& item, const std::string& text) override {
        list_.setStatus(list_.rowOf(item), text);
    }
    void openProgress(const ProgressSetup&) override { started_ = std::chrono::steady_clock::now(); }
    void setProgressText(const std::string& text) override {
        text_ = text;
        show();
    }
    void setProgressFraction(double) override {}  // the percent text says it
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

    FileList& list_;
    std::optional<std::string> joined_;
    const bool terminal_ = stderrIsTerminal();
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::string text_, percent_;
};

int runConvertCommand(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    Result<SettingOptions> taken = takeSettingOptions(args);
    if (!taken) return usageError(taken.reason());
    SettingOptions& options = *taken;
    Result<TagEdits> tagged = takeTagOptions(args);
    if (!tagged) return usageError("convert: " + tagged.reason());
    const TagEdits& tagEdits = *tagged;
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
    Result<LoadedSettings> opened = loadSettingsWithOptions(options);
    if (!opened) return usageError(opened.reason());
    LoadedSettings& loaded = *opened;
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

    FileList list;
    ConsoleListHost listHost("convert");
    InterruptWatch watch;
    const std::vector<SourceLine> sources = addSources(sourceArgs, list, loaded.settings, listHost);
    // The edits of --tag are every source's, as Edit Tags gives them to the rows of the window.
    if (!tagEdits.empty())
        for (size_t r = 0; r < list.size(); ++r) list.setTagEdits(r, tagEdits);
    bool cancelled = interrupted();
    if (!cancelled) {
        EventQueue queue;
        ListRunSources runSources(list, listHost);
        ConsoleHost host(list, joined);
        ConversionRun run(loaded.settings, *loaded.catalogue, runSources, host, queue);
        host.run = &run;
        if (!list.empty()) run.start(false, joined.has_value(), choice);
        cancelled = interrupted();
        while (run.isActive() || run.awaitsReports()) {
            if (interrupted() && run.isActive()) {
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

    // One line per source (per format of a custom group), in the order of the arguments.
    int status = 0;
    const auto print = [&](const std::string& source, const std::string& text, const std::string& output) {
        if (output.empty()) status = 1;
        std::printf("%s\t%s\t%s\n", source.c_str(), text.c_str(), output.c_str());
    };
    for (const SourceLine& line : sources) {
        if (line.item == nullptr) {
            print(line.source, line.error, "");
            continue;
        }
        size_t row = list.rowOf(*line.item);
        if (!groupId) {
            print(line.source, list.text(row, kColumnStatus), line.item->outputPath);
            continue;
        }
        while (++row < list.size() && list.item(row).isExpansionRow)
            print(line.source, list.text(row, kColumnStatus), list.item(row).outputPath);
    }
    if (std::fflush(stdout) != 0) return 1;
    return cancelled ? 130 : status;
}

const Registrar registrar(
    "convert",
    "convert [--format ID] [--set NAME=VALUE]... [--tag NAME=VALUE]... [--threads N] [--one OUTPUT] "
    "SOURCE...",
    runConvertCommand);

}  // namespace

}  // namespace cli
