#include "engine/OutputNaming.h"

#include <cstdio>

#include "engine/NamePattern.h"
#include "formats/OutputFormat.h"
#include "platform/Files.h"
#include "platform/KnownFolders.h"
#include "platform/Text.h"
#include "settings/AppSettings.h"
#include "sources/SourceItem.h"

namespace {

class SystemNamingFileSystem final : public NamingFileSystem {
public:
    bool pathExists(const std::string& path) override { return platform::pathExists(path); }
    bool ensureFolder(const std::string& path, bool create) override {
        return platform::ensureFolder(path, create);
    }
    bool proveWritable(const std::string& path) override { return platform::proveWritable(path); }
    bool sameFile(const std::string& a, const std::string& b) override { return platform::sameFile(a, b); }
    std::string documentsFolder() override { return platform::documentsFolder(true); }
};

// The source's folders below the output folder: the full path without its file name, colons (drive
// letters) and leading separators, so C:\Video\Friends\Happy.mp4 gives Video\Friends\ under C\.
std::string directoryTreePart(const std::string& namingSource) {
    std::string full = platform::fullPath(namingSource);
    std::string tree;
    tree.reserve(full.size());
    for (const char c : full) {
#ifdef _WIN32
        if (c == ':') continue;
#endif
        // Doubled separators (as at the start of a network path) become one.
        if (platform::isPathSeparator(c) && !tree.empty() && platform::isPathSeparator(tree.back())) continue;
        tree.push_back(platform::isPathSeparator(c) ? platform::kPathSeparator : c);
    }
    const auto folder = platform::folderPart(tree);
    if (!folder) return {};
    size_t start = 0;
    while (start < folder->size() && platform::isPathSeparator((*folder)[start])) ++start;
    return folder->substr(start);
}

enum class Outcome { kChosen, kFolderFailed, kFileFailed, kRefused };

// Room a patterned name keeps for the "_<k>" a collision adds.
constexpr size_t kNumberingRoom = 6;

}  // namespace

NamingFileSystem& systemNamingFileSystem() {
    static SystemNamingFileSystem fileSystem;
    return fileSystem;
}

std::string NamingFileSystem::resolvedFolder(const std::string& folder) {
    return platform::resolvedFolder(folder);
}

std::optional<std::string> NamingFileSystem::fileIdentityKey(const std::string& path) {
    return platform::fileIdentityKey(path);
}

void PlannedTargets::clear() {
    keys_.clear();
    folderKeys_.clear();
    protected_.clear();
    nextFreeOrPlanned_.clear();
    nextUnplanned_.clear();
}

void PlannedTargets::protectSource(const std::string& path, NamingFileSystem& fileSystem) {
    if (auto identity = fileSystem.fileIdentityKey(path)) protected_.insert(std::move(*identity));
}

class TargetChooser {
public:
    TargetChooser(const SourceItem& item, const OutputFormat& format, bool normalisation,
                  const AppSettings& settings, PlannedTargets& planned, NamingFileSystem& fs)
        : item_(item), settings_(settings), planned_(planned), fs_(fs) {
        namingSource_ = namingSourceOf(item);
        const std::string_view name = platform::fileNamePart(namingSource_);
        const auto extension = platform::extensionPart(name);
        stem_ = std::string(name.substr(0, name.size() - (extension ? extension->size() : 0)));
        extension_ = "." + format.extension;
        if (normalisation) {
            // Intermediate files of a combine run: a fresh name each, never a sub-folder.
            stem_ = platform::uniqueNameStem();
            policy_ = kTargetRename;
        } else {
            policy_ = settings.TargetExistsOpt;
            tree_ = settings.CreateDirs != 0 && settings.DestOutputFolderOpt == kOutputSpecificFolder;
            perSource_ = settings.CreateFolderForEachSource != 0;
            pattern_ = settings.OutputNamePattern;
        }
        specific_ = settings.DestOutputFolderOpt == kOutputSpecificFolder;
        // A relative folder is taken from here, once: the transcoder runs in another folder.
        if (!settings.DestSpecifiedFolder.empty())
            specificFolder_ = platform::fullPath(settings.DestSpecifiedFolder);
    }

