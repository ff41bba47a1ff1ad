// Message boxes that record their texts and answer as the test says.
#pragma once

#include <string>
#include <vector>

#include "platform/Prompts.h"

namespace testing_support {

class PromptsRecorder final : public platform::Prompts {
public:
    std::vector<std::string> texts;
    platform::PromptAnswer answer = platform::PromptAnswer::kOk;

    platform::PromptAnswer show(void*, const std::string& text, platform::PromptIcon,
                                platform::PromptButtons) override {
        texts.push_back(text);
        return answer;
    }
};

}  // namespace testing_support
