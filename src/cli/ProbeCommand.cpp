// melodrift-cli probe: what the media probe learns about each source.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "cli/Cli.h"
#include "cli/ConsoleSources.h"
#include "cli/SettingOptions.h"
#include "sources/FileList.h"

namespace cli {

namespace {

// A value on one line: backslashes, tabs and line breaks written as \\, \t, \n and \r.
std::string escapedValue(const std::string& value) {
    static const std::pair<char, const char*> kEscapes[] = {
        {'\\', "\\\\"}, {'\t', "\\t"}, {'\n', "\\n"}, {'\r', "\\r"}};
    std::string escaped;
    for (const char c : value) {
        const auto* e = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                     [c](const auto& p) { return p.first == c; });
        if (e != std::end(kEscapes))
            escaped += e->second;
        else
            escaped += c;
    }
    return escaped;
}

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
        for (size_t f = 0; f < kTagFieldCount; ++f) {
            const std::string& value = item->tags.values[f];
            if (!value.empty()) std::printf("tag.%s=%s\n", kTagFields[f].name, escapedValue(value).c_str());
        }
        if (item->tags.hasCover) std::printf("cover=1\n");
    }
    if (std::fflush(stdout) != 0) return 1;
    return status;
}

const Registrar registrar("probe", "probe [--set NAME=VALUE]... SOURCE...", runProbeCommand);

}  // namespace

}  // namespace cli
