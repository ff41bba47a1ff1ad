#include "ui/MainDialog.h"

#include <commdlg.h>
#include <shellapi.h>

#include <commctrl.h>

#include "engine/ListRunSources.h"
#include "engine/Probe.h"
#include "engine/Transcoder.h"
#include "engine/win32/WindowPostingSink.h"
#include "platform/Files.h"
#include "platform/KnownFolders.h"
#include "platform/Product.h"
#include "platform/Shortcut.h"
#include "platform/win32/WinShell.h"
#include "platform/win32/WinText.h"
#include "resources/resource.h"
#include "settings/CustomFormatsStore.h"
#include "settings/Settings.h"
#include "ui/AboutBox.h"
#include "ui/BusyWindow.h"
#include "ui/COptSheet.h"
#include "ui/CountdownWindow.h"
#include "ui/CustomFormatsWindow.h"
#include "ui/FileListView.h"
#include "ui/ProgressWindow.h"
#include "ui/SkinButton.h"
#include "ui/logic/HyperLinkLogic.h"
#include "ui/logic/MainWindowLogic.h"

using platform::win32::narrow;
using platform::win32::widen;

namespace {

constexpr int kWindowWidth = 950;
constexpr int kWindowHeight = 650;
constexpr int kStatusColumnWideWidth = 500;

struct Placement {
    int id;
    RECT rect;  // left, top, width, height
};
constexpr Placement kPlacements[] = {
    {IDC_ADD_FILES, {11, 72, 107, 27}},       {IDC_ADD_FOLDER, {11, 117, 107, 27}},
    {IDC_ADD_DVD, {11, 163, 107, 27}},        {IDC_REMOVE_ALL, {11, 208, 107, 27}},
    {IDC_CONVERT_ALL, {11, 254, 107, 27}},    {IDC_CONVERT_ALL_TO_ONE, {11, 299, 107, 27}},
    {IDC_OUTPUT_FORMAT, {11, 338, 107, 400}}, {IDC_OPTIONS, {11, 380, 107, 27}},
    {IDC_HOMEPAGE, {9, 618, 113, 20}},        {IDC_HELP_BUTTON, {867, 11, 21, 21}},
    {IDC_MINIMIZE, {893, 11, 21, 21}},        {IDC_CLOSE, {918, 11, 21, 21}},
    {IDC_FILE_LIST, {137, 63, 803, 575}},
};

struct Tip {
    int id;
    const wchar_t* text;
};
constexpr Tip kTips[] = {
    {IDC_ADD_FILES, L"Add files"},
    {IDC_ADD_FOLDER, L"Add files from a folder"},
    {IDC_ADD_DVD, L"Add DVD video from a drive or folder"},
    {IDC_REMOVE_ALL, L"Remove all files in list"},
    {IDC_CONVERT_ALL, L"Convert all files"},
    {IDC_CONVERT_ALL_TO_ONE, L"Convert all files and combine to one file"},
    {IDC_OPTIONS, L"Options"},
    {IDC_OUTPUT_FORMAT, L"Output format"},
    {IDC_HOMEPAGE, L"Visit Melodrift Homepage"},
    {IDC_HELP_BUTTON, L"Help"},
    {IDC_MINIMIZE, L"Minimize"},
    {IDC_CLOSE, L"Close"},
};

constexpr int kTextButtons[] = {IDC_ADD_FILES,   IDC_ADD_FOLDER,         IDC_ADD_DVD, IDC_REMOVE_ALL,
                                IDC_CONVERT_ALL, IDC_CONVERT_ALL_TO_ONE, IDC_OPTIONS};

platform::PromptIcon promptIcon(MessageIcon icon) {
    return icon == MessageIcon::kInformation ? platform::PromptIcon::kInformation
                                             : platform::PromptIcon::kWarning;
}

}  // namespace

MainDialog::MainDialog(const MainServices& services) : services_(services) {
    settings_ = defaultSettings(platform::documentsFolder(false));
}

MainDialog::~MainDialog() {
    if (window_ != nullptr) DestroyWindow(window_);
    if (background_ != nullptr) DeleteObject(background_);
    if (menus_ != nullptr) DestroyMenu(menus_);
}

