// The options sheet's Loudness page: typed numbers in tenths, greying by mode, refusals and what OK
// writes back.
#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "formats/Catalogue.h"
#include "platform/MemorySettingsStore.h"
#include "resources/resource.h"
#include "ui/logic/LoudnessPage.h"

using ui::LoudnessPage;

TEST(LoudnessPage, TypedNumbersInTenths) {
    const std::tuple<const char*, const char*, std::optional<int32_t>> cases[] = {
        {"-17.5", "LUFS", -175},
        {" -16 LUFS ", "LUFS", -160},
        {"-23lufs", "LUFS", -230},
        {"-17.55", "LUFS", -176},
        {"-17.54", "LUFS", -175},
        {"-.5", "dBTP", -5},
        {"0", "dBTP", 0},
        {"+2", "dBTP", 20},
        {"-17,5", "LUFS", std::nullopt},
        {"", "LUFS", std::nullopt},
        {"-", "LUFS", std::nullopt},
        {"-1.2.3", "dBTP", std::nullopt},
        {"-16 dB", "LUFS", std::nullopt},
        {"LUFS", "LUFS", std::nullopt}};
    for (const auto& [text, unit, tenths] : cases) EXPECT_EQ(ui::parseTenths(text, unit), tenths) << text;
    EXPECT_EQ(ui::targetText(-160), "-16 LUFS");
    EXPECT_EQ(ui::targetText(-175), "-17.5 LUFS");
    EXPECT_EQ(ui::ceilingText(-10), "-1.0");
    EXPECT_EQ(ui::ceilingText(-5), "-0.5");
    EXPECT_EQ(LoudnessPage::targetItems(),
              (std::vector<std::string>{"-14 LUFS", "-16 LUFS", "-18 LUFS", "-23 LUFS"}));
}

TEST(LoudnessPage, GreyingFollowsTheMode) {
    LoudnessPage page{AppSettings{}};
    EXPECT_EQ(std::tuple(page.mode(), page.checkedModeButton(), page.target(), page.ceiling(),
                         page.albumByFolder()),
              std::tuple(0u, IDC_LOUD_OFF, std::string("-16 LUFS"), std::string("-1.0"), true));
    const int controls[] = {IDC_LOUD_TARGET, IDC_LOUD_CEILING, IDC_LOUD_ALBUM_BY_FOLDER, IDC_LOUD_TAGS};
    const std::tuple<uint32_t, std::vector<bool>> modes[] = {
        {0, {false, false, false, true}}, {1, {false, false, true, true}}, {2, {true, true, true, true}}};
    for (const auto& [mode, expected] : modes) {
        page.setMode(mode);
        std::vector<bool> shown;
        for (int id : controls) shown.push_back(page.enabled(id));
        EXPECT_EQ(shown, expected) << mode;
        EXPECT_EQ(page.checkedModeButton(), IDC_LOUD_OFF + static_cast<int>(mode));
    }
    page.setMode(3);  // no such mode
    EXPECT_EQ(page.mode(), 2u);
}

TEST(LoudnessPage, RefusalsOnlyWhileNormalisingAndTheTenthsRoundTrip) {
    MemorySettingsStore store;
    Catalogue catalogue;
    AppSettings settings;
    settings.LoudnessMode = 1;
    settings.LoudnessTarget = static_cast<uint32_t>(-175);
    settings.TruePeakCeiling = static_cast<uint32_t>(-20);
    ui::OptionContext context{settings, catalogue, store};
    LoudnessPage page(context);
    EXPECT_EQ(std::tuple(page.target(), page.ceiling()), std::tuple("-17.5 LUFS", "-2.0"));

    // Not normalising: a wrong target does not keep the page, and the stored one stays.
    page.setTarget("-3");
    EXPECT_EQ(page.validate(), std::nullopt);
    page.setMode(2);
    EXPECT_EQ(page.validate(), (ui::PageRefusal{ui::kTargetRefusal, IDC_LOUD_TARGET}));
    EXPECT_EQ(page.target(), "-3") << "a refused text stays as typed";
    for (const char* outside : {"-40.1", "-4.9", "x"}) {
        page.setTarget(outside);
        EXPECT_TRUE(page.validate()) << outside;
    }
    page.setTarget("-40");
    page.setCeiling("0.1");
    EXPECT_EQ(page.validate(), (ui::PageRefusal{ui::kCeilingRefusal, IDC_LOUD_CEILING}));
    page.setCeiling("-9.05");
    EXPECT_TRUE(page.validate());
    page.setCeiling("-9");
    page.selectTarget(3);
    page.setAlbumByFolder(false);
    EXPECT_EQ(page.validate(), std::nullopt);
    EXPECT_EQ(std::tuple(page.target(), page.ceiling()), std::tuple("-23 LUFS", "-9.0"));
    EXPECT_EQ(settings.LoudnessMode, 1u) << "nothing written before OK";

    page.commit(context);
    EXPECT_EQ(std::tuple(settings.LoudnessMode, static_cast<int32_t>(settings.LoudnessTarget),
                         static_cast<int32_t>(settings.TruePeakCeiling), settings.AlbumGainByFolder),
              std::tuple(2u, -230, -90, 0u));
    EXPECT_EQ(settings.LoudnessTarget, 4294967066u);  // the DWORD of -230
}
