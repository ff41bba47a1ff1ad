#include <cstdio>

#include "platform/Prompts.h"

namespace platform {

namespace {

class ConsolePrompts final : public Prompts {
public:
    PromptAnswer show(void*, const std::string& text, PromptIcon, PromptButtons buttons) override {
        std::fprintf(stderr, "Melodrift: %s\n", text.c_str());
        return buttons == PromptButtons::kYesNo ? PromptAnswer::kYes : PromptAnswer::kOk;
    }
};

}  // namespace

Prompts& systemPrompts() {
    static ConsolePrompts prompts;
    return prompts;
}

}  // namespace platform
