#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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
    std::string documents;
    std::string failProofsBelow;
    int documentsAsked = 0;

    bool pathExists(const std::string& path) override { return platform::pathExists(path); }
    bool ensureFolder(const std::string& path, bool create) override {
        return platform::ensureFolder(path, create);
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

OutputFormat formatWithExtension(const std::string& extension) {
    OutputFormat f;
    f.extension = extension;
    return f;
}

AppSettings settingsWith(uint32_t policy) {
    AppSettings s;
    s.TargetExistsOpt = policy;
    s.OutputFiles2MyDocuments = 0;
    s.DestOutputFolderOpt = kOutputBesideSource;
    return s;
}

AppSettings specificFolder(uint32_t policy, const std::string& folder) {
    AppSettings s = settingsWith(policy);
    s.DestOutputFolderOpt = kOutputSpecificFolder;
    s.DestSpecifiedFolder = folder;
    return s;
}

struct Outcome {
    bool ok = false;
    std::string target;
    std::string error;
};

// One run: the sources in order with one planned set.
class NamingRun {
public:
    explicit NamingRun(AppSettings settings) : settings_(std::move(settings)) {}
    Outcome choose(const std::string& source, bool normalisation = false, const std::string& ext = "mp3") {
        SourceItem item;
        item.path = source;
        item.outputPath = "stale";
        return choose(item, normalisation, ext);
    }
    Outcome choose(SourceItem& item, bool normalisation = false, const std::string& ext = "mp3") {
        Outcome o;
        o.error = "untouched";
        o.ok =
            chooseTarget(item, formatWithExtension(ext), normalisation, settings_, planned_, &o.error, fs_);
        o.target = item.outputPath;
        if (o.ok) o.error.clear();
        return o;
    }
    TestFileSystem& fileSystem() { return fs_; }
    AppSettings& settings() { return settings_; }
    PlannedTargets& planned() { return planned_; }

private:
    AppSettings settings_;
    PlannedTargets planned_;
    TestFileSystem fs_;
};

std::string folderText(const std::string& path) { return "Failed to create folder \"" + path + "\""; }
std::string fileText(const std::string& path) { return "Failed to create file \"" + path + "\""; }

TEST(OutputNaming, SourceConvertedIntoItsOwnFormatAndFolder) {
    const struct {
        uint32_t policy;
        bool ok;
        std::string targetName, error;
    } cases[] = {
        {kTargetRename, true, "a_1.mp3", ""},
        {kTargetOverwrite, false, "", kTargetIsSourceText},
        {kTargetSkip, false, "", kTargetSkippedText},
        {77, true, "a_1.mp3", ""},  // an unknown policy renames
    };
    for (const auto& c : cases) {
        TempDir dir;
        writeFile(dir.file("a.mp3"), "source");
        NamingRun run(settingsWith(c.policy));
        const Outcome o = run.choose(dir.file("a.mp3"));
        EXPECT_EQ(o.ok, c.ok) << c.policy;
        EXPECT_EQ(o.target, c.ok ? dir.file(c.targetName) : "") << c.policy;
        EXPECT_EQ(o.error, c.error) << c.policy;
        EXPECT_EQ(readFile(dir.file("a.mp3")), "source");
        EXPECT_FALSE(fs::exists(dir.path() / "a_1.mp3"));  // the proof leaves nothing behind
        EXPECT_EQ(run.planned().size(), c.ok ? 1u : 0u);
    }
}

TEST(OutputNaming, TwoSourcesOfOneNameInOneRun) {
    const struct {
        uint32_t policy;
        std::string second, secondError;
    } cases[] = {
        {kTargetRename, "x_1.mp3", ""},
        {kTargetOverwrite, "x_1.mp3", ""},
        {kTargetSkip, "", kTargetSkippedText},
    };
    for (const auto& c : cases) {
        TempDir dir;
        writeFile(dir.file("x.wav"), "w");
        writeFile(dir.file("x.flac"), "f");
        NamingRun run(settingsWith(c.policy));
        const Outcome first = run.choose(dir.file("x.wav"));
        EXPECT_TRUE(first.ok) << c.policy;
        EXPECT_EQ(first.target, dir.file("x.mp3"));
        const Outcome second = run.choose(dir.file("x.flac"));
        EXPECT_EQ(second.target, c.second.empty() ? "" : dir.file(c.second)) << c.policy;
        EXPECT_EQ(second.error, c.secondError) << c.policy;
    }
}

TEST(OutputNaming, PlannedTargetsCompareResolvedPaths) {
    TempDir dir;
    writeFile(dir.file("x.wav"), "w");
    writeFile(dir.file("x.flac"), "f");
    fs::create_directory(dir.path() / "sub");
    const std::string base = u8(dir.path());
    NamingRun run(settingsWith(kTargetOverwrite));
    EXPECT_EQ(run.choose(dir.file("x.wav")).target, dir.file("x.mp3"));
    // The same folder spelled another way must not give the same output file twice.
    const Outcome o = run.choose(base + kSep + "sub" + kSep + ".." + kSep + "." + kSep + kSep + "x.flac");
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(platform::fullPath(o.target), dir.file("x_1.mp3"));
}

TEST(OutputNaming, OverwriteKeepsAnExistingTargetUntouchedUntilTheConversion) {
    TempDir dir;
    writeFile(dir.file("x.wav"), "w");
    writeFile(dir.file("x.mp3"), "earlier run");
    NamingRun run(settingsWith(kTargetOverwrite));
    const Outcome o = run.choose(dir.file("x.wav"));
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.target, dir.file("x.mp3"));
    EXPECT_EQ(readFile(dir.file("x.mp3")), "earlier run");  // replaced only by the transcoder
}

