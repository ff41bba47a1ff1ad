#include "ui/logic/RunWindowsLogic.h"

#include "platform/Files.h"
#include "platform/Product.h"
#include "platform/Text.h"

namespace ui {

std::vector<std::string> ProgressWindowModel::priorityTexts() {
    std::vector<std::string> texts;
    for (const auto& item : kPriorityItems) texts.emplace_back(item.text);
    return texts;
}

std::vector<std::string> ProgressWindowModel::threadTexts() {
    std::vector<std::string> texts;
    for (uint32_t n = 1; n <= kMostThreads; ++n) texts.push_back(std::to_string(n));
    return texts;
}

std::optional<size_t> ProgressWindowModel::prioritySelection() const {
    for (size_t i = 0; i < kPriorityItems.size(); ++i) {
        if (kPriorityItems[i].priorityClass == setup_.priorityClass) return i;
    }
    return std::nullopt;
}

size_t ProgressWindowModel::threadSelection() const {
    if (setup_.threads < 1 || setup_.threads > kMostThreads) return 0;
    return setup_.threads - 1;
}

std::string ProgressWindowModel::folderText() const {
    return setup_.outputFolder.empty() ? std::string(kSameAsSourceText) : setup_.outputFolder;
}

std::optional<std::string> ProgressWindowModel::folderToOpen() const {
    if (setup_.outputFolder.empty() || !platform::isExistingFolder(setup_.outputFolder)) return std::nullopt;
    return setup_.outputFolder;
}

std::optional<uint32_t> ProgressWindowModel::choosePriority(size_t index) {
    if (index >= kPriorityItems.size()) return std::nullopt;
    setup_.priorityClass = kPriorityItems[index].priorityClass;
    return setup_.priorityClass;
}

std::optional<uint32_t> ProgressWindowModel::chooseThreads(size_t index) {
    if (index >= kMostThreads) return std::nullopt;
    setup_.threads = static_cast<uint32_t>(index) + 1;
    return setup_.threads;
}

std::string ShutdownCountdown::warningText() {
    return platform::fillIn(
        "%s is going to shut down Windows. Please click Cancel if you want to keep Windows running.",
        product::kName);
}

std::optional<std::string> ShutdownCountdown::tick() {
    if (remaining_ <= 0) return std::nullopt;
    std::string text = std::to_string(remaining_) + " seconds remaining";
    --remaining_;
    return text;
}

std::string shutdownFailureText(std::string_view systemText) {
    std::string clean;
    for (const char c : systemText) {
        if (c != '\r' && c != '\n') clean.push_back(c);
    }
    const std::string message = platform::fillIn(
        "%s failed to shut down Windows because of the following error.\n\n%s", product::kName);
    return platform::fillIn(message, clean);
}

std::string shutdownFailureMessage(uint32_t error) {
    return shutdownFailureText(platform::systemErrorText(error).value_or("error " + std::to_string(error)));
}

}  // namespace ui
