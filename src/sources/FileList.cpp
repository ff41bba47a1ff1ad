#include "sources/FileList.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numeric>

#include "formats/Catalogue.h"
#include "formats/OutputFormat.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "sources/Loudness.h"
#include "sources/RowText.h"

// clang-format off
const std::array<ColumnInfo, kColumnCount> kListColumns = {{
    {"File",       "File",        false, 250, SortType::kText,     true,  true},
    {"Folder",     "Folder",      false, 200, SortType::kText,     false, false},
    {"Duration",   "Duration",    true,  70,  SortType::kDuration, true,  false},
    {"SampleRate", "Sample Rate", true,  85,  SortType::kNumber,   true,  false},
    {"BitRate",    "Bit Rate",    true,  80,  SortType::kNumber,   true,  false},
    {"Channels",   "Channels",    false, 70,  SortType::kText,     true,  false},
    {"Artist",     "Artist",      false, 150, SortType::kText,     false, false},
    {"Title",      "Title",       false, 180, SortType::kText,     false, false},
    {"Album",      "Album",       false, 150, SortType::kText,     false, false},
    {"Track",      "Track",       true,  50,  SortType::kNumber,   false, false},
    {"Year",       "Year",        true,  50,  SortType::kNumber,   false, false},
    {"Genre",      "Genre",       false, 100, SortType::kText,     false, false},
    {"Loudness",   "Loudness",    true,  85,  SortType::kNumber,   false, false},
    {"Peak",       "Peak",        true,  75,  SortType::kNumber,   false, false},
    {"Status",     "Status",      false, 230, SortType::kText,     true,  false},
}};
// clang-format on

namespace {

// A total is written like a row's duration, but an empty list of lengths still reads 00:00.
std::string totalText(uint32_t seconds) { return seconds == 0 ? "00:00" : durationText(seconds); }

// A sort key made once per row: numbers compared in order, or for text the locale's collation bytes.
struct SortKey {
    std::array<double, 3> numbers{};
    std::string text;
};

// The whole number at the start of text (blanks, an optional sign, digits), and where it ends.
long leadingInteger(const char* text, const char** end) {
    return std::strtol(text, const_cast<char**>(end), 10);
}

SortKey sortKey(SortType type, const std::string& text) {
    SortKey key;
    const char* s = text.c_str();
    switch (type) {
        case SortType::kNumber: {
            // A text without a number ("", "Silent") sorts before every number, negative ones too.
            char* end = nullptr;
            const double value = std::strtod(s, &end);
            key.numbers[0] = end == s ? -HUGE_VAL : value;
            break;
        }
        case SortType::kSize: {
            char* end = nullptr;
            double value = std::strtod(s, &end);
            if (*end == ' ') ++end;
            const char* units = "KMGT";
            for (int i = 0; i < 4; ++i) {
                if (*end == units[i] || *end == units[i] + ('a' - 'A')) {
                    for (int k = 0; k <= i; ++k) value *= 1024;
                }
            }
            key.numbers[0] = value;
            break;
        }
        case SortType::kDashDate:
        case SortType::kSlashDate: {
            // A text without two separators is no date and sorts before every date.
            const char separator = type == SortType::kDashDate ? '-' : '/';
            if (std::count(text.begin(), text.end(), separator) < 2) break;
            std::array<double, 3> parts{};
            const char* p = s;
            for (double& part : parts) {
                const char* end = p;
                part = static_cast<double>(leadingInteger(p, &end));
                const char* next = std::strchr(end, separator);
                p = next != nullptr ? next + 1 : end + std::strlen(end);
            }
            // Day-month-year written with '/' compares by year, then month (first), then day (second).
            key.numbers =
                type == SortType::kDashDate ? parts : std::array<double, 3>{parts[2], parts[0], parts[1]};
            break;
        }
        case SortType::kDuration: {
            std::vector<long> parts;
            const char* p = s;
            while (true) {
                const char* end = p;
                parts.push_back(leadingInteger(p, &end));
                const char* colon = std::strchr(end, ':');
                if (colon == nullptr || parts.size() == 3) break;
                p = colon + 1;
            }
            parts[0] = std::max(parts[0], 0L);
            for (size_t i = 1; i < parts.size(); ++i) parts[i] = std::clamp(parts[i], 0L, 59L);
            double seconds = 0;
            for (long part : parts) seconds = seconds * 60 + static_cast<double>(part);
            // hours:minutes:seconds counts the first part in hours, minutes:seconds in minutes.
            key.numbers[0] = seconds;
            break;
        }
        case SortType::kText:
        default:
            key.text = platform::collationKey(text);
            break;
    }
    return key;
}

int compareKeys(const SortKey& a, const SortKey& b) {
    for (size_t i = 0; i < a.numbers.size(); ++i) {
        if (a.numbers[i] != b.numbers[i]) return a.numbers[i] < b.numbers[i] ? -1 : 1;
    }
    const int text = a.text.compare(b.text);
    return text < 0 ? -1 : text > 0 ? 1 : 0;
}

}  // namespace

