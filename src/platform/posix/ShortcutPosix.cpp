#include "platform/Shortcut.h"

namespace platform {

// POSIX file managers have no shell shortcuts; symbolic links are followed by the file system itself.
std::optional<std::string> resolveShortcut(const std::string&) { return std::nullopt; }

}  // namespace platform