void MainDialog::run() {
    modal_ = true;
    if (open() == nullptr) return;
    MSG msg;
    while (window_ != nullptr && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (preTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

HWND MainDialog::open() {
    CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, dialogProc,
                       reinterpret_cast<LPARAM>(this));
    if (window_ != nullptr) ShowWindow(window_, SW_SHOW);
    return window_;
}

void MainDialog::close() {
    if (window_ != nullptr) DestroyWindow(window_);
}

bool MainDialog::preTranslate(MSG& msg) {
    if (window_ == nullptr) return false;
    if (tooltip_ != nullptr) SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
    // The key table works only while the window itself takes input (not during a run or a batch).
    const bool ours = msg.hwnd == window_ || IsChild(window_, msg.hwnd);
    if (ours && IsWindowEnabled(window_) && keys_ != nullptr && TranslateAcceleratorW(window_, keys_, &msg))
        return true;
    if (progress_ && progress_->handle() != nullptr && IsDialogMessageW(progress_->handle(), &msg))
        return true;
    return IsDialogMessageW(window_, &msg) != FALSE;
}

INT_PTR CALLBACK MainDialog::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<MainDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->window_ = window;
        self->onInit();
        return TRUE;
    }
    auto* self = reinterpret_cast<MainDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr) return FALSE;
    const INT_PTR result = self->handle(message, wParam, lParam);
    if (message == WM_NCDESTROY) self->window_ = nullptr;
    return result;
}

void MainDialog::onInit() {
    loadSettings(*services_.store, settings_, catalogue_);
    groups_ = loadCustomFormats(*services_.store);

    SetWindowLongPtrW(window_, GWL_STYLE,
                      GetWindowLongPtrW(window_, GWL_STYLE) | WS_SYSMENU | WS_MINIMIZEBOX);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    SendMessageW(
        window_, WM_SETICON, ICON_BIG,
        reinterpret_cast<LPARAM>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON, 32, 32, 0)));
    SendMessageW(
        window_, WM_SETICON, ICON_SMALL,
        reinterpret_cast<LPARAM>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON, 16, 16, 0)));
    background_ = static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    SetWindowTextW(window_, L"Melodrift");
    menus_ = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MENUS));
    keys_ = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_KEYS));

    placeControls();
    view_ = std::make_unique<FileListView>(list_, GetDlgItem(window_, IDC_FILE_LIST));
    sink_ = std::make_unique<WindowPostingSink>(window_);
    adder_ = std::make_unique<SourceAdder>(list_, settings_, *this);
    adder_->setShortcutResolver(platform::resolveShortcut);
    runSources_ = std::make_unique<ListRunSources>(list_, *this);
    styleControls();
    fillFormatList();
    DragAcceptFiles(window_, TRUE);
    if (takeFirstRun(*services_.store)) openHelp();
}

