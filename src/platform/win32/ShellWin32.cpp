#include <windows.h>
// Windows headers in this order: shlobj needs the basics first.
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/win32/Handle.h"
#include "platform/win32/WinShell.h"
#include "platform/win32/WinText.h"

namespace platform {

using win32::narrow;
using win32::widen;

namespace win32 {

void setAlwaysOnTop(HWND window, bool on) {
    SetWindowPos(window, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void pumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::vector<std::string> splitDialogResult(const wchar_t* buffer, size_t size, bool multiSelect) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < size && buffer[i] != L'\0') {
        const size_t start = i;
        while (i < size && buffer[i] != L'\0') ++i;
        out.push_back(narrow(std::wstring_view(buffer + start, i - start)));
        if (!multiSelect) break;
        ++i;
    }
    return out;
}

}  // namespace win32

namespace {

// The default value of a key below HKEY_CLASSES_ROOT (at most 260 characters); none when it is missing.
std::optional<std::wstring> classesDefaultValue(const std::wstring& subKey) {
    win32::KeyHandle key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    wchar_t value[261] = {};
    DWORD bytes = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    const LSTATUS status =
        RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    value[std::min<size_t>(bytes / sizeof(wchar_t), 260)] = L'\0';
    return std::wstring(value);
}

// Starts a command line (program and arguments in one text), wide so that any name survives. Above 32 on
// success, as openDocument promises; otherwise the error code, or ERROR_BAD_FORMAT when that is not below 32.
intptr_t startCommandLine(const std::wstring& commandLine, int showCommand) {
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        const DWORD error = GetLastError();
        return error < 32 ? static_cast<intptr_t>(error) : ERROR_BAD_FORMAT;
    }
    const win32::Handle process(pi.hProcess), thread(pi.hThread);
    return 33;
}

int CALLBACK folderDialogCallback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data != 0) SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

class WindowsShell final : public Shell {
public:
    void showInExplorer(const std::string& path) override {
        const std::wstring parameters = L"/select,\"" + widen(path) + L"\"";
        ShellExecuteW(nullptr, L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
    }

    intptr_t openDocument(const std::string& target, int showCommand) override {
        const std::wstring wide = widen(target);
        const auto result = reinterpret_cast<intptr_t>(
            ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, showCommand));
        if (result > 32) return result;
        // No association for the target (a URL on a bare system): hand it to the web-page program.
        const auto pageClass = classesDefaultValue(L".htm");
        if (!pageClass || pageClass->empty()) return result;
        const auto command = classesDefaultValue(*pageClass + L"\\shell\\open\\command");
        if (!command) return result;
        return startCommandLine(widen(fallbackOpenCommand(narrow(*command), target)), showCommand);
    }

    std::optional<std::vector<std::string>> chooseFile(const FileDialogRequest& request) override {
        std::wstring filter;
        for (const auto& f : request.filter) {
            filter += widen(f.text);
            filter.push_back(L'\0');
            filter += widen(f.patterns);
            filter.push_back(L'\0');
        }
        filter.push_back(L'\0');
        const std::wstring initialName = widen(request.initialName);
        std::vector<wchar_t> buffer(std::max(request.bufferChars, initialName.size() + 1) + 1, L'\0');
        std::copy(initialName.begin(), initialName.end(), buffer.begin());
        const std::wstring folder = widen(request.initialFolder);
        // The dialog wants the default extension without its dot.
        std::string extension = request.defaultExtension;
        if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
        const std::wstring defaultExtension = widen(extension);

        OPENFILENAMEW ofn = {};
        ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
        ofn.hwndOwner = static_cast<HWND>(request.owner);
        ofn.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = buffer.data();
        ofn.nMaxFile = static_cast<DWORD>(buffer.size() - 1);
        ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
        ofn.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
        ofn.Flags = request.flags;
        auto show = [&] { return request.open ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn); };
        BOOL chosen = show();
        // A name the dialog cannot show (bad characters, too long) makes it fail at once: show it once more
        // with an empty name. A cancel by the user is a cancel.
        if (!chosen && buffer[0] != L'\0' && CommDlgExtendedError() != 0) {
            std::fill(buffer.begin(), buffer.end(), L'\0');
            chosen = show();
        }
        if (!chosen) return std::nullopt;
        auto paths = win32::splitDialogResult(buffer.data(), buffer.size(),
                                              (request.flags & OFN_ALLOWMULTISELECT) != 0);
        if (paths.empty()) return std::nullopt;
        return paths;
    }

    std::optional<std::string> chooseFolder(const FolderDialogRequest& request) override {
        PIDLIST_ABSOLUTE root = nullptr;
        if (request.fromComputer)
            SHGetSpecialFolderLocation(static_cast<HWND>(request.owner), CSIDL_DRIVES, &root);
        const std::wstring title = widen(request.title);
        const std::wstring initial = widen(request.initialFolder);
        BROWSEINFOW info = {};
        info.hwndOwner = static_cast<HWND>(request.owner);
        info.pidlRoot = root;
        info.lpszTitle = title.c_str();
        info.ulFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
        info.lpfn = folderDialogCallback;
        info.lParam = initial.empty() ? 0 : reinterpret_cast<LPARAM>(initial.c_str());
        PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
        if (root != nullptr) CoTaskMemFree(root);
        if (item == nullptr) return std::nullopt;
        wchar_t path[MAX_PATH + 1] = {};
        const BOOL hasPath = SHGetPathFromIDListW(item, path);
        CoTaskMemFree(item);
        if (!hasPath) return std::nullopt;
        return finishChosenFolder(narrow(path), request.maxChars);
    }
};

}  // namespace

Shell& systemShell() {
    static WindowsShell shell;
    return shell;
}

}  // namespace platform
