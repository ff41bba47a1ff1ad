#include "engine/Loudness.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "engine/CommandLine.h"
#include "engine/ConversionRun.h"
#include "engine/OutputCheck.h"
#include "engine/Transcoder.h"
#include "formats/OutputFormat.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"

namespace {

constexpr double kRelativeGate = -10.0;  // LU below the absolutely gated mean
// The limiter's look-ahead; it delays the sound by its samples less one, which the filters take back.
constexpr int kLimiterAttackMs = 1;
// The limiter holds sample peaks this far under the ceiling, so that the peaks between samples (up to
// about half a decibel in loud noise) and a lossy encoder's ripple stay under it too.
constexpr double kLosslessMargin = 1.0;
constexpr double kLossyMargin = 2.0;
constexpr double kOpusMargin = 3.0;  // its encoder overshoots loud noise by more than a decibel

bool isLossless(const OutputFormat& format) {
    const std::string& codec = format.AudioCodec;
    return codec.starts_with("pcm_") || codec == "flac" || codec == "alac" || codec == "wavpack" ||
           codec == "tta";
}

double tenths(uint32_t stored) { return static_cast<int32_t>(stored) / 10.0; }

double energy(double lufs) { return std::pow(10.0, (lufs + 0.691) / 10.0); }
double lufsOf(double meanEnergy) { return -0.691 + 10.0 * std::log10(meanEnergy); }

// The number after "key" in text (spaces allowed between); none when it is not there or not a number
// ("-inf" is a number here).
std::optional<double> numberAfter(std::string_view text, std::string_view key) {
    const size_t at = text.find(key);
    if (at == std::string_view::npos) return std::nullopt;
    const std::string rest(text.substr(at + key.size(), 24));
    char* end = nullptr;
    const double value = std::strtod(rest.c_str(), &end);
    if (end == rest.c_str()) return std::nullopt;
    return value;
}

std::string fixed(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

bool isOpus(const OutputFormat& format) { return format.AudioCodec == "libopus" || format.id == 1182; }

double limiterMargin(const OutputFormat& format) {
    if (isOpus(format)) return kOpusMargin;
    return isLossless(format) ? kLosslessMargin : kLossyMargin;
}

}  // namespace

double loudnessTarget(const AppSettings& settings) { return tenths(settings.LoudnessTarget); }
double truePeakCeiling(const AppSettings& settings) { return tenths(settings.TruePeakCeiling); }

// The meter prints a line per 100 ms ("t: 1.2  TARGET:-23 LUFS  M: -20.1 S: ..."), each M being the
// loudness of the 400 ms block ending there, and at the end a summary whose values stand on lines of
// their own ("    I:         -23.0 LUFS").
void LoudnessParser::line(std::string_view text) {
    if (text.find("Parsed_ebur128") != std::string_view::npos) {
        if (text.find("Summary:") != std::string_view::npos) {
            inSummary_ = true;
            return;
        }
        const auto time = numberAfter(text, "t:");
        const auto momentary = numberAfter(text, "M:");
        // The first three lines measure blocks that are not full yet.
        if (!time || !momentary || *time < 0.399) return;
        if (*momentary <= kGateLufs) return;  // never counts: keep the table small
        ++blocks_[static_cast<int16_t>(std::lround(*momentary * 10))];
        return;
    }
    if (!inSummary_) return;
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return;
    const std::string_view body = text.substr(first);
    if (body.starts_with("I:")) {
        integrated_ = numberAfter(body, "I:");
    } else if (body.starts_with("LRA:")) {
        range_ = numberAfter(body, "LRA:");
    } else if (body.starts_with("Peak:")) {
        peak_ = numberAfter(body, "Peak:");
    }
}

LoudnessReading LoudnessParser::take() {
    LoudnessReading reading;
    for (const auto& [level, count] : blocks_) reading.blocks.emplace_back(level, count);
    if (inSummary_ && integrated_) {
        LoudnessFacts facts;
        // The blocks give the integrated value more finely than the summary's one decimal.
        const std::optional<double> gated = gatedLoudness(reading.blocks);
        facts.silent = !gated;
        facts.integrated = gated.value_or(*integrated_);
        facts.range = range_.value_or(0);
        facts.truePeak = peak_.value_or(-HUGE_VAL);
        if (!std::isfinite(facts.truePeak)) facts.truePeak = -120;
        reading.facts = facts;
    }
    blocks_.clear();
    inSummary_ = false;
    integrated_.reset();
    range_.reset();
    peak_.reset();
    return reading;
}

std::optional<double> gatedLoudness(const LoudnessBlocks& blocks) {
    const auto mean = [&](double above) -> std::optional<double> {
        double sum = 0;
        uint64_t count = 0;
        for (const auto& [level, n] : blocks) {
            const double lufs = level / 10.0;
            if (lufs <= above) continue;
            sum += energy(lufs) * n;
            count += n;
        }
        if (count == 0) return std::nullopt;
        return lufsOf(sum / static_cast<double>(count));
    };
    const std::optional<double> ungated = mean(kGateLufs);
    if (!ungated) return std::nullopt;
    return mean(*ungated + kRelativeGate);
}

LoudnessBlocks mergedBlocks(const LoudnessBlocks& a, const LoudnessBlocks& b) {
    LoudnessBlocks out;
    out.reserve(a.size() + b.size());
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        if (j == b.size() || (i < a.size() && a[i].first < b[j].first)) {
            out.push_back(a[i++]);
        } else if (i == a.size() || b[j].first < a[i].first) {
            out.push_back(b[j++]);
        } else {
            out.emplace_back(a[i].first, a[i].second + b[j].second);
            ++i;
            ++j;
        }
    }
    return out;
}

