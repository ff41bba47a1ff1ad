// The main window for real under Wine: rows added through the model and by a drop, the list's texts,
// greying, the output-format list, a run started with F5 and a cancelled one.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>

#include "commands/Commands.h"
#include "engine/RunMessages.h"
#include "platform/MemorySettingsStore.h"
#include "platform/win32/WinText.h"
#include "resources/resource.h"
#include "support/PromptsRecorder.h"
#include "support/ShellRecorder.h"
#include "support/TestSupport.h"
#include "ui/CommandMenus.h"
#include "ui/MainDialog.h"

using namespace testing_support;
using platform::win32::narrow;
using platform::win32::widen;

namespace {

// Lets the window's messages run until the condition holds (or half a minute has passed).
template <typename Condition>
bool pumpUntil(MainDialog& dialog, Condition condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (dialog.preTranslate(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
    return true;
}

std::string cellText(HWND list, int row, int column) {
    wchar_t buffer[512] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 512;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return narrow(buffer);
}

void pressKey(MainDialog& dialog, WPARAM key, bool ctrl = false) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    const BYTE control = keys[VK_CONTROL];
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG msg{dialog.handle(), WM_KEYDOWN, key, 0, 0, {}};
    if (!dialog.preTranslate(msg)) DispatchMessageW(&msg);
    keys[VK_CONTROL] = control;
    SetKeyboardState(keys);
}

// The character after the '&' of a menu text.
wchar_t accessKey(const std::string& text) {
    const size_t at = text.find('&');
    return at == std::string::npos || at + 1 >= text.size() ? L'\0' : static_cast<wchar_t>(text[at + 1]);
}

// Types the characters into the next menu the window opens (they wait in the queue until its loop reads
// them), then two Escapes that leave any menu a character did not close.
void typeIntoMenu(HWND window, const std::vector<wchar_t>& characters) {
    for (const wchar_t c : characters) PostMessageW(window, WM_CHAR, c, 0);
    for (int i = 0; i < 2; ++i) PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
}

// A drop of files as the file manager makes it: a DROPFILES block with wide, null-separated paths.
void dropFiles(HWND window, const std::vector<std::string>& paths) {
    std::wstring names;
    for (const auto& p : paths) names += widen(p) + L'\0';
    names += L'\0';
    const HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(block);
    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
}

// Steps run one after another from a thread timer, inside whatever modal loop is running; a step returns
// false to be tried again on the next tick.
std::vector<std::function<bool()>>* steps = nullptr;
size_t nextStep = 0;
void CALLBACK runStep(HWND, UINT, UINT_PTR, DWORD) {
    if (steps != nullptr && nextStep < steps->size() && (*steps)[nextStep]()) ++nextStep;
}

void clickIn(HWND window, int id) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

void chooseFormat(HWND main, LRESULT index) {
    const HWND formats = GetDlgItem(main, IDC_OUTPUT_FORMAT);
    SendMessageW(formats, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_OUTPUT_FORMAT, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(formats));
}

class MainWindow : public ::testing::Test {
protected:
    TempDir dir;
    MemorySettingsStore store;
    ShellRecorder shell;
    testing_support::PromptsRecorder prompts;
    std::unique_ptr<MainDialog> dialog;
    HWND list = nullptr;
    // While holding, the commands that reach a handler are recorded and only the help button's runs.
    bool holding = false;
    std::vector<UINT> arrived;

    void SetUp() override {
        MainServices services{&store, &shell, &prompts, nullptr, binFolder(), [this](UINT id) {
                                  if (!holding) return true;
                                  arrived.push_back(id);
                                  return id == ID_HELP_MENU;
                              }};
        dialog = std::make_unique<MainDialog>(services);
        ASSERT_NE(dialog->open(), nullptr);
        list = GetDlgItem(dialog->handle(), IDC_FILE_LIST);
        dialog->settings().DestOutputFolderOpt = 199;
        prompts.texts.clear();  // the first start's help is not the subject here
        shell.opened.clear();
    }
    void TearDown() override { dialog->close(); }
};

}  // namespace

// Every command of the table arrives at its handler from each way the window offers it: its menu entry
// picked by its access key in the menu the user opens (the list's context menu, the Help button's menu),
// its key through the key table, its button's click.
TEST_F(MainWindow, EveryCommandArrivesFromItsMenuEntryKeyAndButton) {
    // One row for which every command is offered: selected, focused, with the output of a last run that
    // failed.
    ASSERT_TRUE(makeSineWav(dir.file("one.wav"), 1));
    dialog->adder().addBatch({dir.file("one.wav")});
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    dialog->list().item(0).outputPath = dir.file("one.mp3");
    dialog->list().item(0).failed = true;
    const HWND window = dialog->handle();
    // What the menu posted when it closed, and the Escapes it left.
    const auto settle = [&] {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (dialog->preTranslate(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    };
    holding = true;

    for (const commands::Command& command : commands::kCommands) {
        if (command.offered == commands::Offered::kNever) continue;
        const std::string name = command.menuText ? command.menuText : "#" + std::to_string(command.id);
        int ways = 0;
        if (command.menu == commands::Menu::kList) {
            ++ways;
            arrived.clear();
            std::vector<wchar_t> keys{accessKey(command.menuText)};
            if (commands::isStream(command.id))
                keys.push_back(accessKey(dialog->list().streamMenu()[0].text));
            typeIntoMenu(window, keys);
            SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
            settle();
            EXPECT_EQ(arrived, std::vector<UINT>{command.id}) << "list menu: " << name;
        }
        if (command.menu == commands::Menu::kHelp) {
            ++ways;
            arrived.clear();
            typeIntoMenu(window, {accessKey(command.menuText)});
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(ID_HELP_MENU, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(window, ID_HELP_MENU)));
            settle();
            EXPECT_EQ(arrived, (std::vector<UINT>{ID_HELP_MENU, command.id})) << "help menu: " << name;
        }
        if (command.key.virtualKey != 0) {
            ++ways;
            arrived.clear();
            pressKey(*dialog, command.key.virtualKey, command.key.ctrl);
            EXPECT_EQ(arrived, std::vector<UINT>{command.id}) << "key " << commands::keyText(command.key);
        }
        if (const HWND button = GetDlgItem(window, static_cast<int>(command.id))) {
            ++ways;
            arrived.clear();
            if (command.id == ID_HELP_MENU) typeIntoMenu(window, {});
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(command.id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(button));
            settle();
            EXPECT_EQ(arrived, std::vector<UINT>{command.id}) << "button " << name;
        }
        EXPECT_GT(ways, 0) << name << " is offered but cannot be reached";
    }
    holding = false;
    EXPECT_EQ(ListView_GetItemCount(list), 1) << "every command was held back";
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(MainWindow, RowsFromTheModelAndADropWithTheirMenus) {
    ASSERT_TRUE(makeSineWav(dir.file("one.wav"), 2));
    std::filesystem::create_directory(fromU8(dir.file("drop")));
    ASSERT_TRUE(makeSineWav(dir.file("drop/two.wav"), 61, 22050, 1));
    ASSERT_TRUE(writeFile(dir.file("drop/notes.txt"), "not audio"));
    dialog->adder().addBatch({dir.file("one.wav")});
    dropFiles(dialog->handle(), {dir.file("drop")});
    ASSERT_EQ(ListView_GetItemCount(list), 2);
    EXPECT_EQ(cellText(list, 1, 0), "two.wav");
    EXPECT_EQ(cellText(list, 1, 1), "01:01");
    EXPECT_EQ(cellText(list, 1, 2), "22050 Hz");
    EXPECT_EQ(cellText(list, 1, 4), "Mono");
    ASSERT_EQ(prompts.texts.size(), 1u);
    EXPECT_EQ(prompts.texts[0].rfind(
                  "Failed to load the following files.\n\n" + dir.file("drop\\notes.txt") + "\n", 0),
              0u)
        << prompts.texts[0];

    // Greying is decided when the menu opens, from the selection in the control.
    const ui::MenuHandle menu = ui::commandMenu(commands::Menu::kList);
    const HMENU context = menu.get();
    const auto grayed = [&](UINT id) {
        SendMessageW(dialog->handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(context), 0);
        return (GetMenuState(context, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
    };
    EXPECT_TRUE(grayed(ID_REMOVE));
    EXPECT_FALSE(grayed(ID_REMOVE_ALL));
    ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_FALSE(grayed(ID_REMOVE));
    EXPECT_TRUE(grayed(ID_PLAY_DESTINATION));

    // Select Failed (Ctrl+I) leaves the control with exactly the failed row selected.
    EXPECT_TRUE(grayed(ID_SELECT_FAILED));
    dialog->list().item(1).failed = true;
    EXPECT_FALSE(grayed(ID_SELECT_FAILED));
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    pressKey(*dialog, 'I', true);
    EXPECT_EQ(ListView_GetItemState(list, 0, LVIS_SELECTED), 0u);
    EXPECT_EQ(ListView_GetItemState(list, 1, LVIS_SELECTED), static_cast<UINT>(LVIS_SELECTED));
    EXPECT_EQ(ListView_GetSelectedCount(list), 1u);

    // Play and Browse act on the focused selected row through the shell; Enter and Escape do nothing.
    SendMessageW(dialog->handle(), WM_COMMAND, ID_PLAY_SOURCE, 0);
    SendMessageW(dialog->handle(), WM_COMMAND, ID_BROWSE_SOURCE, 0);
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0].target, dir.file("drop\\two.wav"));
    EXPECT_EQ(shell.shownInExplorer, std::vector<std::string>{dir.file("drop\\two.wav")});
    shell.opened.clear();
    pressKey(*dialog, VK_RETURN);
    pressKey(*dialog, VK_ESCAPE);
    EXPECT_TRUE(IsWindow(dialog->handle()));

    // The lengths, and Del through the key table removing the selected row.
    SendMessageW(dialog->handle(), WM_COMMAND, ID_ALL_LENGTH, 0);
    EXPECT_EQ(prompts.texts.back(), "The total length of all files is 01:03.");
    pressKey(*dialog, VK_DELETE);
    ASSERT_EQ(ListView_GetItemCount(list), 1);
    EXPECT_EQ(cellText(list, 0, 0), "one.wav");

    // The format list: the command entry, the catalogue, the video entry; the video entry keeps MP3.
    const HWND formats = GetDlgItem(dialog->handle(), IDC_OUTPUT_FORMAT);
    EXPECT_EQ(SendMessageW(formats, CB_GETCOUNT, 0, 0), 30);
    const LRESULT mp3 = SendMessageW(formats, CB_GETCURSEL, 0, 0);
    prompts.answer = platform::PromptAnswer::kCancel;
    SendMessageW(formats, CB_SETCURSEL, 29, 0);
    SendMessageW(dialog->handle(), WM_COMMAND, MAKEWPARAM(IDC_OUTPUT_FORMAT, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(formats));
    EXPECT_EQ(SendMessageW(formats, CB_GETCURSEL, 0, 0), mp3);
    EXPECT_EQ(dialog->settings().OutputFormat, 1160u);
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(MainWindow, F5ConvertsEveryRowAndCancelStopsARun) {
    ASSERT_TRUE(makeSineWav(dir.file("a.wav"), 1));
    ASSERT_TRUE(makeSineWav(dir.file("b.wav"), 1));
    dialog->settings().OutputFormat = 1090;  // FLAC
    dialog->adder().addBatch({dir.file("a.wav"), dir.file("b.wav")});
    pressKey(*dialog, VK_F5);
    ASSERT_TRUE(
        pumpUntil(*dialog, [&] { return dialog->conversion() && !dialog->conversion()->isActive(); }));
    EXPECT_EQ(cellText(list, 0, 5), "a.flac");
    EXPECT_EQ(cellText(list, 1, 5), "b.flac");
    EXPECT_TRUE(std::filesystem::file_size(fromU8(dir.file("b.flac"))) > 0);
    EXPECT_TRUE(IsWindowEnabled(dialog->handle()));

    ASSERT_TRUE(makeSineWav(dir.file("long.wav"), 600));
    SendMessageW(dialog->handle(), WM_COMMAND, ID_REMOVE_ALL, 0);
    dialog->adder().addBatch({dir.file("long.wav")});
    pressKey(*dialog, VK_F5);
    ASSERT_TRUE(pumpUntil(*dialog, [&] { return dialog->conversion()->runningCount() == 1; }));
    EXPECT_FALSE(IsWindowEnabled(dialog->handle()));
    PostMessageW(dialog->handle(), kWmRunCancel, 0, 0);
    ASSERT_TRUE(pumpUntil(*dialog, [&] { return !dialog->conversion()->isActive(); }));
    EXPECT_EQ(cellText(list, 0, 5), "Cancelled");
    EXPECT_FALSE(std::filesystem::exists(fromU8(dir.file("long.flac"))));
}

// A group of three formats made in the Customize dialog from the format list, then chosen: one source
// becomes three outputs.
TEST_F(MainWindow, GroupMadeInTheDialogGivesOneOutputPerFormat) {
    ASSERT_TRUE(makeSineWav(dir.file("tune.wav"), 1));
    const auto window = [](const wchar_t* title) { return FindWindowW(L"#32770", title); };
    std::vector<std::function<bool()>> script = {
        [&] {
            const HWND w = window(L"Customize Output Formats");
            if (w != nullptr) clickIn(w, IDC_CUSTOM_NEW);
            return w != nullptr;
        },
        [&] {
            const HWND input = window(L"Input a Name");
            if (input == nullptr) return false;
            SetDlgItemTextW(input, IDC_NAME_INPUT_TEXT, L"Trio");
            clickIn(input, IDOK);
            return true;
        },
        [&] {
            const HWND w = window(L"Customize Output Formats");
            if (w == nullptr || window(L"Input a Name") != nullptr) return false;
            for (const wchar_t* label : {L" WAV", L" FLAC", L" MP3"}) {
                const LRESULT at =
                    SendDlgItemMessageW(w, IDC_CUSTOM_AVAILABLE, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(label));
                SendDlgItemMessageW(w, IDC_CUSTOM_AVAILABLE, LB_SETSEL, TRUE, at);
            }
            SendMessageW(w, WM_COMMAND, MAKEWPARAM(IDC_CUSTOM_AVAILABLE, LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(GetDlgItem(w, IDC_CUSTOM_AVAILABLE)));
            clickIn(w, IDC_CUSTOM_ADD);
            clickIn(w, IDOK);
            return true;
        }};
    steps = &script;
    nextStep = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, runStep);
    chooseFormat(dialog->handle(), 0);  // "Customize Output Formats"
    KillTimer(nullptr, timer);
    steps = nullptr;
    ASSERT_EQ(nextStep, script.size());
    EXPECT_EQ(dialog->settings().OutputFormat, 1160u) << "the dialog itself changes no choice";

    chooseFormat(dialog->handle(), 1);  // " to Trio"
    EXPECT_EQ(dialog->settings().OutputFormat, 21001u);
    dialog->adder().addBatch({dir.file("tune.wav")});
    pressKey(*dialog, VK_F5);
    ASSERT_TRUE(
        pumpUntil(*dialog, [&] { return dialog->conversion() && !dialog->conversion()->isActive(); }));
    EXPECT_GT(std::filesystem::file_size(fromU8(dir.file("tune.flac"))), 0u);
    EXPECT_GT(std::filesystem::file_size(fromU8(dir.file("tune.mp3"))), 0u);
    EXPECT_EQ(cellText(list, 1, 0), "   to FLAC") << "members in catalogue order below their source";
    EXPECT_EQ(cellText(list, 3, 5), "tune_1.wav") << "the WAV output beside its own source is renamed";
}

namespace {

UINT helpWindowCloses = 0;
LRESULT CALLBACK helpWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) ++helpWindowCloses;
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

// F1 opens the help file maximised (and says so when it cannot), or brings an open help window forward;
// closing the program closes that window. The About box shows the version resource and the transcoder
// beside the program.
TEST_F(MainWindow, HelpKeyHelpWindowAndAboutBox) {
    shell.openResults = {SE_ERR_NOASSOC};
    pressKey(*dialog, VK_F1);
    const ShellRecorder::Opened help{binFolder() + "mldrift.chm", SW_SHOWMAXIMIZED};
    EXPECT_EQ(shell.opened, std::vector{help});
    EXPECT_EQ(prompts.texts,
              std::vector<std::string>{"The help file could not be opened:\n\n" + binFolder() +
                                       "mldrift.chm\n\nThere is no application associated\nwith "
                                       "the given filename extension."});

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = helpWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MelodriftTestHelp";
    RegisterClassW(&windowClass);
    const HWND viewer =
        CreateWindowW(L"MelodriftTestHelp", L"Melodrift Help", WS_OVERLAPPEDWINDOW | WS_MINIMIZE, 0, 0, 300,
                      200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(viewer, SW_SHOWMINIMIZED);
    SendMessageW(dialog->handle(), WM_COMMAND, ID_HELP_TOPICS, 0);
    EXPECT_EQ(shell.opened.size(), 1u) << "an open help window is used";
    EXPECT_FALSE(IsIconic(viewer));

    std::istringstream banner(runTranscoder({"-version"}).output);
    std::string name, word, transcoderVersion;
    banner >> name >> word >> transcoderVersion;
    std::string version, transcoder;
    std::vector<std::function<bool()>> script = {[&] {
        const HWND about = FindWindowW(L"#32770", L"About Melodrift");
        if (about == nullptr) return false;
        wchar_t text[256] = {};
        GetDlgItemTextW(about, IDC_ABOUT_TRANSCODER, text, 256);
        if (std::wstring(text) == L"Transcoder: looking...") return false;
        transcoder = narrow(text);
        GetDlgItemTextW(about, IDC_ABOUT_VERSION, text, 256);
        version = narrow(text);
        const HWND feedback = GetDlgItem(about, IDC_ABOUT_FEEDBACK);
        SendMessageW(feedback, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageW(feedback, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        clickIn(about, IDOK);
        return true;
    }};
    steps = &script;
    nextStep = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, runStep);
    SendMessageW(dialog->handle(), WM_COMMAND, ID_ABOUT, 0);
    KillTimer(nullptr, timer);
    steps = nullptr;
    ASSERT_EQ(nextStep, script.size());
    EXPECT_EQ(version, "Version " MELODRIFT_VERSION);
    EXPECT_EQ(transcoder, "Transcoder: FFmpeg " + transcoderVersion);
    ASSERT_EQ(shell.opened.size(), 2u);
    EXPECT_EQ(shell.opened[1].target.rfind("mailto:support@melodrift.app?subject=", 0), 0u)
        << shell.opened[1].target;

    dialog->close();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    EXPECT_EQ(helpWindowCloses, 1u);
    DestroyWindow(viewer);
}

// A right click on the list's header opens the column menu; Folder, its second entry, chosen by keys shows
// that column after File, and the next window of the same settings shows it again.
TEST_F(MainWindow, HeaderMenuShowsAColumnAndTheWindowRemembersIt) {
    ASSERT_TRUE(makeSineWav(dir.file("one.wav"), 2));
    dialog->adder().addBatch({dir.file("one.wav")});
    const HWND header = ListView_GetHeader(list);
    ASSERT_EQ(Header_GetItemCount(header), 6);

    std::vector<std::function<bool()>> script = {[&] {
        const HWND menu = FindWindowW(L"#32768", nullptr);
        if (menu == nullptr || !IsWindowVisible(menu)) return false;
        for (int down = 0; down < 2; ++down) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
        return true;
    }};
    steps = &script;
    nextStep = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, runStep);
    RECT rect;
    GetWindowRect(header, &rect);
    SendMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(header),
                 MAKELPARAM(rect.left + 5, rect.top + 5));
    KillTimer(nullptr, timer);
    steps = nullptr;
    ASSERT_EQ(nextStep, script.size());
    ASSERT_EQ(Header_GetItemCount(header), 7);
    std::string folder = dir.file("one.wav");
    folder.resize(folder.size() - std::string("\\one.wav").size());
    EXPECT_EQ(cellText(list, 0, 1), folder);
    EXPECT_EQ(cellText(list, 0, 2), "00:02");  // Duration after it

    dialog->close();
    MainServices services{&store, &shell, &prompts, nullptr, binFolder()};
    dialog = std::make_unique<MainDialog>(services);
    ASSERT_NE(dialog->open(), nullptr);
    EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(GetDlgItem(dialog->handle(), IDC_FILE_LIST))), 7);
}