TEST(OutputNaming, OverwriteNeverPicksTheSourceWhateverItsSpelling) {
    TempDir dir;
    fs::create_directories(dir.path() / "in" / "deep");
    writeFile(dir.file("in" + kSep + "a.mp3"), "source");
    const std::string in = dir.file("in");
    std::vector<std::string> folders = {
        in + kSep + "deep" + kSep + "..",  // a ".." step
        in + kSep + "." + kSep,            // a "." step
        in + kSep + kSep,                  // a doubled separator
    };
    std::error_code ec;
    fs::create_directory_symlink(fromU8(in), dir.path() / "link", ec);
    if (!ec) folders.push_back(dir.file("link"));  // a link to the folder
    fs::create_directory(dir.path() / "hard");
    fs::create_hard_link(fromU8(dir.file("in" + kSep + "a.mp3")), dir.path() / "hard" / "a.mp3", ec);
    if (!ec) folders.push_back(dir.file("hard"));  // a second name of the file
    for (const auto& folder : folders) {
        NamingRun run(specificFolder(kTargetOverwrite, folder));
        const Outcome o = run.choose(dir.file("in" + kSep + "a.mp3"));
        EXPECT_FALSE(o.ok) << folder;
        EXPECT_EQ(o.error, kTargetIsSourceText) << folder;
        EXPECT_EQ(readFile(dir.file("in" + kSep + "a.mp3")), "source");
    }
}

