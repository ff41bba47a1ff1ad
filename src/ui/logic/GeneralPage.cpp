#include "ui/logic/GeneralPage.h"

#include <algorithm>
#include <cstdio>

#include "platform/Files.h"
#include "platform/Prompts.h"
#include "platform/Shell.h"
#include "resources/resource.h"

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
const std::vector<std::string> kFolderChoiceLabels = {"Same as source file", "Specific folder"};
const std::vector<uint32_t> kFolderChoiceData = {kOutputBesideSource, kOutputSpecificFolder};
const std::vector<std::string> kTargetLabels = {"Rename automatically (add number at end of file name)",
                                                "Overwrite", "Skip (not convert)"};
const std::vector<uint32_t> kTargetData = {kTargetRename, kTargetOverwrite, kTargetSkip};

struct CheckBinding {
    int id;
    uint32_t AppSettings::*field;
};
const CheckBinding kChecks[] = {
    {IDC_GEN_EXT_FILTER, &AppSettings::EnableExtFilter},
    {IDC_GEN_KEEP_DATE_CREATED, &AppSettings::KeepDateCreated},
    {IDC_GEN_KEEP_DATE_MODIFIED, &AppSettings::KeepDateModified},
    {IDC_GEN_FIX_AUDIO_UNSYNC, &AppSettings::FixAudioUnsync},
    {IDC_GEN_NORMALIZE_FILE, &AppSettings::NormalizeFile},
    {IDC_GEN_KEEP_ID3_TAG, &AppSettings::KeepID3Tag},
    {IDC_GEN_SKIP_ENABLE, &AppSettings::EnableSkipLength},
    {IDC_GEN_CONVERT_ENABLE, &AppSettings::EnableConvertLength},
    {IDC_GEN_IGNORE_ENABLE, &AppSettings::EnableIgnoreTheLast},
    {IDC_GEN_FOLDER_FOR_EACH_SOURCE, &AppSettings::CreateFolderForEachSource},
    {IDC_GEN_CREATE_DIRS, &AppSettings::CreateDirs},
    {IDC_GEN_OUTPUT_TO_DOCUMENTS, &AppSettings::OutputFiles2MyDocuments},
    {IDC_GEN_BROWSE_OUTPUT_FOLDER, &AppSettings::BrowseOutputFolder},
};

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

int indexOf(const std::vector<uint32_t>& data, uint32_t value) {
    const auto it = std::find(data.begin(), data.end(), value);
    return it == data.end() ? -1 : static_cast<int>(it - data.begin());
}

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

const GeneralPage::Row GeneralPage::kRows[3] = {
    {IDC_GEN_SKIP_ENABLE,
     {IDC_GEN_SKIP_HOURS, IDC_GEN_SKIP_MINUTES, IDC_GEN_SKIP_SECONDS, IDC_GEN_SKIP_MS},
     &AppSettings::EnableSkipLength,
     &AppSettings::SkipLength},
    {IDC_GEN_CONVERT_ENABLE,
     {IDC_GEN_CONVERT_HOURS, IDC_GEN_CONVERT_MINUTES, IDC_GEN_CONVERT_SECONDS, IDC_GEN_CONVERT_MS},
     &AppSettings::EnableConvertLength,
     &AppSettings::ConvertLength},
    {IDC_GEN_IGNORE_ENABLE,
     {IDC_GEN_IGNORE_HOURS, IDC_GEN_IGNORE_MINUTES, IDC_GEN_IGNORE_SECONDS, IDC_GEN_IGNORE_MS},
     &AppSettings::EnableIgnoreTheLast,
     &AppSettings::IgnoreLength},
};
constexpr size_t kSkipRow = 0, kConvertRow = 1, kIgnoreRow = 2;

GeneralPage::GeneralPage(const AppSettings& settings) : fields_(settings) {
    folderChoice_ = std::max(indexOf(kFolderChoiceData, fields_.DestOutputFolderOpt), 0);
    targetChoice_ = std::max(indexOf(kTargetData, fields_.TargetExistsOpt), 0);
    showAll();
}

void GeneralPage::open(SettingsStore& store) {
    if (!loadHistory(store, extensions_, kFilterExtsHistory)) extensions_.items = kExtensionPresets;
    loadHistory(store, folders_, kOutputFolderHistory);
    fields_.FixAudioUnsync = 0;
    if (fields_.EnableConvertLength != 0 && fields_.EnableIgnoreTheLast != 0) fields_.EnableIgnoreTheLast = 0;
    if (indexOf(kFolderChoiceData, fields_.DestOutputFolderOpt) < 0)
        fields_.DestOutputFolderOpt = kOutputBesideSource;
    if (indexOf(kTargetData, fields_.TargetExistsOpt) < 0) fields_.TargetExistsOpt = kTargetRename;
    showAll();
    open_ = true;
}