int compareForSort(SortType type, const std::string& a, const std::string& b) {
    return compareKeys(sortKey(type, a), sortKey(type, b));
}

FileList::~FileList() { removeAll(); }

std::string FileList::keyOf(const SourceItem& item) {
    return item.kind == kSourceDvdTitle ? dvdSourceKey(item.dvdFolder, item.titleSet) : sourceKey(item.path);
}

size_t FileList::rowOf(const SourceItem& item) const {
    if (rowIndexStale_) {
        rowIndex_.clear();
        rowIndex_.reserve(rows_.size());
        for (size_t r = 0; r < rows_.size(); ++r) rowIndex_[rows_[r].item.get()] = r;
        rowIndexStale_ = false;
    }
    const auto found = rowIndex_.find(&item);
    return found == rowIndex_.end() ? kNone : found->second;
}

void FileList::changed(size_t first, size_t last) {
    if (observer_ != nullptr && first <= last && last < rows_.size()) observer_->rowsChanged(first, last);
}

void FileList::fillStreamColumns(Row& row) {
    const StreamColumns columns = streamColumns(*row.item);
    row.texts[kColumnSampleRate] = columns.sampleRate;
    row.texts[kColumnBitRate] = columns.bitRate;
    row.texts[kColumnChannels] = columns.channels;
}

void FileList::fillTexts(Row& row) {
    row.texts[kColumnFile] = fileColumnText(*row.item);
    row.texts[kColumnDuration] = durationText(row.item->duration);
    row.texts[kColumnFolder] = folderColumnText(*row.item);
    fillStreamColumns(row);
    fillTagColumns(row);
    fillLoudnessColumns(row);
}

void FileList::fillLoudnessColumns(Row& row) {
    row.texts[kColumnLoudness] = loudnessColumnText(row.item->loudness);
    row.texts[kColumnPeak] = peakColumnText(row.item->loudness);
}

std::vector<size_t> FileList::loudnessRows() const {
    std::vector<size_t> rows;
    for (size_t r = 0; r < rows_.size(); ++r)
        if (rows_[r].selected && !rows_[r].item->isExpansionRow) rows.push_back(r);
    return rows;
}

void FileList::loudnessMeasured(size_t row, const std::string& error) {
    if (row >= rows_.size()) return;
    fillLoudnessColumns(rows_[row]);
    if (!error.empty()) rows_[row].texts[kColumnStatus] = "Error: " + error;
    changed(row, row);
}

// What the outputs will carry: the source's tags with the row's edits.
void FileList::fillTagColumns(Row& row) {
    static const std::pair<ListColumn, TagField> kTagColumns[] = {
        {kColumnArtist, kTagArtist}, {kColumnTitle, kTagTitle}, {kColumnAlbum, kTagAlbum},
        {kColumnTrack, kTagTrack},   {kColumnYear, kTagDate},   {kColumnGenre, kTagGenre}};
    const SourceTags tags = row.item->outputTags();
    for (const auto& [column, field] : kTagColumns) row.texts[column] = tags[field];
}

