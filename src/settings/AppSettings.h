// The settings record. Field names are the names of the stored values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum DestOutputFolder : uint32_t {
    kOutputBesideSource = 199,
    kOutputSpecificFolder = 399,
};

enum TargetExists : uint32_t {
    kTargetRename = 11,
    kTargetOverwrite = 22,
    kTargetSkip = 33,
};

struct AppSettings {
    std::string DVDFolder;
    std::string Folder;
    std::string LastAddFileDir;
    uint32_t DestOutputFolderOpt = kOutputBesideSource;  // 399 once the Documents folder is known
    std::string DestSpecifiedFolder;
    uint32_t CreateDirs = 0;
    uint32_t CreateFolderForEachSource = 0;
    uint32_t BrowseOutputFolder = 1;
    uint32_t OutputFiles2MyDocuments = 1;
    uint32_t TargetExistsOpt = kTargetRename;
    uint32_t KeepDateCreated = 0;
    uint32_t KeepDateModified = 0;
    uint32_t KeepID3Tag = 1;  // every output carries the source's tags and cover
    uint32_t WriteID3v1 = 0;  // an MP3 also gets the old tag at its end
    // A source without a picture takes cover.jpg, folder.jpg, cover.png or folder.png beside it.
    uint32_t CoverFromFolder = 0;
    uint32_t FixAudioUnsync = 0;
    uint32_t NormalizeFile = 1;
    uint32_t EnableExtFilter = 0;
    std::string FilterExts;
    uint32_t EnableSkipLength = 0;
    uint32_t SkipLength = 0;  // milliseconds
    uint32_t EnableConvertLength = 0;
    uint32_t ConvertLength = 0;  // milliseconds
    uint32_t EnableIgnoreTheLast = 0;
    uint32_t IgnoreLength = 0;  // milliseconds
    uint32_t RequestAudioIndex = 1;
    // Each output is decoded once more after it is written; a damaged or short one fails its job.
    uint32_t VerifyOutputs = 0;
    // Outputs named from the tags ("<artist>\<album>\<track> - <title>", a separator making a folder below
    // the output folder); empty: each output takes its source's name.
    std::string OutputNamePattern;
    // A transcoder that prints nothing for this long is ended and its job fails (a probe waits at most 30).
    uint32_t TranscoderStallSeconds = 120;
    // 0 off, 1 ReplayGain tags written from a measurement, 2 every output normalised to LoudnessTarget.
    uint32_t LoudnessMode = 0;
    // Tenths of LUFS and of dBTP, stored as the DWORD of a signed number (-160 is 0xFFFFFF60).
    uint32_t LoudnessTarget = static_cast<uint32_t>(-160);
    uint32_t TruePeakCeiling = static_cast<uint32_t>(-10);
    uint32_t AlbumGainByFolder = 1;  // the rows of one folder are an album
    uint32_t OutputFormat = 1160;
    uint32_t ConversionPriority = 32;
    uint32_t ConversionThreads = 2;
    uint32_t OptStartPageIndex = 0;
    // The file list's shown columns by their keys, comma-separated ("File,Duration,Folder"); empty for the
    // columns a new list shows.
    std::string ListColumns;

    // Derived from FilterExts after every load and every OK of the options sheet.
    std::vector<std::string> filterExtensions;

    bool operator==(const AppSettings&) const = default;
};
