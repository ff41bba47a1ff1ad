#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace cli {

// Runs one invocation; returns the exit status (0 success, 1 a job or source failed, 2 usage error).
int run(const std::vector<std::string>& args);

// A subcommand: its arguments after the name; returns the exit status.
using Command = std::function<int(const std::vector<std::string>&)>;

// Subcommands register themselves here (one file each), so that they can be added independently.
struct CommandInfo {
    std::string usage;  // one line, e.g. "probe SOURCE..."
    Command run;
};
std::map<std::string, CommandInfo>& commands();

struct Registrar {
    Registrar(const std::string& name, const std::string& usage, Command command) {
        commands()[name] = CommandInfo{usage, std::move(command)};
    }
};

// Prints "melodrift-cli: <message>" on standard error and returns 2.
int usageError(const std::string& message);

}  // namespace cli
