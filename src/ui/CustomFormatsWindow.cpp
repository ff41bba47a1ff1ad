#include "ui/CustomFormatsWindow.h"

#include <algorithm>

#include "formats/Catalogue.h"
#include "platform/win32/WinText.h"
#include "resources/resource.h"
#include "ui/DialogWindow.h"
#include "ui/GdiHandles.h"
#include "ui/logic/CustomFormatsDialog.h"

namespace ui {

using platform::win32::widen;

namespace {

class NameInputWindow final : private DialogWindow {
public:
    NameInputWindow(const std::string& title, const std::string& noun, bool allowEmpty,
                    const std::string& initial, platform::Prompts& prompts, HINSTANCE module)
        : DialogWindow(module),
          title_(title),
          noun_(noun),
          allowEmpty_(allowEmpty),
          text_(initial),
          prompts_(prompts) {}

    std::optional<std::string> run(HWND owner) {
        if (runModal(IDD_NAME_INPUT, owner) != IDOK) return std::nullopt;
        return text_;
    }

private:
    bool onMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) override {
        if (message == WM_INITDIALOG) {
            SetWindowTextW(handle(), widen(title_).c_str());
            setItemText(IDC_NAME_INPUT_TEXT, text_);
            centre();
            // The whole text selected, ready to be typed over.
            SendMessageW(item(IDC_NAME_INPUT_TEXT), EM_SETSEL, 0, -1);
            SetFocus(item(IDC_NAME_INPUT_TEXT));
            result = FALSE;
            return true;
        }
        if (message != WM_COMMAND) return false;
        switch (LOWORD(wParam)) {
            case IDOK: {
                std::string text = itemText(IDC_NAME_INPUT_TEXT);
                if (const auto refusal = nameInputRefusal(text, noun_, allowEmpty_)) {
                    prompts_.show(handle(), *refusal, platform::PromptIcon::kWarning);
                    SetFocus(item(IDC_NAME_INPUT_TEXT));
                    return true;
                }
                text_ = std::move(text);
                EndDialog(handle(), IDOK);
                return true;
            }
            case IDCANCEL:
                EndDialog(handle(), IDCANCEL);
                return true;
            default:
                return false;
        }
    }

    std::string title_, noun_;
    bool allowEmpty_;
    std::string text_;
    platform::Prompts& prompts_;
};

class CustomFormatsWindow final : private DialogWindow {
public:
    CustomFormatsWindow(const Catalogue& catalogue, const std::vector<CustomOutputFormat>& groups,
                        platform::Prompts& prompts, HINSTANCE module)
        : DialogWindow(module), module_(module), dialog_(catalogue, groups), prompts_(prompts) {}

    std::optional<std::vector<CustomOutputFormat>> run(HWND owner) {
        if (runModal(IDD_CUSTOM_FORMATS, owner) != IDOK) return std::nullopt;
        return dialog_.groups();
    }

private:
    LRESULT send(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendDlgItemMessageW(handle(), id, message, wParam, lParam);
    }

    // A button that greys out while it has the focus hands it to the list it works on, so the keys
    // keep working.
    void enable(int id, bool on, int fallback) const {
        HWND button = item(id);
        if (!on && GetFocus() == button)
            SendMessageW(handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(fallback)), TRUE);
        EnableWindow(button, on);
    }

