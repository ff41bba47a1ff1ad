#include "support/MediaInspector.h"

#include <cstdlib>
#include <map>
#include <sstream>

#include "support/TestSupport.h"

namespace media_inspector {

std::vector<std::string> probeArguments(const std::string& extension) {
    std::vector<std::string> args = {"-v", "error"};
    if (extension == "alw" || extension == "ulw") {
        args.insert(args.end(),
                    {"-f", extension == "alw" ? "alaw" : "mulaw", "-sample_rate", "8000", "-channels", "1"});
    }
    args.insert(args.end(), {"-select_streams", "a:0", "-show_entries",
                             "stream=codec_name,sample_rate,channels,bit_rate,duration:format=duration",
                             "-of", "default"});
    return args;
}

MediaFacts parseProbeOutput(const std::string& text) {
    // The stream's section comes before the container's, whose duration wins when known.
    std::map<std::string, std::string> values;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos && line.compare(eq + 1, std::string::npos, "N/A") != 0)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    MediaFacts facts;
    facts.codec = values["codec_name"];
    facts.ok = !facts.codec.empty();
    if (!facts.ok) facts.error = "the reader found no audio stream: " + text;
    facts.sampleRate = std::atoi(values["sample_rate"].c_str());
    facts.channels = std::atoi(values["channels"].c_str());
    facts.bitRate = std::atoll(values["bit_rate"].c_str());
    facts.seconds = std::atof(values["duration"].c_str());
    return facts;
}

}  // namespace media_inspector

#ifndef _WIN32
MediaFacts inspectMedia(const std::string& path, const std::string& extension) {
    std::vector<std::string> args = media_inspector::probeArguments(extension);
    args.push_back(path);
    const auto run = testing_support::runProgram("/usr/bin/ffprobe", args);
    if (!run.started) return MediaFacts("ffprobe could not be started");
    return media_inspector::parseProbeOutput(run.output);
}
#endif
