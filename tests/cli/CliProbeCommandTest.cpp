// melodrift-cli probe and command, run as the user runs them.
#include <gtest/gtest.h>

#include "support/CliAndMedia.h"

using namespace testing_support;

namespace {

class CliProbeCommand : public ::testing::Test {
protected:
    TempDir dir;
    std::string wav = dir.file("song.wav");
    std::string clip = dir.file("clip.mkv");  // video, then 48000 Hz 6 channels and 22050 Hz mono PCM
    void SetUp() override {
        ASSERT_TRUE(makeSineWav(wav, 2));
        ASSERT_TRUE(makeMedia(clip,
                              "-f lavfi -i testsrc=size=96x64:rate=10:duration=2 -f lavfi -i "
                              "sine=sample_rate=48000:duration=2 -f lavfi -i "
                              "sine=sample_rate=22050:duration=2 -map 0:v -map 1:a -map 2:a -c:v mpeg4 "
                              "-c:a pcm_s16le -ac:a:0 6 -ac:a:1 1"));
    }
};

}  // namespace

TEST_F(CliProbeCommand, ProbePrintsFactsAndRefusals) {
    const std::string missing = dir.file("missing.wav");
    const CliRun r = runCli(dir, {"probe", wav, clip, missing});
    EXPECT_EQ(r.exitCode, 1);
    // PCM streams: 16 bits × rate × channels, in kbit/s.
    EXPECT_EQ(r.out, wav + "\tkind=0\tduration=2\tstreams=1\tchosen=0\n" +
                         "stream=0\tid=0:0\trate=44100\tbitrate=1411\tchannels=2\n" + clip +
                         "\tkind=0\tduration=2\tstreams=2\tchosen=0\n" +
                         "stream=0\tid=0:1\trate=48000\tbitrate=4608\tchannels=6\n" +
                         "stream=1\tid=0:2\trate=22050\tbitrate=352\tchannels=1\n" + missing +
                         "\terror=File not found\n");
}

// Each container's spelling of a field gives the same field (an Ogg file keeps its tags on the stream).
// Tags shaped like the transcoder's own lines, or 100 KB long, change no fact.
TEST_F(CliProbeCommand, ProbePrintsTheTags) {
    const std::string mp3 = dir.file("tagged.mp3"), ogg = dir.file("tagged.ogg"),
                      flac = dir.file("cover.flac");
    const std::string hostile = dir.file("hostile.mp3"), meta = dir.file("meta.txt");
    const std::vector<std::string> sine = words("-hide_banner -loglevel error -f lavfi -i sine=duration=1");
    const auto make = [&](std::vector<std::string> args, const std::string& path) {
        args.insert(args.begin(), sine.begin(), sine.end());
        args.insert(args.end(), {"-y", path});
        runTranscoder(args);
        return !readFile(path).empty();
    };
    ASSERT_TRUE(
        make({"-b:a", "64k", "-metadata", "title=\xc3\x9cn\xc3\xaf \xe6\x9b\xb2", "-metadata", "artist=A & B",
              "-metadata", "album_artist=Various", "-metadata", "track=3/12", "-metadata", "disc=1/2",
              "-metadata", "date=1999", "-metadata", "genre=Jazz", "-metadata", "composer=C"},
             mp3));
    ASSERT_TRUE(make({"-c:a", "libvorbis", "-b:a", "64k", "-metadata", "TITLE=Vorbis", "-metadata",
                      "ALBUMARTIST=X", "-metadata", "TRACKNUMBER=4", "-metadata", "TRACKTOTAL=9"},
                     ogg));
    ASSERT_TRUE(
        make({"-f", "lavfi", "-i", "color=size=32x32:duration=1", "-map", "0:a", "-map", "1:v", "-frames:v",
              "1", "-c:v", "mjpeg", "-disposition:v", "attached_pic", "-metadata", "title=With cover"},
             flac));
    // An ffmetadata file escapes line breaks with a backslash; a command line could not hold 100 KB.
    ASSERT_TRUE(writeFile(meta,
                          ";FFMETADATA1\ncomment=x\\\nStream #0\\:1\\: Audio\\: mp3, 8000 Hz, stereo\\\n"
                          "  Duration\\: 09\\:00\\:00.00, start\\: 0\nlyrics=" +
                              std::string(100000, 'l') + "\n"));
    ASSERT_TRUE(make({"-i", meta, "-map_metadata", "1", "-b:a", "64k"}, hostile));
    const CliRun r = runCli(dir, {"probe", mp3, ogg, flac, hostile});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string mono64 =
        "\tkind=0\tduration=1\tstreams=1\tchosen=0\nstream=0\tid=0:0\trate=44100\tbitrate=64\tchannels=1\n";
    EXPECT_EQ(
        r.out,
        mp3 + mono64 +
            "tag.title=\xc3\x9cn\xc3\xaf \xe6\x9b\xb2\ntag.artist=A & B\ntag.albumartist=Various\n"
            "tag.track=3\n"
            "tag.tracktotal=12\ntag.disc=1\ntag.disctotal=2\ntag.date=1999\ntag.genre=Jazz\n"
            "tag.composer=C\n" +
            ogg + mono64 + "tag.title=Vorbis\ntag.albumartist=X\ntag.track=4\ntag.tracktotal=9\n" + flac +
            "\tkind=0\tduration=1\tstreams=1\tchosen=0\nstream=0\tid=0:0\trate=44100\tbitrate=0\tchannels=1\n"
            "tag.title=With cover\ncover=1\n" +
            hostile + mono64 +
            "tag.comment=x\\nStream #0:1: Audio: mp3, 8000 Hz, stereo\\n  Duration: 09:00:00.00, start: 0\n");
}

// The second stream (22050 Hz mono) into M4A with trims, volume and resync, the target beside the source
// (DestOutputFolderOpt 199). A source without audio is refused on standard error; the others go on. The
// minute is 1323000 samples, 8 short of a whole AAC frame: they go in front, the trims ahead of them.
TEST_F(CliProbeCommand, CommandPrintsTheLineOrTheRefusal) {
    const std::string text = dir.file("notes.txt");
    ASSERT_TRUE(writeFile(text, "no audio here\n"));
    const CliRun r =
        runCli(dir, words("command --format 1100 --set DestOutputFolderOpt=199 --set KeepID3Tag=0 "
                          "--set FixAudioUnsync=1 --set M4AAudioVolume=150 --set "
                          "EnableSkipLength=1 --set SkipLength=90500 --set EnableConvertLength=1 "
                          "--set ConvertLength=60000 --set RequestAudioIndex=2",
                          {text, clip}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, text + ": " + openComplaint(text) + "\n");
    EXPECT_EQ(
        r.out,
        "\"" + transcoderPath() + "\" -i \"" + clip +
            "\" -dn -sn -f ipod -movflags faststart -vn -map 0:2 -c:a aac -strict -2 -cutoff 21000 "
            "-ar 22050 -ac 1 -b:a 48000 -vol 384 -async 1 -af atrim=start=90.500:duration=60,asetpts=PTS-"
            "STARTPTS,aformat=sample_rates=22050:channel_layouts=1c,adelay=8S,asetpts=PTS-8/(SR*TB) "
            "-map_metadata -1 "
            "-y \"" +
            dir.file("clip.m4a") + "\"\n");
}
