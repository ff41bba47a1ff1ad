// The "Customize Output Formats" dialog and its name input, without windows: the groups being edited,
// the contents of the three lists, which buttons work, and what OK hands back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "formats/CustomFormats.h"

class Catalogue;

namespace ui {

class CustomFormatsDialog {
public:
    struct FormatItem {
        int32_t id = 0;
        std::string label;  // " MP3", " WV (WavPack Lossless) (*.wv)"
    };
    // OK refused: the message and the group it names (now the selected one).
    struct Refusal {
        std::string message;
        size_t group = 0;
    };

    // Works on copies of the groups. A copy holds only the members the catalogue knows, each once, in
    // catalogue order: what the lists show is what OK hands back, so a group whose formats all left the
    // catalogue counts as empty. The first group starts selected.
    CustomFormatsDialog(const Catalogue& catalogue, const std::vector<CustomOutputFormat>& groups);

    std::vector<std::string> groupNames() const;
    std::optional<size_t> selectedGroup() const { return selected_; }
    // The selected group's catalogue formats outside it and inside it, both in catalogue order; empty
    // lists when no group is selected.
    std::vector<FormatItem> availableFormats() const;
    std::vector<FormatItem> outputFormats() const;
    bool isSelected(int32_t id) const { return chosen_.count(id) != 0; }

    // ">>" and "<<": something selected on their side.
    bool canAdd() const;
    bool canRemove() const;
    // "&Edit" and "&Remove" act on the selected group.
    bool hasSelectedGroup() const { return selected_.has_value(); }

    // A different group (or none) shows its lists with nothing selected in them.
    void selectGroup(std::optional<size_t> index);
    // The user's selection in a format list, by the formats' ids (ids of the other list are ignored).
    void setAvailableSelection(const std::vector<int32_t>& ids);
    void setOutputSelection(const std::vector<int32_t>& ids);

    // Moves the selected available formats into the group (">>") or the selected members out ("<<");
    // the group stays in catalogue order and the moved formats end unselected.
    void addSelected();
    void removeSelected();

    // A new empty group at the end, selected.
    void newGroup(const std::string& name);
    // Renames the selected group; nothing without one.
    void renameSelected(const std::string& name);
    // Removes the selected group; no group is selected afterwards.
    void removeSelectedGroup();

    // OK: the groups in order when every one has a format; else the refusal for the first empty one,
    // which becomes the selected group.
    std::optional<Refusal> accept();
    const std::vector<CustomOutputFormat>& groups() const { return groups_; }

private:
    bool isMember(int32_t id) const;
    size_t selectedCount(bool members) const;

    const Catalogue& catalogue_;
    std::vector<CustomOutputFormat> groups_;
    std::optional<size_t> selected_;
    std::set<int32_t> chosen_;  // selected items of both format lists, by id
};

// The name input's titles, noun and check.
inline constexpr char kNewNameTitle[] = "Input a Name";
inline constexpr char kEditNameTitle[] = "Edit Name";
inline constexpr char kNameNoun[] = "name";

// Why the name input refuses text: "Please input a name." for an empty text unless empty is allowed.
// Blanks count as text.
std::optional<std::string> nameInputRefusal(const std::string& text, const std::string& noun,
                                            bool allowEmpty);

}  // namespace ui
