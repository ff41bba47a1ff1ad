// The transcoder's output is outside text: tags, file names and damaged-source messages can look like
// anything. Feeds arbitrary bytes, cut into blocks as a pipe delivers them, through the line splitter into
// the conversion tally and the batch probe's reading of three inputs.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/Probe.h"
#include "engine/Transcoder.h"
#include "sources/SourceItem.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t block = 1 + data[0] % 64;  // the first byte chooses the pipe's block size
    const auto* text = reinterpret_cast<const char*>(data + 1);
    const size_t length = size - 1;

    SourceItem a, b, c;
    std::vector<SourceItem*> items = {&a, &b, &c};
    BatchReading batch(items);
    TranscoderTally tally;
    LineSplitter splitter;
    for (size_t at = 0; at < length; at += block) {
        const size_t n = at + block < length ? block : length - at;
        splitter.feed(text + at, n, [&](std::string_view line) {
            tally.line(line, parseTranscoderLine(line));
            batch.line(line);
        });
    }
    // The facts must stay within what the items can hold.
    if (tally.damagedFrames() < 0) __builtin_trap();
    for (const SourceItem* item : items) {
        if (item->streamIds.size() != item->streamSampleRates.size()) __builtin_trap();
        for (const std::string& id : item->streamIds)
            if (id.rfind("0:", 0) != 0) __builtin_trap();
    }
    if (batch.complete() > items.size()) __builtin_trap();
    return 0;
}
