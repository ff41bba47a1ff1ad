// The custom format groups' dialog and its name input, driven through their controls from a timer that
// runs inside their modal loops.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "formats/Catalogue.h"
#include "platform/win32/WinText.h"
#include "resources/resource.h"
#include "ui/CustomFormatsWindow.h"
#include "ui/DialogWindow.h"

namespace {

class RecordingPrompts final : public platform::Prompts {
public:
    std::vector<std::string> texts;
    platform::PromptAnswer show(void*, const std::string& text, platform::PromptIcon,
                                platform::PromptButtons) override {
        texts.push_back(text);
        return platform::PromptAnswer::kOk;
    }
};

// Steps run one after another from a thread timer; a step returns false to be tried again on the next tick.
std::vector<std::function<bool()>>* steps = nullptr;
size_t nextStep = 0;

void CALLBACK runStep(HWND, UINT, UINT_PTR, DWORD) {
    if (nextStep < steps->size() && (*steps)[nextStep]()) ++nextStep;
}

std::optional<std::vector<CustomOutputFormat>> edit(const std::vector<CustomOutputFormat>& groups,
                                                    RecordingPrompts& prompts,
                                                    std::vector<std::function<bool()>> script) {
    const Catalogue catalogue;
    steps = &script;
    nextStep = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, runStep);
    auto result = ui::editCustomFormats(nullptr, catalogue, groups, prompts);
    KillTimer(nullptr, timer);
    EXPECT_EQ(nextStep, script.size()) << "the dialog closed before the script ended";
    steps = nullptr;
    return result;
}

HWND dialog(const wchar_t* title) { return FindWindowW(L"#32770", title); }
HWND customize() { return dialog(L"Customize Output Formats"); }

// A click as the button reports it, from the dialog's own loop.
void click(HWND window, int id) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}
bool enabled(HWND window, int id) { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }
LRESULT count(HWND window, int id) { return SendDlgItemMessageW(window, id, LB_GETCOUNT, 0, 0); }

std::vector<std::string> texts(HWND window, int id) {
    std::vector<std::string> out;
    for (LRESULT i = 0; i < count(window, id); ++i) {
        std::wstring text(static_cast<size_t>(SendDlgItemMessageW(window, id, LB_GETTEXTLEN, i, 0)) + 1,
                          L'\0');
        SendDlgItemMessageW(window, id, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(text.size() - 1);
        out.push_back(platform::win32::narrow(text));
    }
    return out;
}

// Selects the listed items by label, as the user's clicks do, with the notification the list sends.
void select(HWND window, int id, const std::vector<std::string>& labels) {
    const auto all = texts(window, id);
    for (const auto& label : labels) {
        const auto at = std::find(all.begin(), all.end(), label);
        ASSERT_NE(at, all.end()) << label;
        SendDlgItemMessageW(window, id, LB_SETSEL, TRUE, at - all.begin());
    }
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

// Opens the name input with New, refuses an empty name, then names the group.
std::vector<std::function<bool()>> newGroup(RecordingPrompts& prompts, const std::string& name) {
    return {[] {
                HWND w = customize();
                if (w == nullptr) return false;
                click(w, IDC_CUSTOM_NEW);
                return true;
            },
            [&prompts, name] {
                HWND input = dialog(L"Input a Name");
                if (input == nullptr) return false;
                SendMessageW(input, WM_COMMAND, IDOK, 0);
                EXPECT_EQ(prompts.texts, std::vector<std::string>{"Please input a name."});
                EXPECT_TRUE(IsWindow(input));
                SetDlgItemTextW(input, IDC_NAME_INPUT_TEXT, platform::win32::widen(name).c_str());
                click(input, IDOK);
                return true;
            }};
}

}  // namespace

TEST(CustomFormatsWindow, NewGroupWithThreeFormatsComesBackOnOk) {
    RecordingPrompts prompts;
    auto script = newGroup(prompts, "Lossless");
    script.push_back([] {
        HWND w = customize();
        if (count(w, IDC_CUSTOM_GROUPS) != 2) return false;
        EXPECT_EQ(texts(w, IDC_CUSTOM_GROUPS), (std::vector<std::string>{"Phone", "Lossless"}));
        EXPECT_EQ(SendDlgItemMessageW(w, IDC_CUSTOM_GROUPS, LB_GETCURSEL, 0, 0), 1);
        EXPECT_EQ(count(w, IDC_CUSTOM_AVAILABLE), static_cast<LRESULT>(kCatalogueFormatCount));
        EXPECT_EQ(count(w, IDC_CUSTOM_OUTPUT), 0);
        EXPECT_FALSE(enabled(w, IDC_CUSTOM_ADD));
        select(w, IDC_CUSTOM_AVAILABLE, {" WAV", " WV (WavPack Lossless) (*.wv)", " FLAC"});
        EXPECT_TRUE(enabled(w, IDC_CUSTOM_ADD));
        click(w, IDC_CUSTOM_ADD);
        return true;
    });
    script.push_back([] {
        HWND w = customize();
        if (count(w, IDC_CUSTOM_OUTPUT) != 3) return false;
        EXPECT_EQ(texts(w, IDC_CUSTOM_OUTPUT),
                  (std::vector<std::string>{" FLAC", " WAV", " WV (WavPack Lossless) (*.wv)"}));
        EXPECT_EQ(count(w, IDC_CUSTOM_AVAILABLE), static_cast<LRESULT>(kCatalogueFormatCount - 3));
        EXPECT_FALSE(enabled(w, IDC_CUSTOM_ADD));
        EXPECT_FALSE(enabled(w, IDC_CUSTOM_REMOVE_FORMATS));
        click(w, IDOK);
        return true;
    });
    const auto groups = edit({{"Phone", {1010}}}, prompts, script);
    ASSERT_TRUE(groups);
    ASSERT_EQ(groups->size(), 2u);
    EXPECT_EQ((*groups)[0].ids, std::vector<int32_t>{1010});
    EXPECT_EQ((*groups)[1].name, "Lossless");
    EXPECT_EQ((*groups)[1].ids, (std::vector<int32_t>{1090, 1200, 1220}));
}

TEST(CustomFormatsWindow, EmptyGroupIsRefusedAndCancelReturnsNothing) {
    RecordingPrompts prompts;
    auto script = newGroup(prompts, "Empty");
    script.push_back([&prompts] {
        HWND w = customize();
        if (count(w, IDC_CUSTOM_GROUPS) != 2) return false;
        SendDlgItemMessageW(w, IDC_CUSTOM_GROUPS, LB_SETCURSEL, 0, 0);
        SendMessageW(w, WM_COMMAND, MAKEWPARAM(IDC_CUSTOM_GROUPS, LBN_SELCHANGE), 0);
        EXPECT_EQ(texts(w, IDC_CUSTOM_OUTPUT), std::vector<std::string>{" AAC (*.aac)"});
        SendMessageW(w, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(prompts.texts.back(), "Please choose one output format at least for \"Empty\".");
        EXPECT_TRUE(IsWindow(w));
        EXPECT_EQ(SendDlgItemMessageW(w, IDC_CUSTOM_GROUPS, LB_GETCURSEL, 0, 0), 1);
        EXPECT_EQ(count(w, IDC_CUSTOM_OUTPUT), 0);
        click(w, IDCANCEL);
        return true;
    });
    EXPECT_FALSE(edit({{"Phone", {1010}}}, prompts, script));
}
