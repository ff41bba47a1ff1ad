// Loudness against an independent meter (loudgain, on libebur128): the console's analysis of test signals
// whose loudness the rules give (a 997 Hz sine at -20 dBFS is -23.0 LUFS on one channel, -20.0 on two), of
// pink noise and of a burst whose true peak lies 3 dB above its samples; the ReplayGain and R128 tags of
// the outputs read back by an independent reader; normalised outputs measured again.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "support/CliAndMedia.h"
#include "support/TagReader.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/Process.h"
#endif

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

struct Measured {
    double lufs = NAN, peak = NAN;  // peak in dBTP
};
struct Meter {
    std::map<std::string, Measured> tracks;  // by file name
    Measured album;
};

#ifdef _WIN32
std::string hostPath(const std::string& path) { return unixPath(path); }

// Wine starts a host program but does not connect its output: a shell writes it into a file, moved into
// place once complete.
std::string hostProgramOutput(const std::string& program, const std::vector<std::string>& args,
                              const std::string& report) {
    const std::string host = unixPath(report);
    std::string script = "'" + program + "'";
    for (const std::string& a : args) script += " '" + a + "'";
    script += " > '" + host + ".part' 2>&1; mv '" + host + ".part' '" + host + "'";
    if (!platform::startChildProcess("\"Z:\\bin\\sh\" -c " + platform::quoteWindowsArgument(script), "")
             .process)
        return {};
    for (const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
         std::chrono::steady_clock::now() < giveUp;
         std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
        if (fs::exists(fromU8(report))) return readFile(report);
    }
    return {};
}
#else
std::string hostPath(const std::string& path) { return path; }
#endif

// loudgain's report: "Track: PATH", " Loudness: -23.01 LUFS", " Peak: 0.100073 (-19.99 dBTP)", and an
// "Album:" block with the same lines.
Meter loudgain(const std::vector<std::string>& files, bool album = false) {
    std::vector<std::string> args = {"-q"};
    if (album) args.push_back("-a");
    for (const std::string& f : files) args.push_back(hostPath(f));
#ifdef _WIN32
    static int reports = 0;
    const std::string report =
        u8(fs::temp_directory_path() /
           ("md-meter-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++reports)));
    const std::string output = hostProgramOutput("/usr/bin/loudgain", args, report);
    fs::remove(fromU8(report));
#else
    const std::string output = runProgram("/usr/bin/loudgain", args).output;
#endif
    Meter meter;
    Measured* current = nullptr;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Track: ", 0) == 0) {
            current = &meter.tracks[fs::path(line.substr(7)).filename().string()];
        } else if (line.rfind("Album:", 0) == 0) {
            current = &meter.album;
        } else if (current != nullptr && line.find("Loudness:") != std::string::npos) {
            current->lufs = std::stod(line.substr(line.find(':') + 1));
        } else if (current != nullptr && line.find("Peak:") != std::string::npos &&
                   line.find('(') != std::string::npos) {
            current->peak = std::stod(line.substr(line.find('(') + 1));
        }
    }
    return meter;
}

// melodrift-cli analyze's lines: "SOURCE\tlufs=..\tlra=..\tpeak=.." by file name, "album\tFOLDER\t..".
std::map<std::string, std::string> analysed(const CliRun& run) {
    std::map<std::string, std::string> out;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        const std::string first = line.substr(0, tab);
        out[first == "album" ? first : fs::path(fromU8(first)).filename().string()] = line.substr(tab + 1);
    }
    return out;
}

double field(const std::string& line, const std::string& name) {
    const size_t at = line.find(name + "=");
    return at == std::string::npos ? NAN : std::stod(line.substr(at + name.size() + 1));
}

// 16-bit WAV with a 997 Hz sine at -20 dBFS (peak 0.1), one or two channels (each the whole sine), 10 s.
bool makeTone(const std::string& path, int channels) {
    return makeMedia(path, "-f lavfi -i sine=frequency=997:sample_rate=48000:duration=10 -af volume=0.8" +
                               std::string(channels == 2 ? ",pan=stereo|c0=c0|c1=c0" : "") +
                               " -c:a pcm_s16le");
}

