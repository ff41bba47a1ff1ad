// Target choice for many sources of one name converted into one folder: x.mp3, x_1.mp3 ... x_9999.mp3.
// Prints the time and the number of file-system calls the choice made.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/OutputNaming.h"
#include "formats/OutputFormat.h"
#include "platform/Files.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"

namespace {

class CountingFileSystem final : public NamingFileSystem {
public:
    explicit CountingFileSystem(NamingFileSystem& real) : real_(real) {}
    long long calls = 0;
    long long existsCalls = 0;

    bool pathExists(const std::string& path) override {
        ++calls;
        ++existsCalls;
        return real_.pathExists(path);
    }
    bool ensureFolder(const std::string& path, bool create) override {
        ++calls;
        return real_.ensureFolder(path, create);
    }
    bool proveWritable(const std::string& path) override {
        ++calls;
        return real_.proveWritable(path);
    }
    bool sameFile(const std::string& a, const std::string& b) override {
        ++calls;
        return real_.sameFile(a, b);
    }
    std::string documentsFolder() override {
        ++calls;
        return {};
    }

private:
    NamingFileSystem& real_;
};

// Answers without touching the disk: an empty folder that accepts everything.
class NoDiskFileSystem final : public NamingFileSystem {
public:
    bool pathExists(const std::string&) override { return false; }
    bool ensureFolder(const std::string&, bool) override { return true; }
    bool proveWritable(const std::string&) override { return true; }
    bool sameFile(const std::string&, const std::string&) override { return false; }
    std::string documentsFolder() override { return {}; }
};

// Chooses kSources targets; returns the seconds taken, counts names that differ from the plain walk's.
double chooseAll(int sources, const std::string& root, const std::string& out, NamingFileSystem& fs,
                 int& wrong, int& refused) {
    AppSettings settings;
    settings.DestOutputFolderOpt = kOutputSpecificFolder;
    settings.DestSpecifiedFolder = out;
    settings.TargetExistsOpt = kTargetRename;
    settings.OutputFiles2MyDocuments = 0;
    OutputFormat mp3;
    mp3.extension = "mp3";
    PlannedTargets planned;
    wrong = refused = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < sources; ++i) {
        SourceItem item;
        item.path =
            root + platform::kPathSeparator + "in" + std::to_string(i) + platform::kPathSeparator + "x.wav";
        const Result<std::string> target = chooseTarget(item, mp3, false, settings, planned, fs);
        if (!target) {
            ++refused;
            continue;
        }
        const std::string expected =
            out + platform::kPathSeparator + (i == 0 ? std::string("x") : "x_" + std::to_string(i)) + ".mp3";
        if (*target != expected) ++wrong;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int runBenchmark() {
    constexpr int kSources = 10000;
    const std::string root = platform::temporaryFolder() + "mdnamingbench" + platform::uniqueNameStem();
    const std::string out = root + platform::kPathSeparator + "out";

    CountingFileSystem counting(systemNamingFileSystem());
    int wrong = 0, refused = 0;
    const double seconds = chooseAll(kSources, root, out, counting, wrong, refused);
    NoDiskFileSystem noDisk;
    int wrongNoDisk = 0, refusedNoDisk = 0;
    const double logicSeconds = chooseAll(kSources, root, out, noDisk, wrongNoDisk, refusedNoDisk);
    wrong += wrongNoDisk;
    refused += refusedNoDisk;

    const long long plainWalkChecks = static_cast<long long>(kSources) * (kSources + 1) / 2;
    std::printf("naming: %d targets into one folder in %.3f s (%.1f us per target)\n", kSources, seconds,
                seconds * 1e6 / kSources);
    std::printf(
        "naming: %lld file-system calls, %lld existence checks (a plain walk from 1 would make %lld)\n",
        counting.calls, counting.existsCalls, plainWalkChecks);
    std::printf("naming: the same choice with the disk stubbed out: %.3f s (the rest is file-system time)\n",
                logicSeconds);
    std::printf("naming: %d unexpected names, %d refused\n", wrong, refused);

    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(std::u8string(root.begin(), root.end())), ec);
    return wrong == 0 && refused == 0 ? 0 : 1;
}

}  // namespace

int main() { return runBenchmark(); }
