#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/Files.h"
#include "platform/KnownFolders.h"

namespace platform {

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') return pw->pw_dir;
    return {};
}

std::string documentsFolder(bool create) {
    std::string folder;
    if (const char* docs = std::getenv("XDG_DOCUMENTS_DIR"); docs && docs[0] == '/') {
        folder = docs;
    } else {
        const std::string home = homeFolder();
        if (home.empty()) return {};
        folder = home + (home.back() == '/' ? "" : "/") + "Documents";
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!ensureFolder(folder, create)) return {};
    return folder;
}

}  // namespace platform
