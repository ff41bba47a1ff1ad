#include "support/CliAndMedia.h"

#include <cstdlib>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace testing_support {

CliRun runCli(const TempDir& dir, const std::vector<std::string>& args, const std::string& program) {
#ifdef _WIN32
    auto q = [](const std::string& s) { return "\"" + s + "\""; };
    std::string line = q(program.empty() ? binFolder() + "melodrift-cli.exe" : program);
#else
    auto q = [](std::string s) {
        for (size_t at = 0; (at = s.find('\'', at)) != std::string::npos; at += 4) s.replace(at, 1, "'\\''");
        return "'" + s + "'";
    };
    std::string line = "XDG_CONFIG_HOME=" + q(dir.file("config")) + " " +
                       q(program.empty() ? binFolder() + "melodrift-cli" : program);
#endif
    for (const auto& a : args) line += " " + q(a);
    line += " >" + q(dir.file("cli.out")) + " 2>" + q(dir.file("cli.err"));
    CliRun run;
#ifdef _WIN32
    run.exitCode = std::system(q(line).c_str());  // cmd /c takes off the outer quotes
#else
    const int status = std::system(line.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    for (auto [file, text] :
         {std::pair{dir.file("cli.out"), &run.out}, std::pair{dir.file("cli.err"), &run.err}}) {
        for (char c : readFile(file))
            if (c != '\r') *text += c;
    }
    return run;
}

}  // namespace testing_support