    Result<std::string> run() {
        bool fallbackTried = false;
        for (;;) {
            const Outcome outcome = attempt();
            if (outcome == Outcome::kChosen) return chosen_;
            const bool canFallBack = outcome != Outcome::kRefused && settings_.OutputFiles2MyDocuments != 0;
            if (canFallBack && !fallbackTried) {
                fallbackTried = true;
                const std::string documents = fs_.documentsFolder();
                if (!documents.empty()) {
                    specific_ = true;
                    specificFolder_ = documents;
                    continue;
                }
            }
            return Failure{error_};
        }
    }

private:
    Outcome fail(Outcome outcome, std::string text) {
        error_ = std::move(text);
        return outcome;
    }

    // The planned-set key of a path: its folder resolved once per run, then its name.
    std::string keyOf(const std::string& path) {
        const std::string folder = platform::folderPart(path).value_or(std::string());
        auto found = planned_.folderKeys_.find(folder);
        if (found == planned_.folderKeys_.end()) {
            std::string resolved = fs_.resolvedFolder(folder.empty() ? "." : folder);
            found = planned_.folderKeys_.emplace(folder, platform::pathKey(resolved)).first;
        }
        return found->second + platform::kPathSeparator + platform::pathKey(platform::fileNamePart(path));
    }
    bool isPlanned(const std::string& path) { return planned_.keys_.count(keyOf(path)) != 0; }
    // An existing file that is one of the run's sources.
    bool isProtectedSource(const std::string& path) {
        if (planned_.protected_.empty() || !fs_.pathExists(path)) return false;
        const auto identity = fs_.fileIdentityKey(path);
        return identity && planned_.protected_.count(*identity) != 0;
    }

    // The target is (or resolves to) this job's own source.
    bool isOwnSource(const std::string& target) {
        if (platform::samePath(platform::fullPath(target), platform::fullPath(namingSource_))) return true;
        return fs_.sameFile(target, item_.path);
    }

    std::string numbered(const std::string& base, uint32_t k) const {
        return base + "_" + std::to_string(k) + extension_;
    }

    // The first "<base>_<k><ext>" that is free, starting where the last walk for this base stopped. Free:
    // not planned and not on disk; under "Overwrite" (plannedOnly) not planned and no source of the run.
    std::string walk(const std::string& base, bool plannedOnly) {
        auto& memo = plannedOnly ? planned_.nextUnplanned_ : planned_.nextFreeOrPlanned_;
        memoKey_ = keyOf(base) + '\n' + platform::pathKey(extension_);
        memo_ = &memo;
        const auto found = memo.find(memoKey_);
        uint32_t k = found == memo.end() ? 1 : found->second;
        for (;; ++k) {
            std::string candidate = numbered(base, k);
            if (isPlanned(candidate)) continue;
            if (plannedOnly ? isProtectedSource(candidate) : fs_.pathExists(candidate)) continue;
            memoNext_ = k + 1;
            return candidate;
        }
    }