void GeneralPage::showLength(const Row& row) {
    const size_t r = static_cast<size_t>(&row - kRows);
    const LengthFields f = splitLength(fields_.*row.length);
    const uint32_t parts[4] = {f.hours, f.minutes, f.seconds, f.milliseconds};
    for (int i = 0; i < 4; ++i) lengthTexts_[r][i] = std::to_string(parts[i]);
}

void GeneralPage::showAll() {
    for (const Row& row : kRows) showLength(row);
    audioIndexText_ = std::to_string(static_cast<int32_t>(fields_.RequestAudioIndex));
    extensions_.editText = fields_.FilterExts;
    folders_.editText = fields_.DestSpecifiedFolder;
    folderChoice_ = std::max(indexOf(kFolderChoiceData, fields_.DestOutputFolderOpt), 0);
    targetChoice_ = std::max(indexOf(kTargetData, fields_.TargetExistsOpt), 0);
}

const std::vector<int>& GeneralPage::checkBoxIds() {
    static const std::vector<int> ids = [] {
        std::vector<int> v;
        for (const CheckBinding& c : kChecks) v.push_back(c.id);
        return v;
    }();
    return ids;
}

const std::vector<int>& GeneralPage::textIds() {
    static const std::vector<int> ids = [] {
        std::vector<int> v = {IDC_GEN_FILTER_EXTS, IDC_GEN_AUDIO_INDEX};
        for (const Row& row : kRows) v.insert(v.end(), std::begin(row.fieldIds), std::end(row.fieldIds));
        v.push_back(IDC_GEN_SPECIFIC_FOLDER);
        return v;
    }();
    return ids;
}

const std::vector<int>& GeneralPage::comboIds() {
    static const std::vector<int> ids = {IDC_GEN_FILTER_EXTS, IDC_GEN_OUTPUT_FOLDER_OPT,
                                         IDC_GEN_SPECIFIC_FOLDER, IDC_GEN_TARGET_EXISTS};
    return ids;
}

const std::vector<SpinRange>& GeneralPage::spins() {
    static const std::vector<SpinRange> ranges = [] {
        std::vector<SpinRange> v = {{IDC_GEN_AUDIO_INDEX_SPIN, IDC_GEN_AUDIO_INDEX, 0, kMaxAudioIndex}};
        const int highs[4] = {32767, 59, 59, 999};
        for (const Row& row : kRows)
            for (int i = 0; i < 4; ++i) v.push_back({row.fieldIds[i] + 1, row.fieldIds[i], 0, highs[i]});
        return v;
    }();
    return ranges;
}

const GeneralPage::Row* GeneralPage::rowOf(int id) const {
    for (const Row& row : kRows) {
        for (int field : row.fieldIds)
            if (id == field || id == field + 1) return &row;  // a field or its spin
    }
    return nullptr;
}

const uint32_t* GeneralPage::flagOf(int id) const {
    for (const CheckBinding& c : kChecks)
        if (c.id == id) return &(fields_.*c.field);
    return nullptr;
}

uint32_t* GeneralPage::flagOf(int id) {
    return const_cast<uint32_t*>(static_cast<const GeneralPage*>(this)->flagOf(id));
}

bool GeneralPage::checked(int id) const {
    const uint32_t* flag = flagOf(id);
    return flag && *flag != 0;
}

int GeneralPage::setChecked(int id, bool on) {
    uint32_t* flag = flagOf(id);
    if (!flag) return 0;
    *flag = on ? 1 : 0;
    if (id == IDC_GEN_EXT_FILTER) return on ? IDC_GEN_FILTER_EXTS : 0;
    // Only convert and Ignore the last both set the end of the output, so one turns the other off.
    if (on && id == IDC_GEN_CONVERT_ENABLE) fields_.EnableIgnoreTheLast = 0;
    if (on && id == IDC_GEN_IGNORE_ENABLE) fields_.EnableConvertLength = 0;
    for (const Row& row : kRows)
        if (row.enableId == id) return on ? row.fieldIds[0] : 0;
    return 0;
}

std::string GeneralPage::text(int id) const {
    if (id == IDC_GEN_FILTER_EXTS) return extensions_.editText;
    if (id == IDC_GEN_SPECIFIC_FOLDER) return folders_.editText;
    if (id == IDC_GEN_AUDIO_INDEX) return audioIndexText_;
    for (size_t r = 0; r < 3; ++r)
        for (int i = 0; i < 4; ++i)
            if (kRows[r].fieldIds[i] == id) return lengthTexts_[r][i];
    return {};
}

