// One conversion job run to its end as a run starts it, for the tests that convert real media.
#pragma once

#include <string>

#include "engine/OutputTags.h"

struct AppSettings;
struct OutputFormat;
struct SourceItem;

struct ConversionOutcome {
    std::string line;        // the command line started
    std::string completion;  // the transcoder's last message line
    std::string error;       // why the job did not start or never ended; empty when it ended
    // The transcoder's own verdict (a refusing one may still leave a header-only file behind).
    bool refused() const;
};

// Builds the job's line, starts it and waits for its end report (with a hang guard).
ConversionOutcome runConversion(SourceItem& item, const OutputFormat& format, const AppSettings& settings,
                                const TagInputs& tags = {});

// Encoders that this build's transcoder is known to lack.
bool transcoderLacksEncoder(const std::string& encoder);
