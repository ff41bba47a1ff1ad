// The General page of the options sheet: what each of its controls shows, which are enabled, what a click
// does, when leaving the page is refused, and what goes back into the settings on OK. The page works on
// its own copy of the settings; the caller's record changes only in apply.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/AppSettings.h"
#include "settings/Settings.h"
#include "sources/SourceTags.h"
#include "ui/logic/OptionPresenter.h"

class SettingsStore;

namespace platform {
class Prompts;
class Shell;
}  // namespace platform

namespace ui {

// A spin control, the edit it drives and its range.
struct SpinRange {
    int spinId;
    int editId;
    int low;
    int high;
};

// How a field of the settings is shown on the page.
enum class FieldKind {
    kCheck,    // a check box: the flag 0 or 1
    kChoice,   // a drop-down list whose items carry the values
    kHistory,  // a combo with an edit and the field's earlier values below it
    kNumber,   // an edit with a spin: a whole number
    kLength,   // four edits with spins: hours, minutes, seconds and milliseconds of a length
    kText,     // an edit: a text, as typed but for the blanks at its ends
};

// An edit with its spin; the spin counts from 0 to high.
struct SpinEdit {
    int editId = 0;
    int spinId = 0;
    int high = 0;
};

struct ChoiceItem {
    const char* label;
    uint32_t value;
};

// One field of the settings and the controls that show it. Exactly the bound fields are shown, read back
// and given back on OK.
struct FieldBinding {
    FieldKind kind;
    uint32_t AppSettings::*number = nullptr;   // every kind but kHistory
    std::string AppSettings::*text = nullptr;  // kHistory, kText
    int controlId = 0;                         // the check box or the combo; for the others edits[0]
    int enabledBy = 0;                         // the check box that turns the field on, if one does
    SpinEdit edits[4] = {};                    // kNumber: the first; kLength: all four
    std::vector<ChoiceItem> choices = {};      // kChoice
    std::string_view historyKey = {};          // kHistory: the store's subkey
    std::vector<std::string> presets = {};     // kHistory: the items while none are stored
    int editCount() const;
    bool holds(int id) const;  // one of its controls
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

class GeneralPage final : public OptionPresenter {
public:
    explicit GeneralPage(const AppSettings& settings);
    explicit GeneralPage(const OptionContext& context);

    // The page's fields, in the order the page fills them.
    static const std::vector<FieldBinding>& bindings();
    static const FieldBinding& binding(uint32_t AppSettings::*field);
    static const FieldBinding& binding(std::string AppSettings::*field);

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

    // What the name pattern makes of the focused row, or why the pattern cannot be used.
    std::string namePreview() const;

    // Leaving the page: reads the texts, normalises, and refuses what cannot be converted. After a
    // successful leave the texts show the normalised values.
    std::optional<PageRefusal> leave();
    // OK: leaves the page (refusing as leave does, then nothing is written), pushes the histories and
    // copies the page's fields into settings, rebuilding its extension list. A page that was never opened
    // gives back its fields unchanged.
    std::optional<PageRefusal> apply(AppSettings& settings, SettingsStore& store);

    // The sheet's OK: leave (when the page was opened), then the histories and the fields.
    std::optional<PageRefusal> validate() override;
    void commit(OptionContext& context) override;

    // The buttons.
    void browseFolder(platform::Shell& shell, void* owner);
    void openFolder(platform::Shell& shell, platform::Prompts& prompts, void* owner) const;
    static void showNormalizeHelp(platform::Prompts& prompts, void* owner);

    // The fields as they stand (for the owner and tests).
    const AppSettings& fields() const { return fields_; }

private:
    // What the page holds for a binding while it is shown: the edits' texts, or the history.
    struct FieldState {
        std::string texts[4];
        HistoryList history;
    };
    const FieldBinding* bindingOf(int id) const;
    FieldState& stateOf(const FieldBinding& binding);
    const FieldState& stateOf(const FieldBinding& binding) const;
    HistoryList& historyOf(std::string AppSettings::*field);
    const HistoryList& historyOf(std::string AppSettings::*field) const;
    bool turnedOn(const FieldBinding& binding) const;
    void showAll();
    void write(AppSettings& settings, SettingsStore& store);
    bool specificFolderChosen() const;

    AppSettings fields_;
    std::vector<FieldState> states_;  // one for each binding
    // The focused row as the preview names it, and the extension of the chosen format.
    struct NameSample {
        SourceTags tags;
        std::string namingSource;
    };
    std::optional<NameSample> sample_;
    std::string extension_;
    bool open_ = false;
};

}  // namespace ui
