#include "ui/MainDialog.h"

#include <commctrl.h>

#include "engine/ListRunSources.h"
#include "engine/Loudness.h"
#include "engine/Probe.h"
#include "engine/RunMessages.h"
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
#include "ui/COptSheet.h"
#include "ui/CommandMenus.h"
#include "ui/CustomFormatsWindow.h"
#include "ui/FileListView.h"
#include "ui/MainWindowHosts.h"
#include "ui/SkinButton.h"
#include "ui/TagEditWindow.h"
#include "ui/logic/HyperLinkLogic.h"
#include "ui/logic/MainWindowLogic.h"

using platform::win32::narrow;
using platform::win32::widen;

namespace {

constexpr int kWindowWidth = 950;
constexpr int kWindowHeight = 650;
constexpr UINT_PTR kThrottleTimer = 0x4D54;
constexpr UINT kThrottleTickMs = 100;

enum class Look { kPlain, kTextButton, kIconButton, kLink };

// The window's controls in pixels over its 950 x 650 background (the template only declares them), with
// their tooltips and how they are drawn.
struct Control {
    int id;
    int left, top, width, height;
    const wchar_t* tip;
    Look look;
    int icon = 0;
};
constexpr Control kControls[] = {
    {ID_ADD_FILES, 11, 72, 107, 27, L"Add files", Look::kTextButton},
    {ID_ADD_FOLDER, 11, 117, 107, 27, L"Add files from a folder", Look::kTextButton},
    {ID_ADD_DVD, 11, 163, 107, 27, L"Add DVD video from a drive or folder", Look::kTextButton},
    {ID_REMOVE_ALL, 11, 208, 107, 27, L"Remove all files in list", Look::kTextButton},
    {ID_CONVERT_ALL, 11, 254, 107, 27, L"Convert all files", Look::kTextButton},
    {ID_CONVERT_ALL_TO_ONE, 11, 299, 107, 27, L"Convert all files and combine to one file",
     Look::kTextButton},
    {IDC_OUTPUT_FORMAT, 11, 338, 107, 400, L"Output format", Look::kPlain},  // 400: with its drop-down
    {ID_OPTIONS, 11, 380, 107, 27, L"Options", Look::kTextButton},
    {ID_HOMEPAGE, 9, 618, 113, 20, L"Visit Melodrift Homepage", Look::kLink},
    {ID_HELP_MENU, 867, 11, 21, 21, L"Help", Look::kIconButton, IDI_HELP},
    {ID_MINIMIZE, 893, 11, 21, 21, L"Minimize", Look::kIconButton, IDI_MINIMIZE},
    {ID_CLOSE, 918, 11, 21, 21, L"Close", Look::kIconButton, IDI_CLOSE},
    {IDC_FILE_LIST, 137, 63, 803, 575, nullptr, Look::kPlain},
};

ui::IconHandle loadIcon(int id, int size) {
    return ui::IconHandle(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
}

}  // namespace

// What each command does; a command id without a row does nothing (Enter and Escape among them: the
// window closes only by its Close button or Alt+F4).
struct MainDialog::Handler {
    UINT id;  // the first id of a range
    void (*run)(MainDialog& window, UINT id);
};

const MainDialog::Handler MainDialog::kHandlers[] = {
    {ID_CONVERT_SELECTED, [](MainDialog& w, UINT) { w.convert(true, false); }},
    {ID_CONVERT_ALL, [](MainDialog& w, UINT) { w.convert(false, false); }},
    {ID_CONVERT_SELECTED_TO_ONE, [](MainDialog& w, UINT) { w.convert(true, true); }},
    {ID_CONVERT_ALL_TO_ONE, [](MainDialog& w, UINT) { w.convert(false, true); }},
    {ID_PLAY_SOURCE, [](MainDialog& w, UINT) { w.openPath(sourceToOpen(w.list_), false); }},
    {ID_BROWSE_SOURCE, [](MainDialog& w, UINT) { w.openPath(sourceToOpen(w.list_), true); }},
    {ID_PLAY_DESTINATION, [](MainDialog& w, UINT) { w.openPath(destinationToOpen(w.list_), false); }},
    {ID_BROWSE_DESTINATION, [](MainDialog& w, UINT) { w.openPath(destinationToOpen(w.list_), true); }},
    {ID_ADD_FILES, [](MainDialog& w, UINT) { w.addFiles(); }},
    {ID_ADD_FOLDER, [](MainDialog& w, UINT) { w.addFolder(); }},
    {ID_ADD_DVD, [](MainDialog& w, UINT) { w.addDvd(); }},
    {ID_REMOVE, [](MainDialog& w, UINT) { w.list_.removeSelected(); }},
    {ID_REMOVE_ALL, [](MainDialog& w, UINT) { w.list_.removeAll(); }},
    {ID_SELECTED_LENGTH, [](MainDialog& w, UINT) { w.showLength(false); }},
    {ID_ALL_LENGTH, [](MainDialog& w, UINT) { w.showLength(true); }},
    {ID_MOVE_UP, [](MainDialog& w, UINT) { w.list_.moveUp(); }},
    {ID_MOVE_DOWN, [](MainDialog& w, UINT) { w.list_.moveDown(); }},
    {ID_SELECT_ALL,
     [](MainDialog& w, UINT) {
         w.list_.selectAll();
         SetFocus(w.view_->handle());
     }},
    {ID_SELECT_FAILED,
     [](MainDialog& w, UINT) {
         w.list_.selectFailed();
         SetFocus(w.view_->handle());
     }},
    {ID_EDIT_TAGS, [](MainDialog& w, UINT) { w.editTags(); }},
    {ID_ANALYZE_LOUDNESS, [](MainDialog& w, UINT) { w.analyzeLoudness(); }},
    {ID_FIRST_STREAM, [](MainDialog& w, UINT id) { w.list_.chooseStream(id); }},
    {ID_HELP_TOPICS, [](MainDialog& w, UINT) { w.openHelp(); }},
    {ID_TELL_A_FRIEND, [](MainDialog& w, UINT id) { w.openWebCommand(id); }},
    {ID_FEEDBACK, [](MainDialog& w, UINT id) { w.openWebCommand(id); }},
    {ID_HOMEPAGE, [](MainDialog& w, UINT id) { w.openWebCommand(id); }},
    {ID_CHECK_UPDATES, [](MainDialog& w, UINT id) { w.openWebCommand(id); }},
    {ID_ABOUT,
     [](MainDialog& w, UINT) {
         ui::AboutBox(*w.services_.shell, w.services_.programFolder + kTranscoderFileName).run(w.handle());
     }},
    {ID_OPTIONS, [](MainDialog& w, UINT) { w.openOptions(); }},
    {ID_HELP_MENU, [](MainDialog& w, UINT) { w.openHelpMenu(); }},
    {ID_MINIMIZE, [](MainDialog& w, UINT) { PostMessageW(w.handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0); }},
    {ID_CLOSE, [](MainDialog& w, UINT) { PostMessageW(w.handle(), WM_CLOSE, 0, 0); }},
};

MainDialog::MainDialog(const MainServices& services) : DialogWindow(nullptr), services_(services) {
    settings_ = defaultSettings(platform::documentsFolder(false));
}

// Destroyed while this object is whole, so that the window's end (settings saved, rows removed) runs.
MainDialog::~MainDialog() { destroy(); }

void MainDialog::run() {
    modal_ = true;
    if (open() == nullptr) return;
    MSG msg;
    while (isOpen() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (preTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

HWND MainDialog::open() {
    // The key table goes before the dialog keys, so this loop hands them on itself.
    if (createModeless(IDD_MAIN, nullptr, DialogKeys::kOwnLoop)) ShowWindow(handle(), SW_SHOW);
    return handle();
}

void MainDialog::close() { destroy(); }

bool MainDialog::preTranslate(MSG& msg) {
    const HWND window = handle();
    if (window == nullptr) return false;
    if (tooltip_) SendMessageW(tooltip_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
    // The key table works only while the window itself takes input (not during a run or a batch).
    const bool ours = msg.hwnd == window || IsChild(window, msg.hwnd);
    if (ours && IsWindowEnabled(window) && keys_ && TranslateAcceleratorW(window, keys_.get(), &msg))
        return true;
    const HWND progress = runHost_ ? runHost_->progressWindow() : nullptr;
    if (progress != nullptr && IsDialogMessageW(progress, &msg)) return true;
    return IsDialogMessageW(window, &msg) != FALSE;
}

void MainDialog::onInit() {
    loadSettings(*services_.store, settings_, catalogue_);
    groups_ = loadCustomFormats(*services_.store);

    const HWND window = handle();
    bigIcon_ = loadIcon(IDI_MAIN, 32);
    smallIcon_ = loadIcon(IDI_MAIN, 16);
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    background_.reset(
        static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BACKGROUND),
                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    SetWindowTextW(window, L"Melodrift");
    listMenu_ = ui::commandMenu(commands::Menu::kList);
    helpMenu_ = ui::commandMenu(commands::Menu::kHelp);
    keys_ = ui::commandKeys();

    placeControls();
    list_.applyColumnsSetting(settings_.ListColumns);
    view_ = std::make_unique<FileListView>(list_, item(IDC_FILE_LIST));
    listHost_ = std::make_unique<ui::MainListHost>(window, *view_, *services_.prompts);
    runHost_ = std::make_unique<ui::MainRunHost>(window, list_, *view_, *listHost_, settings_,
                                                 *services_.shell, *services_.prompts, services_.shutdown);
    throttledHost_ = std::make_unique<ThrottledRunHost>(*runHost_);
    sink_ = std::make_unique<WindowPostingSink>(window);
    adder_ = std::make_unique<SourceAdder>(list_, settings_, *listHost_);
    adder_->setShortcutResolver(platform::resolveShortcut);
    runSources_ = std::make_unique<ListRunSources>(list_, *listHost_);
    styleControls();
    fillFormatList();
    DragAcceptFiles(window, TRUE);
    if (takeFirstRun(*services_.store)) openHelp();
}

void MainDialog::placeControls() {
    for (const Control& c : kControls) MoveWindow(item(c.id), c.left, c.top, c.width, c.height, FALSE);
    // Centred on the screen's work area.
    RECT area;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    SetWindowPos(handle(), nullptr, area.left + (area.right - area.left - kWindowWidth) / 2,
                 area.top + (area.bottom - area.top - kWindowHeight) / 2, kWindowWidth, kWindowHeight,
                 SWP_NOZORDER);
}

void MainDialog::styleControls() {
    const HWND window = handle();
    tooltip_.reset(CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                                   GetModuleHandleW(nullptr), nullptr));
    // The homepage link shows the web site's host name; its tooltip says where it goes.
    setItemText(ID_HOMEPAGE, product::kHost);
    for (const Control& c : kControls) {
        if (c.look != Look::kPlain) {
            auto& b = *buttons_.emplace_back(std::make_unique<ui::SkinButton>());
            b.attach(window, c.id);
            b.setBackgroundSource(background_.get(), false);
            b.setHighlight(c.look != Look::kLink, false);
            if (c.look == Look::kTextButton) b.setFont({"Tahoma", -11, true, false}, false);
            if (c.look == Look::kIconButton) {
                b.setIcons(c.icon, -1, false, false);
                b.setShowText(false, false);
            }
            if (c.look == Look::kLink) {
                b.setDrawBorder(false, false);
                b.setFont({"Tahoma", -11, true, true}, false);
                b.setTextColors(ui::rgb(0, 0, 255), ui::rgb(255, 0, 0), false);
            }
            if (c.look != Look::kTextButton) b.setCursor(IDC_HAND_CURSOR);
        }
        if (c.tip == nullptr) continue;
        TTTOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = window;
        info.uId = reinterpret_cast<UINT_PTR>(item(c.id));
        info.lpszText = const_cast<wchar_t*>(c.tip);
        SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
    SendMessageW(tooltip_.get(), TTM_SETDELAYTIME, TTDT_INITIAL, 300);
    SendMessageW(tooltip_.get(), TTM_ACTIVATE, TRUE, 0);
}

void MainDialog::fillFormatList() {
    formats_ = std::make_unique<FormatChoice>(catalogue_, groups_);
    const HWND combo = item(IDC_OUTPUT_FORMAT);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const FormatChoice::Entry& entry : formats_->entries())
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(entry.label).c_str()));
    SendMessageW(combo, CB_SETDROPPEDWIDTH, 270, 0);
    showFormatSelection();
}

void MainDialog::showFormatSelection() {
    const size_t index = formats_->select(settings_.OutputFormat);
    SendMessageW(item(IDC_OUTPUT_FORMAT), CB_SETCURSEL, index, 0);
}

void MainDialog::onFormatChanged() {
    const LRESULT index = SendMessageW(item(IDC_OUTPUT_FORMAT), CB_GETCURSEL, 0, 0);
    const size_t picked = index == CB_ERR ? FormatChoice::kNoEntry : static_cast<size_t>(index);
    switch (formats_->pick(picked, settings_.OutputFormat)) {
        case FormatChoice::Action::kCustomize:
            if (auto groups = ui::editCustomFormats(handle(), catalogue_, groups_, *services_.prompts)) {
                groups_ = std::move(*groups);
                saveCustomFormats(*services_.store, groups_);
                fillFormatList();  // the groups' entries anew, the setting's entry selected
                return;
            }
            break;
        case FormatChoice::Action::kVideo:
            if (services_.prompts->show(handle(), kVideoEntryMessage, platform::PromptIcon::kInformation,
                                        platform::PromptButtons::kOkCancel) == platform::PromptAnswer::kOk)
                services_.shell->openDocument(kVideoConverterPage, platform::kShowNormal);
            break;
        case FormatChoice::Action::kNone:
            return;
    }
    showFormatSelection();
}

bool MainDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_INITDIALOG:
            onInit();
            return true;
        case WM_ERASEBKGND: {
            const auto dc = reinterpret_cast<HDC>(wParam);
            const ui::MemoryDc memory(CreateCompatibleDC(dc));
            const ui::SelectGuard picture(memory.get(), background_.get());
            BitBlt(dc, 0, 0, kWindowWidth, kWindowHeight, memory.get(), 0, 0, SRCCOPY);
            result = 1;
            return true;
        }
        case WM_LBUTTONDOWN:
            // No caption: the background drags the window.
            ReleaseCapture();
            SendMessageW(handle(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
            return true;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_OUTPUT_FORMAT) {
                if (HIWORD(wParam) == CBN_SELCHANGE) onFormatChanged();
            } else if (HIWORD(wParam) <= 1) {
                onCommand(LOWORD(wParam));  // menus, keys and button clicks
            }
            return true;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            LRESULT answer = 0;
            if (view_ && view_->onNotify(header, &answer)) {
                result = answer;
                return true;
            }
            if (view_ && header.hwndFrom == view_->handle() && header.code == NM_DBLCLK) {
                onCommand(ID_PLAY_SOURCE);
                return true;
            }
            return false;
        }
        case WM_CONTEXTMENU:
            onContextMenu(reinterpret_cast<HWND>(wParam), lParam);
            return true;
        case WM_INITMENUPOPUP:
            onInitMenu(reinterpret_cast<HMENU>(wParam));
            return true;
        case WM_DROPFILES:
            onDrop(reinterpret_cast<HDROP>(wParam));
            return true;
        case kWmConvertProgress: {
            auto report = WindowPostingSink::takeProgress(lParam);
            if (run_) run_->onProgress(std::move(report));
            return true;
        }
        case kWmConvertDone: {
            auto report = WindowPostingSink::takeDone(lParam);
            if (run_) run_->onDone(std::move(report));
            return true;
        }
        case WM_TIMER:
            if (wParam != kThrottleTimer) return false;
            throttledHost_->tick();
            if (!run_ || (!run_->isActive() && !run_->awaitsReports())) {
                throttledHost_->flush();
                KillTimer(handle(), kThrottleTimer);
            }
            return true;
        case kWmRunSetPriority:
            if (run_) run_->setPriority(static_cast<uint32_t>(wParam));
            return true;
        case kWmRunSetThreads:
            if (run_) run_->setThreads(static_cast<uint32_t>(wParam));
            return true;
        case kWmRunCancel:
            if (run_) run_->cancel();
            return true;
        case WM_DESTROY:
            onDestroy();
            return true;
        case WM_NCDESTROY:
            if (modal_) PostQuitMessage(0);
            return false;
        default:
            return false;  // WM_CLOSE among them: the window is destroyed
    }
}

