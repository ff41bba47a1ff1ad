#include <windows.h>

#include "platform/Prompts.h"
#include "platform/win32/WinText.h"

namespace platform {

namespace {

class MessageBoxPrompts final : public Prompts {
public:
    PromptAnswer show(void* owner, const std::string& text, PromptIcon icon, PromptButtons buttons) override {
        UINT type = icon == PromptIcon::kInformation ? MB_ICONINFORMATION
                    : icon == PromptIcon::kWarning   ? MB_ICONEXCLAMATION
                                                     : MB_ICONERROR;
        type |= buttons == PromptButtons::kOkCancel ? MB_OKCANCEL
                : buttons == PromptButtons::kYesNo  ? MB_YESNO
                                                    : MB_OK;
        const int answer =
            MessageBoxW(static_cast<HWND>(owner), win32::widen(text).c_str(), L"Melodrift", type);
        switch (answer) {
            case IDCANCEL:
                return PromptAnswer::kCancel;
            case IDYES:
                return PromptAnswer::kYes;
            case IDNO:
                return PromptAnswer::kNo;
            default:
                return PromptAnswer::kOk;
        }
    }
};

}  // namespace

Prompts& systemPrompts() {
    static MessageBoxPrompts prompts;
    return prompts;
}

}  // namespace platform