LoudnessFacts albumFacts(const std::vector<const RowLoudness*>& members) {
    LoudnessFacts album;
    album.truePeak = -120;
    LoudnessBlocks all;
    for (const RowLoudness* m : members) {
        if (!m->track) continue;
        all = mergedBlocks(all, m->blocks);
        album.truePeak = std::max(album.truePeak, m->track->truePeak);
        album.range = std::max(album.range, m->track->range);
    }
    const std::optional<double> gated = gatedLoudness(all);
    album.silent = !gated;
    album.integrated = gated.value_or(kGateLufs);
    return album;
}

std::string measureCommandLine(const SourceItem& item, const OutputFormat* format,
                               const AppSettings& settings, const std::string& transcoderPath) {
    std::string line = quotedPath(transcoderPath) + " -hide_banner";
    const std::string raw = rawInputFormat(item.extension);
    if (!raw.empty()) line += " -f " + raw;
    line += " -i " + quotedPath(inputPath(item)) + " -vn -sn -dn";
    if (item.streamCount() > 1) {
        const size_t n = item.convertedStream();
        const std::string id = n < item.streamIds.size() ? item.streamIds[n] : std::string();
        line += " -map " + (id.empty() ? std::string("0:a:0") : id);
    }
    const TrimWindow trim = trimWindow(item, settings);
    if (trim.skipMs > 0) line += " -ss " + trimLengthText(trim.skipMs);
    if (trim.lengthMs) line += " -t " + trimLengthText(*trim.lengthMs);
    std::string filters;
    if (format != nullptr && format->AudioVolume != 100) {
        // The same factor as the conversion's volume option, which counts 256 as unchanged.
        const int64_t volume = static_cast<int64_t>(format->AudioVolume) * 256 / 100;
        filters += "volume=" + fixed(static_cast<double>(volume) / 256.0, 6) + ",";
    }
    filters += "ebur128=peak=true:framelog=info";
    return line + " -af " + filters + " -f null -";
}

std::string loudnessKey(const SourceItem& item, const OutputFormat* format, const AppSettings& settings) {
    const TrimWindow trim = trimWindow(item, settings);
    const std::string& input = inputPath(item);
    std::string key = input + "|" + std::to_string(platform::fileSize64(input).value_or(0)) + "|" +
                      std::to_string(item.convertedStream()) + "|" + std::to_string(trim.skipMs) + "|" +
                      (trim.lengthMs ? std::to_string(*trim.lengthMs) : std::string("-")) + "|" +
                      std::to_string(format != nullptr ? format->AudioVolume : 100);
    if (const auto time = platform::lastWriteTime(input)) key += "|" + std::to_string(*time);
    return key;
}

Result<LoudnessReading> measureLoudness(const SourceItem& item, const OutputFormat* format,
                                        const AppSettings& settings, const std::atomic<bool>* stop) {
    const std::string transcoder = transcoderPath();
    const std::string refusal = unquotablePathError(item, transcoder);
    if (!refusal.empty()) return Failure{refusal};
    LoudnessParser parser;
    std::string lastLine;
    bool stalled = false, stopped = false;
    const bool started = runProbe(measureCommandLine(item, format, settings, transcoder),
                                  [&](platform::ChildProcess& process) {
                                      LineSplitter splitter;
                                      stalled = drainProcess(
                                          process,
                                          [&](const char* data, size_t size) {
                                              if (stopped) return;
                                              if (stop != nullptr && stop->load()) {
                                                  stopped = true;
                                                  process.terminate();
                                                  return;
                                              }
                                              splitter.feed(data, size, [&](std::string_view text) {
                                                  parser.line(text);
                                                  if (parseTranscoderLine(text).kind == LineKind::kMessage)
                                                      lastLine = text;
                                              });
                                          },
                                          settings.TranscoderStallSeconds);
                                      return true;
                                  });
    if (!started) return Failure{"The transcoder could not be started"};
    if (stopped) return Failure{kCancelledText};
    if (stalled) return Failure{kStalledText};
    LoudnessReading reading = parser.take();
    if (!reading.facts)
        return Failure{lastLine.empty() ? std::string("The loudness could not be measured") : lastLine};
    return reading;
}

