#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>

#include "engine/OutputNaming.h"
#include "formats/OutputFormat.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

const std::string kSep(1, platform::kPathSeparator);

// The real file system, with a Documents folder of the test's choosing and proofs that can be made to
// fail below a folder.
class TestFileSystem final : public NamingFileSystem {
public:
    std::string documents, failProofsBelow;
    int documentsAsked = 0;

    bool pathExists(const std::string& path) override { return platform::pathExists(path); }
    bool ensureFolder(const std::string& p, bool create) override {
        return platform::ensureFolder(p, create);
    }
    bool proveWritable(const std::string& path) override {
        if (!failProofsBelow.empty() && path.rfind(failProofsBelow, 0) == 0) return false;
        return platform::proveWritable(path);
    }
    bool sameFile(const std::string& a, const std::string& b) override { return platform::sameFile(a, b); }
    std::string documentsFolder() override {
        ++documentsAsked;
        if (!documents.empty()) platform::createFolderTree(documents);
        return documents;
    }
};

// Beside the source unless a specific folder is given.
AppSettings settingsWith(uint32_t policy, std::optional<std::string> folder = {}) {
    AppSettings s;
    s.TargetExistsOpt = policy;
    s.OutputFiles2MyDocuments = 0;
    s.DestOutputFolderOpt = folder ? kOutputSpecificFolder : kOutputBesideSource;
    s.DestSpecifiedFolder = folder.value_or("");
    return s;
}

struct Outcome {
    bool ok = false;
    std::string target, error;
};

// One run: the sources in order with one planned set.
struct NamingRun {
    explicit NamingRun(AppSettings s) : settings(std::move(s)) {}
    AppSettings settings;
    PlannedTargets planned;
    TestFileSystem fs;

    Outcome choose(SourceItem item, bool normalisation = false, const std::string& ext = "mp3") {
        OutputFormat format;
        format.extension = ext;
        Outcome o;
        const Result<std::string> chosen = chooseTarget(item, format, normalisation, settings, planned, fs);
        o.ok = chosen.ok();
        if (o.ok) {
            o.target = *chosen;
        } else {
            o.error = chosen.reason();
        }
        return o;
    }
    Outcome choose(const std::string& source, bool normalisation = false, const std::string& ext = "mp3") {
        SourceItem item;
        item.path = source;
        return choose(item, normalisation, ext);
    }
};

std::string folderText(const std::string& path) { return "Failed to create folder \"" + path + "\""; }
std::string fileText(const std::string& path) { return "Failed to create file \"" + path + "\""; }

// a.mp3 into MP3 beside itself; then x.wav and x.flac (spelled another way: planned targets compare
// resolved paths) in one run.
TEST(OutputNaming, OwnFormatAndTwoSourcesOfOneName) {
    const struct {
        uint32_t policy;
        std::string own, ownError, second, secondError;
    } cases[] = {
        {kTargetRename, "a_1.mp3", "", "x_1.mp3", ""},
        {kTargetOverwrite, "", kTargetIsSourceText, "x_1.mp3", ""},
        {kTargetSkip, "", kTargetSkippedText, "", kTargetSkippedText},
    };
    auto inDir = [](const TempDir& dir, const std::string& name) {
        return name.empty() ? "" : dir.file(name);
    };
    for (const auto& c : cases) {
        TempDir dir;
        for (const char* name : {"a.mp3", "x.wav", "x.flac"}) writeFile(dir.file(name), "source");
        fs::create_directory(dir.path() / "sub");
        NamingRun run(settingsWith(c.policy));
        const Outcome own = run.choose(dir.file("a.mp3"));
        EXPECT_EQ(own.ok, c.ownError.empty()) << c.policy;
        EXPECT_EQ(own.target, inDir(dir, c.own)) << c.policy;
        EXPECT_EQ(own.error, c.ownError) << c.policy;
        EXPECT_EQ(run.planned.size(), own.ok ? 1u : 0u);
        EXPECT_EQ(readFile(dir.file("a.mp3")), "source");
        EXPECT_FALSE(fs::exists(dir.path() / "a_1.mp3"));  // the proof leaves nothing behind

        EXPECT_EQ(run.choose(dir.file("x.wav")).target, dir.file("x.mp3")) << c.policy;
        const Outcome second =
            run.choose(u8(dir.path()) + kSep + "sub" + kSep + ".." + kSep + "." + kSep + kSep + "x.flac");
        EXPECT_EQ(second.target.empty() ? "" : platform::fullPath(second.target), inDir(dir, c.second));
        EXPECT_EQ(second.error, c.secondError) << c.policy;
    }
}