void MainDialog::placeControls() {
    RECT outer;
    GetWindowRect(window_, &outer);
    if (outer.right - outer.left != kWindowWidth || outer.bottom - outer.top != kWindowHeight) {
        SetWindowPos(window_, nullptr, 0, 0, kWindowWidth, kWindowHeight, SWP_NOMOVE | SWP_NOZORDER);
        for (const Placement& p : kPlacements) {
            MoveWindow(GetDlgItem(window_, p.id), p.rect.left, p.rect.top, p.rect.right, p.rect.bottom,
                       FALSE);
        }
    }
    // Centred on the screen's work area.
    RECT area;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    SetWindowPos(window_, nullptr, area.left + (area.right - area.left - kWindowWidth) / 2,
                 area.top + (area.bottom - area.top - kWindowHeight) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void MainDialog::styleControls() {
    const auto button = [&](int id) -> ui::SkinButton& {
        buttons_.push_back(std::make_unique<ui::SkinButton>());
        buttons_.back()->attach(window_, id);
        buttons_.back()->setBackgroundSource(background_, false);
        return *buttons_.back();
    };
    for (int id : kTextButtons) {
        ui::SkinButton& b = button(id);
        b.setFont({"Tahoma", -11, true, false}, false);
        b.setHighlight(true, false);
    }
    const std::pair<int, int> iconButtons[] = {
        {IDC_HELP_BUTTON, IDI_HELP}, {IDC_MINIMIZE, IDI_MINIMIZE}, {IDC_CLOSE, IDI_CLOSE}};
    for (const auto& [id, icon] : iconButtons) {
        ui::SkinButton& b = button(id);
        b.setIcons(icon, -1, false, false);
        b.setCursor(IDC_HAND_CURSOR);
        b.setShowText(false, false);
        b.setHighlight(true, false);
    }
    // The homepage link shows the web site's host name; its tooltip says where it goes.
    SetDlgItemTextW(window_, IDC_HOMEPAGE, widen(product::kHost).c_str());
    ui::SkinButton& link = button(IDC_HOMEPAGE);
    link.setDrawBorder(false, false);
    link.setFont({"Tahoma", -11, true, true}, false);
    link.setTextColors(ui::rgb(0, 0, 255), ui::rgb(255, 0, 0), false);
    link.setCursor(IDC_HAND_CURSOR);

    tooltip_ =
        CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
    for (const Tip& tip : kTips) {
        TTTOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = window_;
        info.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(window_, tip.id));
        info.lpszText = const_cast<wchar_t*>(tip.text);
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
    SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_INITIAL, 300);
    SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
}

void MainDialog::fillFormatList() {
    formats_ = std::make_unique<FormatChoice>(catalogue_, groups_);
    const HWND combo = GetDlgItem(window_, IDC_OUTPUT_FORMAT);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const FormatChoice::Entry& entry : formats_->entries())
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(entry.label).c_str()));
    SendMessageW(combo, CB_SETDROPPEDWIDTH, 270, 0);
    showFormatSelection();
}

void MainDialog::showFormatSelection() {
    const size_t index = formats_->select(settings_.OutputFormat);
    SendDlgItemMessageW(window_, IDC_OUTPUT_FORMAT, CB_SETCURSEL, index, 0);
}

void MainDialog::onFormatChanged() {
    const LRESULT index = SendDlgItemMessageW(window_, IDC_OUTPUT_FORMAT, CB_GETCURSEL, 0, 0);
    const size_t picked = index == CB_ERR ? FormatChoice::kNoEntry : static_cast<size_t>(index);
    switch (formats_->pick(picked, settings_.OutputFormat)) {
        case FormatChoice::Action::kCustomize:
            if (auto groups = ui::editCustomFormats(window_, catalogue_, groups_, *services_.prompts)) {
                groups_ = std::move(*groups);
                saveCustomFormats(*services_.store, groups_);
                fillFormatList();  // the groups' entries anew, the setting's entry selected
                return;
            }
            break;
        case FormatChoice::Action::kVideo:
            if (services_.prompts->show(window_, kVideoEntryMessage, platform::PromptIcon::kInformation,
                                        platform::PromptButtons::kOkCancel) == platform::PromptAnswer::kOk)
                services_.shell->openDocument(kVideoConverterPage, platform::kShowNormal);
            break;
        case FormatChoice::Action::kNone:
            return;
    }
    showFormatSelection();
}

