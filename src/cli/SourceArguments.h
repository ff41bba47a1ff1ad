// Source paths given on the command line.
#pragma once

#include <string>

namespace cli {

// The transcoder runs in the program's folder, so a relative source is made absolute against the
// current folder first. An empty or unresolvable path is returned unchanged.
std::string absoluteSourcePath(const std::string& path);

}  // namespace cli