TEST(OutputNaming, OverwriteNeverPicksTheSourceWhateverItsSpelling) {
    TempDir dir;
    fs::create_directories(dir.path() / "in" / "deep");
    const std::string source = dir.file("in" + kSep + "A.mp3");
    writeFile(source, "source");
    const std::string in = platform::fullPath(dir.file("in"));
    std::vector<std::string> folders = {in + kSep + "deep" + kSep + "..", in + kSep + "." + kSep,
                                        in + kSep + kSep};
#ifdef _WIN32
    folders.insert(folders.end(), {platform::toUpperAscii(in), platform::toLowerAscii(in), in + "/"});
#endif
    std::error_code ec;
    fs::create_directory_symlink(fromU8(in), dir.path() / "link", ec);
    if (!ec) folders.push_back(dir.file("link"));  // a link to the folder
    fs::create_directory(dir.path() / "hard");
    fs::create_hard_link(fromU8(source), dir.path() / "hard" / "A.mp3", ec);
    if (!ec) folders.push_back(dir.file("hard"));  // a second name of the file
    for (const auto& folder : folders) {
        NamingRun run(settingsWith(kTargetOverwrite, folder));
        const Outcome o = run.choose(source);
        EXPECT_FALSE(o.ok) << folder;
        EXPECT_EQ(o.error, kTargetIsSourceText) << folder;
        EXPECT_EQ(readFile(source), "source");
    }
}

// Under "Overwrite" a file that another job of the run converts is never replaced: a.wav to MP3 with
// a.mp3 listed too gets a numbered name, however the listed source is spelled.
TEST(OutputNaming, OverwriteNeverReplacesAnotherSourceOfTheRun) {
    TempDir dir;
    writeFile(dir.file("a.wav"), "s");
    writeFile(dir.file("a.mp3"), "users own");
    writeFile(dir.file("a_1.mp3"), "old");
    fs::create_directory(dir.path() / "sub");
    NamingRun run(settingsWith(kTargetOverwrite));
    run.planned.protectSource(dir.file("sub" + kSep + ".." + kSep + "a.mp3"), run.fs);
    run.planned.protectSource(dir.file("a.wav"), run.fs);
    EXPECT_EQ(run.choose(dir.file("a.wav")).target, dir.file("a_2.mp3"));
    EXPECT_EQ(run.choose(dir.file("a.mp3"), false, "wav").target, dir.file("a_1.wav"));
    EXPECT_EQ(run.choose(dir.file("a.mp3")).error, kTargetIsSourceText);
    EXPECT_EQ(readFile(dir.file("a.mp3")), "users own");
}

// One folder reached through a link is one folder: two sources of one name get two targets.
TEST(OutputNaming, PlannedTargetsFollowLinksToFolders) {
    TempDir dir;
    fs::create_directory(dir.path() / "real");
    std::error_code ec;
    fs::create_directory_symlink(dir.path() / "real", dir.path() / "link", ec);
    if (ec) GTEST_SKIP() << "no folder links here: " << ec.message();
    writeFile(dir.file("real" + kSep + "x.wav"), "s");
    writeFile(dir.file("real" + kSep + "x.flac"), "s");
    NamingRun run(settingsWith(kTargetRename));
    EXPECT_EQ(run.choose(dir.file("real" + kSep + "x.wav")).target, dir.file("real" + kSep + "x.mp3"));
    EXPECT_EQ(run.choose(dir.file("link" + kSep + "x.flac")).target, dir.file("link" + kSep + "x_1.mp3"));
}

// A relative output folder is taken from the current folder once, before it is created and used.
TEST(OutputNaming, RelativeOutputFolderBecomesAbsolute) {
    TempDir dir;
    writeFile(dir.file("x.wav"), "s");
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    NamingRun run(settingsWith(kTargetRename, "out"));
    const Outcome o = run.choose(dir.file("x.wav"));
    fs::current_path(before);
    EXPECT_EQ(o.target, dir.file("out" + kSep + "x.mp3"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "out"));
}

TEST(OutputNaming, RenameWalksPastExistingAndPlannedNames) {
    TempDir dir;
    writeFile(dir.file("x_2.mp3"), "old");
    writeFile(dir.file("x_4.mp3"), "old");
    fs::create_directory(dir.path() / "x_5.mp3");  // a folder of that name is taken too
    NamingRun run(settingsWith(kTargetRename));
    const char* const sources[] = {"x.wav", "x.flac", "x.ogg", "x.aac", "x.opus"};
    const char* const targets[] = {"x.mp3", "x_1.mp3", "x_3.mp3", "x_6.mp3", "x_7.mp3"};
    for (int i = 0; i < 5; ++i) {
        writeFile(dir.file(sources[i]), "s");
        EXPECT_EQ(run.choose(dir.file(sources[i])).target, dir.file(targets[i]));
    }
    // Another extension has its own numbers.
    EXPECT_EQ(run.choose(dir.file("x.wav"), false, "ogg").target, dir.file("x_1.ogg"));
    EXPECT_EQ(readFile(dir.file("x_2.mp3")), "old");
}

