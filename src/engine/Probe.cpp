#include "engine/Probe.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <optional>

#include "audio/ReaderFactory.h"
#include "engine/CommandLine.h"
#include "engine/Transcoder.h"
#include "platform/Files.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"

namespace {

constexpr size_t kMaxStreamIdLength = 1023;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view skipBlanks(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    return text.substr(i);
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// A decimal prefix: leading white space, an optional sign, digits. Kept within 0 .. 2^32-1 so that
// nonsense in the output cannot wrap around.
int64_t leadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (isBlank(text[i]) || text[i] == '\r' || text[i] == '\n')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::numeric_limits<uint32_t>::max()) value = std::numeric_limits<uint32_t>::max();
    }
    return negative ? -value : value;
}

uint32_t leadingCount(std::string_view text) {
    const int64_t v = leadingNumber(text);
    return v < 0 ? 0 : static_cast<uint32_t>(v);
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(platform::nativePath(path), ec);
}

// A decoder's sample format as printed after the layout: "s16", "fltp", "s32 (24 bit)", "s32p (24 bit)".
std::optional<SampleFormat> sampleFormatPiece(std::string_view piece) {
    static constexpr struct {
        std::string_view name;
        SampleFormat format;
    } kFormats[] = {{"u8", {8, false}},   {"s16", {16, false}}, {"s32", {32, false}},
                    {"s64", {64, false}}, {"flt", {32, true}},  {"dbl", {64, true}}};
    const std::string_view word = piece.substr(0, piece.find(' '));
    std::string_view name = word;
    if (name.size() > 1 && name.back() == 'p') name.remove_suffix(1);  // planar: the same samples
    for (const auto& f : kFormats) {
        if (name != f.name) continue;
        SampleFormat format = f.format;
        const std::string_view rest = skipBlanks(piece.substr(word.size()));
        if (startsWith(rest, "(") && rest.find(" bit)") != std::string_view::npos) {
            const uint32_t bits = leadingCount(rest.substr(1));
            if (bits > 0 && bits < format.bits) format.bits = bits;
        }
        return format;
    }
    return std::nullopt;
}

}  // namespace

std::string probeInputArguments(const std::string& extension, const std::string& sourcePath) {
    const std::string raw = rawInputFormat(extension);
    const std::string option = raw.empty() ? std::string() : "-f " + raw;
    return " " + option + " -i " + quotedPath(sourcePath);
}

std::string probeCommandLine(const std::string& transcoderPath, const std::string& extension,
                             const std::string& sourcePath) {
    return "\"" + transcoderPath + "\"" + probeInputArguments(extension, sourcePath);
}

uint64_t parseDurationMs(std::string_view text) {
    const uint64_t seconds = parseDurationText(text);
    text = text.substr(0, text.find(','));
    const size_t dot = text.find('.');
    if (seconds == 0 && (dot == std::string_view::npos || startsWith(text, "N/A"))) return 0;
    uint64_t ms = seconds * 1000;
    if (dot != std::string_view::npos) {
        // Hundredths as the transcoder prints them; more digits are read to the millisecond.
        uint64_t scale = 100;
        for (size_t i = dot + 1; i < text.size() && text[i] >= '0' && text[i] <= '9' && scale > 0; ++i) {
            ms += static_cast<uint64_t>(text[i] - '0') * scale;
            scale /= 10;
        }
    }
    return ms;
}

uint32_t parseDurationText(std::string_view text) {
    if (startsWith(text, "N/A")) return 0;
    text = text.substr(0, text.find(','));
    int64_t total = leadingNumber(text) * 3600;
    size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        text = text.substr(colon + 1);
        total += leadingNumber(text) * 60;
        colon = text.find(':');
        if (colon != std::string_view::npos) total += leadingNumber(text.substr(colon + 1));
    }
    if (total < 0) return 0;
    return total > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                        : static_cast<uint32_t>(total);
}

