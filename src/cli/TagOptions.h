// This invocation's "--tag NAME=VALUE" options: a field's new value for every source, as a row's edits.
#pragma once

#include <string>
#include <vector>

#include "platform/Result.h"
#include "sources/SourceTags.h"

// Takes "--tag NAME=VALUE" and "--tag=NAME=VALUE" out of args and leaves every other argument in order;
// scanning stops at "--". NAME is a field's name in any case; an empty VALUE removes the field, and a
// later --tag of the same field wins. Fails with a one-line message for a missing operand or an unknown
// name (the message lists the names).
Result<TagEdits> takeTagOptions(std::vector<std::string>& args);
