// melodrift-cli probe: what the media probe learns about each source.
#include <cstdio>
#include <filesystem>

#include "cli/Cli.h"
#include "cli/ConsoleSources.h"
#include "cli/SettingOptions.h"
#include "sources/FileList.h"

namespace cli {

namespace {

int runProbeCommand(const std::vector<std::string>& arguments) {
    Result<SourceCommand> opened = openSourceCommand("probe", arguments);
    if (!opened) return usageError(opened.reason());
    const std::vector<std::string>& args = opened->sources;
    LoadedSettings& loaded = opened->loaded;

    int status = 0;
    FileList list;
    ConsoleListHost host("probe");
    for (const SourceLine& line : addSources(args, list, loaded.settings, host)) {
        const char* source = line.source.c_str();
        if (line.item == nullptr) {
            std::printf("%s\terror=%s\n", source, line.error.c_str());
            status = 1;
            continue;
        }
        const SourceItem* item = line.item;
        std::printf("%s\tkind=%d\tduration=%u\tstreams=%zu\tchosen=%d\n", source, item->kind, item->duration,
                    item->streamCount(), item->audioStream);
        for (size_t i = 0; i < item->streamCount(); ++i) {
            std::printf("stream=%zu\tid=%s\trate=%u\tbitrate=%u\tchannels=%u\n", i,
                        i < item->streamIds.size() ? item->streamIds[i].c_str() : "",
                        item->streamSampleRates[i], item->streamBitRates[i], item->streamChannels[i]);
        }
    }
    if (std::fflush(stdout) != 0) return 1;
    return status;
}

const Registrar registrar("probe", "probe [--set NAME=VALUE]... SOURCE...", runProbeCommand);

}  // namespace

}  // namespace cli
