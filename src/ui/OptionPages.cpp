#include "ui/OptionPages.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Prompts.h"
#include "platform/win32/WinText.h"
#include "resources/resource.h"
#include "ui/DialogWindow.h"

namespace ui {

using platform::win32::narrow;
using platform::win32::widen;

namespace {

struct ListItem {
    std::string text;
    LPARAM data = 0;
    bool operator==(const ListItem&) const = default;
};

std::vector<ListItem> listedItems(HWND combo) {
    std::vector<ListItem> items;
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(std::max<LRESULT>(length, 0)));
        items.push_back({narrow(text), SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)});
    }
    return items;
}

// Refills a combo only when its list changed: refilling a combo with an edit would lose what is typed.
void showItems(HWND combo, const std::vector<ListItem>& items) {
    if (listedItems(combo) == items) return;
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const ListItem& item : items) {
        const std::wstring text = widen(item.text);
        const LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (index >= 0) SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), item.data);
    }
    SendMessageW(combo, CB_SETMINVISIBLE, 16, 0);
}

void showSelection(HWND combo, int index) {
    if (SendMessageW(combo, CB_GETCURSEL, 0, 0) != index)
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void showEnabled(HWND control, bool enabled) {
    if ((IsWindowEnabled(control) != FALSE) != enabled) EnableWindow(control, enabled ? TRUE : FALSE);
}

void showVisible(HWND control, bool visible) {
    const bool shown = (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown != visible) ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

int selectedIndex(HWND combo) { return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

}  // namespace

// ---- OptionPage ----

OptionPage::OptionPage(int templateId, OptionPresenter& presenter, const PageServices& services)
    : templateId_(templateId), presenter_(presenter), services_(services) {}

PROPSHEETPAGEW OptionPage::descriptor() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = GetModuleHandleW(nullptr);
    page.pszTemplate = MAKEINTRESOURCEW(templateId_);
    page.pfnDlgProc = procedure;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

bool OptionPage::onNotify(const NMHDR&, LRESULT&) { return false; }

void OptionPage::showText(int id, const std::string& text) const {
    if (windowText(item(id)) != text) SetDlgItemTextW(hwnd_, id, widen(text).c_str());
}

void OptionPage::focus(int id) const {
    HWND control = item(id);
    if (control == nullptr) return;
    SetFocus(control);
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    if (lstrcmpiW(className, L"Edit") == 0) SendMessageW(control, EM_SETSEL, 0, -1);
}

void OptionPage::applyFont() {
    LOGFONTW face{};
    face.lfHeight = -11;
    lstrcpynW(face.lfFaceName, L"Tahoma", LF_FACESIZE);
    font_.reset(CreateFontIndirectW(&face));
    if (!font_) return;
    const WPARAM font = reinterpret_cast<WPARAM>(font_.get());
    SendMessageW(hwnd_, WM_SETFONT, font, FALSE);
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, font, FALSE);
}

bool OptionPage::mayLeave() {
    const std::optional<PageRefusal> refusal = presenter_.validate();
    refresh();  // a page may show its values as it keeps them
    if (!refusal) return true;
    services_.prompts.show(hwnd_, refusal->message, platform::PromptIcon::kWarning);
    focus(refusal->focusControlId);
    return false;
}

bool OptionPage::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_INITDIALOG: {
            applyFont();
            Refreshing guard(*this);
            initialise();
            return false;
        }
        case WM_COMMAND:
            if (refreshing_ || lParam == 0) return false;
            onCommand(LOWORD(wParam), HIWORD(wParam));
            return true;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.code == PSN_KILLACTIVE) {
                result = mayLeave() ? FALSE : TRUE;
                return true;
            }
            // The sheet's owner applies the presenters once the sheet has closed with OK.
            if (header.code == PSN_APPLY) {
                result = mayLeave() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
                return true;
            }
            if (refreshing_) return false;
            return onNotify(header, result);
        }
        default:
            return false;
    }
}

INT_PTR CALLBACK OptionPage::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<OptionPage*>(GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<OptionPage*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = window;
    }
    if (self == nullptr) return FALSE;
    if (message == WM_NCDESTROY) {
        // The controls are gone, so their font may go too.
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        self->font_.reset();
        return FALSE;
    }
    LRESULT result = 0;
    bool handled = false;
    try {
        handled = self->onMessage(message, wParam, lParam, result);
    } catch (...) {
        // Nothing may unwind through the sheet's code; the message counts as unhandled.
        handled = false;
    }
    if (message == WM_INITDIALOG) return TRUE;
    if (!handled) return FALSE;
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

// ---- General page ----

COptOutputPage::COptOutputPage(GeneralPage& logic, const PageServices& services)
    : OptionPage(IDD_OPT_GENERAL, logic, services), logic_(logic) {}

void COptOutputPage::initialise() {
    logic_.open(services().store);
    for (const SpinRange& spin : GeneralPage::spins())
        SendMessageW(item(spin.spinId), UDM_SETRANGE32, static_cast<WPARAM>(spin.low), spin.high);
    refresh();
}

