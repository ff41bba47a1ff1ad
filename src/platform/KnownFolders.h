// Folders the system keeps for the user.
#pragma once

#include <string>

namespace platform {

// The user's Documents folder without a trailing separator; empty when it is not known or does not exist.
// With create, a missing folder is created first. Windows: the known folder FOLDERID_Documents. POSIX:
// $XDG_DOCUMENTS_DIR when set to an absolute path, else $HOME/Documents.
std::string documentsFolder(bool create);

#ifndef _WIN32
// $HOME when it is an absolute path, else the password database's entry; empty when neither is known.
std::string homeFolder();
#endif

}  // namespace platform