void MainDialog::onCommand(UINT id) {
    const commands::Command* command = commands::find(id);
    const UINT first = command != nullptr ? command->id : id;
    for (const Handler& handler : kHandlers) {
        if (handler.id != first) continue;
        if (services_.beforeCommand && !services_.beforeCommand(id)) return;
        handler.run(*this, id);
        return;
    }
}

void MainDialog::openOptions() {
    const size_t focused = list_.focusedRow();
    const SourceItem* focusedRow = focused < list_.size() ? &list_.item(focused) : nullptr;
    const ui::OptionsOutcome outcome = ui::COptSheet::run(handle(), settings_, catalogue_, *services_.store,
                                                          *services_.shell, *services_.prompts, focusedRow);
    if (!outcome.accepted) return;
    if (outcome.audioIndexChanged) list_.rechooseStreams(settings_.RequestAudioIndex);
    showFormatSelection();
}

void MainDialog::openWebCommand(UINT id) {
    const intptr_t answer =
        services_.shell->openDocument(webCommandTarget(id, MELODRIFT_VERSION), platform::kShowNormal);
    if (answer <= 32)
        services_.prompts->show(handle(), ui::openFailureText(answer), platform::PromptIcon::kWarning);
}

void MainDialog::showLength(bool all) {
    const auto text = all ? list_.allLengthMessage() : list_.selectedLengthMessage();
    if (text) services_.prompts->show(handle(), *text, platform::PromptIcon::kInformation);
}

