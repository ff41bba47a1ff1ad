#include "engine/OutputNaming.h"

#include <cstdio>

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

std::string withPath(const char* format, const std::string& path) {
    const std::string_view f(format);
    const size_t at = f.find("%s");
    return std::string(f.substr(0, at)) + path + std::string(f.substr(at + 2));
}

std::string pathKeyOf(const std::string& path) { return platform::pathKey(platform::fullPath(path)); }

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

}  // namespace

NamingFileSystem& systemNamingFileSystem() {
    static SystemNamingFileSystem fileSystem;
    return fileSystem;
}

void PlannedTargets::clear() {
    keys_.clear();
    nextFreeOrPlanned_.clear();
    nextUnplanned_.clear();
}

bool PlannedTargets::contains(const std::string& path) const { return keys_.count(pathKeyOf(path)) != 0; }

void PlannedTargets::add(const std::string& path) { keys_.insert(pathKeyOf(path)); }

class TargetChooser {
public:
    TargetChooser(SourceItem& item, const OutputFormat& format, bool normalisation,
                  const AppSettings& settings, PlannedTargets& planned, NamingFileSystem& fs)
        : item_(item), settings_(settings), planned_(planned), fs_(fs) {
        if (item.kind == kSourceDvdTitle) {
            namingSource_ = item.dvdFolder + "DVD_Title_" + std::to_string(item.titleNumber) + ".vob";
        } else {
            namingSource_ = item.path;
        }
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
        }
        specific_ = settings.DestOutputFolderOpt == kOutputSpecificFolder;
        specificFolder_ = settings.DestSpecifiedFolder;
    }

    bool run(std::string* errorText) {
        bool fallbackTried = false;
        for (;;) {
            const Outcome outcome = attempt();
            if (outcome == Outcome::kChosen) return true;
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
            item_.outputPath.clear();
            if (errorText != nullptr) *errorText = error_;
            return false;
        }
    }

private:
    Outcome fail(Outcome outcome, std::string text) {
        error_ = std::move(text);
        return outcome;
    }

    // The target is (or resolves to) this job's own source.
    bool isOwnSource(const std::string& target) {
        if (platform::samePath(platform::fullPath(target), platform::fullPath(namingSource_))) return true;
        return fs_.sameFile(target, item_.path);
    }

    std::string numbered(const std::string& base, uint32_t k) const {
        return base + "_" + std::to_string(k) + extension_;
    }

    // The first "<base>_<k><ext>" not planned (and, unless plannedOnly, not on disk), starting where the
    // last walk for this base stopped.
    std::string walk(const std::string& base, bool plannedOnly) {
        auto& memo = plannedOnly ? planned_.nextUnplanned_ : planned_.nextFreeOrPlanned_;
        memoKey_ = pathKeyOf(base) + '\n' + platform::pathKey(extension_);
        memo_ = &memo;
        const auto found = memo.find(memoKey_);
        uint32_t k = found == memo.end() ? 1 : found->second;
        for (;; ++k) {
            std::string candidate = numbered(base, k);
            if (planned_.contains(candidate)) continue;
            if (!plannedOnly && fs_.pathExists(candidate)) continue;
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
                return fail(Outcome::kFolderFailed, withPath(kFailedToCreateFolderText, specificFolder_));
            }
            folder = platform::withTrailingSeparator(specificFolder_);
            if (tree_) {
                folder += directoryTreePart(namingSource_);
                if (!fs_.ensureFolder(folder, true)) {
                    return fail(Outcome::kFolderFailed, withPath(kFailedToCreateFolderText, folder));
                }
            }
        }
        if (perSource_) {
            folder += stem_;
            folder += platform::kPathSeparator;
            fs_.ensureFolder(folder, true);  // a failure shows when the file cannot be created
        }

        const std::string base = folder + stem_;
        std::string target = base + extension_;
        if (planned_.contains(target) || fs_.pathExists(target)) {
            if (policy_ == kTargetSkip) return fail(Outcome::kRefused, kTargetSkippedText);
            if (policy_ == kTargetOverwrite) {
                if (isOwnSource(target)) return fail(Outcome::kRefused, kTargetIsSourceText);
                // Two jobs of one run never share a target; an existing file may be replaced.
                if (planned_.contains(target)) {
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
            return fail(Outcome::kFileFailed, withPath(kFailedToCreateFileText, target));
        item_.outputPath = target;
        planned_.add(target);
        if (memo_ != nullptr) (*memo_)[memoKey_] = memoNext_;
        return Outcome::kChosen;
    }

    SourceItem& item_;
    const AppSettings& settings_;
    PlannedTargets& planned_;
    NamingFileSystem& fs_;
    std::string namingSource_;
    std::string stem_;
    std::string extension_;
    uint32_t policy_ = kTargetRename;
    bool tree_ = false;
    bool perSource_ = false;
    bool specific_ = false;
    std::string specificFolder_;
    std::string error_;
    // The walk memo to advance once the target is taken.
    std::unordered_map<std::string, uint32_t>* memo_ = nullptr;
    std::string memoKey_;
    uint32_t memoNext_ = 1;
};

bool chooseTarget(SourceItem& item, const OutputFormat& format, bool normalisationNaming,
                  const AppSettings& settings, PlannedTargets& planned, std::string* errorText,
                  NamingFileSystem& fileSystem) {
    TargetChooser chooser(item, format, normalisationNaming, settings, planned, fileSystem);
    return chooser.run(errorText);
}

bool chooseTarget(SourceItem& item, const OutputFormat& format, bool normalisationNaming,
                  const AppSettings& settings, PlannedTargets& planned, std::string* errorText) {
    return chooseTarget(item, format, normalisationNaming, settings, planned, errorText,
                        systemNamingFileSystem());
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