TEST(OutputNaming, SpecificFolderFolderPerSourceAndDirectoryTree) {
    TempDir dir;
    const std::string source = dir.file("music" + kSep + "Friends" + kSep + "Happy.mp4");
    fs::create_directories(fromU8(dir.file("music" + kSep + "Friends")));
    writeFile(source, "s");
    const std::string out = dir.file("out" + kSep + "new");  // missing levels are created
    // The tree below the output folder: the source's full folder without its root (and drive colon).
    std::string tree = platform::fullPath(*platform::folderPart(source));
    tree.erase(std::remove(tree.begin(), tree.end(), ':'), tree.end());
    tree.erase(0, tree.find_first_not_of(platform::kPathSeparator));
    const struct {
        uint32_t createDirs, perSource;  // createDirs 2: beside the source, where the tree has no effect
        std::string expected;
    } cases[] = {
        {0, 0, out + kSep + "Happy.mp3"},
        {0, 1, out + kSep + "Happy" + kSep + "Happy.mp3"},
        {1, 0, out + kSep + tree + "Happy.mp3"},
        {1, 1, out + kSep + tree + "Happy" + kSep + "Happy.mp3"},
        {2, 1, dir.file("music" + kSep + "Friends" + kSep + "Happy" + kSep + "Happy.mp3")},
    };
    for (const auto& c : cases) {
        NamingRun run(settingsWith(kTargetRename, out));
        if (c.createDirs == 2) run.settings = settingsWith(kTargetRename);
        run.settings.CreateDirs = c.createDirs != 0;
        run.settings.CreateFolderForEachSource = c.perSource;
        const Outcome o = run.choose(source);
        EXPECT_EQ(o.target, c.expected) << o.error;
        EXPECT_TRUE(fs::is_directory(fromU8(*platform::folderPart(c.expected))));
    }
}

// Failing folders and files fall back to Documents once when allowed; skips and the same-as-source
// refusal never do. The error names the last folder or file tried.
TEST(OutputNaming, FailuresAndTheDocumentsFallback) {
    TempDir dir;
    writeFile(dir.file("x.wav"), "s");
    writeFile(dir.file("x.mp3"), "exists");
    writeFile(dir.file("file"), "in the way");
    const std::string blocked = dir.file("file" + kSep + "out");
    const std::string docs = dir.file("Documents"), inDocs = docs + kSep + "x.mp3";
    const struct {
        std::optional<std::string> folder;
        uint32_t policy, toDocuments;
        std::string source, documents, failBelow, target, error;
        int asked;
    } cases[] = {
        {"", kTargetRename, 0, "x.wav", docs, "", "", folderText(""), 0},
        {"", kTargetRename, 1, "x.wav", docs, "", inDocs, "", 1},
        {blocked, kTargetRename, 0, "x.wav", docs, "", "", folderText(blocked), 0},
        {blocked, kTargetRename, 1, "x.wav", docs, "", inDocs, "", 1},
        {blocked, kTargetRename, 1, "x.wav", "", "", "", folderText(blocked), 1},  // no Documents known
        {{}, kTargetRename, 1, "x.wav", docs, u8(dir.path()) + kSep + "x", inDocs, "", 1},
        {{}, kTargetRename, 1, "x.wav", docs, u8(dir.path()), "", fileText(inDocs), 1},
        {{}, kTargetSkip, 1, "x.wav", docs, "", "", kTargetSkippedText, 0},
        {{}, kTargetOverwrite, 1, "x.mp3", docs, "", "", kTargetIsSourceText, 0},
    };
    for (const auto& c : cases) {
        NamingRun run(settingsWith(c.policy, c.folder));
        run.settings.OutputFiles2MyDocuments = c.toDocuments;
        run.fs.documents = c.documents;
        run.fs.failProofsBelow = c.failBelow;
        const Outcome o = run.choose(dir.file(c.source));
        EXPECT_EQ(o.ok, c.error.empty()) << c.folder.value_or("beside") << c.toDocuments << c.failBelow;
        EXPECT_EQ(o.target, c.target);
        EXPECT_EQ(o.error, c.error);
        EXPECT_EQ(run.fs.documentsAsked, c.asked);
        EXPECT_EQ(run.planned.size(), o.ok ? 1u : 0u);
        EXPECT_EQ(readFile(dir.file("x.mp3")), "exists");
    }
    // A folder where the target would be cannot be overwritten: a file failure.
    fs::create_directory(dir.path() / "y.mp3");
    writeFile(dir.file("y.wav"), "s");
    NamingRun run(settingsWith(kTargetOverwrite));
    EXPECT_EQ(run.choose(dir.file("y.wav")).error, fileText(dir.file("y.mp3")));
    EXPECT_TRUE(fs::is_directory(dir.path() / "y.mp3"));
    NamingRun renaming(settingsWith(kTargetRename));
    EXPECT_EQ(renaming.choose(dir.file("y.wav")).target, dir.file("y_1.mp3"));
}