// The edits belong to the rows a run reads, so they wait until no run is going.
void MainDialog::editTags() {
    if ((run_ && (run_->isActive() || run_->awaitsReports())) || !list_.isCommandEnabled(ID_EDIT_TAGS))
        return;
    const std::vector<size_t> rows = list_.tagEditRows();
    std::vector<ui::TagEditDialog::Row> fields;
    for (const size_t row : rows) fields.push_back({list_.item(row).tags, list_.item(row).tagEdits});
    const auto edits = ui::editTags(handle(), std::move(fields));
    if (!edits) return;
    for (size_t i = 0; i < rows.size(); ++i) list_.setTagEdits(rows[i], (*edits)[i]);
}

// A run measures and reads the rows' loudness itself, so an analysis waits until no run is going.
void MainDialog::analyzeLoudness() {
    if ((run_ && (run_->isActive() || run_->awaitsReports())) || !list_.isCommandEnabled(ID_ANALYZE_LOUDNESS))
        return;
    const std::vector<size_t> rows = list_.loudnessRows();
    if (rows.empty()) return;
    std::vector<SourceItem*> items;
    for (const size_t row : rows) items.push_back(&list_.item(row));
    const OutputFormat* format = formats_ ? formats_->catalogueFormat(settings_.OutputFormat) : nullptr;
    listHost_->setMainWindowEnabled(false);
    {
        const std::unique_ptr<BusyIndicator> busy = listHost_->openBusy("");
        ::analyseLoudness(
            items, [format](const SourceItem&) { return format; }, settings_, /*oneAlbum*/ false, *busy,
            [&](size_t i, const std::string& error) {
                list_.loudnessMeasured(list_.rowOf(*items[i]), error);
            });
    }
    listHost_->setMainWindowEnabled(true);
    listHost_->pumpMessages();
}

