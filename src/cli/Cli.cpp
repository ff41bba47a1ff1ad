#include "cli/Cli.h"

#include <cstdio>

#include "engine/Transcoder.h"

namespace cli {

std::map<std::string, CommandInfo>& commands() {
    static std::map<std::string, CommandInfo> table;
    return table;
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "melodrift-cli: %s\n", message.c_str());
    return 2;
}

static void printUsage(FILE* to) {
    std::fprintf(to, "Melodrift %s, audio converter\nusage: melodrift-cli COMMAND [ARGS...]\n",
                 MELODRIFT_VERSION);
    for (const auto& [name, info] : commands()) std::fprintf(to, "  melodrift-cli %s\n", info.usage.c_str());
    std::fprintf(to, "  melodrift-cli version\n");
}

int run(const std::vector<std::string>& args) {
    if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
        printUsage(stdout);
        return 0;
    }
    if (args[0] == "version" || args[0] == "--version") {
        // The second line says which transcoder a conversion would start, and whether it answers.
        const std::string path = transcoderPath();
        const auto transcoder = transcoderVersion(path);
        std::printf("Melodrift %s\nTranscoder: %s (%s)\n", MELODRIFT_VERSION, path.c_str(),
                    transcoder ? ("FFmpeg " + *transcoder).c_str() : "not found");
        return 0;
    }
    const auto it = commands().find(args[0]);
    if (it == commands().end())
        return usageError("unknown command '" + args[0] + "' (see melodrift-cli help)");
    return it->second.run(std::vector<std::string>(args.begin() + 1, args.end()));
}

}  // namespace cli
