// melodrift-cli decode: a source decoded by the program's own reader into a 16-bit PCM WAV, the way the
// preparation makes its temporary files.
#include <cstdio>
#include <filesystem>
#include <vector>

#include "audio/ReaderFactory.h"
#include "audio/WavFileWriter.h"
#include "cli/Cli.h"
#include "cli/SourceArguments.h"
#include "engine/Preparation.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "sources/SourceItem.h"

namespace cli {

namespace {

// Scripts see only the result, not the progress.
class QuietBusy final : public BusyIndicator {
public:
    void setText(const std::string&) override {}
    int barWidth() const override { return 0; }
    void setBar(int) override {}
    void setPercent(const std::string&) override {}
    void pumpMessages() override {}
    bool cancelled() const override { return false; }
};

int refuse(const std::string& source, const std::string& message) {
    std::fprintf(stderr, "melodrift-cli: decode: %s: %s\n", source.c_str(), message.c_str());
    return 1;
}

int runDecodeCommand(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    if (!args.empty() && args.front() == "--") args.erase(args.begin());
    if (args.size() != 2) return usageError("decode needs SOURCE and OUT.wav");
    const std::string source = absoluteSourcePath(args[0]);
    const std::string output = absoluteSourcePath(args[1]);

    if (!platform::isExistingFile(source)) return refuse(args[0], "File not found");
    if (platform::samePath(source, output) || platform::sameFile(source, output))
        return refuse(args[0], "the output would replace the source");
    ReaderChoice choice = readerForExtension(sourceExtension(source));
    if (!choice.reader) return refuse(args[0], "no reader of this program handles this file type");
    AudioReader& reader = *choice.reader;
    if (reader.open(source) == 0) return refuse(args[0], "Failed to open file");
    const int rate = reader.sampleRate();
    const int channels = reader.outputChannelCount();
    reader.close();

    // Written beside the target under a fresh name and moved into place only when complete, so a failure
    // leaves neither a half-written file nor a damaged earlier one.
    SourceItem item;
    item.kind = choice.kind;
    item.path = source;
    QuietBusy busy;
    if (const Result<> decoded =
            decodeToWav(item, busy, platform::folderPart(output).value_or(std::string()));
        !decoded)
        return refuse(args[1], decoded.reason());
    const std::string& temporary = item.preparedPath;
    const uint64_t fileSize = platform::fileSize64(temporary).value_or(0);
    const uint64_t total = fileSize > WavFileWriter::kHeaderSize ? fileSize - WavFileWriter::kHeaderSize : 0;
    std::error_code ec;
    std::filesystem::rename(platform::nativePath(temporary), platform::nativePath(output), ec);
    if (ec) {
        platform::deleteFile(temporary);
        return refuse(args[1], "Failed to write the output file");
    }
    std::printf("%s\tkind=%d\trate=%d\tchannels=%d\tbytes=%llu\n", args[1].c_str(), choice.kind, rate,
                channels, static_cast<unsigned long long>(total));
    return std::fflush(stdout) == 0 ? 0 : 1;
}

const Registrar registrar("decode", "decode SOURCE OUT.wav", runDecodeCommand);

}  // namespace

}  // namespace cli
