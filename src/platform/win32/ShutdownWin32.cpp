#include <windows.h>

#include "platform/Shutdown.h"
#include "platform/win32/Handle.h"

namespace platform {

namespace {

uint32_t lastErrorOr(DWORD fallback) {
    const DWORD error = GetLastError();
    return error != 0 ? error : fallback;
}

class WindowsShutdown final : public Shutdown {
public:
    uint32_t shutDownSystem() override {
        win32::Handle token;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.out())) {
            return lastErrorOr(ERROR_ACCESS_DENIED);
        }
        TOKEN_PRIVILEGES privileges{};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (!LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) ||
            !AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr)) {
            return lastErrorOr(ERROR_ACCESS_DENIED);
        }
        if (!ExitWindowsEx(EWX_SHUTDOWN, SHTDN_REASON_FLAG_PLANNED | SHTDN_REASON_MAJOR_SOFTWARE)) {
            return lastErrorOr(ERROR_ACCESS_DENIED);
        }
        return 0;
    }
};

}  // namespace

Shutdown& systemShutdown() {
    static WindowsShutdown shutdown;
    return shutdown;
}

}  // namespace platform