void MainDialog::openHelpMenu() {
    RECT rect;
    GetWindowRect(item(ID_HELP_MENU), &rect);
    TrackPopupMenu(helpMenu_.get(), TPM_LEFTALIGN | TPM_TOPALIGN, rect.left, rect.bottom, 0, handle(),
                   nullptr);
}

void MainDialog::onContextMenu(HWND from, LPARAM lParam) {
    if (from != view_->handle()) return;
    // The stream submenu is rebuilt for the focused selected row each time.
    ui::fillMenu(GetSubMenu(listMenu_.get(), 0), list_.streamMenu());
    const POINT at = view_->contextMenuPoint(lParam);
    TrackPopupMenu(listMenu_.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, handle(),
                   nullptr);
}

void MainDialog::onInitMenu(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT id = GetMenuItemID(menu, i);
        const commands::Command* command = commands::find(id);
        // Submenus, separators, the streams and the header's columns are filled by their owners.
        if (command == nullptr || command->menu == commands::Menu::kNone || commands::isStream(id)) continue;
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
    const auto answer = services_.shell->chooseFile(addFilesRequest(settings_, handle()));
    SetCursor(old);
    if (answer) adder_->addChosenFiles(*answer);
}

std::optional<std::string> MainDialog::chooseFolder(const char* title, const std::string& start) {
    platform::FolderDialogRequest request;
    request.owner = handle();
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
    run_ = std::make_unique<ConversionRun>(settings_, catalogue_, *runSources_, *throttledHost_, *sink_);
    // The throttle passes on what waited even when no report comes for a while.
    SetTimer(handle(), kThrottleTimer, kThrottleTickMs, nullptr);
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
            handle(), "The help file could not be opened:\n\n" + path + "\n\n" + ui::shellOpenReason(result),
            platform::PromptIcon::kWarning);
}

void MainDialog::onDestroy() {
    if (const HWND help = FindWindowW(nullptr, L"Melodrift Help")) PostMessageW(help, WM_CLOSE, 0, 0);
    if (run_ && run_->isActive()) run_->cancel();
    run_.reset();
    list_.removeAll();
    settings_.ListColumns = list_.columnsSetting();
    saveSettings(*services_.store, settings_, catalogue_, kSaveExitGroup);
    tooltip_.reset();
}