// A tag's number ("-6.52 dB" gives -6.52); NaN, and a failure, when the tag is missing.
double tagNumber(const FileTags& tags, const std::string& key) {
    const auto found = tags.find(key);
    if (found == tags.end()) {
        ADD_FAILURE() << "no " << key;
        return NAN;
    }
    return std::stod(found->second);
}

Measured trackOf(const Meter& meter, const std::string& name) {
    const auto found = meter.tracks.find(name);
    if (found == meter.tracks.end()) ADD_FAILURE() << "the meter did not measure " << name;
    return found == meter.tracks.end() ? Measured{} : found->second;
}

std::vector<std::string> outputOptions(const TempDir& dir, const std::string& folder) {
    return {"--set", "DestOutputFolderOpt=399", "--set", "DestSpecifiedFolder=" + dir.file(folder),
            "--set", "BrowseOutputFolder=0"};
}

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(CliLoudness, AnalysisAgreesWithAnIndependentMeter) {
    TempDir dir;
    fs::create_directories(fromU8(dir.file("album")));
    // The sine source's amplitude is 1/8; 0.8 of it is 0.1, -20 dBFS.
    ASSERT_TRUE(makeTone(dir.file("album/mono.wav"), 1));
    ASSERT_TRUE(makeTone(dir.file("album/stereo.wav"), 2));
    ASSERT_TRUE(
        makeMedia(dir.file("album/pink.wav"),
                  "-f lavfi -i anoisesrc=color=pink:sample_rate=44100:duration=12:amplitude=0.4:seed=7 "
                  "-ac 2 -c:a pcm_s16le"));
    // A quarter-rate sine at 45 degrees: every sample at full scale, the wave itself 3 dB above them, for
    // 0.2 s within quiet noise.
    ASSERT_TRUE(
        makeMedia(dir.file("burst.wav"),
                  "-f lavfi -i anoisesrc=color=white:sample_rate=44100:duration=6:amplitude=0.01:seed=2 "
                  "-af aeval='val(0)+if(between(t,3,3.2),if(lt(mod(n+1,4),2),1,-1)*0.999,0)' "
                  "-c:a pcm_s16le"));
    ASSERT_TRUE(
        makeMedia(dir.file("silent.wav"), "-f lavfi -i anullsrc=r=44100:cl=stereo -t 3 -c:a pcm_s16le"));

    const CliRun run =
        runCli(dir, {"analyze", dir.file("album"), dir.file("burst.wav"), dir.file("silent.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto ours = analysed(run);
    // The rules' values.
    EXPECT_NEAR(field(ours.at("mono.wav"), "lufs"), -23.0, 0.1);
    EXPECT_NEAR(field(ours.at("stereo.wav"), "lufs"), -20.0, 0.1);
    EXPECT_NEAR(field(ours.at("stereo.wav"), "peak"), -20.0, 0.2);
    EXPECT_EQ(ours.at("silent.wav"), "silent");
    // The independent meter's.
    const Meter tracks = loudgain({dir.file("album/mono.wav"), dir.file("album/stereo.wav"),
                                   dir.file("album/pink.wav"), dir.file("burst.wav")});
    for (const auto& [name, measured] : tracks.tracks) {
        SCOPED_TRACE(name);
        EXPECT_NEAR(field(ours.at(name), "lufs"), measured.lufs, 0.1);
        EXPECT_NEAR(field(ours.at(name), "peak"), measured.peak, 0.2);
    }
    EXPECT_EQ(tracks.tracks.size(), 4u);
    EXPECT_GT(field(ours.at("burst.wav"), "peak"), 2.5);  // above the samples' 0 dBFS
    const Meter album = loudgain(
        {dir.file("album/mono.wav"), dir.file("album/stereo.wav"), dir.file("album/pink.wav")}, true);
    EXPECT_NEAR(field(ours.at("album"), "lufs"), album.album.lufs, 0.1);
}

// Lossless FLAC is compared within 0.2 dB, the lossy outputs within 0.3 dB; Opus carries R128 gains against
// -23 LUFS in Q7.8 and no ReplayGain tags. A stale gain in the source never reaches an output. The MP3
// encoder plays everything about 0.45 dB softer than its source, so its tags (which describe the source)
// are compared with the source.
TEST(CliLoudness, TagsReadBackAndMatchTheOutputs) {
    TempDir dir;
    fs::create_directories(fromU8(dir.file("in")));
    // Sound below the lossy encoders' cut-off, at two levels: an album of two.
    const std::string chord =
        "-f lavfi -i aevalsrc='0.2*sin(2*PI*220*t)+0.1*sin(2*PI*1500*t)+0.05*sin(2*PI*4000*t)':s=44100:d=10 "
        "-ac 2 -c:a flac -metadata REPLAYGAIN_TRACK_GAIN=Stale";
    ASSERT_TRUE(makeMedia(dir.file("in/loud.flac"), chord));
    ASSERT_TRUE(makeMedia(dir.file("in/soft.flac"), chord + " -af volume=-9dB"));

    struct Case {
        int format;
        const char* extension;
        double tolerance;
    };
    const Case cases[] = {{1090, "flac", 0.2}, {1160, "mp3", 0.3}, {1182, "opus", 0.3}, {1180, "ogg", 0.3},
                          {1220, "wv", 0.2},   {1210, "wma", 0.3}, {1100, "m4a", 0.3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extension);
        const std::string folder = std::string("out_") + c.extension;
        const CliRun run = runCli(dir, concat({"convert", "--format", std::to_string(c.format), "--set",
                                               "LoudnessMode=1", dir.file("in")},
                                              outputOptions(dir, folder)));
        ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
        const std::string loud = dir.file(folder + "/loud." + c.extension);
        const std::string soft = dir.file(folder + "/soft." + c.extension);
        const auto tags = readTags({loud, soft});
        const Meter meter = c.format == 1160
                                ? loudgain({dir.file("in/loud.flac"), dir.file("in/soft.flac")}, true)
                                : loudgain({loud, soft}, true);
        const std::string measured = c.format == 1160 ? "flac" : c.extension;
        for (const auto& [path, name] :
             {std::pair{loud, "loud." + measured}, std::pair{soft, "soft." + measured}}) {
            const FileTags& t = tags.count(path) != 0 ? tags.at(path) : FileTags{};
            EXPECT_EQ(t.count("stale"), 0u);
            const double output = trackOf(meter, name).lufs;
            if (c.format == 1182) {
                EXPECT_EQ(t.count("replaygain_track_gain"), 0u);
                EXPECT_NEAR(tagNumber(t, "r128_track_gain") / 256, -23 - output, c.tolerance);
                EXPECT_NEAR(tagNumber(t, "r128_album_gain") / 256, -23 - meter.album.lufs, c.tolerance);
                continue;
            }
            EXPECT_NEAR(tagNumber(t, "replaygain_track_gain"), -18 - output, c.tolerance);
            EXPECT_NE(t.count("replaygain_track_gain") != 0 ? t.at("replaygain_track_gain").find(" dB")
                                                            : std::string::npos,
                      std::string::npos);
            EXPECT_NEAR(20 * std::log10(tagNumber(t, "replaygain_track_peak")), trackOf(meter, name).peak,
                        c.tolerance + 0.1);
            EXPECT_NEAR(tagNumber(t, "replaygain_album_gain"), -18 - meter.album.lufs, c.tolerance);
        }
    }
    // Off: no loudness tag at all, not even the source's.
    const CliRun plain = runCli(
        dir, concat({"convert", "--format", "1090", dir.file("in/loud.flac")}, outputOptions(dir, "plain")));
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    const std::string out = dir.file("plain/loud.flac");
    ASSERT_FALSE(readFile(out).empty());
    const auto plainTags = readTags({out});  // a file without any tag has no entry
    EXPECT_TRUE(plainTags.count(out) == 0 || plainTags.at(out).count("replaygain_track_gain") == 0);
}

// Normalised to -14 LUFS under a -1 dBTP ceiling: a quiet tone reaches the target; clicks, which the gain
// alone would push over the ceiling, are limited and stay under it; the album keeps its members'
// difference, and a joined file is normalised as one; a silent source gets no gain and a remark.
TEST(CliLoudness, NormalisedOutputsMeetTheTargetAndTheCeiling) {
    TempDir dir;
    fs::create_directories(fromU8(dir.file("album")));
    ASSERT_TRUE(makeMedia(dir.file("quiet.wav"),
                          "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=8 "
                          "-af volume=-24dB -ac 2 -c:a pcm_s16le"));
    // A quiet tone with loud clicks: the gain to the target pushes the clicks far over the ceiling.
    ASSERT_TRUE(
        makeMedia(dir.file("hot.wav"),
                  "-f lavfi -i aevalsrc='0.06*sin(2*PI*440*t)+if(lt(mod(t,2),0.02),0.9*sin(2*PI*3000*t),0)'"
                  ":s=44100:d=8 -ac 2 -c:a pcm_s16le"));
    ASSERT_TRUE(
        makeMedia(dir.file("silent.wav"), "-f lavfi -i anullsrc=r=44100:cl=stereo -t 3 -c:a pcm_s16le"));
    ASSERT_TRUE(makeTone(dir.file("album/a.wav"), 2));
    ASSERT_TRUE(makeMedia(dir.file("album/b.wav"),
                          "-f lavfi -i sine=frequency=997:sample_rate=48000:duration=10 "
                          "-af volume=-6dB -ac 2 -c:a pcm_s16le"));
    const std::vector<std::string> normalise = {"--set", "LoudnessMode=2", "--set", "LoudnessTarget=-140"};

    for (const auto& [format, extension] : {std::pair{1090, "flac"}, std::pair{1160, "mp3"}}) {
        SCOPED_TRACE(extension);
        const std::string folder = std::string("n_") + extension;
        const CliRun run = runCli(
            dir, concat(concat({"convert", "--format", std::to_string(format), dir.file("quiet.wav"),
                                dir.file("hot.wav"), dir.file("silent.wav"), "--set", "AlbumGainByFolder=0"},
                               normalise),
                        outputOptions(dir, folder)));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.out.find("hot." + std::string(extension) + " (peaks limited to -1.0 dBTP)"),
                  std::string::npos)
            << run.out;
        EXPECT_NE(run.out.find("silent." + std::string(extension) + " (too quiet to normalize)"),
                  std::string::npos);
        const Meter meter =
            loudgain({dir.file(folder + "/quiet." + extension), dir.file(folder + "/hot." + extension)});
        const Measured quiet = trackOf(meter, std::string("quiet.") + extension);
        const Measured hot = trackOf(meter, std::string("hot.") + extension);
        EXPECT_NEAR(quiet.lufs, -14.0, 0.5);
        EXPECT_LE(quiet.peak, -1.0);
        EXPECT_LE(hot.lufs, -13.5);  // at the target or below it, by the limiter's doing
        EXPECT_LE(hot.peak, -1.0);
    }
    const CliRun album =
        runCli(dir, concat(concat({"convert", "--format", "1090", dir.file("album")}, normalise),
                           outputOptions(dir, "n_album")));
    ASSERT_EQ(album.exitCode, 0) << album.err;
    const Meter before = loudgain({dir.file("album/a.wav"), dir.file("album/b.wav")}, true);
    const Meter after = loudgain({dir.file("n_album/a.flac"), dir.file("n_album/b.flac")}, true);
    EXPECT_NEAR(after.album.lufs, -14.0, 0.5);
    // Convert to One normalises the joined file as one album.
    const CliRun one = runCli(dir, concat({"convert", "--format", "1090", "--one", dir.file("one.flac"),
                                           dir.file("album/a.wav"), dir.file("album/b.wav")},
                                          normalise));
    ASSERT_EQ(one.exitCode, 0) << one.err;
    EXPECT_NEAR(trackOf(loudgain({dir.file("one.flac")}), "one.flac").lufs, -14.0, 0.5);
    EXPECT_NEAR(trackOf(after, "a.flac").lufs - trackOf(after, "b.flac").lufs,
                trackOf(before, "a.wav").lufs - trackOf(before, "b.wav").lufs, 0.1);
}

}  // namespace