TagList replayGainTags(const RowLoudness& loudness, const OutputFormat& format) {
    TagList tags;
    if (!loudness.track || loudness.track->silent) return tags;
    const bool album = loudness.album && !loudness.album->silent;
    if (isOpus(format)) {
        // Q7.8 fixed point, against the -23 LUFS that Opus players aim at; the header's gain stays 0.
        const auto q78 = [](double lufs) {
            const double gain = std::clamp((kR128Reference - lufs) * 256.0, -32768.0, 32767.0);
            return std::to_string(std::lround(gain));
        };
        tags.emplace_back("R128_TRACK_GAIN", q78(loudness.track->integrated));
        if (album) tags.emplace_back("R128_ALBUM_GAIN", q78(loudness.album->integrated));
        return tags;
    }
    const auto gain = [](double lufs) { return fixed(kReplayGainReference - lufs, 2) + " dB"; };
    const auto peak = [](double dbtp) { return fixed(std::pow(10.0, dbtp / 20.0), 6); };
    tags.emplace_back("REPLAYGAIN_TRACK_GAIN", gain(loudness.track->integrated));
    tags.emplace_back("REPLAYGAIN_TRACK_PEAK", peak(loudness.track->truePeak));
    if (album) {
        tags.emplace_back("REPLAYGAIN_ALBUM_GAIN", gain(loudness.album->integrated));
        tags.emplace_back("REPLAYGAIN_ALBUM_PEAK", peak(loudness.album->truePeak));
    }
    return tags;
}

bool takesFreeformTags(const OutputFormat& format) {
    const std::string_view muxer = format.muxer != nullptr ? format.muxer : "";
    const std::string& extension = format.extension;
    return muxer == "ipod" || muxer == "mp4" || muxer == "mov" || extension == "mp4" || extension == "m4a" ||
           extension == "m4b" || extension == "m4r" || extension == "mov" || extension == "3gp";
}

namespace {

// The gain of mode 2 and whether the limiter is needed; none when nothing is to change.
struct Normalisation {
    double gain = 0;
    bool limit = false;
};
std::optional<Normalisation> normalisation(const RowLoudness& loudness, const AppSettings& settings) {
    if (settings.LoudnessMode != kLoudnessNormalise || !loudness.track || loudness.track->silent)
        return std::nullopt;
    // An album keeps its inner balance: one gain for all its members.
    const LoudnessFacts& basis =
        loudness.album && !loudness.album->silent ? *loudness.album : *loudness.track;
    Normalisation n;
    n.gain = loudnessTarget(settings) - basis.integrated;
    n.limit = loudness.track->truePeak + n.gain > truePeakCeiling(settings);
    if (std::fabs(n.gain) < 0.005 && !n.limit) return std::nullopt;
    return n;
}

}  // namespace

std::string normaliseFilters(const RowLoudness& loudness, const OutputFormat& format,
                             const AppSettings& settings, uint32_t sampleRate) {
    const std::optional<Normalisation> n = normalisation(loudness, settings);
    if (!n) return {};
    std::string filters = "volume=" + fixed(n->gain, 2) + "dB";
    if (!n->limit) return filters;
    const double limit = std::pow(10.0, (truePeakCeiling(settings) - limiterMargin(format)) / 20.0);
    const std::string limiter = "alimiter=limit=" + fixed(std::clamp(limit, 0.0625, 1.0), 6) +
                                ":level=0:attack=" + std::to_string(kLimiterAttackMs) + ":release=50";
    const int64_t delay = static_cast<int64_t>(sampleRate) * kLimiterAttackMs / 1000 - 1;
    if (delay <= 0) return filters + "," + limiter;
    // Pads the end by the delay and cuts it from the start: the sound keeps its place and its length.
    const std::string samples = std::to_string(delay);
    return filters + ",apad=pad_len=" + samples + "," + limiter + ",atrim=start_sample=" + samples +
           ",asetpts=PTS-STARTPTS";
}

