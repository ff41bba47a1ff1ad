#include "platform/Process.h"

namespace platform {

std::vector<std::string> splitWindowsCommandLine(const std::string& line) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = line.size();
    auto skipBlanks = [&] {
        while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
    };
    skipBlanks();
    if (i >= n) return args;

    // The program name: quotes group, backslashes are literal.
    std::string program;
    bool quoted = false;
    while (i < n) {
        const char c = line[i];
        if (c == '"') {
            quoted = !quoted;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            break;
        } else {
            program.push_back(c);
        }
        ++i;
    }
    args.push_back(program);

    for (;;) {
        skipBlanks();
        if (i >= n) break;
        std::string arg;
        bool inQuotes = false;
        while (i < n) {
            const char c = line[i];
            if ((c == ' ' || c == '\t') && !inQuotes) break;
            if (c == '\\') {
                size_t slashes = 0;
                while (i < n && line[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        arg.push_back('"');
                        ++i;
                    }
                } else {
                    arg.append(slashes, '\\');
                }
                continue;
            }
            if (c == '"') {
                if (inQuotes && i + 1 < n && line[i + 1] == '"') {
                    arg.push_back('"');
                    i += 2;
                    continue;
                }
                inQuotes = !inQuotes;
                ++i;
                continue;
            }
            arg.push_back(c);
            ++i;
        }
        args.push_back(arg);
    }
    return args;
}

std::string quoteWindowsArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    size_t slashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        if (c == '"') {
            out.append(slashes * 2 + 1, '\\');
        } else {
            out.append(slashes, '\\');
        }
        slashes = 0;
        out.push_back(c);
    }
    out.append(slashes * 2, '\\');
    out.push_back('"');
    return out;
}

}  // namespace platform
