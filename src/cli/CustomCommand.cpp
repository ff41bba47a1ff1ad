// melodrift-cli custom: the custom format groups in the user's settings store, listed, added and removed.
#include <algorithm>
#include <charconv>
#include <cstdio>

#include "cli/Cli.h"
#include "formats/Catalogue.h"
#include "formats/CustomFormats.h"
#include "platform/UserSettingsStore.h"
#include "settings/CustomFormatsStore.h"

namespace cli {

namespace {

constexpr const char* kUsage = "custom list | add NAME ID... | remove NAME";

void printGroup(const CustomOutputFormat& group, size_t position) {
    std::string ids;
    for (const int32_t id : group.ids) ids += (ids.empty() ? "" : ",") + std::to_string(id);
    std::printf("%d\t%s\t%s\n", customFormatId(position), group.name.c_str(), ids.c_str());
}

int failed(const std::string& message) {
    std::fprintf(stderr, "melodrift-cli: custom: %s\n", message.c_str());
    return 1;
}

std::optional<int32_t> parseId(const std::string& text) {
    int32_t id = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return id;
}

int runCustom(const std::vector<std::string>& args) {
    const std::string action = args.empty() ? std::string() : args.front();
    if (action == "list" && args.size() != 1) return usageError("custom list takes no arguments");
    if (action == "add" && args.size() < 3) return usageError("custom add needs NAME and at least one ID");
    if (action == "remove" && args.size() != 2) return usageError("custom remove needs one NAME");
    if (action != "list" && action != "add" && action != "remove")
        return usageError(std::string("usage: ") + kUsage);

    CustomOutputFormat added;
    if (action == "add") {
        // An empty name would end the stored list when it is next loaded, losing the groups after it.
        if (args[1].empty()) return usageError("custom add needs a name that is not empty");
        added.name = args[1];
        const Catalogue catalogue;
        for (size_t i = 2; i < args.size(); ++i) {
            const std::optional<int32_t> id = parseId(args[i]);
            if (!id || !catalogue.findById(*id))
                return usageError("'" + args[i] + "' is no format id (see melodrift-cli formats)");
            added.ids.push_back(*id);
        }
        // Catalogue order, each format once, as the group editor keeps them.
        std::sort(added.ids.begin(), added.ids.end());
        added.ids.erase(std::unique(added.ids.begin(), added.ids.end()), added.ids.end());
    }

    const auto store = platform::openUserSettingsStore();
    std::vector<CustomOutputFormat> groups = loadCustomFormats(*store);
    if (action == "list") {
        for (size_t i = 0; i < groups.size(); ++i) printGroup(groups[i], i);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (action == "add") {
        groups.push_back(std::move(added));
    } else {
        const auto it = std::find_if(groups.begin(), groups.end(),
                                     [&](const CustomOutputFormat& g) { return g.name == args[1]; });
        if (it == groups.end()) return failed("no custom format is named '" + args[1] + "'");
        groups.erase(it);
    }
    if (!saveCustomFormats(*store, groups)) return failed("the custom formats could not be saved");
    if (action == "add") printGroup(groups.back(), groups.size() - 1);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

const Registrar registrar("custom", kUsage, runCustom);

}  // namespace

}  // namespace cli
