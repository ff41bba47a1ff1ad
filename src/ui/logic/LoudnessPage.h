// The options sheet's Loudness page: the mode (off, ReplayGain tags, normalising), the target loudness
// and the true peak ceiling of normalising, and whether a folder's files are one album. The page works
// on its own copy of the four settings; the caller's record changes only on OK.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/AppSettings.h"
#include "ui/logic/OptionPresenter.h"

namespace ui {

// The ranges the page accepts, in tenths (of LUFS, of dBTP).
inline constexpr int32_t kLowestTarget = -400, kHighestTarget = -50;
inline constexpr int32_t kLowestCeiling = -90, kHighestCeiling = 0;

extern const char* const kTargetRefusal;
extern const char* const kCeilingRefusal;

// A typed number in tenths: blanks around it, a sign, digits with at most one '.', the unit after it if
// at all (any case, a blank before it or not); further decimals are rounded. None for anything else.
std::optional<int32_t> parseTenths(std::string_view text, std::string_view unit);
// "-16 LUFS" for a whole target, "-17.5 LUFS" otherwise; a ceiling always with its decimal ("-1.0").
std::string targetText(int32_t tenths);
std::string ceilingText(int32_t tenths);

class LoudnessPage final : public OptionPresenter {
public:
    explicit LoudnessPage(const AppSettings& settings);
    explicit LoudnessPage(const OptionContext& context);

    // The mode and its radio button (IDC_LOUD_OFF + mode).
    uint32_t mode() const { return fields_.LoudnessMode; }
    void setMode(uint32_t mode);
    int checkedModeButton() const;

    // The target's combo: its items, and its edit text (picking an item puts the item's text there).
    static const std::vector<std::string>& targetItems();
    const std::string& target() const { return targetText_; }
    void setTarget(std::string text);
    void selectTarget(size_t index);
    const std::string& ceiling() const { return ceilingText_; }
    void setCeiling(std::string text);
    bool albumByFolder() const { return fields_.AlbumGainByFolder != 0; }
    void setAlbumByFolder(bool on);

    // Target and ceiling (with their labels) only when normalising; the album box unless off.
    bool enabled(int id) const;

    // Leaving the page: while normalising, refuses a target or ceiling out of range; otherwise their
    // texts do not matter. After a successful leave the texts show the values as kept.
    std::optional<PageRefusal> validate() override;
    // OK: the four settings. A target or ceiling that could not be read stays as it was.
    void commit(OptionContext& context) override;
    void apply(AppSettings& settings) const;

    const AppSettings& fields() const { return fields_; }

private:
    void readTexts();

    AppSettings fields_;
    std::string targetText_;
    std::string ceilingText_;
};

}  // namespace ui
