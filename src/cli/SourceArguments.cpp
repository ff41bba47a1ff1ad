#include "cli/SourceArguments.h"

#include <filesystem>

namespace cli {

std::string absoluteSourcePath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    const std::filesystem::path absolute =
        std::filesystem::absolute(std::filesystem::path(std::u8string(path.begin(), path.end())), ec);
    if (ec) return path;
    const std::u8string text = absolute.lexically_normal().u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace cli