std::array<bool, kColumnCount> FileList::shownAtFirst() {
    std::array<bool, kColumnCount> shown{};
    for (size_t c = 0; c < kColumnCount; ++c) shown[c] = kListColumns[c].shownAtFirst;
    return shown;
}

std::vector<size_t> FileList::shownColumns() const {
    std::vector<size_t> columns;
    for (size_t c = 0; c < kColumnCount; ++c)
        if (shown_[c]) columns.push_back(c);
    return columns;
}

void FileList::showColumn(size_t column, bool shown) {
    if (column >= kColumnCount || kListColumns[column].alwaysShown || shown_[column] == shown) return;
    shown_[column] = shown;
    if (observer_ != nullptr) observer_->columnsChanged();
}

std::vector<MenuEntry> FileList::columnMenu() const {
    std::vector<MenuEntry> entries;
    for (size_t c = 0; c < kColumnCount; ++c) {
        entries.push_back({ID_FIRST_COLUMN + static_cast<uint32_t>(c), kListColumns[c].header,
                           !kListColumns[c].alwaysShown, shown_[c]});
    }
    return entries;
}

bool FileList::chooseColumnEntry(uint32_t commandId) {
    if (commandId < ID_FIRST_COLUMN || commandId >= ID_FIRST_COLUMN + kColumnCount) return false;
    const size_t column = commandId - ID_FIRST_COLUMN;
    showColumn(column, !shown_[column]);
    return true;
}

std::string FileList::columnsSetting() const {
    if (shown_ == shownAtFirst()) return {};
    std::string setting;
    for (size_t c : shownColumns())
        setting += (setting.empty() ? "" : ",") + std::string(kListColumns[c].key);
    return setting;
}

void FileList::applyColumnsSetting(const std::string& setting) {
    std::array<bool, kColumnCount> shown{};
    bool named = false;
    size_t start = 0;
    while (start <= setting.size()) {
        const size_t comma = std::min(setting.find(',', start), setting.size());
        const std::string key = setting.substr(start, comma - start);
        for (size_t c = 0; c < kColumnCount; ++c) {
            if (!platform::equalsIgnoringAsciiCase(key, kListColumns[c].key)) continue;
            shown[c] = true;
            named = named || !kListColumns[c].alwaysShown;
        }
        start = comma + 1;
    }
    if (!named) shown = shownAtFirst();
    for (size_t c = 0; c < kColumnCount; ++c) shown[c] = shown[c] || kListColumns[c].alwaysShown;
    if (shown == shown_) return;
    shown_ = shown;
    if (observer_ != nullptr) observer_->columnsChanged();
}

std::optional<size_t> FileList::add(std::unique_ptr<SourceItem> item, uint32_t requestAudioIndex) {
    const std::string key = keyOf(*item);
    if (!map_.insert(key, item.get())) return std::nullopt;
    item->audioStream = automaticAudioStream(requestAudioIndex, item->streamCount());
    Row row;
    row.item = std::move(item);
    fillTexts(row);
    const size_t index = rows_.size();
    if (!rowIndexStale_) rowIndex_[row.item.get()] = index;
    rows_.push_back(std::move(row));
    if (observer_ != nullptr) {
        observer_->rowsInserted(index, 1);
        observer_->scrollIntoView(index);
    }
    return index;
}

void FileList::setSelected(size_t row, bool selected) {
    if (row >= rows_.size() || rows_[row].selected == selected) return;
    rows_[row].selected = selected;
    selected ? ++selectedCount_ : --selectedCount_;
    changed(row, row);
}

void FileList::setSelected(size_t first, size_t last, bool selected) {
    last = std::min(last, rows_.size() - 1);
    if (rows_.empty() || first > last) return;
    for (size_t r = first; r <= last; ++r) {
        if (rows_[r].selected == selected) continue;
        rows_[r].selected = selected;
        selected ? ++selectedCount_ : --selectedCount_;
    }
    changed(first, last);
}

void FileList::selectAll() {
    for (Row& row : rows_) row.selected = true;
    selectedCount_ = rows_.size();
    if (!rows_.empty()) changed(0, rows_.size() - 1);
}