std::string parseStreamId(std::string_view afterHash) {
    // "<file>:<stream>" followed by the stream's hex id "[0x1c0]", its language "(eng)" or the colon.
    size_t i = 0;
    const auto digits = [&] {
        const size_t start = i;
        while (i < afterHash.size() && i < kMaxStreamIdLength && afterHash[i] >= '0' && afterHash[i] <= '9')
            ++i;
        return i > start;
    };
    if (!digits() || i >= afterHash.size() || afterHash[i] != ':') return {};
    ++i;
    if (!digits() || i >= afterHash.size()) return {};
    const char next = afterHash[i];
    if (next != ':' && next != '[' && next != '(') return {};
    return std::string(afterHash.substr(0, i));
}

AudioFields parseAudioFields(std::string_view text) {
    AudioFields fields;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        std::string_view piece = skipBlanks(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (piece.empty()) continue;
        if (piece.find(" Hz") != std::string_view::npos) {
            fields.sampleRate = leadingCount(piece);
        } else if (piece.find(" kb/s") != std::string_view::npos) {
            fields.bitRate = leadingCount(piece);
        } else if (piece.find(" channels") != std::string_view::npos) {
            fields.channels = leadingCount(piece);
        } else if (const auto format = sampleFormatPiece(piece)) {
            fields.sampleFormat = *format;
        } else {
            static const struct {
                const char* layout;
                uint32_t channels;
            } kLayouts[] = {{"stereo", 2}, {"mono", 1}, {"5.1", 6}, {"4.0", 4}, {"2.1", 3},
                            {"4.1", 5},    {"5.0", 5},  {"6.1", 7}, {"7.1", 8}};
            for (const auto& l : kLayouts) {
                if (startsWith(piece, l.layout)) {
                    fields.channels = l.channels;
                    break;
                }
            }
        }
    }
    return fields;
}

// The transcoder prints tags as they are, so a tag can look like any line. Only lines at its own
// indentation outside "Metadata:" blocks are taken: "Duration:" two blanks in, "Stream #" two blanks in,
// or four (older builds indent every stream line by four).
void ProbeReading::line(std::string_view text) {
    size_t indent = 0;
    while (indent < text.size() && isBlank(text[indent])) ++indent;
    text = text.substr(indent);
    if (metadataIndent_ && indent > *metadataIndent_) {  // a tag, or a tag value's next line
        if (takingTags_) tagLine(text, indent);
        return;
    }
    metadataIndent_.reset();
    if (text == "Metadata:") {
        metadataIndent_ = indent;
        // Some containers (MP4) repeat the input's tags on the stream.
        takingTags_ = owner_ == TagOwner::kInput || (owner_ == TagOwner::kFirstAudio && oggInput_);
        owner_ = TagOwner::kOther;
        return;
    }
    owner_ = TagOwner::kOther;
    if (indent == 0 && startsWith(text, "Input #")) {
        owner_ = TagOwner::kInput;
        const size_t comma = text.find(", ");
        oggInput_ = comma != std::string_view::npos && startsWith(text.substr(comma + 2), "ogg,");
        return;
    }
    if (indent == 0 && text.find("Estimating duration from bitrate") != std::string_view::npos) {
        item_.durationEstimated = true;
        return;
    }
    if (indent == 2 && !durationSeen_ && startsWith(text, "Duration:")) {
        durationSeen_ = true;
        const std::string_view value = skipBlanks(text.substr(9));
        item_.duration = parseDurationText(value);
        item_.durationMs = parseDurationMs(value);
        return;
    }
    if ((indent != 2 && indent != 4) || !startsWith(text, "Stream #")) return;
    std::string id = parseStreamId(text.substr(8));
    if (id.empty()) return;
    id = "0" + id.substr(id.find(':'));
    const size_t blank = text.find(' ', 8);
    if (blank == std::string_view::npos) return;
    const std::string_view rest = skipBlanks(text.substr(blank + 1));
    // A cover picture is a video stream too, but nothing plays it alongside the sound. Newer builds mark
    // it "(attached pic)"; older ones give it no frame rate, only the 90 kHz time base pictures get.
    if (startsWith(rest, "Video:")) {
        const bool picture =
            rest.find("(attached pic)") != std::string_view::npos ||
            (rest.find(" fps") == std::string_view::npos && rest.find(" 90k tbr") != std::string_view::npos);
        (picture ? item_.tags.hasCover : item_.hasVideo) = true;
        return;
    }
    if (!startsWith(rest, "Audio:")) return;
    // A stream that belongs to two programs is listed under each.
    if (std::find(item_.streamIds.begin(), item_.streamIds.end(), id) != item_.streamIds.end()) return;
    if (item_.streamIds.empty()) owner_ = TagOwner::kFirstAudio;
    const AudioFields fields = parseAudioFields(rest.substr(6));
    item_.streamIds.push_back(id);
    item_.streamBitRates.push_back(fields.bitRate);
    item_.streamSampleRates.push_back(fields.sampleRate);
    item_.streamChannels.push_back(fields.channels);
    item_.streamSampleFormats.push_back(fields.sampleFormat);
    foundAudio_ = true;
}

