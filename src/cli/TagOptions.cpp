#include "cli/TagOptions.h"

namespace {

std::string fieldNames() {
    std::string names;
    for (const TagFieldInfo& field : kTagFields)
        names += (names.empty() ? "" : ", ") + std::string(field.name);
    return names;
}

}  // namespace

Result<TagEdits> takeTagOptions(std::vector<std::string>& args) {
    TagEdits edits;
    std::vector<std::string> rest;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") break;
        std::string operand;
        if (arg == "--tag") {
            if (i + 1 >= args.size()) return Failure{"--tag needs a value"};
            operand = args[++i];
        } else if (arg.starts_with("--tag=")) {
            operand = arg.substr(6);
        } else {
            rest.push_back(arg);
            continue;
        }
        const size_t eq = operand.find('=');
        if (eq == std::string::npos || eq == 0)
            return Failure{"--tag takes NAME=VALUE, not '" + operand + "'"};
        const auto field = tagFieldNamed(operand.substr(0, eq));
        if (!field)
            return Failure{"--tag: no tag is named '" + operand.substr(0, eq) +
                           "' (the names: " + fieldNames() + ")"};
        edits.values[*field] = operand.substr(eq + 1);
    }
    rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    args = std::move(rest);
    return edits;
}