TEST(OutputNaming, RenameWalksPastExistingAndPlannedNames) {
    TempDir dir;
    for (const char* name : {"x.wav", "x.flac", "x.ogg", "x.aac", "x.opus"}) writeFile(dir.file(name), "s");
    writeFile(dir.file("x_2.mp3"), "old");
    writeFile(dir.file("x_4.mp3"), "old");
    fs::create_directory(dir.path() / "x_5.mp3");  // a folder of that name is taken too
    NamingRun run(settingsWith(kTargetRename));
    const char* expected[] = {"x.mp3", "x_1.mp3", "x_3.mp3", "x_6.mp3", "x_7.mp3"};
    const char* sources[] = {"x.wav", "x.flac", "x.ogg", "x.aac", "x.opus"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(run.choose(dir.file(sources[i])).target, dir.file(expected[i])) << i;
    // Another extension has its own numbers.
    EXPECT_EQ(run.choose(dir.file("x.wav"), false, "ogg").target, dir.file("x_1.ogg"));
    EXPECT_EQ(readFile(dir.file("x_2.mp3")), "old");
}

TEST(OutputNaming, OverwriteWalksOnlyPastPlannedNames) {
    TempDir dir;
    for (const char* name : {"x.wav", "x.flac", "x.ogg"}) writeFile(dir.file(name), "s");
    writeFile(dir.file("x.mp3"), "old");
    writeFile(dir.file("x_1.mp3"), "old");
    NamingRun run(settingsWith(kTargetOverwrite));
    EXPECT_EQ(run.choose(dir.file("x.wav")).target, dir.file("x.mp3"));
    EXPECT_EQ(run.choose(dir.file("x.flac")).target, dir.file("x_1.mp3"));
    EXPECT_EQ(run.choose(dir.file("x.ogg")).target, dir.file("x_2.mp3"));
    EXPECT_EQ(readFile(dir.file("x_1.mp3")), "old");
}

TEST(OutputNaming, NamesOfEveryKind) {
    const std::string longStem(200, 'n');
    const struct {
        std::string source, first, second;
    } cases[] = {
        {"track", "track.mp3", "track_1.mp3"},
        {"it's a & b.wav", "it's a & b.mp3", "it's a & b_1.mp3"},
        {"Песня 中文 😀.flac", "Песня 中文 😀.mp3", "Песня 中文 😀_1.mp3"},
        {"a.b.c.wav", "a.b.c.mp3", "a.b.c_1.mp3"},
        {longStem + ".wav", longStem + ".mp3", longStem + "_1.mp3"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        writeFile(dir.file(c.source), "s");
        NamingRun run(settingsWith(kTargetRename));
        EXPECT_EQ(run.choose(dir.file(c.source)).target, dir.file(c.first)) << c.source;
        EXPECT_EQ(run.choose(dir.file(c.source)).target, dir.file(c.second)) << c.source;
    }
}

TEST(OutputNaming, SpecificFolderFolderPerSourceAndDirectoryTree) {
    TempDir dir;
    const std::string source = dir.file("music" + kSep + "Friends" + kSep + "Happy.mp4");
    fs::create_directories(fromU8(dir.file("music" + kSep + "Friends")));
    writeFile(source, "s");
    const std::string out = dir.file("out" + kSep + "new");  // missing levels are created
    // The tree below the output folder: the source's full folder without its root (and drive colon).
    std::string tree = platform::fullPath(*platform::folderPart(source));
#ifdef _WIN32
    tree.erase(std::remove(tree.begin(), tree.end(), ':'), tree.end());
#endif
    tree.erase(0, tree.find_first_not_of(platform::kPathSeparator));
    const struct {
        uint32_t createDirs, perSource;
        std::string expected;
    } cases[] = {
        {0, 0, out + kSep + "Happy.mp3"},
        {0, 1, out + kSep + "Happy" + kSep + "Happy.mp3"},
        {1, 0, out + kSep + tree + "Happy.mp3"},
        {1, 1, out + kSep + tree + "Happy" + kSep + "Happy.mp3"},
    };
    for (const auto& c : cases) {
        AppSettings s = specificFolder(kTargetRename, out);
        s.CreateDirs = c.createDirs;
        s.CreateFolderForEachSource = c.perSource;
        NamingRun run(s);
        const Outcome o = run.choose(source);
        EXPECT_TRUE(o.ok) << o.error;
        EXPECT_EQ(o.target, c.expected);
        EXPECT_TRUE(fs::is_directory(fromU8(*platform::folderPart(c.expected))));
    }
    // Beside the source, the tree option has no effect; the folder per source still does.
    AppSettings beside = settingsWith(kTargetRename);
    beside.CreateDirs = 1;
    beside.CreateFolderForEachSource = 1;
    NamingRun run(beside);
    EXPECT_EQ(run.choose(source).target,
              dir.file("music" + kSep + "Friends" + kSep + "Happy" + kSep + "Happy.mp3"));
}

TEST(OutputNaming, DirectoryTreeOfASourceThatNeedNotExist) {
    TempDir dir;
    AppSettings s = specificFolder(kTargetRename, u8(dir.path()));
    s.CreateDirs = 1;
    NamingRun run(s);
#ifdef _WIN32
    const std::string source = "C:\\Video\\Friends\\Happy.mp4";
    const std::string expected = u8(dir.path()) + "\\C\\Video\\Friends\\Happy.mp3";
#else
    const std::string source = "/home/u/a.mp4";
    const std::string expected = u8(dir.path()) + "/home/u/a.mp3";
#endif
    EXPECT_EQ(run.choose(source).target, expected);
    EXPECT_TRUE(fs::is_directory(fromU8(*platform::folderPart(expected))));
}

TEST(OutputNaming, DvdTitlesAreNamedByTitleNumber) {
    TempDir dir;
    SourceItem title;
    title.kind = kSourceDvdTitle;
    title.dvdFolder = dir.file("VIDEO_TS") + kSep;
    fs::create_directory(dir.path() / "VIDEO_TS");
    title.titleSet = 2;
    title.titleNumber = 3;
    NamingRun run(settingsWith(kTargetRename));
    EXPECT_EQ(run.choose(title).target, title.dvdFolder + "DVD_Title_3.mp3");
    EXPECT_EQ(run.choose(title, false, "m4a").target, title.dvdFolder + "DVD_Title_3.m4a");
}

TEST(OutputNaming, NormalisationNamesAreFreshAndFlat) {
    TempDir dir;
    writeFile(dir.file("x.wav"), "s");
    AppSettings s = specificFolder(kTargetSkip, dir.file("out"));
    s.CreateDirs = 1;
    s.CreateFolderForEachSource = 1;
    NamingRun run(s);
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        const Outcome o = run.choose(dir.file("x.wav"), true, "ts");
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(*platform::folderPart(o.target), dir.file("out") + kSep);  // no tree, no folder per source
        const std::string name(platform::fileNamePart(o.target));
        EXPECT_EQ(name.substr(name.size() - 3), ".ts");
        EXPECT_EQ(name.find_first_not_of("0123456789_"), name.size() - 3) << name;
        EXPECT_TRUE(names.insert(platform::pathKey(o.target)).second) << o.target;
    }
}

TEST(OutputNaming, FolderFailuresAndTheDocumentsFallback) {
    TempDir dir;
    writeFile(dir.file("x.wav"), "s");
    writeFile(dir.file("file"), "in the way");
    const std::string blocked = dir.file("file" + kSep + "out");
    const std::string docs = dir.file("Documents");
    const struct {
        std::string folder;
        uint32_t toDocuments;
        std::string documents;
        bool ok;
        std::string target, error;
        int documentsAsked;
    } cases[] = {
        {"", 0, docs, false, "", folderText(""), 0},
        {"", 1, docs, true, docs + kSep + "x.mp3", "", 1},
        {blocked, 0, docs, false, "", folderText(blocked), 0},
        {blocked, 1, docs, true, docs + kSep + "x.mp3", "", 1},
        {blocked, 1, "", false, "", folderText(blocked), 1},  // no Documents folder known
    };
    for (const auto& c : cases) {
        AppSettings s = specificFolder(kTargetRename, c.folder);
        s.OutputFiles2MyDocuments = c.toDocuments;
        NamingRun run(s);
        run.fileSystem().documents = c.documents;
        const Outcome o = run.choose(dir.file("x.wav"));
        EXPECT_EQ(o.ok, c.ok) << c.folder << c.toDocuments;
        EXPECT_EQ(o.target, c.target);
        EXPECT_EQ(o.error, c.error);
        EXPECT_EQ(run.fileSystem().documentsAsked, c.documentsAsked);
    }
}

TEST(OutputNaming, FileFailuresFallBackOnceAndRefusalsNever) {
    TempDir dir;
    writeFile(dir.file("x.wav"), "s");
    writeFile(dir.file("x.mp3"), "exists");
    const std::string docs = dir.file("Documents");
    {
        // The proof fails beside the source: the file goes to Documents.
        AppSettings s = settingsWith(kTargetRename);
        s.OutputFiles2MyDocuments = 1;
        NamingRun run(s);
        run.fileSystem().documents = docs;
        run.fileSystem().failProofsBelow = u8(dir.path()) + kSep + "x";
        EXPECT_EQ(run.choose(dir.file("x.wav")).target, docs + kSep + "x.mp3");
    }
    {
        // It fails in Documents too: the error names the last file tried.
        AppSettings s = settingsWith(kTargetRename);
        s.OutputFiles2MyDocuments = 1;
        NamingRun run(s);
        run.fileSystem().documents = docs;
        run.fileSystem().failProofsBelow = u8(dir.path());
        const Outcome o = run.choose(dir.file("x.wav"));
        EXPECT_FALSE(o.ok);
        EXPECT_EQ(o.error, fileText(docs + kSep + "x.mp3"));
        EXPECT_EQ(run.fileSystem().documentsAsked, 1);
        EXPECT_EQ(run.planned().size(), 0u);
    }
    for (const uint32_t policy : {kTargetSkip, kTargetOverwrite}) {
        // Skips and the same-as-source refusal stand.
        AppSettings s = settingsWith(policy);
        s.OutputFiles2MyDocuments = 1;
        NamingRun run(s);
        run.fileSystem().documents = docs;
        const Outcome o = run.choose(policy == kTargetSkip ? dir.file("x.wav") : dir.file("x.mp3"));
        EXPECT_FALSE(o.ok);
        EXPECT_EQ(run.fileSystem().documentsAsked, 0);
    }
    // A folder where the target would be cannot be overwritten: a file failure.
    fs::create_directory(dir.path() / "y.mp3");
    writeFile(dir.file("y.wav"), "s");
    NamingRun run(settingsWith(kTargetOverwrite));
    const Outcome o = run.choose(dir.file("y.wav"));
    EXPECT_EQ(o.error, fileText(dir.file("y.mp3")));
    EXPECT_TRUE(fs::is_directory(dir.path() / "y.mp3"));
    NamingRun renaming(settingsWith(kTargetRename));
    EXPECT_EQ(renaming.choose(dir.file("y.wav")).target, dir.file("y_1.mp3"));
}

TEST(OutputNaming, ClearingThePlannedSetStartsAfresh) {
    TempDir dir;
    writeFile(dir.file("x.wav"), "s");
    NamingRun run(settingsWith(kTargetRename));
    EXPECT_EQ(run.choose(dir.file("x.wav")).target, dir.file("x.mp3"));
    EXPECT_EQ(run.choose(dir.file("x.wav")).target, dir.file("x_1.mp3"));
    run.planned().clear();
    EXPECT_EQ(run.choose(dir.file("x.wav")).target, dir.file("x.mp3"));
}

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

    AppSettings none;
    AppSettings modified;
    modified.KeepDateModified = 1;
    EXPECT_FALSE(copyFileTimes(file, dir.file("out.mp3"), none));
    EXPECT_FALSE(copyFileTimes(file, "", modified));
    EXPECT_FALSE(copyFileTimes(file, dir.file("missing.mp3"), modified));
    EXPECT_FALSE(fs::exists(dir.path() / "missing.mp3"));

    EXPECT_TRUE(copyFileTimes(file, dir.file("out.mp3"), modified));
    EXPECT_EQ(fs::last_write_time(fromU8(dir.file("out.mp3"))), stamp);
    EXPECT_TRUE(copyFileTimes(title, dir.file("out.mp3"), modified));
    EXPECT_EQ(fs::last_write_time(fromU8(dir.file("out.mp3"))), stamp - std::chrono::hours(5));
    EXPECT_EQ(readFile(dir.file("out.mp3")), "o");
}

}  // namespace
