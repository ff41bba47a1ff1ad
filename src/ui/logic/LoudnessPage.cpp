#include "ui/logic/LoudnessPage.h"

#include <cstdio>
#include <cstdlib>

#include "engine/Loudness.h"
#include "platform/Text.h"
#include "resources/resource.h"

namespace ui {

const char* const kTargetRefusal =
    "Please enter a target loudness between -40 and -5 LUFS, for example -16 or -17.5.";
const char* const kCeilingRefusal =
    "Please enter a true peak ceiling between -9 and 0 dBTP, for example -1.0.";

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

int32_t signedField(uint32_t stored) { return static_cast<int32_t>(stored); }
uint32_t storedField(int32_t tenths) { return static_cast<uint32_t>(tenths); }

std::string tenthsText(int32_t tenths, bool wholeWithoutDecimal) {
    const int32_t size = std::abs(tenths);
    char text[32];
    if (wholeWithoutDecimal && size % 10 == 0) {
        std::snprintf(text, sizeof text, "%s%d", tenths < 0 ? "-" : "", size / 10);
    } else {
        std::snprintf(text, sizeof text, "%s%d.%d", tenths < 0 ? "-" : "", size / 10, size % 10);
    }
    return text;
}

}  // namespace

std::optional<int32_t> parseTenths(std::string_view text, std::string_view unit) {
    text = trimmed(text);
    if (text.size() >= unit.size() &&
        platform::equalsIgnoringAsciiCase(text.substr(text.size() - unit.size()), unit))
        text = trimmed(text.substr(0, text.size() - unit.size()));
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
    if ((whole.empty() && fraction.empty()) || whole.size() > 6) return std::nullopt;
    int32_t tenths = 0;
    for (char c : whole) {
        if (c < '0' || c > '9') return std::nullopt;
        tenths = tenths * 10 + (c - '0');
    }
    tenths *= 10;
    for (size_t i = 0; i < fraction.size(); ++i) {
        const char c = fraction[i];
        if (c < '0' || c > '9') return std::nullopt;
        if (i == 0) tenths += c - '0';
        if (i == 1 && c >= '5') ++tenths;  // half a tenth and more rounds away from zero
    }
    return negative ? -tenths : tenths;
}

std::string targetText(int32_t tenths) { return tenthsText(tenths, true) + " LUFS"; }
std::string ceilingText(int32_t tenths) { return tenthsText(tenths, false); }

LoudnessPage::LoudnessPage(const OptionContext& context) : LoudnessPage(context.settings) {}

LoudnessPage::LoudnessPage(const AppSettings& settings) : fields_(settings) {
    if (fields_.LoudnessMode > kLoudnessNormalise) fields_.LoudnessMode = kLoudnessOff;
    targetText_ = targetText(signedField(fields_.LoudnessTarget));
    ceilingText_ = ceilingText(signedField(fields_.TruePeakCeiling));
}

void LoudnessPage::setMode(uint32_t mode) {
    if (mode <= kLoudnessNormalise) fields_.LoudnessMode = mode;
}

int LoudnessPage::checkedModeButton() const { return IDC_LOUD_OFF + static_cast<int>(fields_.LoudnessMode); }

const std::vector<std::string>& LoudnessPage::targetItems() {
    static const std::vector<std::string> items = {targetText(-140), targetText(-160), targetText(-180),
                                                   targetText(-230)};
    return items;
}

void LoudnessPage::setTarget(std::string text) { targetText_ = std::move(text); }

void LoudnessPage::selectTarget(size_t index) {
    if (index < targetItems().size()) targetText_ = targetItems()[index];
}

void LoudnessPage::setCeiling(std::string text) { ceilingText_ = std::move(text); }

void LoudnessPage::setAlbumByFolder(bool on) { fields_.AlbumGainByFolder = on ? 1 : 0; }

bool LoudnessPage::enabled(int id) const {
    switch (id) {
        case IDC_LOUD_TARGET_LABEL:
        case IDC_LOUD_TARGET:
        case IDC_LOUD_CEILING_LABEL:
        case IDC_LOUD_CEILING:
        case IDC_LOUD_CEILING_UNIT:
            return fields_.LoudnessMode == kLoudnessNormalise;
        case IDC_LOUD_ALBUM_BY_FOLDER:
            return fields_.LoudnessMode != kLoudnessOff;
        default:
            return true;
    }
}

namespace {
bool inRange(const std::optional<int32_t>& value, int32_t low, int32_t high) {
    return value && *value >= low && *value <= high;
}
}  // namespace

void LoudnessPage::readTexts() {
    const std::optional<int32_t> target = parseTenths(targetText_, "LUFS");
    if (inRange(target, kLowestTarget, kHighestTarget)) {
        fields_.LoudnessTarget = storedField(*target);
        targetText_ = targetText(*target);
    }
    const std::optional<int32_t> ceiling = parseTenths(ceilingText_, "dBTP");
    if (inRange(ceiling, kLowestCeiling, kHighestCeiling)) {
        fields_.TruePeakCeiling = storedField(*ceiling);
        ceilingText_ = ceilingText(*ceiling);
    }
}

std::optional<PageRefusal> LoudnessPage::validate() {
    readTexts();
    if (fields_.LoudnessMode != kLoudnessNormalise) return std::nullopt;
    // A text that was taken now shows its value as kept; one that was not is still as typed.
    if (!inRange(parseTenths(targetText_, "LUFS"), kLowestTarget, kHighestTarget))
        return PageRefusal{kTargetRefusal, IDC_LOUD_TARGET};
    if (!inRange(parseTenths(ceilingText_, "dBTP"), kLowestCeiling, kHighestCeiling))
        return PageRefusal{kCeilingRefusal, IDC_LOUD_CEILING};
    return std::nullopt;
}

void LoudnessPage::apply(AppSettings& settings) const {
    settings.LoudnessMode = fields_.LoudnessMode;
    settings.LoudnessTarget = fields_.LoudnessTarget;
    settings.TruePeakCeiling = fields_.TruePeakCeiling;
    settings.AlbumGainByFolder = fields_.AlbumGainByFolder;
}

void LoudnessPage::commit(OptionContext& context) {
    readTexts();
    apply(context.settings);
}

}  // namespace ui
