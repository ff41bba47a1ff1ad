// The General page of the options sheet: what each of its controls shows, which are enabled, what a click
// does, when leaving the page is refused, and what goes back into the settings on OK. The page works on
// its own copy of the settings; the caller's record changes only in apply.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/AppSettings.h"
#include "settings/Settings.h"

class SettingsStore;

namespace platform {
class Prompts;
class Shell;
}  // namespace platform

namespace ui {

// Why the page cannot be left: a warning titled "Melodrift", then the focus goes to the control.
struct PageRefusal {
    std::string message;
    int focusControlId = 0;
};

// A spin control, the edit it drives and its range.
struct SpinRange {
    int spinId;
    int editId;
    int low;
    int high;
};

// A length shown as four fields.
struct LengthFields {
    uint32_t hours = 0, minutes = 0, seconds = 0, milliseconds = 0;
};
LengthFields splitLength(uint32_t milliseconds);
// None when the sum does not fit the 32-bit setting.
std::optional<uint32_t> joinLength(const LengthFields& fields);

extern const char* const kNormalizeHelpText;
extern const char* const kChooseOutputFolderTitle;
inline constexpr uint32_t kLongestLength = 0xFFFFFFFFu;  // 1193:02:47.295
inline constexpr int kMaxAudioIndex = 32767;

class GeneralPage {
public:
    explicit GeneralPage(const AppSettings& settings);

    // The page is shown for the first time: fills the histories (extension presets when that history is
    // missing) and settles the values the controls cannot show.
    void open(SettingsStore& store);
    bool isOpen() const { return open_; }

    // Control ids in the order a page fills them.
    static const std::vector<int>& checkBoxIds();
    static const std::vector<int>& textIds();   // the edits and the two combos with an edit
    static const std::vector<int>& comboIds();  // all four combos
    static const std::vector<SpinRange>& spins();

    bool checked(int id) const;
    // A check box was clicked. Gives the control that takes the focus now, or 0.
    int setChecked(int id, bool on);
    std::string text(int id) const;
    void setText(int id, const std::string& text);
    std::vector<std::string> items(int comboId) const;
    // Item data of the two drop-down lists (199/399 and 11/22/33); empty for the history combos.
    std::vector<uint32_t> itemData(int comboId) const;
    int selection(int comboId) const;  // -1: none
    // The user picked an item: a history item becomes the edit text, a list choice may enable controls.
    void select(int comboId, int index);
    bool enabled(int id) const;
    bool visible(int id) const;

    // Leaving the page: reads the texts, normalises, and refuses what cannot be converted. After a
    // successful leave the texts show the normalised values.
    std::optional<PageRefusal> leave();
    // OK: leaves the page (refusing as leave does, then nothing is written), pushes the histories and
    // copies the page's fields into settings, rebuilding its extension list. A page that was never opened
    // gives back its fields unchanged.
    std::optional<PageRefusal> apply(AppSettings& settings, SettingsStore& store);

    // The buttons.
    void browseFolder(platform::Shell& shell, void* owner);
    void openFolder(platform::Shell& shell, platform::Prompts& prompts, void* owner) const;
    static void showNormalizeHelp(platform::Prompts& prompts, void* owner);

    // The fields as they stand (for the owner and tests).
    const AppSettings& fields() const { return fields_; }

private:
    struct Row {
        int enableId;
        int fieldIds[4];
        uint32_t AppSettings::*enable;
        uint32_t AppSettings::*length;
    };
    static const Row kRows[3];
    const Row* rowOf(int id) const;
    uint32_t* flagOf(int id);
    const uint32_t* flagOf(int id) const;
    void showLength(const Row& row);
    void showAll();
    bool specificFolderChosen() const;

    AppSettings fields_;
    HistoryList extensions_;
    HistoryList folders_;
    std::string audioIndexText_;
    std::string lengthTexts_[3][4];
    int folderChoice_ = 0;
    int targetChoice_ = 0;
    bool open_ = false;
};

}  // namespace ui
