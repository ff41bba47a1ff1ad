// Shell shortcuts (.lnk files): where one points.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The target path stored in the shortcut at path, taken as written (no environment expansion) and
// resolved one step only: a shortcut to a shortcut gives the inner shortcut's path, so the caller
// follows chains and bounds them. The target may no longer exist; the caller checks. None for a file that
// is not a readable shortcut, for one with an empty target, and on systems without shell shortcuts (POSIX).
std::optional<std::string> resolveShortcut(const std::string& path);

}  // namespace platform