void FileList::selectFailed() {
    size_t first = kNone;
    selectedCount_ = 0;
    for (size_t r = 0; r < rows_.size(); ++r) {
        rows_[r].selected = rows_[r].item->failed;
        if (!rows_[r].selected) continue;
        ++selectedCount_;
        if (first == kNone) first = r;
    }
    if (rows_.empty()) return;
    changed(0, rows_.size() - 1);
    scrollIntoView(first);
}

bool FileList::hasFailedRows() const {
    return std::any_of(rows_.begin(), rows_.end(), [](const Row& row) { return row.item->failed; });
}

void FileList::setFocusedRow(size_t row) {
    const size_t old = focus_;
    focus_ = row < rows_.size() ? row : kNone;
    if (old != kNone) changed(old, old);
    if (focus_ != kNone) changed(focus_, focus_);
}

size_t FileList::focusedSelectedRow() const {
    return focus_ != kNone && rows_[focus_].selected ? focus_ : kNone;
}

void FileList::setStatus(size_t row, std::string text) {
    if (row >= rows_.size()) return;
    rows_[row].texts[kColumnStatus] = std::move(text);
    changed(row, row);
}

void FileList::release(Row& row) {
    SourceItem& item = *row.item;
    if (item.isExpansionRow) return;
    if (item.needsPreparation && !item.preparedPath.empty()) platform::deleteFile(item.preparedPath);
    map_.erase(keyOf(item));
}

void FileList::removeSelected() {
    if (selectedCount_ == 0) return;
    // One pass that keeps the unselected rows.
    std::vector<std::pair<size_t, size_t>> blocks;
    std::vector<Row> kept;
    kept.reserve(rows_.size() - selectedCount_);
    size_t newFocus = kNone;
    for (size_t r = 0; r < rows_.size(); ++r) {
        if (!rows_[r].selected) {
            if (r == focus_) newFocus = kept.size();
            kept.push_back(std::move(rows_[r]));
            continue;
        }
        release(rows_[r]);
        if (!blocks.empty() && blocks.back().first + blocks.back().second == r) {
            ++blocks.back().second;
        } else {
            blocks.emplace_back(r, 1);
        }
    }
    rows_ = std::move(kept);
    selectedCount_ = 0;
    focus_ = newFocus;
    rowIndexStale_ = true;
    // Many blocks (every other row of a long list) are one reset: a view would redo its selection for
    // each block.
    if (observer_ == nullptr) return;
    if (blocks.size() == 1) {
        observer_->rowsRemoved(blocks.front().first, blocks.front().second);
    } else {
        observer_->listReset();
    }
}

void FileList::removeAll() {
    if (rows_.empty()) return;
    for (Row& row : rows_) {
        if (!row.item->isExpansionRow && row.item->needsPreparation && !row.item->preparedPath.empty())
            platform::deleteFile(row.item->preparedPath);
    }
    const size_t count = rows_.size();
    rows_.clear();
    map_.clear();
    selectedCount_ = 0;
    focus_ = kNone;
    rowIndexStale_ = true;
    if (observer_ != nullptr) observer_->rowsRemoved(0, count);
}

void FileList::swapRows(size_t a, size_t b) {
    std::swap(rows_[a], rows_[b]);
    if (focus_ == a) {
        focus_ = b;
    } else if (focus_ == b) {
        focus_ = a;
    }
}

void FileList::moveUp() {
    if (selectedCount_ == 0 || rows_.front().selected) return;
    size_t first = kNone, last = 0;
    for (size_t r = 1; r < rows_.size(); ++r) {
        if (!rows_[r].selected) continue;
        if (first == kNone) first = r;
        last = r;
        swapRows(r, r - 1);
    }
    rowIndexStale_ = true;
    changed(first - 1, last);
    if (observer_ != nullptr) observer_->scrollIntoView(first - 1);
}

void FileList::moveDown() {
    if (selectedCount_ == 0 || rows_.back().selected) return;
    size_t first = 0, last = kNone;
    for (size_t r = rows_.size() - 1; r-- > 0;) {
        if (!rows_[r].selected) continue;
        if (last == kNone) last = r;
        first = r;
        swapRows(r, r + 1);
    }
    rowIndexStale_ = true;
    changed(first, last + 1);
    if (observer_ != nullptr) observer_->scrollIntoView(last + 1);
}

