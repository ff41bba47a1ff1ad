#include "ui/logic/CustomFormatsDialog.h"

#include <algorithm>

#include "formats/Catalogue.h"

namespace ui {

namespace {

// The members the catalogue knows, in catalogue order and each once.
std::vector<int32_t> knownMembers(const Catalogue& catalogue, const std::vector<int32_t>& ids) {
    std::vector<int32_t> known;
    for (const auto& format : catalogue.formats()) {
        if (std::find(ids.begin(), ids.end(), format->id) != ids.end() &&
            std::find(known.begin(), known.end(), format->id) == known.end())
            known.push_back(format->id);
    }
    return known;
}

}  // namespace

CustomFormatsDialog::CustomFormatsDialog(const Catalogue& catalogue,
                                         const std::vector<CustomOutputFormat>& groups)
    : catalogue_(catalogue) {
    for (const CustomOutputFormat& group : groups)
        groups_.push_back({group.name, knownMembers(catalogue, group.ids)});
    if (!groups_.empty()) selected_ = 0;
}

std::vector<std::string> CustomFormatsDialog::groupNames() const {
    std::vector<std::string> names;
    for (const CustomOutputFormat& group : groups_) names.push_back(group.name);
    return names;
}

bool CustomFormatsDialog::isMember(int32_t id) const {
    const auto& ids = groups_[*selected_].ids;
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

std::vector<CustomFormatsDialog::FormatItem> CustomFormatsDialog::availableFormats() const {
    std::vector<FormatItem> items;
    if (!selected_) return items;
    for (const auto& format : catalogue_.formats()) {
        if (!isMember(format->id)) items.push_back({format->id, " " + formatLabel(*format)});
    }
    return items;
}

std::vector<CustomFormatsDialog::FormatItem> CustomFormatsDialog::outputFormats() const {
    std::vector<FormatItem> items;
    if (!selected_) return items;
    for (const auto& format : catalogue_.formats()) {
        if (isMember(format->id)) items.push_back({format->id, " " + formatLabel(*format)});
    }
    return items;
}

size_t CustomFormatsDialog::selectedCount(bool members) const {
    if (!selected_) return 0;
    return static_cast<size_t>(
        std::count_if(chosen_.begin(), chosen_.end(), [&](int32_t id) { return isMember(id) == members; }));
}

bool CustomFormatsDialog::canAdd() const { return selectedCount(false) > 0; }
bool CustomFormatsDialog::canRemove() const { return selectedCount(true) > 0; }

void CustomFormatsDialog::selectGroup(std::optional<size_t> index) {
    if (index && *index >= groups_.size()) index.reset();
    if (index == selected_) return;
    selected_ = index;
    chosen_.clear();
}

void CustomFormatsDialog::setAvailableSelection(const std::vector<int32_t>& ids) {
    if (!selected_) return;
    std::erase_if(chosen_, [&](int32_t id) { return !isMember(id); });
    for (int32_t id : ids) {
        if (!isMember(id) && catalogue_.findById(id) != nullptr) chosen_.insert(id);
    }
}

void CustomFormatsDialog::setOutputSelection(const std::vector<int32_t>& ids) {
    if (!selected_) return;
    std::erase_if(chosen_, [&](int32_t id) { return isMember(id); });
    for (int32_t id : ids) {
        if (isMember(id)) chosen_.insert(id);
    }
}

void CustomFormatsDialog::addSelected() {
    if (!selected_) return;
    std::vector<int32_t> moved;
    for (int32_t id : chosen_) {
        if (!isMember(id)) moved.push_back(id);
    }
    auto& ids = groups_[*selected_].ids;
    ids.insert(ids.end(), moved.begin(), moved.end());
    ids = knownMembers(catalogue_, ids);
    for (int32_t id : moved) chosen_.erase(id);
}

void CustomFormatsDialog::removeSelected() {
    if (!selected_) return;
    auto& ids = groups_[*selected_].ids;
    std::vector<int32_t> moved;
    std::erase_if(ids, [&](int32_t id) {
        if (chosen_.count(id) == 0) return false;
        moved.push_back(id);
        return true;
    });
    for (int32_t id : moved) chosen_.erase(id);
}

void CustomFormatsDialog::newGroup(const std::string& name) {
    groups_.push_back({name, {}});
    selectGroup(groups_.size() - 1);
}

void CustomFormatsDialog::renameSelected(const std::string& name) {
    if (selected_) groups_[*selected_].name = name;
}

void CustomFormatsDialog::removeSelectedGroup() {
    if (!selected_) return;
    groups_.erase(groups_.begin() + static_cast<std::ptrdiff_t>(*selected_));
    selected_.reset();
    chosen_.clear();
}

std::optional<CustomFormatsDialog::Refusal> CustomFormatsDialog::accept() {
    for (size_t i = 0; i < groups_.size(); ++i) {
        if (!groups_[i].ids.empty()) continue;
        selectGroup(i);
        return Refusal{"Please choose one output format at least for \"" + groups_[i].name + "\".", i};
    }
    return std::nullopt;
}

std::optional<std::string> nameInputRefusal(const std::string& text, const std::string& noun,
                                            bool allowEmpty) {
    if (!text.empty() || allowEmpty) return std::nullopt;
    return "Please input a " + noun + ".";
}

}  // namespace ui