    void showGroups() const {
        send(IDC_CUSTOM_GROUPS, LB_RESETCONTENT);
        for (const std::string& name : dialog_.groupNames()) {
            send(IDC_CUSTOM_GROUPS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(name).c_str()));
        }
        const auto selected = dialog_.selectedGroup();
        send(IDC_CUSTOM_GROUPS, LB_SETCURSEL,
             selected ? static_cast<WPARAM>(*selected) : static_cast<WPARAM>(-1));
        enable(IDC_CUSTOM_EDIT, dialog_.hasSelectedGroup(), IDC_CUSTOM_GROUPS);
        enable(IDC_CUSTOM_REMOVE_GROUP, dialog_.hasSelectedGroup(), IDC_CUSTOM_GROUPS);
    }

    void fillFormats(int id, const std::vector<CustomFormatsDialog::FormatItem>& items) const {
        const LRESULT top = send(id, LB_GETTOPINDEX);
        setScrollWidth(id, items);
        SendMessageW(item(id), WM_SETREDRAW, FALSE, 0);
        send(id, LB_RESETCONTENT);
        for (const auto& format : items) {
            const auto index =
                send(id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(format.label).c_str()));
            if (index < 0) continue;
            send(id, LB_SETITEMDATA, static_cast<WPARAM>(index), format.id);
            if (dialog_.isSelected(format.id)) send(id, LB_SETSEL, TRUE, index);
        }
        if (top > 0) send(id, LB_SETTOPINDEX, static_cast<WPARAM>(top));
        SendMessageW(item(id), WM_SETREDRAW, TRUE, 0);
        InvalidateRect(item(id), nullptr, TRUE);
    }

    // A sideways scroll bar only when a label is wider than the list.
    void setScrollWidth(int id, const std::vector<CustomFormatsDialog::FormatItem>& items) const {
        const WindowDc dc(item(id));
        if (dc.get() == nullptr) return;
        const SelectGuard font(dc.get(), reinterpret_cast<HGDIOBJ>(send(id, WM_GETFONT)));
        LONG widest = 0;
        for (const auto& format : items) {
            const std::wstring label = widen(format.label);
            SIZE size{};
            if (GetTextExtentPoint32W(dc.get(), label.c_str(), static_cast<int>(label.size()), &size))
                widest = std::max(widest, size.cx);
        }
        send(id, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 6));
    }

    void showFormats() const {
        fillFormats(IDC_CUSTOM_AVAILABLE, dialog_.availableFormats());
        fillFormats(IDC_CUSTOM_OUTPUT, dialog_.outputFormats());
        showMoveButtons();
    }

    void showMoveButtons() const {
        enable(IDC_CUSTOM_ADD, dialog_.canAdd(), IDC_CUSTOM_AVAILABLE);
        enable(IDC_CUSTOM_REMOVE_FORMATS, dialog_.canRemove(), IDC_CUSTOM_OUTPUT);
    }

    std::vector<int32_t> selectedIds(int id) const {
        const auto count = send(id, LB_GETSELCOUNT);
        if (count <= 0) return {};
        std::vector<int> indexes(static_cast<size_t>(count));
        const auto got =
            send(id, LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(indexes.data()));
        std::vector<int32_t> ids;
        for (LRESULT i = 0; i < got; ++i) {
            ids.push_back(static_cast<int32_t>(
                send(id, LB_GETITEMDATA, static_cast<WPARAM>(indexes[static_cast<size_t>(i)]))));
        }
        return ids;
    }

    void readSelections() {
        dialog_.setAvailableSelection(selectedIds(IDC_CUSTOM_AVAILABLE));
        dialog_.setOutputSelection(selectedIds(IDC_CUSTOM_OUTPUT));
    }

    void askName(bool fresh) {
        const auto selected = dialog_.selectedGroup();
        if (!fresh && !selected) return;
        const auto name =
            inputName(handle(), fresh ? kNewNameTitle : kEditNameTitle, kNameNoun, false,
                      fresh ? std::string() : dialog_.groupNames()[*selected], prompts_, module_);
        if (!name) return;
        if (fresh) {
            dialog_.newGroup(*name);
        } else {
            dialog_.renameSelected(*name);
        }
        showGroups();
        if (fresh) showFormats();
    }

    void command(int id, int code) {
        switch (id) {
            case IDC_CUSTOM_GROUPS:
                if (code == LBN_SELCHANGE) {
                    const auto index = send(IDC_CUSTOM_GROUPS, LB_GETCURSEL);
                    dialog_.selectGroup(index >= 0 ? std::optional<size_t>(static_cast<size_t>(index))
                                                   : std::nullopt);
                    showGroups();
                    showFormats();
                } else if (code == LBN_DBLCLK) {
                    askName(false);
                }
                break;
            case IDC_CUSTOM_AVAILABLE:
            case IDC_CUSTOM_OUTPUT:
                if (code == LBN_SELCHANGE) {
                    readSelections();
                    showMoveButtons();
                } else if (code == LBN_DBLCLK) {
                    command(id == IDC_CUSTOM_AVAILABLE ? IDC_CUSTOM_ADD : IDC_CUSTOM_REMOVE_FORMATS,
                            BN_CLICKED);
                }
                break;
            case IDC_CUSTOM_ADD:
            case IDC_CUSTOM_REMOVE_FORMATS:
                readSelections();
                if (id == IDC_CUSTOM_ADD) {
                    dialog_.addSelected();
                } else {
                    dialog_.removeSelected();
                }
                showFormats();
                break;
            case IDC_CUSTOM_NEW:
                askName(true);
                break;
            case IDC_CUSTOM_EDIT:
                askName(false);
                break;
            case IDC_CUSTOM_REMOVE_GROUP:
                dialog_.removeSelectedGroup();
                showGroups();
                showFormats();
                break;
            case IDOK:
                if (const auto refusal = dialog_.accept()) {
                    showGroups();
                    showFormats();
                    prompts_.show(handle(), refusal->message, platform::PromptIcon::kWarning);
                } else {
                    EndDialog(handle(), IDOK);
                }
                break;
            case IDCANCEL:
                EndDialog(handle(), IDCANCEL);
                break;
            default:
                break;
        }
    }

    bool onMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR&) override {
        switch (message) {
            case WM_INITDIALOG:
                showGroups();
                showFormats();
                centre();
                return false;
            case WM_COMMAND:
                command(LOWORD(wParam), HIWORD(wParam));
                return true;
            default:
                return false;
        }
    }

    HINSTANCE module_;
    CustomFormatsDialog dialog_;
    platform::Prompts& prompts_;
};

}  // namespace

std::optional<std::vector<CustomOutputFormat>> editCustomFormats(
    HWND owner, const Catalogue& catalogue, const std::vector<CustomOutputFormat>& groups,
    platform::Prompts& prompts, HINSTANCE module) {
    CustomFormatsWindow window(catalogue, groups, prompts, module);
    return window.run(owner);
}

std::optional<std::string> inputName(HWND owner, const std::string& title, const std::string& noun,
                                     bool allowEmpty, const std::string& initial, platform::Prompts& prompts,
                                     HINSTANCE module) {
    NameInputWindow window(title, noun, allowEmpty, initial, prompts, module);
    return window.run(owner);
}

}  // namespace ui
