#include "cli/TagOptions.h"

#include "cli/SettingOptions.h"

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
    const Result<> taken =
        takeOptions(args, {"--tag"}, [&](const std::string& option, const std::string& operand) -> Result<> {
            Result<std::pair<std::string, std::string>> tag = splitKeyValue(option, operand);
            if (!tag) return Failure{tag.reason()};
            const auto field = tagFieldNamed(tag->first);
            if (!field)
                return Failure{"--tag: no tag is named '" + tag->first + "' (the names: " + fieldNames() +
                               ")"};
            edits.values[*field] = tag->second;
            return {};
        });
    if (!taken) return Failure{taken.reason()};
    return edits;
}
