// Choosing the output file of a job: folder rules, name collisions with existing files and with the other
// jobs of the run, the proof that the file can be written, the fallback to the Documents folder; and
// copying the source's file times to the output afterwards.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "platform/Result.h"

struct AppSettings;
struct OutputFormat;
struct SourceItem;

// Refusal texts of target choice; the folder and file ones take the path.
inline constexpr const char* kFailedToCreateFolderText = "Failed to create folder \"%s\"";
inline constexpr const char* kFailedToCreateFileText = "Failed to create file \"%s\"";
inline constexpr const char* kTargetSkippedText = "Target exists and skipped";
inline constexpr const char* kTargetIsSourceText =
    "Target file name is same as original file that can't be overwritten. Please output files to a custom "
    "folder.";

// What target choice asks of the file system, so that tests and the benchmark can stand in for it.
class NamingFileSystem {
public:
    virtual ~NamingFileSystem() = default;
    virtual bool pathExists(const std::string& path) = 0;
    virtual bool ensureFolder(const std::string& path, bool create) = 0;
    // Never harms an existing file (see platform::proveWritable).
    virtual bool proveWritable(const std::string& path) = 0;
    virtual bool sameFile(const std::string& a, const std::string& b) = 0;
    // The user's Documents folder, created when missing; empty when unknown.
    virtual std::string documentsFolder() = 0;
    // See platform::resolvedFolder and platform::fileIdentityKey.
    virtual std::string resolvedFolder(const std::string& folder);
    virtual std::optional<std::string> fileIdentityKey(const std::string& path);
};

NamingFileSystem& systemNamingFileSystem();

// The targets chosen so far in one run, and the run's sources. A target is keyed by its folder resolved
// on disk (links, junctions, substituted drives and short names followed) and its name, in the system's
// comparison form, so every spelling of one file is one target.
class PlannedTargets {
public:
    void clear();
    size_t size() const { return keys_.size(); }
    // A source of the run: under "Overwrite" a target that is this file (by identity, whatever its
    // spelling) is numbered as under "Rename automatically", so no job replaces another job's source.
    void protectSource(const std::string& path, NamingFileSystem& fileSystem);

private:
    friend class TargetChooser;
    std::unordered_set<std::string> keys_;
    std::unordered_map<std::string, std::string> folderKeys_;  // folder as spelled -> resolved key
    std::unordered_set<std::string> protected_;                // file identities of the run's sources
    // Per base name and extension, the first counter a numbered walk still has to try: every smaller one
    // was found taken (planned, or on disk) when it was last walked. Many sources of one name then cost
    // one check each instead of a walk over all earlier names.
    std::unordered_map<std::string, uint32_t> nextFreeOrPlanned_;
    std::unordered_map<std::string, uint32_t> nextUnplanned_;
};

// Chooses the job's target (added to planned); on refusal the reason is one of the texts above, or why
// the name pattern cannot be used. The folders a name pattern makes are created here: a run chooses a
// job's target when the job starts.
Result<std::string> chooseTarget(const SourceItem& item, const OutputFormat& format, bool normalisationNaming,
                                 const AppSettings& settings, PlannedTargets& planned);
Result<std::string> chooseTarget(const SourceItem& item, const OutputFormat& format, bool normalisationNaming,
                                 const AppSettings& settings, PlannedTargets& planned,
                                 NamingFileSystem& fileSystem);

// The path the output is named after: the source's own; for a DVD title "<folder>DVD_Title_<n>.vob".
std::string namingSourceOf(const SourceItem& item);

// Copies the source's creation and/or modification time (as KeepDateCreated / KeepDateModified ask) to
// the output. A DVD title's times come from its first VOB file. False when nothing was copied.
bool copyFileTimes(const SourceItem& item, const std::string& outputPath, const AppSettings& settings);
