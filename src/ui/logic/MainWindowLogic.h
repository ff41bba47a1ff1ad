// What the main window's open and browse commands act on.
#pragma once

#include <optional>
#include <string>

class FileList;

// The source of the focused selected row when it exists: its path, or a DVD title's first VOB file.
std::optional<std::string> sourceToOpen(const FileList& list);
// The output the focused selected row's last run wrote, when it still exists.
std::optional<std::string> destinationToOpen(const FileList& list);

// What the help menu's web commands open: a mail to a friend or to support, the homepage, the update page
// with the running version; empty for other ids.
std::string webCommandTarget(unsigned commandId, const std::string& version);
