#include <shlobj.h>
#include <windows.h>

#include "platform/KnownFolders.h"
#include "platform/win32/WinText.h"

namespace platform {

std::string documentsFolder(bool create) {
    PWSTR path = nullptr;
    const HRESULT hr = SHGetKnownFolderPath(
        FOLDERID_Documents, create ? static_cast<DWORD>(KF_FLAG_CREATE) : DWORD{0}, nullptr, &path);
    std::string folder;
    if (SUCCEEDED(hr) && path) folder = win32::narrow(path);
    CoTaskMemFree(path);  // also required after a failure
    return folder;
}

}  // namespace platform
