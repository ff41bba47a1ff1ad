#include "engine/MediaInspector.h"
#include "support/TestSupport.h"

MediaFacts inspectMedia(const std::string& path, const std::string& extension) {
    std::vector<std::string> args = media_inspector::probeArguments(extension);
    args.push_back(path);
    const auto run = testing_support::runProgram("/usr/bin/ffprobe", args);
    if (!run.started) {
        MediaFacts facts;
        facts.error = "ffprobe could not be started";
        return facts;
    }
    return media_inspector::parseFlatOutput(run.output);
}