void FileList::sortByHeaderClick(size_t column) { sort(column, column != sortedColumn_ || !ascending_); }

void FileList::sort(size_t column, bool ascending) {
    if (column >= kColumnCount) return;
    sortedColumn_ = column;
    ascending_ = ascending;
    std::vector<SortKey> keys;
    keys.reserve(rows_.size());
    for (const Row& row : rows_) keys.push_back(sortKey(kListColumns[column].sortType, row.texts[column]));
    std::vector<size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const int result = compareKeys(keys[a], keys[b]);
        return ascending ? result < 0 : result > 0;
    });
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    size_t newFocus = kNone;
    for (size_t r : order) {
        if (r == focus_) newFocus = sorted.size();
        sorted.push_back(std::move(rows_[r]));
    }
    rows_ = std::move(sorted);
    focus_ = newFocus;
    rowIndexStale_ = true;
    if (!rows_.empty()) changed(0, rows_.size() - 1);
}

std::optional<std::string> FileList::lengthMessage(bool selectedOnly, const char* format) const {
    if (selectedOnly ? selectedCount_ == 0 : rows_.empty()) return std::nullopt;
    uint32_t total = 0;  // whole seconds, wrapping as a 32-bit sum does
    for (const Row& row : rows_) {
        if (!selectedOnly || row.selected) total += row.item->duration;
    }
    return platform::fillIn(format, totalText(total));
}

std::optional<std::string> FileList::selectedLengthMessage() const {
    return lengthMessage(true, "The total length of selected files is %s.");
}

std::optional<std::string> FileList::allLengthMessage() const {
    return lengthMessage(false, "The total length of all files is %s.");
}

void FileList::rechooseStreams(uint32_t requestAudioIndex) {
    for (size_t r = 0; r < rows_.size(); ++r) {
        SourceItem& item = *rows_[r].item;
        const int32_t chosen = automaticAudioStream(requestAudioIndex, item.streamCount());
        if (chosen == item.audioStream) continue;
        item.audioStream = chosen;
        // An expansion row shows no stream columns.
        if (!item.isExpansionRow) fillStreamColumns(rows_[r]);
        changed(r, r);
    }
}

bool FileList::chooseStream(uint32_t commandId) {
    const size_t row = focusedSelectedRow();
    if (row == kNone || commandId < ID_FIRST_STREAM || commandId > ID_LAST_STREAM) return false;
    SourceItem& item = *rows_[row].item;
    const size_t stream = commandId - ID_FIRST_STREAM;
    if (stream >= item.streamCount()) return false;  // a stale menu: the row has fewer streams
    item.audioStream = static_cast<int32_t>(stream);
    if (!item.isExpansionRow) fillStreamColumns(rows_[row]);
    changed(row, row);
    return true;
}

std::vector<MenuEntry> FileList::streamMenu() const {
    const size_t row = focusedSelectedRow();
    if (row == kNone) return {commands::noStreamEntry()};
    const SourceItem& item = *rows_[row].item;
    std::vector<MenuEntry> entries;
    for (size_t i = 0; i < item.streamCount(); ++i) {
        std::string text = "&" + std::to_string(i + 1) + ": ";
        std::string facts;
        const auto append = [&](const std::string& fact) { facts += (facts.empty() ? "" : ", ") + fact; };
        if (item.streamSampleRates[i] > 0) append(std::to_string(item.streamSampleRates[i]) + " Hz");
        if (i < item.streamBitRates.size() && item.streamBitRates[i] > 0)
            append(std::to_string(item.streamBitRates[i]) + " kbps");
        if (i < item.streamChannels.size() && item.streamChannels[i] > 0)
            append(channelText(item.streamChannels[i]));
        const uint32_t id = ID_FIRST_STREAM + static_cast<uint32_t>(i);
        entries.push_back(MenuEntry{id, text + facts, id <= ID_LAST_STREAM,
                                    static_cast<int32_t>(i) == item.audioStream, false});
    }
    return entries;
}