std::string loudnessRemark(const RowLoudness& loudness, const AppSettings& settings) {
    if (settings.LoudnessMode == kLoudnessOff) return {};
    if (loudness.track && loudness.track->silent)
        return settings.LoudnessMode == kLoudnessNormalise ? "too quiet to normalize"
                                                           : "too quiet to measure";
    const std::optional<Normalisation> n = normalisation(loudness, settings);
    if (n && n->limit) return "peaks limited to " + fixed(truePeakCeiling(settings), 1) + " dBTP";
    return {};
}

bool analyseLoudness(const std::vector<SourceItem*>& items,
                     const std::function<const OutputFormat*(const SourceItem&)>& formatOf,
                     const AppSettings& settings, bool oneAlbum, BusyIndicator& busy,
                     const std::function<void(size_t, const std::string&)>& measured) {
    const size_t n = items.size();
    std::vector<std::string> keys(n);
    std::vector<size_t> todo;
    for (size_t i = 0; i < n; ++i) {
        keys[i] = loudnessKey(*items[i], formatOf(*items[i]), settings);
        if (!items[i]->loudness.track || items[i]->loudness.key != keys[i]) todo.push_back(i);
    }

    // The measurements run on worker threads; this thread takes their results in order and keeps the
    // window answering meanwhile.
    std::mutex mutex;
    std::condition_variable ready;
    std::vector<std::optional<Result<LoudnessReading>>> results(todo.size());
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    const size_t threads =
        std::min<size_t>(todo.size(), std::clamp<uint32_t>(settings.ConversionThreads, 1, 32));
    std::vector<std::thread> workers;
    for (size_t t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (size_t k = next++; k < todo.size() && !stop; k = next++) {
                const SourceItem& item = *items[todo[k]];
                Result<LoudnessReading> result = measureLoudness(item, formatOf(item), settings, &stop);
                std::lock_guard lock(mutex);
                results[k] = std::move(result);
                ready.notify_all();
            }
        });
    }
    const int width = busy.barWidth();
    bool cancelled = false;
    for (size_t k = 0; k < todo.size() && !cancelled; ++k) {
        SourceItem& item = *items[todo[k]];
        busy.setText("[" + std::to_string(k + 1) + "/" + std::to_string(todo.size()) +
                     "] Analyzing loudness of " + std::string(platform::fileNamePart(item.path)) + "...");
        busy.setBar(static_cast<int>(static_cast<int64_t>(width) * static_cast<int64_t>(k) /
                                     static_cast<int64_t>(todo.size())));
        std::optional<Result<LoudnessReading>> result;
        while (!result) {
            {
                std::unique_lock lock(mutex);
                ready.wait_for(lock, std::chrono::milliseconds(50), [&] { return results[k].has_value(); });
                if (results[k]) result = std::move(results[k]);
            }
            busy.pumpMessages();
            if (busy.cancelled()) {
                cancelled = true;
                break;
            }
        }
        if (!result) break;
        if (*result) {
            LoudnessReading reading = result->take();
            item.loudness.track = reading.facts;
            item.loudness.blocks = std::move(reading.blocks);
            item.loudness.key = keys[todo[k]];
            measured(todo[k], {});
        } else {
            item.loudness = {};
            measured(todo[k], result->reason());
        }
    }
    stop = true;
    for (std::thread& worker : workers) worker.join();
    if (cancelled) return false;
    busy.setBar(width);

    // The albums: all items, or those of one folder, or none.
    std::vector<std::vector<size_t>> albums;
    if (oneAlbum) {
        albums.emplace_back();
        for (size_t i = 0; i < n; ++i) albums.back().push_back(i);
    } else if (settings.AlbumGainByFolder != 0) {
        std::map<std::string, size_t> byFolder;
        for (size_t i = 0; i < n; ++i) {
            const std::string folder = platform::pathKey(platform::folderPart(items[i]->path).value_or(""));
            const auto [at, added] = byFolder.emplace(folder, albums.size());
            if (added) albums.emplace_back();
            albums[at->second].push_back(i);
        }
    }
    for (size_t i = 0; i < n; ++i) items[i]->loudness.album.reset();
    for (const std::vector<size_t>& album : albums) {
        std::vector<const RowLoudness*> members;
        for (const size_t i : album)
            if (items[i]->loudness.track) members.push_back(&items[i]->loudness);
        if (members.size() < 2 && !oneAlbum) continue;  // a folder of one is no album
        if (members.empty()) continue;
        const LoudnessFacts facts = albumFacts(members);
        for (const size_t i : album)
            if (items[i]->loudness.track) items[i]->loudness.album = facts;
    }
    return true;
}