void COptOutputPage::refresh() {
    Refreshing guard(*this);
    for (int id : GeneralPage::checkBoxIds())
        CheckDlgButton(handle(), id, logic_.checked(id) ? BST_CHECKED : BST_UNCHECKED);
    for (int id : GeneralPage::comboIds()) {
        const std::vector<std::string> texts = logic_.items(id);
        const std::vector<uint32_t> data = logic_.itemData(id);
        std::vector<ListItem> items;
        for (size_t i = 0; i < texts.size(); ++i)
            items.push_back({texts[i], i < data.size() ? static_cast<LPARAM>(data[i]) : 0});
        showItems(item(id), items);
        // The history combos keep their edit text, set below; only the choice lists show a selection.
        if (!data.empty()) showSelection(item(id), logic_.selection(id));
    }
    for (int id : GeneralPage::textIds()) showText(id, logic_.text(id));
    showText(IDC_GEN_NAME_PREVIEW, logic_.namePreview());
    for (HWND child = GetWindow(handle(), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        if (id <= 0 || id == 0xFFFF) continue;  // the labels
        showEnabled(child, logic_.enabled(id));
        showVisible(child, logic_.visible(id));
    }
}

void COptOutputPage::onCommand(int id, int code) {
    const std::vector<int>& checks = GeneralPage::checkBoxIds();
    const std::vector<int>& combos = GeneralPage::comboIds();
    const std::vector<int>& texts = GeneralPage::textIds();
    const bool isCombo = std::find(combos.begin(), combos.end(), id) != combos.end();
    if (code == BN_CLICKED && std::find(checks.begin(), checks.end(), id) != checks.end()) {
        const int next = logic_.setChecked(id, IsDlgButtonChecked(handle(), id) == BST_CHECKED);
        refresh();
        if (next != 0) focus(next);
    } else if (code == BN_CLICKED && id == IDC_GEN_BROWSE_FOLDER) {
        const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        logic_.browseFolder(services().shell, handle());
        SetCursor(previous);
        refresh();
    } else if (code == BN_CLICKED && id == IDC_GEN_OPEN_FOLDER) {
        logic_.openFolder(services().shell, services().prompts, handle());
    } else if (code == BN_CLICKED && id == IDC_GEN_NORMALIZE_HELP) {
        GeneralPage::showNormalizeHelp(services().prompts, handle());
    } else if (isCombo && code == CBN_SELCHANGE) {
        logic_.select(id, selectedIndex(item(id)));
        refresh();
    } else if ((isCombo && code == CBN_EDITCHANGE) ||
               (!isCombo && code == EN_CHANGE && std::find(texts.begin(), texts.end(), id) != texts.end())) {
        logic_.setText(id, windowText(item(id)));
        refresh();
    }
}

// ---- Audio page ----

namespace {

std::vector<ListItem> listOf(const AudioPage::Choice& choice) {
    std::vector<ListItem> items;
    for (const AudioPage::Item& item : choice.items)
        items.push_back({item.text, static_cast<LPARAM>(item.data)});
    return items;
}

void showChoice(HWND combo, const AudioPage::Choice& choice) {
    showItems(combo, listOf(choice));
    showSelection(combo, choice.selected < choice.items.size() ? static_cast<int>(choice.selected) : -1);
    showEnabled(combo, choice.enabled);
}

size_t chosenItem(HWND combo) {
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    return index < 0 ? AudioPage::kNoItem : static_cast<size_t>(index);
}

}  // namespace

COptVideoPage::COptVideoPage(AudioPage& logic, const PageServices& services)
    : OptionPage(IDD_OPT_AUDIO, logic, services), logic_(logic) {}

void COptVideoPage::initialise() {
    const StepSpin& spin = logic_.volumeSpin();
    SendMessageW(item(IDC_AUDIO_VOLUME_SPIN), UDM_SETRANGE32, static_cast<WPARAM>(spin.lower()),
                 spin.upper());
    refresh();
}

void COptVideoPage::refresh() {
    Refreshing guard(*this);
    showChoice(item(IDC_OUTPUT_FORMAT), logic_.formats());
    showChoice(item(IDC_AUDIO_CODEC), logic_.codecs());
    showText(IDC_AUDIO_VALUE_LABEL, logic_.valueLabel());
    showChoice(item(IDC_AUDIO_VALUE), logic_.values());
    const bool vbr = logic_.vbrShown();
    for (int id : {IDC_AUDIO_CBR, IDC_AUDIO_VBR}) {
        showVisible(item(id), vbr);
        showEnabled(item(id), vbr);
    }
    CheckRadioButton(handle(), IDC_AUDIO_CBR, IDC_AUDIO_VBR,
                     logic_.vbrChecked() ? IDC_AUDIO_VBR : IDC_AUDIO_CBR);
    showChoice(item(IDC_AUDIO_SAMPLE_RATE), logic_.sampleRates());
    showChoice(item(IDC_AUDIO_CHANNELS), logic_.channels());
    showText(IDC_AUDIO_VOLUME, logic_.volumeText());
    showEnabled(item(IDC_AUDIO_VOLUME), logic_.volumeEnabled());
    showEnabled(item(IDC_AUDIO_VOLUME_SPIN), logic_.volumeEnabled());
    // The spin only reports presses; its position follows the volume so neither arrow is stuck at an end.
    const StepSpin& spin = logic_.volumeSpin();
    const long volume = std::wcstol(widen(logic_.volumeText()).c_str(), nullptr, 10);
    const long position = std::clamp<long>(volume, spin.lower(), spin.upper());
    SendMessageW(item(IDC_AUDIO_VOLUME_SPIN), UDM_SETPOS32, 0, position);
}

void COptVideoPage::onCommand(int id, int code) {
    HWND control = item(id);
    if (code == CBN_SELCHANGE) {
        switch (id) {
            case IDC_OUTPUT_FORMAT:
                logic_.chooseFormat(chosenItem(control));
                break;
            case IDC_AUDIO_CODEC:
                logic_.chooseCodec(chosenItem(control));
                break;
            case IDC_AUDIO_VALUE:
                logic_.chooseValue(chosenItem(control));
                break;
            case IDC_AUDIO_SAMPLE_RATE:
                logic_.chooseSampleRate(chosenItem(control));
                break;
            case IDC_AUDIO_CHANNELS:
                logic_.chooseChannels(chosenItem(control));
                break;
            default:
                return;
        }
    } else if (code == BN_CLICKED && (id == IDC_AUDIO_CBR || id == IDC_AUDIO_VBR)) {
        logic_.setVbr(id == IDC_AUDIO_VBR);
    } else if (code == EN_CHANGE && id == IDC_AUDIO_VOLUME) {
        logic_.setVolumeText(windowText(control));
    } else {
        return;
    }
    refresh();
}

bool COptVideoPage::onNotify(const NMHDR& header, LRESULT& result) {
    if (header.code != UDN_DELTAPOS || header.idFrom != IDC_AUDIO_VOLUME_SPIN) return false;
    const auto& press = reinterpret_cast<const NMUPDOWN&>(header);
    if (press.iDelta != 0) {
        logic_.pressVolumeSpin(press.iDelta > 0 ? 1 : -1);
        refresh();
    }
    result = TRUE;  // the page has moved the volume itself
    return true;
}

// ---- Loudness page ----

COptLoudnessPage::COptLoudnessPage(LoudnessPage& logic, const PageServices& services)
    : OptionPage(IDD_OPT_LOUDNESS, logic, services), logic_(logic) {}

void COptLoudnessPage::initialise() {
    std::vector<ListItem> items;
    for (const std::string& text : LoudnessPage::targetItems()) items.push_back({text});
    showItems(item(IDC_LOUD_TARGET), items);
    refresh();
}

void COptLoudnessPage::refresh() {
    Refreshing guard(*this);
    CheckRadioButton(handle(), IDC_LOUD_OFF, IDC_LOUD_NORMALISE, logic_.checkedModeButton());
    showText(IDC_LOUD_TARGET, logic_.target());
    showText(IDC_LOUD_CEILING, logic_.ceiling());
    CheckDlgButton(handle(), IDC_LOUD_ALBUM_BY_FOLDER, logic_.albumByFolder() ? BST_CHECKED : BST_UNCHECKED);
    for (HWND child = GetWindow(handle(), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        if (id > 0 && id != 0xFFFF) showEnabled(child, logic_.enabled(id));
    }
}

void COptLoudnessPage::onCommand(int id, int code) {
    if (code == BN_CLICKED && id >= IDC_LOUD_OFF && id <= IDC_LOUD_NORMALISE) {
        if (IsDlgButtonChecked(handle(), id) != BST_CHECKED) return;
        logic_.setMode(static_cast<uint32_t>(id - IDC_LOUD_OFF));
    } else if (code == BN_CLICKED && id == IDC_LOUD_ALBUM_BY_FOLDER) {
        logic_.setAlbumByFolder(IsDlgButtonChecked(handle(), id) == BST_CHECKED);
    } else if (id == IDC_LOUD_TARGET && code == CBN_SELCHANGE) {
        const int index = selectedIndex(item(id));
        if (index >= 0) logic_.selectTarget(static_cast<size_t>(index));
    } else if (id == IDC_LOUD_TARGET && code == CBN_EDITCHANGE) {
        logic_.setTarget(windowText(item(id)));
        return;  // the text is the user's as typed
    } else if (id == IDC_LOUD_CEILING && code == EN_CHANGE) {
        logic_.setCeiling(windowText(item(id)));
        return;
    } else {
        return;
    }
    refresh();
}

}  // namespace ui
