// Running melodrift-cli as a user does.
#pragma once

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace testing_support {

struct CliRun {
    int exitCode = -1;
    std::string out, err;  // CR LF line ends made LF
};

// Runs melodrift-cli through the command processor (for the exit status and separate streams). On POSIX
// the settings come from <dir>/config; output goes through <dir>/cli.out and cli.err.
// program: another copy of melodrift-cli to run instead.
CliRun runCli(const TempDir& dir, const std::vector<std::string>& args, const std::string& program = "");

}  // namespace testing_support
