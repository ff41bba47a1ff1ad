#include "engine/MediaInspector.h"

#include <cstdlib>
#include <sstream>

namespace media_inspector {

std::vector<std::string> probeArguments(const std::string& extension) {
    std::vector<std::string> args = {"-v", "error"};
    if (extension == "alw") args.insert(args.end(), {"-f", "alaw", "-sample_rate", "8000", "-channels", "1"});
    if (extension == "ulw")
        args.insert(args.end(), {"-f", "mulaw", "-sample_rate", "8000", "-channels", "1"});
    args.insert(args.end(),
                {"-select_streams", "a:0", "-show_entries",
                 "stream=codec_name,sample_rate,channels,bit_rate,duration:format=duration", "-of", "flat"});
    return args;
}

MediaFacts parseFlatOutput(const std::string& text) {
    MediaFacts facts;
    std::istringstream lines(text);
    std::string line;
    double streamSeconds = 0, formatSeconds = 0;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        std::string value = line.substr(eq + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (key == "streams.stream.0.codec_name") {
            facts.codec = value;
            facts.ok = true;
        } else if (key == "streams.stream.0.sample_rate") {
            facts.sampleRate = std::atoi(value.c_str());
        } else if (key == "streams.stream.0.channels") {
            facts.channels = std::atoi(value.c_str());
        } else if (key == "streams.stream.0.bit_rate") {
            facts.bitRate = std::atoll(value.c_str());
        } else if (key == "streams.stream.0.duration") {
            streamSeconds = std::atof(value.c_str());
        } else if (key == "format.duration") {
            formatSeconds = std::atof(value.c_str());
        }
    }
    facts.seconds = formatSeconds > 0 ? formatSeconds : streamSeconds;
    if (!facts.ok) facts.error = "the reader found no audio stream: " + text;
    return facts;
}

}  // namespace media_inspector
