// melodrift-cli: the console front end over the conversion engine.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Cli.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/WinText.h"

int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(platform::win32::narrow(argv[i]));
    return cli::run(args);
}
#else
int main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    return cli::run(args);
}
#endif
