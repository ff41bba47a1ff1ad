// melodrift-cli decode: a source decoded by the program's own reader into a 16-bit PCM WAV, the way the
// preparation makes its temporary files.
#include <cstdio>
#include <filesystem>
#include <vector>

#include "audio/BinaryFile.h"
#include "audio/ReaderFactory.h"
#include "audio/WavFileWriter.h"
#include "cli/Cli.h"
#include "cli/SourceArguments.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "sources/SourceItem.h"

namespace cli {

namespace {

constexpr size_t kReadBytes = 4608;

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

    // Written beside the target under a fresh name and moved into place only when complete, so a failure
    // leaves neither a half-written file nor a damaged earlier one.
    const std::string folder = platform::folderPart(output).value_or(std::string());
    const int rate = reader.sampleRate();
    const int channels = reader.outputChannelCount();
    const std::string temporary = platform::makeTempFileName(folder, "mddecode", ".wav");
    WavFileWriter writer;
    if (!writer.open(temporary, channels == 2, 16, static_cast<uint32_t>(rate)))
        return refuse(args[1], "Failed to create the output file");
    std::vector<char> buffer(kReadBytes);
    bool written = true;
    uint64_t total = 0;
    for (;;) {
        const size_t n = reader.read(buffer.data(), buffer.size());
        if (n == 0) break;
        if (!writer.write(buffer.data(), n)) {
            written = false;
            break;
        }
        total += n;
    }
    reader.close();
    written = writer.close() && written;
    std::error_code ec;
    if (written) std::filesystem::rename(platform::nativePath(temporary), platform::nativePath(output), ec);
    if (!written || ec) {
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
