// The program's commands, each defined once: its id, its menu entry (text with the access key, which menu,
// a separator before it), its key and when it is offered. The menus, the key table and the list's greying
// are all made from this table; a new command is one row here plus its handler in the main window.
// The ids are plain defines so that the resource script can use them too; the buttons of the main window
// have the ids of the commands they run (the homepage link is Homepage).
#pragma once

#define ID_CLOSE 1000
#define ID_REMOVE_ALL 1005
#define ID_OPTIONS 1014
#define ID_ABOUT 1017
#define ID_ADD_FOLDER 1024
#define ID_MINIMIZE 1030
#define ID_HELP_MENU 1060
#define ID_SELECT_ALL 1156
#define ID_REMOVE 32772
#define ID_ADD_FILES 32773
#define ID_PLAY_SOURCE 32775
#define ID_BROWSE_SOURCE 32777
#define ID_CONVERT_ALL_TO_ONE 32778
#define ID_CONVERT_SELECTED_TO_ONE 32779
#define ID_BROWSE_DESTINATION 32780
#define ID_PLAY_DESTINATION 32781
#define ID_TELL_A_FRIEND 32782
#define ID_FEEDBACK 32783
#define ID_HOMEPAGE 32784
#define ID_CHECK_UPDATES 32785
#define ID_CONVERT_SELECTED 32786
#define ID_CONVERT_ALL 32787
#define ID_NO_STREAM 32788
#define ID_ADD_DVD 32789
#define ID_MOVE_UP 32793
#define ID_MOVE_DOWN 32794
#define ID_SELECTED_LENGTH 32795
#define ID_ALL_LENGTH 32796
#define ID_SELECT_FAILED 32797
#define ID_EDIT_TAGS 32798
#define ID_ANALYZE_LOUDNESS 32799
#define ID_HELP_TOPICS 57670
// The audio stream submenu: entry n picks stream n of the focused selected row.
#define ID_FIRST_STREAM 9000
#define ID_LAST_STREAM 9099
// The list header's menu: entry n shows or hides column n.
#define ID_FIRST_COLUMN 9100
#define ID_LAST_COLUMN 9199

#ifndef RC_INVOKED

#include <cstdint>
#include <string>
#include <vector>

namespace commands {

enum class Menu : uint8_t { kNone, kList, kHelp };

// When the list offers a command (greyed otherwise).
enum class Offered : uint8_t {
    kAlways,
    kWithSelection,    // some row is selected
    kWithRows,         // the list is not empty
    kWithDestination,  // the focused selected row has an output of its last run
    kWithFailedRows,   // some row's last job failed
    kNever,
};

// Windows virtual key codes (letters are their upper-case characters).
inline constexpr uint16_t kKeyDelete = 0x2E;
inline constexpr uint16_t kKeyF1 = 0x70;
constexpr uint16_t functionKey(int n) { return static_cast<uint16_t>(kKeyF1 + n - 1); }

struct Key {
    uint16_t virtualKey = 0;  // 0: no key
    bool ctrl = false;
};

struct Command {
    uint32_t id;
    const char* menuText;  // with the access key; null: no menu entry
    Menu menu;
    bool separatorBefore;
    Key key;
    Offered offered;
    uint32_t lastId = 0;  // a range of ids from id to lastId (the streams, a submenu); 0: id alone