// A tag is "<key><blanks>: <value>" two blanks inside its block; a value's further lines follow as
// ": <text>" under the column of the values.
void ProbeReading::tagLine(std::string_view text, size_t indent) {
    if (startsWith(text, ":") && indent > *metadataIndent_ + 2) {
        if (extending_)
            item_.tags[*extending_] += "\n" + std::string(text.substr(std::min<size_t>(2, text.size())));
        return;
    }
    extending_.reset();
    const size_t colon = text.find(": ");
    if (indent != *metadataIndent_ + 2 || colon == std::string_view::npos) return;
    std::string_view key = text.substr(0, colon);
    while (!key.empty() && isBlank(key.back())) key.remove_suffix(1);
    const std::optional<TagField> field = tagFieldForKey(key);
    if (!field) return;
    const bool known = !item_.tags[*field].empty();
    storeSourceTag(item_.tags, key, text.substr(colon + 2));
    if (!known && !item_.tags[*field].empty() && *field != kTagTrack && *field != kTagDisc)
        extending_ = field;
}

bool readProbeOutput(platform::ChildProcess& process, SourceItem& item, uint32_t stallSeconds,
                     bool* stalled) {
    LineSplitter splitter;
    ProbeReading reading(item);
    const bool ended = drainProcess(
        process,
        [&](const char* data, size_t size) {
            splitter.feed(data, size, [&](std::string_view line) { reading.line(line); });
        },
        stallSeconds);
    if (stalled != nullptr) *stalled = ended;
    return reading.foundAudio() && !ended;
}

BatchReading::BatchReading(const std::vector<SourceItem*>& items) : items_(items) {
    readings_.reserve(items.size());
    for (SourceItem* item : items) readings_.emplace_back(*item);
}

void BatchReading::line(std::string_view text) {
    // Only the transcoder's own lines start at the margin: a tag's further lines are indented.
    const bool margin = !text.empty() && !isBlank(text[0]);
    if (margin && startsWith(text, "Input #")) {
        const std::string_view number = text.substr(7);
        if (static_cast<int64_t>(headers_) == leadingNumber(number) && headers_ < readings_.size() &&
            !number.empty() && number[0] >= '0' && number[0] <= '9') {
            readings_[headers_].line(text);
            ++headers_;
            openError_.clear();
            return;
        }
    }
    // At the margin: about the input being opened; indented: the description under the last header.
    const size_t input = margin ? headers_ : (headers_ == 0 ? 0 : headers_ - 1);
    if (input >= readings_.size()) return;
    if (margin && input == headers_) {
        const std::string prefix = items_[input]->path + ": ";
        if (startsWith(text, prefix)) openError_ = std::string(text.substr(prefix.size()));
    }
    readings_[input].line(text);
}

