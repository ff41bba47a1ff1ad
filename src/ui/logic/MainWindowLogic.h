// What the main window's open and browse commands act on.
#pragma once

#include <optional>
#include <string>

class FileList;

// The source of the focused selected row when it exists: its path, or a DVD title's first VOB file.
std::optional<std::string> sourceToOpen(const FileList& list);
// The output the focused selected row's last run wrote, when it still exists.
std::optional<std::string> destinationToOpen(const FileList& list);