    Outcome attempt() {
        memo_ = nullptr;
        std::string folder;
        if (!specific_) {
            folder = platform::folderPart(namingSource_).value_or(std::string());
        } else {
            if (specificFolder_.empty() || !fs_.ensureFolder(specificFolder_, true)) {
                return fail(Outcome::kFolderFailed,
                            platform::fillIn(kFailedToCreateFolderText, specificFolder_));
            }
            folder = platform::withTrailingSeparator(specificFolder_);
            if (tree_) {
                folder += directoryTreePart(namingSource_);
                if (!fs_.ensureFolder(folder, true)) {
                    return fail(Outcome::kFolderFailed, platform::fillIn(kFailedToCreateFolderText, folder));
                }
            }
        }
        if (perSource_) {
            folder += stem_;
            folder += platform::kPathSeparator;
            fs_.ensureFolder(folder, true);  // a failure shows when the file cannot be created
        }

        std::string base = folder + stem_;
        if (!pattern_.empty()) {
            if (std::optional<std::string> error = namePatternError(pattern_))
                return fail(Outcome::kRefused, *error);
            const std::vector<std::string> parts =
                expandNamePattern(pattern_, item_.outputTags(), namingSource_);
            const std::optional<std::string> below = fitNameParts(
                parts, folder, platform::pathUnits(extension_) + kNumberingRoom, platform::pathLimits());
            if (!below) {
                std::string whole = folder;
                for (const std::string& part : parts) whole += part + platform::kPathSeparator;
                whole.pop_back();
                return fail(Outcome::kFileFailed,
                            platform::fillIn(kFailedToCreateFileText, whole + extension_));
            }
            base = folder + *below;
            if (const std::optional<std::string> made = platform::folderPart(base); made && *made != folder) {
                if (!fs_.ensureFolder(*made, true))
                    return fail(Outcome::kFolderFailed, platform::fillIn(kFailedToCreateFolderText, *made));
            }
        }
        std::string target = base + extension_;
        if (isPlanned(target) || fs_.pathExists(target)) {
            if (policy_ == kTargetSkip) return fail(Outcome::kRefused, kTargetSkippedText);
            if (policy_ == kTargetOverwrite) {
                if (isOwnSource(target)) return fail(Outcome::kRefused, kTargetIsSourceText);
                if (isProtectedSource(target)) {
                    // Another source of this run: it is never replaced, the job gets a free name.
                    target = walk(base, false);
                } else if (isPlanned(target)) {
                    // Two jobs of one run never share a target; an existing file may be replaced.
                    target = walk(base, true);
                    // The numbered name may exist; whatever its spelling, it must not be the source.
                    if (fs_.pathExists(target) && isOwnSource(target)) {
                        return fail(Outcome::kRefused, kTargetIsSourceText);
                    }
                }
            } else {
                target = walk(base, false);
            }
        }

        if (!fs_.proveWritable(target))
            return fail(Outcome::kFileFailed, platform::fillIn(kFailedToCreateFileText, target));
        chosen_ = target;
        planned_.keys_.insert(keyOf(target));
        if (memo_ != nullptr) (*memo_)[memoKey_] = memoNext_;
        return Outcome::kChosen;
    }

    const SourceItem& item_;
    const AppSettings& settings_;
    PlannedTargets& planned_;
    NamingFileSystem& fs_;
    std::string namingSource_;
    std::string stem_;
    std::string extension_;
    uint32_t policy_ = kTargetRename;
    bool tree_ = false;
    bool perSource_ = false;
    std::string pattern_;  // OutputNamePattern; empty: the source's own name
    bool specific_ = false;
    std::string specificFolder_;
    std::string chosen_;
    std::string error_;
    // The walk memo to advance once the target is taken.
    std::unordered_map<std::string, uint32_t>* memo_ = nullptr;
    std::string memoKey_;
    uint32_t memoNext_ = 1;
};

std::string namingSourceOf(const SourceItem& item) {
    if (item.kind == kSourceDvdTitle)
        return item.dvdFolder + "DVD_Title_" + std::to_string(item.titleNumber) + ".vob";
    return item.path;
}

Result<std::string> chooseTarget(const SourceItem& item, const OutputFormat& format, bool normalisationNaming,
                                 const AppSettings& settings, PlannedTargets& planned,
                                 NamingFileSystem& fileSystem) {
    TargetChooser chooser(item, format, normalisationNaming, settings, planned, fileSystem);
    return chooser.run();
}

Result<std::string> chooseTarget(const SourceItem& item, const OutputFormat& format, bool normalisationNaming,
                                 const AppSettings& settings, PlannedTargets& planned) {
    return chooseTarget(item, format, normalisationNaming, settings, planned, systemNamingFileSystem());
}

bool copyFileTimes(const SourceItem& item, const std::string& outputPath, const AppSettings& settings) {
    if (outputPath.empty() || !platform::pathExists(outputPath)) return false;
    if (settings.KeepDateCreated == 0 && settings.KeepDateModified == 0) return false;
    std::string timeSource = item.path;
    if (item.kind == kSourceDvdTitle) {
        char name[32];
        std::snprintf(name, sizeof name, "VTS_%02d_1.VOB", static_cast<int>(item.titleSet));
        timeSource = item.dvdFolder + name;
    }
    return platform::copyFileTimes(timeSource, outputPath, settings.KeepDateCreated != 0,
                                   settings.KeepDateModified != 0);
}