void probeTranscoderBatch(const std::vector<SourceItem*>& items, uint32_t stallSeconds,
                          const std::function<void(size_t, const std::string&)>& done,
                          const std::atomic<bool>* stop) {
    static const std::string kNoAudio = "No audio stream found";
    const auto stopped = [&] { return stop != nullptr && stop->load(); };
    const std::string program = "\"" + transcoderPath() + "\"";
    size_t start = 0;
    bool alone = false;  // a refusal the transcoder did not explain is tried again on its own
    while (start < items.size() && !stopped()) {
        std::string line = program;
        size_t end = start;
        while (end < items.size() && !(alone && end > start)) {
            const std::string input = probeInputArguments(items[end]->extension, items[end]->path);
            if (end > start && line.size() + input.size() > kMostProbeLineChars) break;
            line += input;
            ++end;
        }
        const std::vector<SourceItem*> part(items.begin() + static_cast<std::ptrdiff_t>(start),
                                            items.begin() + static_cast<std::ptrdiff_t>(end));
        BatchReading reading(part);
        size_t reported = 0;
        const auto report = [&](size_t upTo) {
            for (; reported < upTo && !stopped(); ++reported)
                done(start + reported, reading.foundAudio(reported) ? std::string() : kNoAudio);
        };
        bool stalled = false;
        const bool started = runProbe(line, [&](platform::ChildProcess& process) {
            LineSplitter splitter;
            bool ending = false;
            stalled = drainProcess(
                process,
                [&](const char* data, size_t size) {
                    splitter.feed(data, size, [&](std::string_view text) { reading.line(text); });
                    if (ending || stopped()) {
                        if (!ending) process.terminate();
                        ending = true;
                        return;
                    }
                    report(reading.complete());
                },
                stallSeconds);
            return true;
        });
        if (stopped()) return;
        if (!started) {
            for (size_t i = start; i < items.size(); ++i) done(i, kNoAudio);
            return;
        }
        // Every input with a header is complete now, except after a stall, which the last one takes.
        const size_t opened = reading.opened();
        if (opened == part.size() && !stalled) {
            report(opened);
            start = end;
            alone = false;
            continue;
        }
        const size_t refused = opened == part.size() ? opened - 1 : opened;
        report(refused);
        if (!stalled && reading.openError().empty() && part.size() > 1) {
            start += refused;
            alone = true;
            continue;
        }
        done(start + refused, stalled                       ? std::string(kProbeStalledText)
                              : reading.openError().empty() ? kNoAudio
                                                            : reading.openError());
        start += refused + 1;
        alone = false;
    }
}

bool probeWithTranscoder(SourceItem& item, uint32_t stallSeconds, bool* stalled) {
    if (item.path.find('"') != std::string::npos) return false;
    const std::string line = probeCommandLine(transcoderPath(), item.extension, item.path);
    return runProbe(line, [&](platform::ChildProcess& process) {
        return readProbeOutput(process, item, stallSeconds, stalled);
    });
}

ReaderProbe probeWithReader(SourceItem& item, bool* cdTrackHint) {
    ReaderChoice choice = readerForExtension(item.extension);
    if (!choice.reader) return ReaderProbe::NoReader;
    if (choice.reader->open(item.path) == 0) {
        item.kind = kSourceFile;
        if (item.extension == "cda" && cdTrackHint != nullptr) *cdTrackHint = true;
        return ReaderProbe::Refused;
    }
    item.kind = choice.kind;
    item.duration = static_cast<uint32_t>(choice.reader->duration());
    item.durationMs = static_cast<uint64_t>(choice.reader->duration()) * 1000;
    item.streamSampleRates.push_back(static_cast<uint32_t>(choice.reader->sampleRate()));
    item.streamBitRates.push_back(static_cast<uint32_t>(choice.reader->bitRate()));
    item.streamChannels.push_back(static_cast<uint32_t>(choice.reader->outputChannelCount()));
    item.streamSampleFormats.push_back({16, false});  // what the preparation writes
    choice.reader->close();
    item.needsPreparation = true;
    return ReaderProbe::Succeeded;
}

