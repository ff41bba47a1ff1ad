// melodrift-cli command: the exact transcoder command line a conversion of each source would start.
#include <cstdio>

#include "cli/Cli.h"
#include "cli/SettingOptions.h"
#include "cli/SourceArguments.h"
#include "engine/CommandLine.h"
#include "engine/OutputNaming.h"
#include "engine/Probe.h"
#include "engine/Transcoder.h"
#include "sources/SourceItem.h"

namespace cli {

namespace {

int runCommandCommand(const std::vector<std::string>& arguments) {
    Result<SourceCommand> opened = openSourceCommand("command", arguments);
    if (!opened) return usageError(opened.reason());
    const std::vector<std::string>& args = opened->sources;
    LoadedSettings& loaded = opened->loaded;
    if (loaded.format == nullptr)
        return usageError("the chosen output format is not a catalogue format (use --format ID)");

    const std::string transcoder = transcoderPath();
    int status = 0;
    PlannedTargets planned;  // one run: sources of one name get distinct targets, no source is replaced
    for (const std::string& source : args)
        planned.protectSource(absoluteSourcePath(source), systemNamingFileSystem());
    for (const std::string& source : args) {
        Result<std::unique_ptr<SourceItem>> probed = probeSource(absoluteSourcePath(source), loaded.settings);
        if (!probed) {
            std::fprintf(stderr, "%s: %s\n", source.c_str(), probed.reason().c_str());
            status = 1;
            continue;
        }
        const std::unique_ptr<SourceItem> item = probed.take();
        const Result<std::string> target =
            chooseTarget(*item, *loaded.format, false, loaded.settings, planned);
        if (!target) {
            std::fprintf(stderr, "%s: %s\n", source.c_str(), target.reason().c_str());
            status = 1;
            continue;
        }
        item->outputPath = *target;
        const std::string refusal = unquotablePathError(*item, transcoder);
        if (!refusal.empty()) {
            std::fprintf(stderr, "%s: %s\n", source.c_str(), refusal.c_str());
            status = 1;
            continue;
        }
        // The run writes the tags into a temporary file; the line names it without writing it.
        const Result<TagInputs> tags = makeTagInputs(*item, true, *loaded.format, loaded.settings, true);
        std::printf("%s\n", buildCommandLine(*item, *loaded.format, loaded.settings, transcoder,
                                             tags ? *tags : TagInputs{})
                                .c_str());
    }
    if (std::fflush(stdout) != 0) return 1;
    return status;
}

const Registrar registrar("command", "command [--format ID] [--set NAME=VALUE]... SOURCE...",
                          runCommandCommand);

}  // namespace

}  // namespace cli
