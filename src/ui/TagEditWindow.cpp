#include "ui/TagEditWindow.h"

#include "platform/win32/WinText.h"
#include "resources/resource.h"
#include "ui/DialogWindow.h"

namespace ui {

namespace {

int editId(size_t field) { return IDC_TAG_FIRST + static_cast<int>(field); }

class TagEditWindow final : private DialogWindow {
public:
    TagEditWindow(std::vector<TagEditDialog::Row> rows, HINSTANCE module)
        : DialogWindow(module), dialog_(std::move(rows)) {}

    std::optional<std::vector<TagEdits>> run(HWND owner) {
        if (runModal(IDD_TAG_EDIT, owner) != IDOK) return std::nullopt;
        return dialog_.accept();
    }

private:
    // The fields as the presenter has them; the edits' own change notices are not the user's typing.
    void showFields() {
        filling_ = true;
        for (size_t f = 0; f < kTagFieldCount; ++f) {
            const auto field = static_cast<TagField>(f);
            const std::string text = dialog_.text(field);
            if (itemText(editId(f)) != text) setItemText(editId(f), text);
            EnableWindow(item(editId(f)), dialog_.isEditable(field) ? TRUE : FALSE);
        }
        filling_ = false;
    }

    bool onMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) override {
        if (message == WM_INITDIALOG) {
            for (size_t f = 0; f < kTagFieldCount; ++f) SendMessageW(item(editId(f)), EM_SETLIMITTEXT, 0, 0);
            showFields();
            setItemText(IDC_TAG_NOTE, dialog_.note());
            centre();
            result = TRUE;  // the focus on the first field
            return true;
        }
        if (message != WM_COMMAND) return false;
        const int id = LOWORD(wParam);
        if (id >= IDC_TAG_FIRST && id < editId(kTagFieldCount)) {
            if (HIWORD(wParam) == EN_CHANGE && !filling_)
                dialog_.setText(static_cast<TagField>(id - IDC_TAG_FIRST), itemText(id));
            return true;
        }
        switch (id) {
            case IDC_TAG_NUMBER:
                dialog_.setNumbering(IsDlgButtonChecked(handle(), IDC_TAG_NUMBER) == BST_CHECKED);
                showFields();
                return true;
            case IDOK:
            case IDCANCEL:
                EndDialog(handle(), id);
                return true;
            default:
                return false;
        }
    }

    TagEditDialog dialog_;
    bool filling_ = false;
};

}  // namespace

std::optional<std::vector<TagEdits>> editTags(HWND owner, std::vector<TagEditDialog::Row> rows,
                                              HINSTANCE module) {
    TagEditWindow window(std::move(rows), module);
    return window.run(owner);
}

}  // namespace ui
