// The steps of one conversion job. A job converts one list entry into one output; its steps run in
// order, each with its share of the job's progress. A transcoder step runs the transcoder; an in-process
// step is a function on the run's own thread (measure the source, check or rework the output). The run
// wraps them all: it chooses the target, lets every step write to the job's output (under Overwrite a
// temporary sibling of the existing target, replacing it only after the last step succeeded), and on a
// failure or a cancel removes what the job wrote.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "platform/Result.h"
#include "settings/AppSettings.h"

struct OutputFormat;
struct SourceItem;

// Converts the job's input into its output with the format and the settings given (the run's settings,
// the trims off for the intermediates of Convert to One).
struct TranscoderStep {
    const OutputFormat* format = nullptr;
    AppSettings settings;
};

// Decodes the job's output once completely and writes nothing: a decoding error, or a length other than
// the one the conversion reported writing, fails the job.
struct VerifyStep {};

// What an in-process step works on.
struct StepContext {
    std::string input;   // what the transcoder reads: the source, its prepared file or the join's list
    std::string output;  // the job's output: the target, or the temporary sibling that will replace it
    // True once the run was cancelled: a long step stops early (it fails; the run cleans up).
    std::function<bool()> cancelled;
    // The step's own part done, 0 to 1; the run maps it into the job's and the run's progress.
    std::function<void(double)> progress;
};

// A failure fails the job: its Status shows the conversion failure text with the reason.
using InProcessStep = std::function<Result<>(StepContext&)>;

struct JobStep {
    std::variant<TranscoderStep, VerifyStep, InProcessStep> work;
    uint32_t share = 1;  // its part of the job's progress, against the other steps' shares
};

// The role of a job in its run.
enum class JobKind { kConversion, kNormalisation, kJoin };

// Turns a job into its steps. conversion is the job's own transcoder step; a planner places it among
// steps of its own (an empty plan counts as a failed job).
using StepPlanner = std::function<std::vector<JobStep>(const SourceItem& item,
                                                       const TranscoderStep& conversion, JobKind kind)>;

// The plan of every job until features add steps: the one transcoder step.
inline std::vector<JobStep> singleStepPlan(const SourceItem&, const TranscoderStep& conversion, JobKind) {
    return {JobStep{conversion, 1}};
}

// Decoding takes a fraction of the encoding's time.
inline constexpr uint32_t kConversionShare = 4;
inline constexpr uint32_t kVerifyShare = 1;
