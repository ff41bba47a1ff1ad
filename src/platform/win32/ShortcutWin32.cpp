#include <windows.h>
// After windows.h.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <memory>
#include <vector>

#include "platform/Shortcut.h"
#include "platform/win32/WinText.h"

namespace platform {

namespace {

struct ReleaseInterface {
    void operator()(IUnknown* object) const { object->Release(); }
};
// One reference to a COM interface, released once by its owner.
template <typename T>
using ComRef = std::unique_ptr<T, ReleaseInterface>;

// COM for the length of a call. A thread that has none gets an apartment that is taken down again; a
// thread already in the other mode keeps it, and the shell link object works in either.
class ComScope {
public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        // S_FALSE (already initialised the same way) counts too and is balanced here.
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT result_;
};

// Without a window the resolver shows nothing and gives up searching for a moved target after this long.
constexpr DWORD kResolveTimeoutMs = 1000;
// The longest path Windows knows, with its terminator: a long target comes back whole.
constexpr int kPathChars = 32768;

}  // namespace

std::optional<std::string> resolveShortcut(const std::string& path) {
    const ComScope com;
    if (!com.usable()) return std::nullopt;

    IShellLinkW* rawLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&rawLink)))) {
        return std::nullopt;
    }
    const ComRef<IShellLinkW> link(rawLink);
    IPersistFile* rawFile = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile))))
        return std::nullopt;
    const ComRef<IPersistFile> file(rawFile);

    // Read-only: resolving never rewrites the user's shortcut.
    if (FAILED(file->Load(win32::widen(path).c_str(), STGM_READ))) return std::nullopt;
    if (FAILED(link->Resolve(nullptr, SLR_UPDATE | SLR_NO_UI | (kResolveTimeoutMs << 16))))
        return std::nullopt;

    // The target as stored: no expansion of environment variables, no short names.
    std::vector<wchar_t> target(kPathChars, L'\0');
    if (FAILED(link->GetPath(target.data(), kPathChars, nullptr, SLGP_RAWPATH))) return std::nullopt;
    target.back() = L'\0';
    // A shortcut whose text cannot all be read is damaged; it is not followed.
    wchar_t description[INFOTIPSIZE] = {};
    if (FAILED(link->GetDescription(description, INFOTIPSIZE))) return std::nullopt;

    std::string resolved = win32::narrow(target.data());
    if (resolved.empty()) return std::nullopt;  // a shortcut to something that is not a file
    return resolved;
}

}  // namespace platform