INT_PTR MainDialog::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND: {
            const HDC dc = reinterpret_cast<HDC>(wParam);
            const HDC memory = CreateCompatibleDC(dc);
            const HGDIOBJ old = SelectObject(memory, background_);
            BitBlt(dc, 0, 0, kWindowWidth, kWindowHeight, memory, 0, 0, SRCCOPY);
            SelectObject(memory, old);
            DeleteDC(memory);
            SetWindowLongPtrW(window_, DWLP_MSGRESULT, 1);
            return TRUE;
        }
        case WM_LBUTTONDOWN:
            // No caption: the background drags the window.
            ReleaseCapture();
            SendMessageW(window_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_OUTPUT_FORMAT) {
                if (HIWORD(wParam) == CBN_SELCHANGE) onFormatChanged();
                return TRUE;
            }
            if (HIWORD(wParam) <= 1) onCommand(LOWORD(wParam));  // menus, keys and button clicks
            return TRUE;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            LRESULT result = 0;
            if (view_ && view_->onNotify(header, &result)) {
                SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
                return TRUE;
            }
            if (view_ && header.hwndFrom == view_->handle() && header.code == NM_DBLCLK) {
                onCommand(ID_PLAY_SOURCE);
                return TRUE;
            }
            return FALSE;
        }
        case WM_CONTEXTMENU:
            onContextMenu(reinterpret_cast<HWND>(wParam), lParam);
            return TRUE;
        case WM_INITMENUPOPUP:
            onInitMenu(reinterpret_cast<HMENU>(wParam));
            return TRUE;
        case WM_DROPFILES:
            onDrop(reinterpret_cast<HDROP>(wParam));
            return TRUE;
        case kWmConvertProgress: {
            auto report = WindowPostingSink::takeProgress(lParam);
            if (run_) run_->onProgress(std::move(report));
            return TRUE;
        }
        case kWmConvertDone: {
            auto report = WindowPostingSink::takeDone(lParam);
            if (run_) run_->onDone(std::move(report));
            return TRUE;
        }
        case WM_RUN_SET_PRIORITY:
            if (run_) run_->setPriority(static_cast<uint32_t>(wParam));
            return TRUE;
        case WM_RUN_SET_THREADS:
            if (run_) run_->setThreads(static_cast<uint32_t>(wParam));
            return TRUE;
        case WM_RUN_CANCEL:
            if (run_) run_->cancel();
            return TRUE;
        case WM_CLOSE:
            DestroyWindow(window_);
            return TRUE;
        case WM_DESTROY:
            onDestroy();
            return TRUE;
        case WM_NCDESTROY:
            if (modal_) PostQuitMessage(0);
            return FALSE;
        default:
            return FALSE;
    }
}

void MainDialog::onCommand(UINT id) {
    switch (id) {
        case IDOK:
        case IDCANCEL:
            return;  // Enter and Escape do nothing: the window closes only by its Close button or Alt+F4
        case command::kConvertSelected:
            return convert(true, false);
        case command::kConvertAll:
            return convert(false, false);
        case command::kConvertSelectedToOne:
            return convert(true, true);
        case command::kConvertAllToOne:
            return convert(false, true);
        case command::kPlaySource:
        case command::kBrowseSource:
            return openPath(sourceToOpen(list_), id == command::kBrowseSource);
        case command::kPlayDestination:
        case command::kBrowseDestination:
            return openPath(destinationToOpen(list_), id == command::kBrowseDestination);
        case command::kAddFiles:
            return addFiles();
        case command::kAddFolder:
            return addFolder();
        case command::kAddDvd:
            return addDvd();
        case command::kRemove:
            return list_.removeSelected();
        case command::kRemoveAll:
            return list_.removeAll();
        case command::kSelectedLength:
        case command::kAllLength: {
            const auto text =
                id == command::kAllLength ? list_.allLengthMessage() : list_.selectedLengthMessage();
            if (text) services_.prompts->show(window_, *text, platform::PromptIcon::kInformation);
            return;
        }
        case command::kMoveUp:
            return list_.moveUp();
        case command::kMoveDown:
            return list_.moveDown();
        case command::kSelectAll:
            list_.selectAll();
            SetFocus(view_->handle());
            return;
        case ID_HELP_TOPICS:
            return openHelp();
        case IDC_OPTIONS: {
            const ui::OptionsOutcome outcome = ui::COptSheet::run(
                window_, settings_, catalogue_, *services_.store, *services_.shell, *services_.prompts);
            if (!outcome.accepted) return;
            if (outcome.audioIndexChanged) list_.rechooseStreams(settings_.RequestAudioIndex);
            showFormatSelection();
            return;
        }
        case IDC_HOMEPAGE:
        case ID_HOMEPAGE:
        case ID_TELL_A_FRIEND:
        case ID_FEEDBACK:
        case ID_CHECK_UPDATES: {
            const intptr_t result = services_.shell->openDocument(
                webCommandTarget(id == IDC_HOMEPAGE ? ID_HOMEPAGE : id, MELODRIFT_VERSION),
                platform::kShowNormal);
            if (result <= 32)
                services_.prompts->show(window_, ui::openFailureText(result), platform::PromptIcon::kWarning);
            return;
        }
        case IDC_ABOUT:
            ui::AboutBox(*services_.shell, services_.programFolder + kTranscoderFileName).run(window_);
            return;
        case IDC_HELP_BUTTON: {
            RECT rect;
            GetWindowRect(GetDlgItem(window_, IDC_HELP_BUTTON), &rect);
            TrackPopupMenu(GetSubMenu(menus_, 1), TPM_LEFTALIGN | TPM_TOPALIGN, rect.left, rect.bottom, 0,
                           window_, nullptr);
            return;
        }
        case IDC_MINIMIZE:
            PostMessageW(window_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            return;
        case IDC_CLOSE:
            PostMessageW(window_, WM_CLOSE, 0, 0);
            return;
        default:
            if (id >= command::kFirstStream && id <= command::kLastStream) list_.chooseStream(id);
            return;
    }
}

void MainDialog::onContextMenu(HWND from, LPARAM lParam) {
    if (from != view_->handle()) return;
    const HMENU menu = GetSubMenu(menus_, 0);
    // The stream submenu is rebuilt for the focused selected row each time.
    const HMENU streams = GetSubMenu(menu, 0);
    while (GetMenuItemCount(streams) > 0) DeleteMenu(streams, 0, MF_BYPOSITION);
    for (const MenuEntry& entry : list_.streamMenu()) {
        UINT flags = MF_STRING | (entry.enabled ? MF_ENABLED : MF_GRAYED) | (entry.checked ? MF_CHECKED : 0u);
        AppendMenuW(streams, flags, entry.id, widen(entry.text).c_str());
        if (entry.checked) CheckMenuRadioItem(streams, entry.id, entry.id, entry.id, MF_BYCOMMAND);
    }
    const POINT at = view_->contextMenuPoint(lParam);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
}

void MainDialog::onInitMenu(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT id = GetMenuItemID(menu, i);
        if (id == static_cast<UINT>(-1) || id == 0) continue;  // submenus and separators
        if (id >= command::kFirstStream && id <= command::kLastStream) continue;
        EnableMenuItem(menu, id, MF_BYCOMMAND | (list_.isCommandEnabled(id) ? MF_ENABLED : MF_GRAYED));
    }
}

