// melodrift-cli formats: the catalogue with each format's current codec, one line a format.
#include <cstdio>

#include "cli/Cli.h"
#include "cli/SettingOptions.h"

namespace cli {

namespace {

int runFormats(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    const Result<SettingOptions> options = takeSettingOptions(args);
    if (!options) return usageError(options.reason());
    if (!args.empty()) return usageError("formats takes no argument '" + args.front() + "'");
    Result<LoadedSettings> opened = loadSettingsWithOptions(*options);
    if (!opened) return usageError(opened.reason());
    const LoadedSettings& loaded = *opened;
    for (const auto& format : loaded.catalogue->formats()) {
        std::string names;
        for (const CodecInfo* const* codec = format->codecs; codec && *codec; ++codec) {
            if (!names.empty()) names += ",";
            names += (*codec)->transcoderName;
        }
        std::printf("%d\t%s\t%s\t%s\t%s\n", format->id, formatLabel(*format).c_str(),
                    settingsPrefix(*format).c_str(), format->AudioCodec.c_str(), names.c_str());
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

const Registrar registrar("formats", "formats [--set NAME=VALUE]...", runFormats);

}  // namespace

}  // namespace cli