void GeneralPage::setText(int id, const std::string& text) {
    if (id == IDC_GEN_FILTER_EXTS) extensions_.editText = text;
    if (id == IDC_GEN_SPECIFIC_FOLDER) folders_.editText = text;
    if (id == IDC_GEN_AUDIO_INDEX) audioIndexText_ = text;
    for (size_t r = 0; r < 3; ++r)
        for (int i = 0; i < 4; ++i)
            if (kRows[r].fieldIds[i] == id) lengthTexts_[r][i] = text;
}

std::vector<std::string> GeneralPage::items(int comboId) const {
    switch (comboId) {
        case IDC_GEN_FILTER_EXTS:
            return extensions_.items;
        case IDC_GEN_SPECIFIC_FOLDER:
            return folders_.items;
        case IDC_GEN_OUTPUT_FOLDER_OPT:
            return kFolderChoiceLabels;
        case IDC_GEN_TARGET_EXISTS:
            return kTargetLabels;
        default:
            return {};
    }
}

std::vector<uint32_t> GeneralPage::itemData(int comboId) const {
    if (comboId == IDC_GEN_OUTPUT_FOLDER_OPT) return kFolderChoiceData;
    if (comboId == IDC_GEN_TARGET_EXISTS) return kTargetData;
    return {};
}

int GeneralPage::selection(int comboId) const {
    switch (comboId) {
        case IDC_GEN_OUTPUT_FOLDER_OPT:
            return folderChoice_;
        case IDC_GEN_TARGET_EXISTS:
            return targetChoice_;
        case IDC_GEN_FILTER_EXTS:
            return extensions_.selected;
        case IDC_GEN_SPECIFIC_FOLDER:
            return folders_.selected;
        default:
            return -1;
    }
}

void GeneralPage::select(int comboId, int index) {
    auto pick = [index](HistoryList& list) {
        if (index < 0 || index >= static_cast<int>(list.items.size())) return;
        list.selected = index;
        list.editText = list.items[static_cast<size_t>(index)];
    };
    switch (comboId) {
        case IDC_GEN_FILTER_EXTS:
            pick(extensions_);
            break;
        case IDC_GEN_SPECIFIC_FOLDER:
            pick(folders_);
            break;
        case IDC_GEN_OUTPUT_FOLDER_OPT:
            if (index >= 0 && index < static_cast<int>(kFolderChoiceData.size())) folderChoice_ = index;
            break;
        case IDC_GEN_TARGET_EXISTS:
            if (index >= 0 && index < static_cast<int>(kTargetData.size())) targetChoice_ = index;
            break;
        default:
            break;
    }
}

bool GeneralPage::specificFolderChosen() const {
    return kFolderChoiceData[static_cast<size_t>(folderChoice_)] == kOutputSpecificFolder;
}

bool GeneralPage::enabled(int id) const {
    if (id == IDC_GEN_FILTER_EXTS) return fields_.EnableExtFilter != 0;
    if (std::find(std::begin(kFolderControls), std::end(kFolderControls), id) != std::end(kFolderControls))
        return specificFolderChosen();
    if (const Row* row = rowOf(id)) return fields_.*row->enable != 0;
    return true;
}

bool GeneralPage::visible(int id) const { return id != IDC_GEN_FIX_AUDIO_UNSYNC; }

