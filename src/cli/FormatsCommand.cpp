// melodrift-cli formats: the catalogue with each format's current codec, one line a format.
#include <cstdio>

#include "cli/Cli.h"
#include "cli/CliSettings.h"

namespace cli {

namespace {

int runFormats(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    SettingOptions options;
    std::string error;
    if (!takeSettingOptions(args, options, &error)) return usageError(error);
    if (!args.empty()) return usageError("formats takes no argument '" + args.front() + "'");
    CliSettings loaded;
    if (!loadCliSettings(options, loaded, &error)) return usageError(error);
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
