#include "ui/CommandMenus.h"

#include "platform/win32/WinText.h"

namespace ui {

using platform::win32::widen;

MenuHandle commandMenu(commands::Menu menu) {
    MenuHandle popup(CreatePopupMenu());
    if (popup) fillMenu(popup.get(), commands::menuEntries(menu));
    return popup;
}

void fillMenu(HMENU menu, const std::vector<commands::MenuEntry>& entries, bool radioMarks) {
    while (GetMenuItemCount(menu) > 0) DeleteMenu(menu, 0, MF_BYPOSITION);
    for (const commands::MenuEntry& entry : entries) {
        const std::wstring text = widen(entry.text);
        if (entry.submenu) {
            MenuHandle submenu(CreatePopupMenu());
            if (!submenu) continue;
            fillMenu(submenu.get(), {commands::noStreamEntry()});
            const UINT flags = MF_POPUP | MF_STRING | (entry.enabled ? MF_ENABLED : MF_GRAYED);
            // The menu owns the submenu once it holds it.
            if (AppendMenuW(menu, flags, reinterpret_cast<UINT_PTR>(submenu.get()), text.c_str()))
                submenu.release();
        } else if (entry.id == 0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            const UINT flags =
                MF_STRING | (entry.enabled ? MF_ENABLED : MF_GRAYED) | (entry.checked ? MF_CHECKED : 0u);
            AppendMenuW(menu, flags, entry.id, text.c_str());
            if (entry.checked && radioMarks)
                CheckMenuRadioItem(menu, entry.id, entry.id, entry.id, MF_BYCOMMAND);
        }
    }
}

KeyTableHandle commandKeys() {
    std::vector<ACCEL> keys;
    for (const commands::Command& command : commands::kCommands) {
        if (command.key.virtualKey == 0) continue;
        ACCEL key{};
        key.fVirt = static_cast<BYTE>(FVIRTKEY | FNOINVERT | (command.key.ctrl ? FCONTROL : 0));
        key.key = command.key.virtualKey;
        key.cmd = static_cast<WORD>(command.id);
        keys.push_back(key);
    }
    return KeyTableHandle(CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size())));
}

}  // namespace ui
