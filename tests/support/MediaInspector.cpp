#include "support/MediaInspector.h"

#include <cstdlib>
#include <map>
#include <sstream>

#include "support/TestSupport.h"

namespace media_inspector {

namespace {

std::vector<std::string> inputArguments(const std::string& extension) {
    std::vector<std::string> args = {"-v", "error"};
    if (extension == "alw" || extension == "ulw") {
        args.insert(args.end(),
                    {"-f", extension == "alw" ? "alaw" : "mulaw", "-sample_rate", "8000", "-channels", "1"});
    }
    args.insert(args.end(), {"-select_streams", "a:0"});
    return args;
}

// The last value of each key (the stream's section comes before the container's); "N/A" counts as none.
std::map<std::string, std::string> keyValues(const std::string& text) {
    std::map<std::string, std::string> values;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t eq = line.find('=');
        if (eq != std::string::npos && line.compare(eq + 1, std::string::npos, "N/A") != 0)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

}  // namespace

std::vector<std::string> probeArguments(const std::string& extension) {
    std::vector<std::string> args = inputArguments(extension);
    args.insert(args.end(),
                {"-show_entries", "stream=codec_name,sample_rate,channels,bit_rate,duration:format=duration",
                 "-of", "default"});
    return args;
}

MediaFacts parseProbeOutput(const std::string& text) {
    std::map<std::string, std::string> values = keyValues(text);
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

DecodedLength parseDecodedOutput(const std::string& text) {
    DecodedLength length;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("nb_samples=", 0) == 0) length.samples += std::atoll(line.c_str() + 11);
    }
    std::map<std::string, std::string> values = keyValues(text);
    length.sampleRate = std::atoi(values["sample_rate"].c_str());
    length.ok = length.sampleRate > 0;
    if (!length.ok) length.error = "the reader found no audio stream: " + text;
    // duration_ts counts in the stream's time base, "1/44100" for instance.
    const std::string base = values["time_base"];
    const size_t slash = base.find('/');
    if (values.count("duration_ts") != 0 && slash != std::string::npos) {
        const long long num = std::atoll(base.c_str()), den = std::atoll(base.c_str() + slash + 1);
        if (num > 0 && den > 0)
            length.recorded = std::atoll(values["duration_ts"].c_str()) * num * length.sampleRate / den;
    }
    return length;
}

}  // namespace media_inspector

MediaFacts inspectMedia(const std::string& path, const std::string& extension) {
    const auto run = media_inspector::runProbe(media_inspector::probeArguments(extension), path);
    if (!run.started) return MediaFacts(run.output);
    return media_inspector::parseProbeOutput(run.output);
}

DecodedLength decodedLength(const std::string& path, const std::string& extension) {
    std::vector<std::string> args = media_inspector::inputArguments(extension);
    args.insert(args.end(),
                {"-show_entries", "frame=nb_samples:stream=sample_rate,time_base,duration_ts:format=duration",
                 "-of", "default"});
    const auto run = media_inspector::runProbe(args, path);
    if (!run.started) return DecodedLength(run.output);
    return media_inspector::parseDecodedOutput(run.output);
}

#ifndef _WIN32
media_inspector::ProbeRun media_inspector::runProbe(std::vector<std::string> args, const std::string& path) {
    args.push_back(path);
    const auto run = testing_support::runProgram("/usr/bin/ffprobe", args);
    if (!run.started) return {false, "ffprobe could not be started"};
    return {true, run.output};
}
#endif
