// Message boxes with the product's caption. Windows and engines ask through this interface, so tests put
// a recorder in the place of the real boxes.
#pragma once

#include <string>

namespace platform {

enum class PromptIcon { kInformation, kWarning, kError };
enum class PromptButtons { kOk, kOkCancel, kYesNo };
enum class PromptAnswer { kOk, kCancel, kYes, kNo };

class Prompts {
public:
    virtual ~Prompts() = default;
    // A modal box owned by the window (may be null) with the caption "Melodrift".
    virtual PromptAnswer show(void* owner, const std::string& text, PromptIcon icon,
                              PromptButtons buttons = PromptButtons::kOk) = 0;
};

// Windows: MessageBoxW. POSIX: the text on standard error, answered with OK (or Yes).
Prompts& systemPrompts();

}  // namespace platform
