#include "ui/logic/GeneralPage.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "engine/NamePattern.h"
#include "engine/OutputNaming.h"
#include "formats/Catalogue.h"
#include "formats/OutputFormat.h"
#include "platform/Files.h"
#include "platform/Prompts.h"
#include "platform/Shell.h"
#include "resources/resource.h"
#include "sources/SourceItem.h"

namespace ui {

const char* const kNormalizeHelpText =
    "Please check the option if files were encoded with different parameters such as file format, audio "
    "codec, audio sample rate, audio bit rate, audio channels.\n\nYou can check-off the option if files were "
    "encoded in exactly the same parameters or recorded by same device for example DC, DV, cell phone, voice "
    "recorder, etc. This will make \"Convert to One\" faster.";
const char* const kChooseOutputFolderTitle = "Please choose an output folder:";

namespace {

const char* const kPositiveIntegerMessage = "Please enter a positive integer.";
const char* const kIntegerMessage = "Please enter an integer.";
const char* const kChooseFolderMessage = "Please choose an output folder.";
const char* const kFullFolderMessage =
    "Please enter the full path of the output folder, for example D:\\Output.";
const char* const kEnterExtensionsMessage = "Please enter file extensions you need to filter.";
const char* const kZeroConvertLengthMessage = "Conversion length must be greater than 0 millisecond.";
const char* const kLengthTooLongMessage =
    "The time must not be longer than 1193 hours 2 minutes 47 seconds 295 milliseconds.";
const char* const kAudioIndexRangeMessage = "Please enter an audio stream number from 1 to 32767.";

const std::vector<std::string> kExtensionPresets = {
    "avi", "flv", "mkv,mka", "mp4,m4v,mov", "mpg,mpeg,mpe", "ogg,ogm,ogv", "vob,evo,evob", "wmv"};
// Controls that only make sense for a specific output folder.
const int kFolderControls[] = {IDC_GEN_SPECIFIC_FOLDER, IDC_GEN_BROWSE_FOLDER, IDC_GEN_OPEN_FOLDER,
                               IDC_GEN_CREATE_DIRS, IDC_GEN_CREATE_DIRS_EXAMPLE};

std::string trimBlanks(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Whole numbers as the edits hold them: digits, optionally between blanks, within the type's range.
std::optional<uint32_t> parseUnsigned(const std::string& text) {
    const std::string digits = trimBlanks(text);
    if (digits.empty() || digits.size() > 10) return std::nullopt;
    uint64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<uint32_t>(value);
}

std::optional<int32_t> parseSigned(const std::string& text) {
    std::string digits = trimBlanks(text);
    bool negative = false;
    if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
        negative = digits[0] == '-';
        digits.erase(0, 1);
    }
    const std::optional<uint32_t> magnitude = parseUnsigned(digits);
    if (!magnitude || digits != trimBlanks(digits)) return std::nullopt;
    if (negative ? *magnitude > 0x80000000u : *magnitude > 0x7FFFFFFFu) return std::nullopt;
    return negative ? static_cast<int32_t>(-static_cast<int64_t>(*magnitude))
                    : static_cast<int32_t>(*magnitude);
}

int indexOf(const std::vector<ChoiceItem>& choices, uint32_t value) {
    for (size_t i = 0; i < choices.size(); ++i)
        if (choices[i].value == value) return static_cast<int>(i);
    return -1;
}

FieldBinding check(int id, uint32_t AppSettings::*field, int enabledBy = 0) {
    return {.kind = FieldKind::kCheck, .number = field, .controlId = id, .enabledBy = enabledBy};
}

FieldBinding choice(int id, uint32_t AppSettings::*field, std::vector<ChoiceItem> choices) {
    return {.kind = FieldKind::kChoice, .number = field, .controlId = id, .choices = std::move(choices)};
}

FieldBinding history(int id, std::string AppSettings::*field, int enabledBy, std::string_view key,
                     std::vector<std::string> presets = {}) {
    return {.kind = FieldKind::kHistory,
            .text = field,
            .controlId = id,
            .enabledBy = enabledBy,
            .historyKey = key,
            .presets = std::move(presets)};
}

FieldBinding textEdit(int id, std::string AppSettings::*field) {
    return {.kind = FieldKind::kText, .text = field, .controlId = id};
}

FieldBinding number(SpinEdit edit, uint32_t AppSettings::*field) {
    return {.kind = FieldKind::kNumber, .number = field, .controlId = edit.editId, .edits = {edit}};
}

FieldBinding length(int enabledBy, SpinEdit hours, SpinEdit minutes, SpinEdit seconds, SpinEdit milliseconds,
                    uint32_t AppSettings::*field) {
    return {.kind = FieldKind::kLength,
            .number = field,
            .controlId = hours.editId,
            .enabledBy = enabledBy,
            .edits = {hours, minutes, seconds, milliseconds}};
}

constexpr int kMostHours = 32767, kMostMinutes = 59, kMostSeconds = 59, kMostMilliseconds = 999;

// The page's fields. The enabling check box of a field comes before the field.
const std::vector<FieldBinding> kBindings = {
    check(IDC_GEN_EXT_FILTER, &AppSettings::EnableExtFilter),
    history(IDC_GEN_FILTER_EXTS, &AppSettings::FilterExts, IDC_GEN_EXT_FILTER, kFilterExtsHistory,
            kExtensionPresets),
    check(IDC_GEN_KEEP_DATE_CREATED, &AppSettings::KeepDateCreated),
    check(IDC_GEN_KEEP_DATE_MODIFIED, &AppSettings::KeepDateModified),
    check(IDC_GEN_FIX_AUDIO_UNSYNC, &AppSettings::FixAudioUnsync),
    check(IDC_GEN_NORMALIZE_FILE, &AppSettings::NormalizeFile),
    check(IDC_GEN_KEEP_ID3_TAG, &AppSettings::KeepID3Tag),
    check(IDC_GEN_WRITE_ID3V1, &AppSettings::WriteID3v1, IDC_GEN_KEEP_ID3_TAG),
    check(IDC_GEN_COVER_FROM_FOLDER, &AppSettings::CoverFromFolder, IDC_GEN_KEEP_ID3_TAG),
    check(IDC_GEN_VERIFY_OUTPUTS, &AppSettings::VerifyOutputs),
    number({IDC_GEN_AUDIO_INDEX, IDC_GEN_AUDIO_INDEX_SPIN, kMaxAudioIndex}, &AppSettings::RequestAudioIndex),
    check(IDC_GEN_SKIP_ENABLE, &AppSettings::EnableSkipLength),
    length(IDC_GEN_SKIP_ENABLE, {IDC_GEN_SKIP_HOURS, IDC_GEN_SKIP_HOURS_SPIN, kMostHours},
           {IDC_GEN_SKIP_MINUTES, IDC_GEN_SKIP_MINUTES_SPIN, kMostMinutes},
           {IDC_GEN_SKIP_SECONDS, IDC_GEN_SKIP_SECONDS_SPIN, kMostSeconds},
           {IDC_GEN_SKIP_MS, IDC_GEN_SKIP_MS_SPIN, kMostMilliseconds}, &AppSettings::SkipLength),
    check(IDC_GEN_CONVERT_ENABLE, &AppSettings::EnableConvertLength),
    length(IDC_GEN_CONVERT_ENABLE, {IDC_GEN_CONVERT_HOURS, IDC_GEN_CONVERT_HOURS_SPIN, kMostHours},
           {IDC_GEN_CONVERT_MINUTES, IDC_GEN_CONVERT_MINUTES_SPIN, kMostMinutes},
           {IDC_GEN_CONVERT_SECONDS, IDC_GEN_CONVERT_SECONDS_SPIN, kMostSeconds},
           {IDC_GEN_CONVERT_MS, IDC_GEN_CONVERT_MS_SPIN, kMostMilliseconds}, &AppSettings::ConvertLength),
    check(IDC_GEN_IGNORE_ENABLE, &AppSettings::EnableIgnoreTheLast),
    length(IDC_GEN_IGNORE_ENABLE, {IDC_GEN_IGNORE_HOURS, IDC_GEN_IGNORE_HOURS_SPIN, kMostHours},
           {IDC_GEN_IGNORE_MINUTES, IDC_GEN_IGNORE_MINUTES_SPIN, kMostMinutes},
           {IDC_GEN_IGNORE_SECONDS, IDC_GEN_IGNORE_SECONDS_SPIN, kMostSeconds},
           {IDC_GEN_IGNORE_MS, IDC_GEN_IGNORE_MS_SPIN, kMostMilliseconds}, &AppSettings::IgnoreLength),
    choice(IDC_GEN_OUTPUT_FOLDER_OPT, &AppSettings::DestOutputFolderOpt,
           {{"Same as source file", kOutputBesideSource}, {"Specific folder", kOutputSpecificFolder}}),
    history(IDC_GEN_SPECIFIC_FOLDER, &AppSettings::DestSpecifiedFolder, 0, kOutputFolderHistory),
    check(IDC_GEN_FOLDER_FOR_EACH_SOURCE, &AppSettings::CreateFolderForEachSource),
    check(IDC_GEN_CREATE_DIRS, &AppSettings::CreateDirs),
    textEdit(IDC_GEN_NAME_PATTERN, &AppSettings::OutputNamePattern),
    check(IDC_GEN_OUTPUT_TO_DOCUMENTS, &AppSettings::OutputFiles2MyDocuments),
    check(IDC_GEN_BROWSE_OUTPUT_FOLDER, &AppSettings::BrowseOutputFolder),
    choice(IDC_GEN_TARGET_EXISTS, &AppSettings::TargetExistsOpt,
           {{"Rename automatically (add number at end of file name)", kTargetRename},
            {"Overwrite", kTargetOverwrite},
            {"Skip (not convert)", kTargetSkip}}),
};

}  // namespace

LengthFields splitLength(uint32_t ms) {
    return {ms / 3600000, ms % 3600000 / 60000, ms / 1000 % 60, ms % 1000};
}

std::optional<uint32_t> joinLength(const LengthFields& f) {
    const uint64_t sum = uint64_t{f.milliseconds} + uint64_t{f.seconds} * 1000 + uint64_t{f.minutes} * 60000 +
                         uint64_t{f.hours} * 3600000;
    if (sum > kLongestLength) return std::nullopt;
    return static_cast<uint32_t>(sum);
}

int FieldBinding::editCount() const {
    if (kind == FieldKind::kLength) return 4;
    return kind == FieldKind::kNumber ? 1 : 0;
}

bool FieldBinding::holds(int id) const {
    if (id == controlId) return true;
    for (int i = 0; i < editCount(); ++i)
        if (id == edits[i].editId || id == edits[i].spinId) return true;
    return false;
}

const std::vector<FieldBinding>& GeneralPage::bindings() { return kBindings; }

namespace {

template <typename Matches>
const FieldBinding& findBinding(Matches matches) {
    const auto it = std::find_if(kBindings.begin(), kBindings.end(), matches);
    if (it == kBindings.end()) throw std::logic_error("a General page field without a binding");
    return *it;
}

}  // namespace

const FieldBinding& GeneralPage::binding(uint32_t AppSettings::*field) {
    return findBinding([field](const FieldBinding& b) { return b.number == field; });
}

const FieldBinding& GeneralPage::binding(std::string AppSettings::*field) {
    return findBinding([field](const FieldBinding& b) { return b.text == field; });
}

GeneralPage::GeneralPage(const AppSettings& settings) : fields_(settings), states_(kBindings.size()) {
    showAll();
}

GeneralPage::GeneralPage(const OptionContext& context) : GeneralPage(context.settings) {
    if (context.focusedRow != nullptr)
        sample_ = NameSample{context.focusedRow->outputTags(), namingSourceOf(*context.focusedRow)};
    if (const OutputFormat* format = context.catalogue.findById(static_cast<int32_t>(fields_.OutputFormat)))
        extension_ = "." + format->extension;
}

const FieldBinding* GeneralPage::bindingOf(int id) const {
    for (const FieldBinding& b : kBindings)
        if (b.holds(id)) return &b;
    return nullptr;
}

GeneralPage::FieldState& GeneralPage::stateOf(const FieldBinding& binding) {
    return states_[static_cast<size_t>(&binding - kBindings.data())];
}

const GeneralPage::FieldState& GeneralPage::stateOf(const FieldBinding& binding) const {
    return states_[static_cast<size_t>(&binding - kBindings.data())];
}

HistoryList& GeneralPage::historyOf(std::string AppSettings::*field) {
    return stateOf(binding(field)).history;
}

const HistoryList& GeneralPage::historyOf(std::string AppSettings::*field) const {
    return stateOf(binding(field)).history;
}

bool GeneralPage::turnedOn(const FieldBinding& b) const {
    const FieldBinding* check = b.enabledBy != 0 ? bindingOf(b.enabledBy) : nullptr;
    return check == nullptr || fields_.*check->number != 0;
}

void GeneralPage::open(SettingsStore& store) {
    for (const FieldBinding& b : kBindings) {
        if (b.kind == FieldKind::kHistory && !loadHistory(store, stateOf(b).history, b.historyKey))
            stateOf(b).history.items = b.presets;
        // A stored value that no item carries shows as the first item.
        if (b.kind == FieldKind::kChoice && indexOf(b.choices, fields_.*b.number) < 0)
            fields_.*b.number = b.choices.front().value;
    }
    fields_.FixAudioUnsync = 0;
    if (fields_.EnableConvertLength != 0 && fields_.EnableIgnoreTheLast != 0) fields_.EnableIgnoreTheLast = 0;
    showAll();
    open_ = true;
}

void GeneralPage::showAll() {
    for (const FieldBinding& b : kBindings) {
        FieldState& state = stateOf(b);
        if (b.kind == FieldKind::kHistory) state.history.editText = fields_.*b.text;
        if (b.kind == FieldKind::kText) state.texts[0] = fields_.*b.text;
        if (b.kind == FieldKind::kNumber)
            state.texts[0] = std::to_string(static_cast<int32_t>(fields_.*b.number));
        if (b.kind == FieldKind::kLength) {
            const LengthFields f = splitLength(fields_.*b.number);
            const uint32_t parts[4] = {f.hours, f.minutes, f.seconds, f.milliseconds};
            for (int i = 0; i < 4; ++i) state.texts[i] = std::to_string(parts[i]);
        }
    }
}

const std::vector<int>& GeneralPage::checkBoxIds() {
    static const std::vector<int> ids = [] {
        std::vector<int> v;
        for (const FieldBinding& b : kBindings)
            if (b.kind == FieldKind::kCheck) v.push_back(b.controlId);
        return v;
    }();
    return ids;
}

const std::vector<int>& GeneralPage::textIds() {
    static const std::vector<int> ids = [] {
        std::vector<int> v;
        for (const FieldBinding& b : kBindings) {
            if (b.kind == FieldKind::kHistory || b.kind == FieldKind::kText) v.push_back(b.controlId);
            for (int i = 0; i < b.editCount(); ++i) v.push_back(b.edits[i].editId);
        }
        return v;
    }();
    return ids;
}

const std::vector<int>& GeneralPage::comboIds() {
    static const std::vector<int> ids = [] {
        std::vector<int> v;
        for (const FieldBinding& b : kBindings)
            if (b.kind == FieldKind::kHistory || b.kind == FieldKind::kChoice) v.push_back(b.controlId);
        return v;
    }();
    return ids;
}

const std::vector<SpinRange>& GeneralPage::spins() {
    static const std::vector<SpinRange> ranges = [] {
        std::vector<SpinRange> v;
        for (const FieldBinding& b : kBindings)
            for (int i = 0; i < b.editCount(); ++i)
                v.push_back({b.edits[i].spinId, b.edits[i].editId, 0, b.edits[i].high});
        return v;
    }();
    return ranges;
}

bool GeneralPage::checked(int id) const {
    const FieldBinding* b = bindingOf(id);
    return b && b->kind == FieldKind::kCheck && fields_.*b->number != 0;
}

int GeneralPage::setChecked(int id, bool on) {
    const FieldBinding* b = bindingOf(id);
    if (!b || b->kind != FieldKind::kCheck) return 0;
    fields_.*b->number = on ? 1 : 0;
    // Only convert and Ignore the last both set the end of the output, so one turns the other off.
    if (on && id == IDC_GEN_CONVERT_ENABLE) fields_.EnableIgnoreTheLast = 0;
    if (on && id == IDC_GEN_IGNORE_ENABLE) fields_.EnableConvertLength = 0;
    // A field turned on takes the focus.
    for (const FieldBinding& field : kBindings)
        if (field.enabledBy == id) return on ? field.controlId : 0;
    return 0;
}

std::string GeneralPage::text(int id) const {
    const FieldBinding* b = bindingOf(id);
    if (!b) return {};
    if (b->kind == FieldKind::kHistory) return stateOf(*b).history.editText;
    if (b->kind == FieldKind::kText) return stateOf(*b).texts[0];
    for (int i = 0; i < b->editCount(); ++i)
        if (b->edits[i].editId == id) return stateOf(*b).texts[i];
    return {};
}

void GeneralPage::setText(int id, const std::string& text) {
    const FieldBinding* b = bindingOf(id);
    if (!b) return;
    if (b->kind == FieldKind::kHistory) stateOf(*b).history.editText = text;
    if (b->kind == FieldKind::kText) stateOf(*b).texts[0] = text;
    for (int i = 0; i < b->editCount(); ++i)
        if (b->edits[i].editId == id) stateOf(*b).texts[i] = text;
}

std::vector<std::string> GeneralPage::items(int comboId) const {
    const FieldBinding* b = bindingOf(comboId);
    if (!b || b->controlId != comboId) return {};
    if (b->kind == FieldKind::kHistory) return stateOf(*b).history.items;
    std::vector<std::string> labels;
    for (const ChoiceItem& item : b->choices) labels.push_back(item.label);
    return labels;
}

std::vector<uint32_t> GeneralPage::itemData(int comboId) const {
    const FieldBinding* b = bindingOf(comboId);
    std::vector<uint32_t> data;
    if (b && b->controlId == comboId)
        for (const ChoiceItem& item : b->choices) data.push_back(item.value);
    return data;
}

int GeneralPage::selection(int comboId) const {
    const FieldBinding* b = bindingOf(comboId);
    if (!b || b->controlId != comboId) return -1;
    if (b->kind == FieldKind::kHistory) return stateOf(*b).history.selected;
    if (b->kind == FieldKind::kChoice) return std::max(indexOf(b->choices, fields_.*b->number), 0);
    return -1;
}

void GeneralPage::select(int comboId, int index) {
    const FieldBinding* b = bindingOf(comboId);
    if (!b || b->controlId != comboId || index < 0) return;
    const size_t i = static_cast<size_t>(index);
    if (b->kind == FieldKind::kHistory) {
        HistoryList& list = stateOf(*b).history;
        if (i >= list.items.size()) return;
        list.selected = index;
        list.editText = list.items[i];
    } else if (b->kind == FieldKind::kChoice && i < b->choices.size()) {
        fields_.*b->number = b->choices[i].value;
    }
}

bool GeneralPage::specificFolderChosen() const {
    return selection(IDC_GEN_OUTPUT_FOLDER_OPT) ==
           indexOf(binding(&AppSettings::DestOutputFolderOpt).choices, kOutputSpecificFolder);
}

bool GeneralPage::enabled(int id) const {
    if (std::find(std::begin(kFolderControls), std::end(kFolderControls), id) != std::end(kFolderControls))
        return specificFolderChosen();
    const FieldBinding* b = bindingOf(id);
    return b == nullptr || turnedOn(*b);
}

bool GeneralPage::visible(int id) const { return id != IDC_GEN_FIX_AUDIO_UNSYNC; }

std::optional<PageRefusal> GeneralPage::leave() {
    const auto refuse = [](const char* message, int focus) { return PageRefusal{message, focus}; };

    const FieldBinding& audioIndexField = binding(&AppSettings::RequestAudioIndex);
    const std::optional<int32_t> audioIndex = parseSigned(stateOf(audioIndexField).texts[0]);
    if (!audioIndex) return refuse(kIntegerMessage, audioIndexField.controlId);
    // A length that is off keeps its value, and its disabled fields could not be corrected anyway.
    std::vector<LengthFields> typed(kBindings.size());
    for (const FieldBinding& b : kBindings) {
        if (b.kind != FieldKind::kLength || !turnedOn(b)) continue;
        LengthFields& length = typed[static_cast<size_t>(&b - kBindings.data())];
        uint32_t* parts[4] = {&length.hours, &length.minutes, &length.seconds, &length.milliseconds};
        for (int i = 0; i < 4; ++i) {
            const std::optional<uint32_t> value = parseUnsigned(stateOf(b).texts[i]);
            if (!value) return refuse(kPositiveIntegerMessage, b.edits[i].editId);
            *parts[i] = *value;
        }
    }
    for (const FieldBinding& b : kBindings)
        if (b.kind == FieldKind::kChoice)
            fields_.*b.number = b.choices[static_cast<size_t>(selection(b.controlId))].value;

    HistoryList& folders = historyOf(&AppSettings::DestSpecifiedFolder);
    if (fields_.DestOutputFolderOpt == kOutputSpecificFolder) {
        // Output paths are built below this folder; a relative one would land wherever the program runs.
        const std::string folder = trimBlanks(folders.editText);
        if (folder.empty()) return refuse(kChooseFolderMessage, IDC_GEN_SPECIFIC_FOLDER);
        if (!platform::nativePath(folder).is_absolute())
            return refuse(kFullFolderMessage, IDC_GEN_SPECIFIC_FOLDER);
        folders.editText = folder;
    }
    fields_.DestSpecifiedFolder = folders.editText;

    const std::string pattern = trimBlanks(text(IDC_GEN_NAME_PATTERN));
    if (std::optional<std::string> error = namePatternError(pattern))
        return PageRefusal{*error, IDC_GEN_NAME_PATTERN};
    fields_.OutputNamePattern = pattern;

    HistoryList& filter = historyOf(&AppSettings::FilterExts);
    std::string extensions;
    for (char c : filter.editText) {
        if (c == ' ' || c == '\t') continue;
        extensions += c == ';' ? ',' : c;
    }
    fields_.FilterExts = extensions;
    filter.editText = extensions;
    if (fields_.EnableExtFilter != 0 && extensions.empty())
        return refuse(kEnterExtensionsMessage, IDC_GEN_FILTER_EXTS);

    // Only convert is checked first, and must be longer than nothing.
    const FieldBinding& convert = binding(&AppSettings::ConvertLength);
    const auto typedOf = [&](const FieldBinding& b) {
        return typed[static_cast<size_t>(&b - kBindings.data())];
    };
    if (turnedOn(convert)) {
        fields_.EnableIgnoreTheLast = 0;
        const std::optional<uint32_t> length = joinLength(typedOf(convert));
        if (!length) return refuse(kLengthTooLongMessage, convert.controlId);
        if (*length == 0) return refuse(kZeroConvertLengthMessage, convert.controlId);
        fields_.ConvertLength = *length;
    }
    for (const FieldBinding& b : kBindings) {
        if (b.kind != FieldKind::kLength || &b == &convert || !turnedOn(b)) continue;
        const std::optional<uint32_t> length = joinLength(typedOf(b));
        if (!length) return refuse(kLengthTooLongMessage, b.controlId);
        fields_.*b.number = *length;
    }

    if (*audioIndex > kMaxAudioIndex) return refuse(kAudioIndexRangeMessage, audioIndexField.controlId);
    fields_.RequestAudioIndex = static_cast<uint32_t>(std::max(*audioIndex, 1));
    fields_.FixAudioUnsync = 0;
    showAll();
    return std::nullopt;
}

std::optional<PageRefusal> GeneralPage::validate() {
    if (!open_) return std::nullopt;
    return leave();
}

void GeneralPage::write(AppSettings& settings, SettingsStore& store) {
    for (const FieldBinding& b : kBindings) {
        // A history takes the value when it is in use.
        if (open_ && b.kind == FieldKind::kHistory && enabled(b.controlId))
            pushHistory(store, stateOf(b).history, b.historyKey);
        if (b.number) settings.*b.number = fields_.*b.number;
        if (b.text) settings.*b.text = fields_.*b.text;
    }
    rebuildFilterExtensions(settings);
}

std::optional<PageRefusal> GeneralPage::apply(AppSettings& settings, SettingsStore& store) {
    if (std::optional<PageRefusal> refusal = validate()) return refusal;
    write(settings, store);
    return std::nullopt;
}

void GeneralPage::commit(OptionContext& context) { write(context.settings, context.store); }

void GeneralPage::browseFolder(platform::Shell& shell, void* owner) {
    platform::FolderDialogRequest request;
    request.owner = owner;
    request.title = kChooseOutputFolderTitle;
    request.initialFolder = historyOf(&AppSettings::DestSpecifiedFolder).editText;
    if (std::optional<std::string> folder = shell.chooseFolder(request)) {
        historyOf(&AppSettings::DestSpecifiedFolder).editText = *folder;
        fields_.DestSpecifiedFolder = *folder;
    }
}

void GeneralPage::openFolder(platform::Shell& shell, platform::Prompts& prompts, void* owner) const {
    const std::string& folder = historyOf(&AppSettings::DestSpecifiedFolder).editText;
    if (!folder.empty() && platform::isExistingFolder(folder)) {
        shell.openDocument(folder, platform::kShowNormal);
        return;
    }
    prompts.show(
        owner,
        "The folder \"" + folder +
            "\" is not available yet.\n\nNote: the program will create the folder automatically when "
            "converting files.",
        platform::PromptIcon::kWarning);
}

std::string GeneralPage::namePreview() const {
    const std::string pattern = trimBlanks(text(IDC_GEN_NAME_PATTERN));
    if (std::optional<std::string> error = namePatternError(pattern)) return *error;
    if (!sample_) return "Select a file in the list to see its output name here.";
    std::string name;
    if (pattern.empty()) {
        const std::string_view file = platform::fileNamePart(sample_->namingSource);
        const auto extension = platform::extensionPart(file);
        name = std::string(file.substr(0, file.size() - (extension ? extension->size() : 0)));
    } else {
        for (const std::string& part : expandNamePattern(pattern, sample_->tags, sample_->namingSource))
            name += (name.empty() ? "" : std::string(1, platform::kPathSeparator)) + part;
    }
    return "Example: " + name + extension_;
}

void GeneralPage::showNormalizeHelp(platform::Prompts& prompts, void* owner) {
    prompts.show(owner, kNormalizeHelpText, platform::PromptIcon::kInformation);
}

}  // namespace ui
