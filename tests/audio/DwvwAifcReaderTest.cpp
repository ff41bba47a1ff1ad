// Truncated and oversized-chunk DWVW files never crash, hang or deliver more than their
// bits hold. (Decoding and facts: the CLI, probe and sndfile tests.)
#include <gtest/gtest.h>

#include "audio/DwvwAifcReader.h"
#include "support/AudioTestFiles.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

TEST(DwvwAifcReader, DamagedFilesEndQuietly) {
    TempDir dir;
    const auto samples = makeSignal(Signal::Noise, 16, 2, 2000);
    const std::string good = makeDwvwAifc({.channels = 2}, samples);
    const auto expected = top16(samples, 16, 2);
    auto check = [&](const std::string& bytes, bool prefixOfGood) {
        DwvwAifcReader reader;
        if (!writeFile(dir.file("t.aifc"), bytes) || reader.open(dir.file("t.aifc")) == 0) return;
        const auto pcm = asPcm16(readAll(reader));
        EXPECT_TRUE(pcm.size() <= bytes.size() * 16 && pcm.size() % 2 == 0) << "a bit a sample, whole frames";
        EXPECT_TRUE(!prefixOfGood || std::equal(pcm.begin(), pcm.end(), expected.begin()));
    };
    for (size_t cut = 0; cut < good.size(); cut += (cut < 200 ? 1 : 97)) check(good.substr(0, cut), true);
    for (const uint32_t size : {0u, 1u, 8u, 9u, 21u, 23u, 0x7FFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
        for (const size_t at :
             {good.find("COMM") + 4, good.find("SSND") + 4, good.find("SSND") + 8, size_t{4}}) {
            std::string bad = good;
            for (size_t i = 0; i < 4; ++i) bad[at + i] = static_cast<char>((size >> (24 - 8 * i)) & 0xFF);
            check(bad, false);
        }
    }
}

}  // namespace
