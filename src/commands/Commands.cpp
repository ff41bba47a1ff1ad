#include "commands/Commands.h"

namespace commands {

const Command* find(uint32_t id) {
    for (const Command& command : kCommands) {
        if (id >= command.id && id <= command.last()) return &command;
    }
    return nullptr;
}

bool isStream(uint32_t id) { return id >= ID_FIRST_STREAM && id <= ID_LAST_STREAM; }

std::string keyText(Key key) {
    if (key.virtualKey == 0) return {};
    std::string name;
    if (key.virtualKey == kKeyDelete) {
        name = "Del";
    } else if (key.virtualKey >= kKeyF1 && key.virtualKey < kKeyF1 + 24) {
        name = "F" + std::to_string(key.virtualKey - kKeyF1 + 1);
    } else {
        name = std::string(1, static_cast<char>(key.virtualKey));
    }
    return key.ctrl ? "Ctrl+" + name : name;
}

std::vector<MenuEntry> menuEntries(Menu menu) {
    std::vector<MenuEntry> entries;
    for (const Command& command : kCommands) {
        if (command.menu != menu || menu == Menu::kNone) continue;
        if (command.separatorBefore) entries.emplace_back();
        const std::string key = keyText(command.key);
        MenuEntry entry;
        entry.submenu = command.last() != command.id;
        entry.id = entry.submenu ? 0 : command.id;
        entry.text = key.empty() ? command.menuText : std::string(command.menuText) + "\t" + key;
        entries.push_back(std::move(entry));
    }
    return entries;
}

MenuEntry noStreamEntry() { return MenuEntry{ID_NO_STREAM, "None", false, false, false}; }

}  // namespace commands
