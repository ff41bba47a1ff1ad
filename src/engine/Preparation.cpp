#include "engine/Preparation.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "audio/AudioReader.h"
#include "audio/ReaderFactory.h"
#include "audio/WavFileWriter.h"
#include "platform/Files.h"
#include "platform/PlainFile.h"

namespace {

constexpr size_t kDecodeBlockBytes = 4608;
constexpr size_t kJoinBlockBytes = 4096;
constexpr int kMaxVobParts = 9;
// Room for the conversion's own output beside the joined title.
constexpr uint64_t kSpareBytes = 104857600;

constexpr const char* kWriteFailed = "Failed to write temporary file";

// The busy window's bar and percent label, redrawn only when their values grow.
class ShownProgress {
public:
    ShownProgress(BusyIndicator& busy, uint64_t total)
        : busy_(busy),
          width_(std::max(busy.barWidth(), 0)),
          bytesPerPixel_(std::max<uint64_t>(total / static_cast<uint64_t>(std::max(width_, 1)), 1)),
          bytesPerPercent_(std::max<uint64_t>(total / 100, 1)) {}

    void update(uint64_t done) {
        showPercent(static_cast<int>(std::min<uint64_t>(done / bytesPerPercent_, 100)));
        showBar(static_cast<int>(std::min<uint64_t>(done / bytesPerPixel_, static_cast<uint64_t>(width_))));
    }
    void finish() {
        showBar(width_);
        showPercent(100);
    }

private:
    void showPercent(int percent) {
        if (percent <= percent_) return;
        percent_ = percent;
        busy_.setPercent(std::to_string(percent) + "%");
    }
    void showBar(int position) {
        if (position <= bar_) return;
        bar_ = position;
        busy_.setBar(position);
    }

    BusyIndicator& busy_;
    int width_;
    uint64_t bytesPerPixel_;
    uint64_t bytesPerPercent_;
    int percent_ = 0;
    int bar_ = 0;
};

std::string writeFailureText(uint32_t code) { return platform::systemErrorText(code).value_or(kWriteFailed); }

}  // namespace

Result<> decodeToWav(SourceItem& item, BusyIndicator& busy, const std::string& folder) {
    item.preparedPath.clear();
    std::unique_ptr<AudioReader> reader = readerForKind(item.kind);
    if (!reader || reader->open(item.path) == 0) {
        return Failure{"Failed to open file"};
    }
    busy.setBar(0);
    busy.setText("Loading " + std::string(platform::fileNamePart(item.path)) + "...");
    ShownProgress progress(busy, reader->size());
    busy.pumpMessages();

    const std::string temporary = platform::makeTempFileName(folder, "", ".wav");
    platform::deleteFile(temporary);
    std::string error;
    WavFileWriter writer;
    bool ok = writer.open(temporary, reader->outputChannelCount() == 2, 16,
                          static_cast<uint32_t>(reader->sampleRate()));
    if (!ok) error = "Failed to create temporary file";
    std::vector<char> buffer(kDecodeBlockBytes);
    while (ok) {
        // The readers cannot tell the end from a read error; either ends the sound here.
        const size_t n = reader->read(buffer.data(), buffer.size());
        if (n == 0) break;
        // A short write would leave a file that silently lacks part of the sound.
        if (!writer.write(buffer.data(), n)) {
            error = kWriteFailed;
            ok = false;
            break;
        }
        progress.update(reader->position());
        busy.pumpMessages();
        if (busy.cancelled()) {
            error = "Cancelled";
            ok = false;
        }
    }
    reader->close();
    reader.reset();
    if (writer.isOpen() && !writer.close() && ok) {
        error = kWriteFailed;
        ok = false;
    }
    if (!ok) {
        platform::deleteFile(temporary);
        return Failure{error};
    }
    item.preparedPath = temporary;
    progress.finish();
    busy.pumpMessages();
    return {};
}

Result<> joinDvdTitle(SourceItem& item, BusyIndicator& busy, const std::string& folder) {
    item.preparedPath.clear();
    std::vector<std::string> parts;
    uint64_t total = 0;
    const std::string dvdFolder = platform::withTrailingSeparator(item.dvdFolder);
    for (int part = 1; part <= kMaxVobParts; ++part) {
        char name[40];
        std::snprintf(name, sizeof name, "VTS_%02d_%d.VOB", static_cast<int>(item.titleSet), part);
        const std::optional<uint64_t> size = platform::fileSize64(dvdFolder + name);
        if (!size) break;
        parts.push_back(dvdFolder + name);
        total += *size;
    }
    if (parts.empty() || total == 0) {
        return Failure{"Failed to load from DVD"};
    }

    const std::string temporary = platform::makeTempFileName(folder, "", ".vob");
    platform::deleteFile(temporary);
    const std::string temporaryFolder = platform::folderPart(temporary).value_or(std::string());
    const uint64_t needed = total + kSpareBytes;
    if (const auto available = platform::freeSpace(temporaryFolder); available && *available < needed) {
        const char drive = temporaryFolder.empty() ? '?' : temporaryFolder.front();
        return Failure{platform::formatByteSize(static_cast<int64_t>(needed)) +
                       " free space is required for converting. There isn't enough free space on drive " +
                       drive + "."};
    }
    platform::PlainFile out;
    if (!out.createForWriting(temporary)) {
        return Failure{"Failed to create temporary file"};
    }

    busy.setBar(0);
    busy.setText("Loading DVD Title " + std::to_string(item.titleNumber) + "...");
    ShownProgress progress(busy, total);
    busy.pumpMessages();

    std::vector<char> block(kJoinBlockBytes);
    uint64_t written = 0;
    bool ok = true;
    std::string error;
    for (const std::string& part : parts) {
        platform::PlainFile in;
        if (!in.openForReading(part)) {
            error = "Failed to open file " + std::string(platform::fileNamePart(part));
            ok = false;
            break;
        }
        busy.pumpMessages();
        while (ok) {
            const std::optional<size_t> n = in.read(block.data(), block.size());
            // A part that cannot be read to its end would leave a gap in the joined title.
            if (!n) {
                error = "Failed to read file " + std::string(platform::fileNamePart(part));
                ok = false;
                break;
            }
            if (*n == 0) break;
            busy.pumpMessages();
            if (!out.write(block.data(), *n)) {
                error = writeFailureText(out.lastError());
                ok = false;
                break;
            }
            written += *n;
            progress.update(written);
            busy.pumpMessages();
            // The caller words a cancel itself.
            if (busy.cancelled()) ok = false;
        }
        if (!ok) break;
    }
    if (!out.close() && ok) {
        error = writeFailureText(out.lastError());
        ok = false;
    }
    if (!ok) {
        platform::deleteFile(temporary);
        return Failure{error};
    }
    item.preparedPath = temporary;
    return {};
}

bool preparedFileExists(const SourceItem& item) {
    return item.prepared && !item.preparedPath.empty() && platform::isExistingFile(item.preparedPath);
}

Result<> prepareSource(SourceItem& item, BusyIndicator& busy) {
    Result<> result = Failure{"Nothing to prepare for this source"};
    switch (item.kind) {
        case kSourceDvdTitle:
            result = joinDvdTitle(item, busy);
            break;
        case kSourceCdTrack:
        case kSourceAifc:
        case kSourceVoiceRecorder:
            result = decodeToWav(item, busy);
            break;
        default:
            return result;
    }
    item.prepared = result.ok();
    return result;
}
