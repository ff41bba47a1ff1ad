#include "cli/SourceArguments.h"

#include "platform/Files.h"

namespace cli {

std::string absoluteSourcePath(const std::string& path) { return platform::fullPath(path); }

}  // namespace cli