void MainDialog::onDrop(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        DragQueryFileW(drop, i, path.data(), length + 1);
        path.resize(length);
        paths.push_back(narrow(path));
    }
    DragFinish(drop);
    addDropped(paths);
}

void MainDialog::addDropped(const std::vector<std::string>& paths) { adder_->addDropped(paths); }

void MainDialog::addFiles() {
    const HCURSOR old = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    const auto answer = services_.shell->chooseFile(addFilesRequest(settings_, window_));
    SetCursor(old);
    if (answer) adder_->addChosenFiles(*answer);
}

std::optional<std::string> MainDialog::chooseFolder(const char* title, const std::string& start) {
    platform::FolderDialogRequest request;
    request.owner = window_;
    request.title = title;
    request.initialFolder = start;
    return services_.shell->chooseFolder(request);
}

void MainDialog::addFolder() {
    if (const auto folder = chooseFolder("Please choose a folder:", settings_.Folder))
        adder_->addFolder(*folder);
}

void MainDialog::addDvd() {
    const auto folder = chooseFolder("Please choose a DVD drive or folder:", settings_.DVDFolder);
    if (!folder) return;
    const HCURSOR old = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    adder_->addDvd(*folder);
    SetCursor(old);
}

void MainDialog::convert(bool selectedOnly, bool joinIntoOne) {
    if (run_ && (run_->isActive() || run_->awaitsReports())) return;
    run_ = std::make_unique<ConversionRun>(settings_, catalogue_, *runSources_, *this, *sink_);
    run_->start(selectedOnly, joinIntoOne, formats_->runChoice(settings_.OutputFormat, groups_));
}

void MainDialog::openPath(const std::optional<std::string>& path, bool browse) {
    if (!path) return;
    if (browse) {
        services_.shell->showInExplorer(*path);
    } else {
        services_.shell->openDocument(*path, platform::kShowNormal);
    }
}

