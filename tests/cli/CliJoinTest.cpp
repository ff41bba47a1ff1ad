// melodrift-cli convert --one with normalisation: the joined file holds every member's samples, no more,
// counted and compared by an independent decoder.
#include <gtest/gtest.h>

#include <cstring>

#include "support/CliAndMedia.h"
#include "support/MediaInspector.h"
#include "support/SndfileDecode.h"

using namespace testing_support;

namespace {

struct Member {
    const char* name;
    std::string make;  // transcoder arguments
    int rate, channels;
    int64_t frames;  // at its own rate
};

// A 24-bit member needs samples that 16 bits cannot hold: a computed sine, not the 16-bit sine source.
const std::string k24Bit = " -c:a flac -sample_fmt s32";

struct CliJoin : ::testing::Test {
    TempDir dir;
    std::vector<std::string> paths;

    // Makes the members; their decoded samples (32 bits each), none after a failure.
    std::vector<std::string> make(const std::vector<Member>& members) {
        std::vector<std::string> decoded;
        for (const Member& m : members) {
            paths.push_back(dir.file(m.name));
            EXPECT_TRUE(makeMedia(paths.back(), m.make)) << m.name;
            const MediaFacts facts = inspectMedia(paths.back(), "");
            EXPECT_EQ(std::pair(facts.sampleRate, facts.channels), std::pair(m.rate, m.channels)) << m.name;
            auto samples = decodeWithSndfile(paths.back());
            EXPECT_TRUE(samples) << samples.reason();
            if (!samples) return {};
            EXPECT_EQ(static_cast<int64_t>(samples->size()), m.frames * m.channels * 4) << m.name;
            decoded.push_back(samples.take());
        }
        return decoded;
    }
    // Joins the members into "joined.<extension>"; its decoded samples, empty after a failure.
    std::string join(const char* formatId, const std::string& extension) {
        std::vector<std::string> args = {"convert",
                                         "--format",
                                         formatId,
                                         "--set",
                                         "DestOutputFolderOpt=199",
                                         "--one",
                                         dir.file("joined." + extension)};
        args.insert(args.end(), paths.begin(), paths.end());
        const CliRun run = runCli(dir, args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        auto joined = decodeWithSndfile(dir.file("joined." + extension));
        EXPECT_TRUE(joined) << joined.reason();
        return joined ? joined.take() : std::string();
    }
};

// The longest run of frames in which every sample is silent.
int64_t longestSilence(const std::string& samples, int channels) {
    int64_t longest = 0, run = 0;
    for (size_t at = 0; at + 4 * static_cast<size_t>(channels) <= samples.size();
         at += 4 * static_cast<size_t>(channels)) {
        bool silent = true;
        for (int c = 0; c < channels; ++c) {
            int32_t v;
            std::memcpy(&v, samples.data() + at + 4 * static_cast<size_t>(c), 4);
            silent = silent && v == 0;
        }
        run = silent ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

}  // namespace

// Three rates and two layouts, one member of 24 bits: the joined file has the largest rate and channel
// count, and each member's length at that rate, one after another without silence between them.
TEST_F(CliJoin, MixedMembersLastTheirLengthsAtTheJoinedRate) {
    const std::vector<Member> members = {
        {"a.wav", "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 -ac 2 -c:a pcm_s16le", 44100,
         2, 44100},
        {"b.flac", "-f lavfi -i aevalsrc=0.4*sin(2*PI*660*t):s=48000:d=0.7" + k24Bit, 48000, 1, 33600},
        {"c.wav", "-f lavfi -i sine=frequency=880:sample_rate=22050:duration=1.3 -ac 2 -c:a pcm_s16le", 22050,
         2, 28665},
    };
    int64_t expected = 0;  // each member resampled on its own: its frames times 48000 / its rate
    for (const Member& m : members) {
        ASSERT_EQ(m.frames * 48000 % m.rate, 0) << "a length that resamples to whole frames";
        expected += m.frames * 48000 / m.rate;
    }
    ASSERT_EQ(expected, 144000);
    ASSERT_EQ(make(members).size(), 3u);
    for (const auto& [id, extension] : {std::pair("1090", "flac"), std::pair("1200", "wav")}) {
        const std::string joined = join(id, extension);
        const MediaFacts facts = inspectMedia(dir.file(std::string("joined.") + extension), extension);
        EXPECT_EQ(std::pair(facts.sampleRate, facts.channels), std::pair(48000, 2)) << extension;
        EXPECT_EQ(static_cast<int64_t>(joined.size()) / 8, expected) << extension;
        // Each member starts at a zero crossing; its neighbours are far from silent.
        EXPECT_LE(longestSilence(joined, 2), 1) << extension;
    }
}

// Members at the joined rate and layout are copied: the decoded FLAC is their samples one after another,
// the 24-bit member's to the last bit.
TEST_F(CliJoin, WithoutResamplingTheJoinIsTheMembersOneAfterAnother) {
    const std::vector<Member> members = {
        {"a.wav", "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 -ac 2 -c:a pcm_s16le", 44100,
         2, 44100},
        {"b.flac", "-f lavfi -i aevalsrc=0.4*sin(2*PI*500*t)|0.3*sin(2*PI*700*t):s=44100:d=0.7" + k24Bit,
         44100, 2, 30870},
        {"c.wav", "-f lavfi -i sine=frequency=880:sample_rate=44100:duration=1.3 -ac 2 -c:a pcm_s16le", 44100,
         2, 57330},
    };
    const std::vector<std::string> decoded = make(members);
    ASSERT_EQ(decoded.size(), 3u);
    const std::string joined = join("1090", "flac");
    EXPECT_EQ(decoded[0].size() + decoded[1].size() + decoded[2].size(), joined.size());
    EXPECT_TRUE(decoded[0] + decoded[1] + decoded[2] == joined) << "the samples differ";
}