std::optional<PageRefusal> GeneralPage::leave() {
    const auto refuse = [](const char* message, int focus) { return PageRefusal{message, focus}; };

    const std::optional<int32_t> audioIndex = parseSigned(audioIndexText_);
    if (!audioIndex) return refuse(kIntegerMessage, IDC_GEN_AUDIO_INDEX);
    // A row that is off keeps its value, and its disabled fields could not be corrected anyway.
    LengthFields typed[3];
    for (size_t r = 0; r < 3; ++r) {
        if (fields_.*kRows[r].enable == 0) continue;
        uint32_t* parts[4] = {&typed[r].hours, &typed[r].minutes, &typed[r].seconds, &typed[r].milliseconds};
        for (int i = 0; i < 4; ++i) {
            const std::optional<uint32_t> value = parseUnsigned(lengthTexts_[r][i]);
            if (!value) return refuse(kPositiveIntegerMessage, kRows[r].fieldIds[i]);
            *parts[i] = *value;
        }
    }

    fields_.DestOutputFolderOpt = kFolderChoiceData[static_cast<size_t>(folderChoice_)];
    if (fields_.DestOutputFolderOpt == kOutputSpecificFolder) {
        // Output paths are built below this folder; a relative one would land wherever the program runs.
        const std::string folder = trimBlanks(folders_.editText);
        if (folder.empty()) return refuse(kChooseFolderMessage, IDC_GEN_SPECIFIC_FOLDER);
        if (!platform::nativePath(folder).is_absolute())
            return refuse(kFullFolderMessage, IDC_GEN_SPECIFIC_FOLDER);
        folders_.editText = folder;
    }
    fields_.DestSpecifiedFolder = folders_.editText;

    std::string extensions;
    for (char c : extensions_.editText) {
        if (c == ' ' || c == '\t') continue;
        extensions += c == ';' ? ',' : c;
    }
    fields_.FilterExts = extensions;
    extensions_.editText = extensions;
    if (fields_.EnableExtFilter != 0 && extensions.empty())
        return refuse(kEnterExtensionsMessage, IDC_GEN_FILTER_EXTS);

    fields_.TargetExistsOpt = kTargetData[static_cast<size_t>(targetChoice_)];

    if (fields_.EnableConvertLength != 0) {
        fields_.EnableIgnoreTheLast = 0;
        const std::optional<uint32_t> length = joinLength(typed[kConvertRow]);
        if (!length) return refuse(kLengthTooLongMessage, IDC_GEN_CONVERT_HOURS);
        if (*length == 0) return refuse(kZeroConvertLengthMessage, IDC_GEN_CONVERT_HOURS);
        fields_.ConvertLength = *length;
    }
    for (size_t r : {kSkipRow, kIgnoreRow}) {
        if (fields_.*kRows[r].enable == 0) continue;
        const std::optional<uint32_t> length = joinLength(typed[r]);
        if (!length) return refuse(kLengthTooLongMessage, kRows[r].fieldIds[0]);
        fields_.*kRows[r].length = *length;
    }

    if (*audioIndex > kMaxAudioIndex) return refuse(kAudioIndexRangeMessage, IDC_GEN_AUDIO_INDEX);
    fields_.RequestAudioIndex = static_cast<uint32_t>(std::max(*audioIndex, 1));
    fields_.FixAudioUnsync = 0;
    showAll();
    return std::nullopt;
}

std::optional<PageRefusal> GeneralPage::apply(AppSettings& settings, SettingsStore& store) {
    if (open_) {
        if (std::optional<PageRefusal> refusal = leave()) return refusal;
        if (fields_.DestOutputFolderOpt == kOutputSpecificFolder)
            pushHistory(store, folders_, kOutputFolderHistory);
        if (fields_.EnableExtFilter != 0) pushHistory(store, extensions_, kFilterExtsHistory);
    }
    settings.DestOutputFolderOpt = fields_.DestOutputFolderOpt;
    settings.DestSpecifiedFolder = fields_.DestSpecifiedFolder;
    settings.CreateDirs = fields_.CreateDirs;
    settings.CreateFolderForEachSource = fields_.CreateFolderForEachSource;
    settings.BrowseOutputFolder = fields_.BrowseOutputFolder;
    settings.OutputFiles2MyDocuments = fields_.OutputFiles2MyDocuments;
    settings.TargetExistsOpt = fields_.TargetExistsOpt;
    settings.KeepDateCreated = fields_.KeepDateCreated;
    settings.KeepDateModified = fields_.KeepDateModified;
    settings.KeepID3Tag = fields_.KeepID3Tag;
    settings.FixAudioUnsync = fields_.FixAudioUnsync;
    settings.NormalizeFile = fields_.NormalizeFile;
    settings.EnableExtFilter = fields_.EnableExtFilter;
    settings.FilterExts = fields_.FilterExts;
    settings.EnableSkipLength = fields_.EnableSkipLength;
    settings.SkipLength = fields_.SkipLength;
    settings.EnableConvertLength = fields_.EnableConvertLength;
    settings.ConvertLength = fields_.ConvertLength;
    settings.EnableIgnoreTheLast = fields_.EnableIgnoreTheLast;
    settings.IgnoreLength = fields_.IgnoreLength;
    settings.RequestAudioIndex = fields_.RequestAudioIndex;
    rebuildFilterExtensions(settings);
    return std::nullopt;
}

void GeneralPage::browseFolder(platform::Shell& shell, void* owner) {
    platform::FolderDialogRequest request;
    request.owner = owner;
    request.title = kChooseOutputFolderTitle;
    request.initialFolder = folders_.editText;
    if (std::optional<std::string> folder = shell.chooseFolder(request)) {
        folders_.editText = *folder;
        fields_.DestSpecifiedFolder = *folder;
    }
}

void GeneralPage::openFolder(platform::Shell& shell, platform::Prompts& prompts, void* owner) const {
    const std::string& folder = folders_.editText;
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

void GeneralPage::showNormalizeHelp(platform::Prompts& prompts, void* owner) {
    prompts.show(owner, kNormalizeHelpText, platform::PromptIcon::kInformation);
}

}  // namespace ui