size_t FileList::sourceRowOf(size_t row) const {
    while (row > 0 && rows_[row].item->isExpansionRow) --row;
    return row;
}

std::vector<size_t> FileList::tagEditRows() const {
    std::vector<size_t> rows;
    for (size_t r = 0; r < rows_.size(); ++r) {
        if (!rows_[r].selected) continue;
        const size_t source = sourceRowOf(r);
        // Rows in order: a source row repeated by its expansion rows is the last one taken.
        if (rows.empty() || rows.back() != source) rows.push_back(source);
    }
    return rows;
}

void FileList::setTagEdits(size_t row, const TagEdits& edits) {
    if (row >= rows_.size()) return;
    row = sourceRowOf(row);
    size_t last = row;
    rows_[row].item->tagEdits = edits;
    fillTagColumns(rows_[row]);
    while (last + 1 < rows_.size() && rows_[last + 1].item->isExpansionRow)
        rows_[++last].item->tagEdits = edits;
    changed(row, last);
}

bool FileList::isCommandEnabled(uint32_t commandId) const {
    const commands::Command* command = commands::find(commandId);
    switch (command != nullptr ? command->offered : commands::Offered::kAlways) {
        case commands::Offered::kWithSelection:
            return selectedCount_ > 0;
        case commands::Offered::kWithRows:
            return !rows_.empty();
        case commands::Offered::kWithDestination: {
            const size_t row = focusedSelectedRow();
            return row != kNone && !rows_[row].item->outputPath.empty();
        }
        case commands::Offered::kWithFailedRows:
            return hasFailedRows();
        case commands::Offered::kNever:
            return false;
        case commands::Offered::kAlways:
            break;
    }
    return true;
}

std::vector<MenuEntry> FileList::contextMenu() const {
    std::vector<MenuEntry> menu = commands::menuEntries(commands::Menu::kList);
    for (MenuEntry& entry : menu) {
        if (entry.id != 0) entry.enabled = isCommandEnabled(entry.id);
    }
    return menu;
}

void FileList::replaceRows(std::vector<Row> rows) {
    const SourceItem* focused = focus_ != kNone ? rows_[focus_].item.get() : nullptr;
    rows_ = std::move(rows);
    selectedCount_ = 0;
    focus_ = kNone;
    for (size_t r = 0; r < rows_.size(); ++r) {
        if (rows_[r].selected) ++selectedCount_;
        if (rows_[r].item.get() == focused) focus_ = r;
    }
    rowIndexStale_ = true;
    if (observer_ != nullptr) observer_->listReset();
}

void FileList::addExpansionRows(bool selectedOnly, const std::vector<const OutputFormat*>& formats) {
    std::vector<Row> rows;
    rows.reserve(rows_.size() * (formats.size() + 1));
    for (Row& row : rows_) {
        const SourceItem& source = *row.item;
        const bool takesPart = (!selectedOnly || row.selected) && !source.isExpansionRow &&
                               (!source.needsPreparation || source.prepared);
        rows.push_back(std::move(row));
        if (!takesPart) continue;
        for (const OutputFormat* format : formats) {
            auto copy = std::make_unique<SourceItem>();
            copy->facts() = source.facts();
            copy->preparation() = source.preparation();
            copy->tagEdits = source.tagEdits;
            copy->isExpansionRow = true;
            copy->groupFormat = format;
            Row expansion;
            expansion.texts[kColumnFile] = "   to " + formatName(*format);
            expansion.item = std::move(copy);
            expansion.selected = selectedOnly;
            rows.push_back(std::move(expansion));
        }
    }
    replaceRows(std::move(rows));
}

void FileList::removeExpansionRows() {
    const auto isExpansion = [](const Row& row) { return row.item->isExpansionRow; };
    if (std::none_of(rows_.begin(), rows_.end(), isExpansion)) return;
    std::vector<Row> rows;
    rows.reserve(rows_.size());
    for (Row& row : rows_) {
        if (!isExpansion(row)) rows.push_back(std::move(row));
    }
    replaceRows(std::move(rows));
}