#ifdef _WIN32
// The tree below a drive-letter folder of a source that need not exist; a doubled separator in the source
// gives the same folders.
TEST(OutputNaming, DirectoryTreeExampleOnWindows) {
    TempDir dir;
    NamingRun run(settingsWith(kTargetRename, platform::fullPath(dir.file("Output"))));
    run.settings.CreateDirs = 1;
    const std::string tree = run.settings.DestSpecifiedFolder + "\\C\\Video\\Friends\\";
    EXPECT_EQ(run.choose("C:\\Video\\Friends\\Happy.mp4").target, tree + "Happy.mp3");
    EXPECT_EQ(run.choose("C:\\\\Video\\Friends\\Happy.mp4").target, tree + "Happy_1.mp3");
    EXPECT_TRUE(fs::is_directory(fromU8(tree)));
}

TEST(OutputNaming, NamesDifferingInCaseCollideOnWindows) {
    for (const uint32_t policy : {kTargetRename, kTargetOverwrite}) {
        TempDir dir;
        writeFile(dir.file("X.wav"), "s");
        writeFile(dir.file("x.flac"), "s");
        NamingRun run(settingsWith(policy));
        EXPECT_EQ(run.choose(dir.file("X.wav")).target, dir.file("X.mp3"));
        EXPECT_EQ(run.choose(dir.file("x.flac")).target, dir.file("x_1.mp3"));
    }
    TempDir dir;
    writeFile(dir.file("x.wav"), "s");
    writeFile(dir.file("X.MP3"), "old");
    NamingRun run(settingsWith(kTargetRename));
    EXPECT_EQ(run.choose(dir.file("x.wav")).target, dir.file("x_1.mp3"));
    NamingRun skipping(settingsWith(kTargetSkip));
    EXPECT_EQ(skipping.choose(dir.file("x.wav")).error, kTargetSkippedText);
}
#else
TEST(OutputNaming, DanglingLinksAndColonsOnPosix) {
    TempDir dir;
    writeFile(dir.file("x.wav"), "s");
    fs::create_symlink(dir.path() / "elsewhere.mp3", dir.path() / "x.mp3");
    NamingRun run(settingsWith(kTargetRename));
    // A dangling link of the target's name is taken: never written through.
    EXPECT_EQ(run.choose(dir.file("x.wav")).target, dir.file("x_1.mp3"));
    EXPECT_FALSE(fs::exists(dir.path() / "elsewhere.mp3"));
    // The directory tree keeps colons, ordinary characters here.
    fs::create_directory(dir.path() / "a:b");
    writeFile(dir.file("a:b/y.wav"), "s");
    run.settings = settingsWith(kTargetRename, dir.file("out"));
    run.settings.CreateDirs = 1;
    EXPECT_EQ(run.choose(dir.file("a:b/y.wav")).target, dir.file("out") + dir.file("a:b/y.mp3"));
}
#endif

TEST(CopyFileTimes, ModificationTimeFromTheSourceOrTheFirstVob) {
    TempDir dir;
    const auto stamp = fs::file_time_type(std::chrono::floor<std::chrono::seconds>(
        (fs::file_time_type::clock::now() - std::chrono::hours(24 * 30)).time_since_epoch()));
    writeFile(dir.file("a.wav"), "s");
    fs::last_write_time(fromU8(dir.file("a.wav")), stamp);
    writeFile(dir.file("VTS_03_1.VOB"), "v");
    fs::last_write_time(fromU8(dir.file("VTS_03_1.VOB")), stamp - std::chrono::hours(5));
    writeFile(dir.file("out.mp3"), "o");
    SourceItem file;
    file.path = dir.file("a.wav");
    SourceItem title;
    title.kind = kSourceDvdTitle;
    title.dvdFolder = u8(dir.path()) + kSep;
    title.titleSet = 3;
    title.titleNumber = 7;

    AppSettings modified;
    modified.KeepDateModified = 1;
    EXPECT_FALSE(copyFileTimes(file, dir.file("out.mp3"), AppSettings{}));
    EXPECT_TRUE(copyFileTimes(file, dir.file("out.mp3"), modified));
    EXPECT_EQ(fs::last_write_time(fromU8(dir.file("out.mp3"))), stamp);
    EXPECT_TRUE(copyFileTimes(title, dir.file("out.mp3"), modified));
    EXPECT_EQ(fs::last_write_time(fromU8(dir.file("out.mp3"))), stamp - std::chrono::hours(5));
    EXPECT_EQ(readFile(dir.file("out.mp3")), "o");
}

}  // namespace
