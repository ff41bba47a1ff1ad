#include "cli/ConsoleSources.h"

#include <atomic>
#include <csignal>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "cli/SourceArguments.h"
#include "platform/Files.h"
#include "platform/Shortcut.h"
#include "settings/AppSettings.h"
#include "sources/FileList.h"

namespace cli {

namespace {

std::atomic<bool> interruptFlag{false};

extern "C" void onInterrupt(int) { interruptFlag = true; }

class ConsoleBusy final : public BusyIndicator {
public:
    explicit ConsoleBusy(const std::string& text) { setText(text); }
    ~ConsoleBusy() override {
        if (stderrIsTerminal()) std::fprintf(stderr, "\r\033[K");
    }
    void setText(const std::string& text) override {
        if (stderrIsTerminal() && !text.empty()) std::fprintf(stderr, "\r\033[K%s", text.c_str());
    }
    int barWidth() const override { return 100; }
    void setBar(int) override {}
    void setPercent(const std::string&) override {}
    void pumpMessages() override {}
    bool cancelled() const override { return interruptFlag; }
};

}  // namespace

bool interrupted() { return interruptFlag; }

bool stderrIsTerminal() { return isatty(fileno(stderr)) != 0; }

InterruptWatch::InterruptWatch() {
    interruptFlag = false;
    previous_ = std::signal(SIGINT, onInterrupt);
}

InterruptWatch::~InterruptWatch() { std::signal(SIGINT, previous_); }

std::unique_ptr<BusyIndicator> ConsoleListHost::openBusy(const std::string& text) {
    return std::make_unique<ConsoleBusy>(text);
}

void ConsoleListHost::showMessage(const std::string& text, MessageIcon) {
    std::fprintf(stderr, "%smelodrift-cli: %s: %s\n", stderrIsTerminal() ? "\r\033[K" : "", command_.c_str(),
                 text.c_str());
}

std::vector<SourceLine> addSources(const std::vector<std::string>& arguments, FileList& list,
                                   AppSettings& settings, ListHost& host) {
    SourceAdder adder(list, settings, host);
    adder.setShortcutResolver(platform::resolveShortcut);
    std::vector<SourceLine> lines;
    // Files and folders are gathered into one batch, so their probes run side by side; a DVD folder
    // ends the batch so far.
    std::vector<std::string> batch;
    std::vector<std::string> shown;  // what each batch entry is called in the report
    const auto take = [&](const std::vector<AddResult>& results, const std::vector<std::string>& names) {
        for (size_t i = 0; i < results.size(); ++i) {
            const AddResult& r = results[i];
            if (r.outcome == AddOutcome::kAdded) lines.push_back({names[i], &list.item(r.row), {}});
            if (r.outcome == AddOutcome::kFailed) lines.push_back({names[i], nullptr, r.error});
        }
    };
    const auto flush = [&] {
        if (!batch.empty()) take(adder.addBatch(batch), shown);
        batch.clear();
        shown.clear();
    };
    for (const std::string& argument : arguments) {
        const std::string path = absoluteSourcePath(argument);
        if (!platform::isExistingFolder(path)) {
            batch.push_back(path);
            shown.push_back(argument);
            continue;
        }
        if (findVobFolder(path)) {
            flush();
            const std::vector<AddResult> titles = adder.addDvd(path);
            std::vector<std::string> names;
            for (const AddResult& title : titles) names.push_back(argument + " (" + title.source + ")");
            take(titles, names);
            continue;
        }
        const size_t before = batch.size();
        scanFolder(path, settings.filterExtensions, platform::resolveShortcut, batch);
        shown.insert(shown.end(), batch.begin() + static_cast<std::ptrdiff_t>(before), batch.end());
    }
    flush();
    return lines;
}

}  // namespace cli