    uint32_t last() const { return lastId == 0 ? id : lastId; }
};

// clang-format off
inline constexpr Command kCommands[] = {
    // The list's context menu, in its order.
    {ID_FIRST_STREAM, "Audio &Streams", Menu::kList, false, {}, Offered::kAlways, ID_LAST_STREAM},
    {ID_CONVERT_SELECTED, "Conver&t Selected", Menu::kList, true, {functionKey(4)}, Offered::kWithSelection},
    {ID_CONVERT_ALL, "&Convert All", Menu::kList, false, {functionKey(5)}, Offered::kWithRows},
    {ID_SELECT_FAILED, "Select Fa&iled", Menu::kList, false, {'I', true}, Offered::kWithFailedRows},
    {ID_CONVERT_SELECTED_TO_ONE, "Con&vert Selected to One", Menu::kList, true, {functionKey(6)}, Offered::kWithSelection},
    {ID_CONVERT_ALL_TO_ONE, "Convert All to &One", Menu::kList, false, {functionKey(7)}, Offered::kWithRows},
    {ID_PLAY_SOURCE, "&Play Source", Menu::kList, true, {functionKey(8)}, Offered::kWithSelection},
    {ID_PLAY_DESTINATION, "P&lay Destination", Menu::kList, false, {functionKey(9)}, Offered::kWithDestination},
    {ID_BROWSE_SOURCE, "&Browse Source Folder", Menu::kList, true, {functionKey(11)}, Offered::kWithSelection},
    {ID_BROWSE_DESTINATION, "Bro&wse Destination Folder", Menu::kList, false, {functionKey(12)}, Offered::kWithDestination},
    {ID_ADD_FILES, "&Add Files...", Menu::kList, true, {'O', true}, Offered::kAlways},
    {ID_ADD_FOLDER, "Add &Folder", Menu::kList, false, {'F', true}, Offered::kAlways},
    {ID_ADD_DVD, "Add &DVD", Menu::kList, false, {'D', true}, Offered::kAlways},
    {ID_REMOVE, "&Remove", Menu::kList, true, {kKeyDelete}, Offered::kWithSelection},
    {ID_REMOVE_ALL, "R&emove All", Menu::kList, false, {kKeyDelete, true}, Offered::kWithRows},
    {ID_SELECTED_LENGTH, "Calculate Selected Le&ngth", Menu::kList, true, {'C', true}, Offered::kWithSelection},
    {ID_ALL_LENGTH, "Calculate All Lengt&h", Menu::kList, false, {'X', true}, Offered::kWithRows},
    {ID_ANALYZE_LOUDNESS, "Analy&ze Loudness", Menu::kList, false, {'L', true}, Offered::kWithSelection},
    {ID_MOVE_UP, "Move &Up", Menu::kList, true, {functionKey(2)}, Offered::kWithSelection},
    {ID_MOVE_DOWN, "&Move Down", Menu::kList, false, {functionKey(3)}, Offered::kWithSelection},
    {ID_EDIT_TAGS, "Edit Ta&gs...", Menu::kList, true, {'T', true}, Offered::kWithSelection},
    // The help menu under the Help button, in its order.
    {ID_HELP_TOPICS, "&Help Topics", Menu::kHelp, false, {kKeyF1}, Offered::kAlways},
    {ID_TELL_A_FRIEND, "&Tell A Friend", Menu::kHelp, true, {}, Offered::kAlways},
    {ID_FEEDBACK, "&Feedback and Support", Menu::kHelp, false, {}, Offered::kAlways},
    {ID_HOMEPAGE, "Home&page", Menu::kHelp, false, {}, Offered::kAlways},
    {ID_CHECK_UPDATES, "&Check for Updates", Menu::kHelp, false, {}, Offered::kAlways},
    {ID_ABOUT, "&About...", Menu::kHelp, true, {}, Offered::kAlways},
    // Keys and buttons without a menu entry; the stream submenu's placeholder.
    {ID_SELECT_ALL, nullptr, Menu::kNone, false, {'A', true}, Offered::kAlways},
    {ID_OPTIONS, nullptr, Menu::kNone, false, {}, Offered::kAlways},
    {ID_HELP_MENU, nullptr, Menu::kNone, false, {}, Offered::kAlways},
    {ID_MINIMIZE, nullptr, Menu::kNone, false, {}, Offered::kAlways},
    {ID_CLOSE, nullptr, Menu::kNone, false, {}, Offered::kAlways},
    {ID_NO_STREAM, nullptr, Menu::kNone, false, {}, Offered::kNever},
    // The header's column menu, which the list builds from its columns and answers itself.
    {ID_FIRST_COLUMN, nullptr, Menu::kNone, false, {}, Offered::kNever, ID_LAST_COLUMN},
};
// clang-format on

// One entry of a menu as a view builds it: a separator when id is 0 and it is no submenu. text carries
// the access key ('&') and, after a tab, the command's key.
struct MenuEntry {
    uint32_t id = 0;
    std::string text;
    bool enabled = true;
    bool checked = false;  // a radio mark, or a check mark where several may be on
    bool submenu = false;  // "Audio &Streams": its entries are the row's streams
};

// The row of an id (any id of a range); null for ids that are no command.
const Command* find(uint32_t id);
bool isStream(uint32_t id);
// "F4", "Ctrl+O", "Del", "Ctrl+Del"; empty for no key.
std::string keyText(Key key);
// A menu's entries in order, with its separators, every entry enabled.
std::vector<MenuEntry> menuEntries(Menu menu);
// What the stream submenu holds while no row is there to choose for.
MenuEntry noStreamEntry();

}  // namespace commands

#endif