void probeSources(const std::vector<std::string>& paths, const AppSettings& settings,
                  const std::function<void(size_t, Result<std::unique_ptr<SourceItem>>)>& done,
                  const std::atomic<bool>* stop, bool* cdTrackHint) {
    const size_t n = paths.size();
    std::vector<std::unique_ptr<SourceItem>> items(n);
    std::vector<std::string> errors(n);
    std::vector<SourceItem*> toProbe;
    std::vector<size_t> places;  // of each probed item in paths
    for (size_t i = 0; i < n; ++i) {
        const std::string& path = paths[i];
        if (!fileExists(path)) {
            errors[i] = "File not found";
            continue;
        }
        if (path.find('"') != std::string::npos) {
            errors[i] = "The file name contains a double quote and cannot be given to the transcoder";
            continue;
        }
        auto item = std::make_unique<SourceItem>();
        item->kind = kSourceFile;
        item->path = path;
        item->extension = sourceExtension(path);
        // The program's own readers (CD tracks, voice-recorder files, AIFF-family files) answer first for
        // their extensions; a refusal falls back to the transcoder, except for a CD track.
        const ReaderProbe reader = probeWithReader(*item, cdTrackHint);
        if (reader != ReaderProbe::Succeeded) {
            if (item->extension == "cda") {
                errors[i] = "Failed to open the CD track";
                continue;
            }
            toProbe.push_back(item.get());
            places.push_back(i);
        }
        items[i] = std::move(item);
    }
    size_t emitted = 0;
    const auto emitUpTo = [&](size_t limit) {
        for (; emitted < limit && (stop == nullptr || !stop->load()); ++emitted) {
            if (!items[emitted]) {
                done(emitted, Failure{errors[emitted]});
                continue;
            }
            items[emitted]->audioStream =
                automaticAudioStream(settings.RequestAudioIndex, items[emitted]->streamCount());
            done(emitted, std::move(items[emitted]));
        }
    };
    probeTranscoderBatch(
        toProbe, probeStallSeconds(settings.TranscoderStallSeconds),
        [&](size_t k, const std::string& error) {
            const size_t place = places[k];
            if (!error.empty()) {
                items[place].reset();
                errors[place] = error;
            }
            emitUpTo(place + 1);
        },
        stop);
    if (stop == nullptr || !stop->load()) emitUpTo(n);
}

Result<std::unique_ptr<SourceItem>> probeSource(const std::string& path, const AppSettings& settings,
                                                bool* cdTrackHint) {
    Result<std::unique_ptr<SourceItem>> result = Failure{"No audio stream found"};
    probeSources(
        {path}, settings,
        [&](size_t, Result<std::unique_ptr<SourceItem>> probed) { result = std::move(probed); }, nullptr,
        cdTrackHint);
    return result;
}

std::string dvdTitleFirstVob(const std::string& vobFolder, int32_t titleSet) {
    char name[32];
    std::snprintf(name, sizeof name, "VTS_%02d_1.VOB", static_cast<int>(titleSet));
    return vobFolder + name;
}

Result<std::unique_ptr<SourceItem>> probeDvdTitle(const std::string& vobFolder, int32_t titleNumber,
                                                  int32_t titleSet) {
    auto item = std::make_unique<SourceItem>();
    item->kind = kSourceDvdTitle;
    item->dvdFolder = vobFolder;
    item->titleSet = titleSet;
    item->titleNumber = titleNumber;
    item->needsPreparation = true;
    item->path = dvdTitleFirstVob(vobFolder, titleSet);  // probed without a forced input format
    bool stalled = false;
    if (!probeWithTranscoder(*item, kProbeStallSeconds, &stalled))
        return Failure{stalled ? kProbeStalledText : "No audio stream found"};
    item->path = "DVD Title " + std::to_string(titleNumber);
    item->duration = 0;
    item->durationMs = 0;
    item->hasVideo = true;  // a film, whose sound may end before its picture
    return item;
}
