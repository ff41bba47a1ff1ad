#include "cli/SettingOptions.h"

#include <charconv>

#include "engine/NamePattern.h"
#include "platform/UserSettingsStore.h"
#include "settings/Settings.h"

namespace {

std::optional<int32_t> parseId(const std::string& text) {
    int32_t id = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return id;
}

}  // namespace

Result<> takeOptions(std::vector<std::string>& args, std::initializer_list<const char*> names,
                     const TakeOption& take) {
    std::vector<std::string> rest;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") break;
        std::optional<std::string> operand;
        std::string option;
        for (const char* name : names) {
            if (arg == name) {
                if (i + 1 >= args.size()) return Failure{std::string(name) + " needs a value"};
                option = name;
                operand = args[++i];
            } else if (arg.starts_with(std::string(name) + "=")) {
                option = name;
                operand = arg.substr(std::string(name).size() + 1);
            }
        }
        if (!operand) {
            rest.push_back(arg);
            continue;
        }
        if (Result<> taken = take(option, *operand); !taken) return taken;
    }
    rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    args = std::move(rest);
    return {};
}

Result<std::pair<std::string, std::string>> splitKeyValue(const std::string& name,
                                                          const std::string& operand) {
    const size_t eq = operand.find('=');
    if (eq == std::string::npos || eq == 0) return Failure{name + " takes NAME=VALUE, not '" + operand + "'"};
    return std::pair(operand.substr(0, eq), operand.substr(eq + 1));
}

Result<SettingOptions> takeSettingOptions(std::vector<std::string>& args) {
    SettingOptions options;
    const Result<> taken = takeOptions(
        args, {"--set", "--format"}, [&](const std::string& option, const std::string& operand) -> Result<> {
            if (option == "--set") {
                Result<std::pair<std::string, std::string>> set = splitKeyValue(option, operand);
                if (!set) return Failure{set.reason()};
                options.sets.push_back(set.take());
                return {};
            }
            const auto id = parseId(operand);
            if (!id)
                return Failure{"--format takes a format id (see melodrift-cli formats), not '" + operand +
                               "'"};
            options.formatId = *id;
            return {};
        });
    if (!taken) return Failure{taken.reason()};
    return options;
}

Result<LoadedSettings> loadSettingsWithOptions(const SettingOptions& options,
                                               std::unique_ptr<SettingsStore> store) {
    LoadedSettings out;
    out.store = store ? std::move(store) : platform::openUserSettingsStore();
    out.catalogue = std::make_unique<Catalogue>();
    out.settings = defaultSettings();
    loadSettings(*out.store, out.settings, *out.catalogue);
    for (const auto& [name, value] : options.sets)
        if (Result<> applied = applySetting(out.settings, *out.catalogue, name, value); !applied)
            return Failure{applied.reason()};
    // Every job would fail on it: one clear message before any starts.
    if (const auto error = namePatternError(out.settings.OutputNamePattern))
        return Failure{"OutputNamePattern: " + *error};
    if (options.formatId) {
        out.format = out.catalogue->findById(*options.formatId);
        if (!out.format) return Failure{"no output format has the id " + std::to_string(*options.formatId)};
    } else {
        out.format = out.catalogue->findById(static_cast<int32_t>(out.settings.OutputFormat));
    }
    return out;
}

Result<SourceCommand> openSourceCommand(const std::string& name, std::vector<std::string> args) {
    Result<SettingOptions> options = takeSettingOptions(args);
    if (!options) return Failure{options.reason()};
    if (!args.empty() && args.front() == "--") args.erase(args.begin());
    if (args.empty()) return Failure{name + " needs at least one SOURCE"};
    Result<LoadedSettings> loaded = loadSettingsWithOptions(*options);
    if (!loaded) return Failure{loaded.reason()};
    return SourceCommand{std::move(args), loaded.take()};
}
