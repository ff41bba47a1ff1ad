// melodrift-cli analyze: the loudness of each source by the EBU R128 meter, and of the albums they form.
#include <cstdio>
#include <map>

#include "cli/Cli.h"
#include "cli/ConsoleSources.h"
#include "cli/SettingOptions.h"
#include "engine/ListRunSources.h"
#include "engine/Loudness.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "sources/FileList.h"

namespace cli {

namespace {

void printFacts(const LoudnessFacts& facts) {
    if (facts.silent) {
        std::printf("\tsilent\n");
        return;
    }
    std::printf("\tlufs=%.2f\tlra=%.2f\tpeak=%.2f\n", facts.integrated, facts.range, facts.truePeak);
}

int runAnalyzeCommand(const std::vector<std::string>& arguments) {
    Result<SourceCommand> opened = openSourceCommand("analyze", arguments);
    if (!opened) return usageError(opened.reason());
    LoadedSettings& loaded = opened->loaded;

    int status = 0;
    FileList list;
    ConsoleListHost host("analyze");
    std::vector<SourceLine> lines = addSources(opened->sources, list, loaded.settings, host);
    ListRunSources sources(list, host);
    if (!sources.prepareSources(false)) return 1;

    std::vector<SourceItem*> items;
    for (const SourceLine& line : lines)
        if (line.item != nullptr) items.push_back(line.item);
    InterruptWatch watch;
    std::map<const SourceItem*, std::string> failures;
    std::unique_ptr<BusyIndicator> busy = host.openBusy("");
    const OutputFormat* format = loaded.format;
    const bool done = analyseLoudness(
        items, [format](const SourceItem&) { return format; }, loaded.settings, false, *busy,
        [&](size_t i, const std::string& error) {
            if (!error.empty()) failures[items[i]] = error;
        });
    busy.reset();
    if (!done) return 1;

    std::map<std::string, std::pair<std::string, LoudnessFacts>> albums;
    for (const SourceLine& line : lines) {
        const char* source = line.source.c_str();
        const SourceItem* item = line.item;
        if (item == nullptr || failures.count(item) != 0 || !item->loudness.track) {
            const std::string& error = item == nullptr             ? line.error
                                       : failures.count(item) != 0 ? failures[item]
                                                                   : std::string("not measured");
            std::printf("%s\terror=%s\n", source, error.c_str());
            status = 1;
            continue;
        }
        std::printf("%s", source);
        printFacts(*item->loudness.track);
        if (item->loudness.album) {
            const std::string folder = platform::folderPart(item->path).value_or("");
            albums.emplace(platform::pathKey(folder), std::make_pair(folder, *item->loudness.album));
        }
    }
    for (const auto& [key, album] : albums) {
        std::printf("album\t%s", album.first.c_str());
        printFacts(album.second);
    }
    if (std::fflush(stdout) != 0) return 1;
    return status;
}

const Registrar registrar("analyze", "analyze [--format ID] [--set NAME=VALUE]... SOURCE...",
                          runAnalyzeCommand);

}  // namespace

}  // namespace cli