void MainDialog::openHelp() {
    if (const HWND help = FindWindowW(nullptr, L"Melodrift Help")) {
        if (IsIconic(help)) ShowWindow(help, SW_RESTORE);
        SetForegroundWindow(help);
        return;
    }
    // A copy of the program without its help file (or without a viewer for it) says so, rather than
    // leaving F1 without an answer.
    const std::string path = services_.programFolder + "mldrift.chm";
    const intptr_t result = services_.shell->openDocument(path, SW_SHOWMAXIMIZED);
    if (result <= 32)
        services_.prompts->show(
            window_, "The help file could not be opened:\n\n" + path + "\n\n" + ui::shellOpenReason(result),
            platform::PromptIcon::kWarning);
}

void MainDialog::onDestroy() {
    if (const HWND help = FindWindowW(nullptr, L"Melodrift Help")) PostMessageW(help, WM_CLOSE, 0, 0);
    if (run_ && run_->isActive()) run_->cancel();
    run_.reset();
    list_.removeAll();
    view_.reset();
    saveSettings(*services_.store, settings_, catalogue_, kSaveExitGroup);
    if (tooltip_ != nullptr) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
}

// ListHost.

std::unique_ptr<BusyIndicator> MainDialog::openBusy(const std::string& text) {
    return std::make_unique<ui::BusyWindow>(window_, text);
}

void MainDialog::setMainWindowEnabled(bool enabled) {
    EnableWindow(window_, enabled ? TRUE : FALSE);
    // A disabled window loses the keyboard focus: give it back, or the keys go nowhere until a click.
    if (enabled && view_) {
        view_->flushInserted();
        if (GetFocus() == nullptr) SetFocus(view_->handle());
    }
}

void MainDialog::pumpMessages() { platform::win32::pumpMessages(); }

void MainDialog::showMessage(const std::string& text, MessageIcon icon) {
    services_.prompts->show(window_, text, promptIcon(icon));
}

// RunHost.

void MainDialog::setStatus(SourceItem& item, const std::string& text) {
    list_.setStatus(list_.rowOf(item), text);
}

void MainDialog::scrollIntoView(int32_t row) {
    if (row >= 0) list_.scrollIntoView(static_cast<size_t>(row));
}

void MainDialog::widenStatusColumn() {
    if (statusWidened_) return;
    statusWidened_ = true;
    ListView_SetColumnWidth(view_->handle(), kColumnStatus, kStatusColumnWideWidth);
}

void MainDialog::openProgress(const ProgressSetup& setup) {
    progress_ = std::make_unique<ui::ProgressWindow>(*services_.shell);
    progress_->open(window_, setup);
}

void MainDialog::setProgressText(const std::string& text) {
    if (progress_) progress_->setText(text);
}

void MainDialog::setProgressFraction(double fraction) {
    if (progress_) progress_->setBarFraction(fraction);
}

void MainDialog::stepProgressBar() {
    if (progress_) progress_->stepBar();
}

void MainDialog::setProgressPercent(const std::string& text) {
    if (progress_) progress_->setPercent(text);
}

bool MainDialog::closeProgress() {
    if (!progress_) return false;
    const bool shutDown = progress_->close();
    progress_.reset();
    return shutDown;
}

void MainDialog::keepThreads(uint32_t threads) { settings_.ConversionThreads = threads; }

void MainDialog::keepPriority(uint32_t priorityClass) { settings_.ConversionPriority = priorityClass; }

std::optional<std::string> MainDialog::chooseJoinedOutput(const std::string& extension) {
    platform::FileDialogRequest request;
    request.owner = window_;
    request.open = false;
    request.filter = {{"*." + extension, "*." + extension}};
    request.defaultExtension = "." + extension;
    request.flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    const auto answer = services_.shell->chooseFile(request);
    if (!answer || answer->empty()) return std::nullopt;
    return answer->front();
}

void MainDialog::showInFileManager(const std::string& path) { services_.shell->showInExplorer(path); }

void MainDialog::startShutdownCountdown() {
    if (services_.shutdown == nullptr) return;
    ui::CountdownWindow countdown(*services_.shutdown, [this](const std::string& text) {
        services_.prompts->show(window_, text, platform::PromptIcon::kWarning);
    });
    countdown.run(window_);
}
