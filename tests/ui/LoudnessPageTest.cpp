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
        {"-17.5", "LUFS", -175},         {" -16 LUFS ", "LUFS", -160}, {"-23lufs", "LUFS", -230},
        {"-17.55", "LUFS", -176},        {"-.5", "dBTP", -5},          {"+2", "dBTP", 20},
        {"-17,5", "LUFS", std::nullopt}, {"-", "LUFS", std::nullopt},  {"-1.2.3", "dBTP", std::nullopt},
        {"-16 dB", "LUFS", std::nullopt}};
    for (const auto& [text, unit, tenths] : cases) EXPECT_EQ(ui::parseTenths(text, unit), tenths) << text;
    EXPECT_EQ(std::tuple(ui::targetText(-160), ui::targetText(-175), ui::ceilingText(-10)),
              std::tuple("-16 LUFS", "-17.5 LUFS", "-1.0"));
}

// Target and ceiling only while normalising, the album box unless off; a wrong value keeps the page only
// while normalising, and OK gives back tenths as the settings' DWORDs.
TEST(LoudnessPage, GreyingRefusalsAndTheTenthsRoundTrip) {
    MemorySettingsStore store;
    Catalogue catalogue;
    AppSettings settings;
    settings.LoudnessTarget = static_cast<uint32_t>(-175);
    ui::OptionContext context{settings, catalogue, store};
    LoudnessPage page(context);
    EXPECT_EQ(std::tuple(page.target(), page.ceiling()), std::tuple("-17.5 LUFS", "-1.0"));
    const std::vector<std::vector<bool>> greying = {
        {false, false, false}, {false, false, true}, {true, true, true}};
    for (uint32_t mode = 0; mode < 3; ++mode) {
        page.setMode(mode);
        EXPECT_EQ((std::vector<bool>{page.enabled(IDC_LOUD_TARGET), page.enabled(IDC_LOUD_CEILING),
                                     page.enabled(IDC_LOUD_ALBUM_BY_FOLDER)}),
                  greying[mode])
            << mode;
    }

    page.setTarget("-3");
    page.setMode(1);
    EXPECT_EQ(page.validate(), std::nullopt);
    page.setMode(2);
    EXPECT_EQ(page.validate(), (ui::PageRefusal{ui::kTargetRefusal, IDC_LOUD_TARGET}));
    EXPECT_EQ(page.target(), "-3") << "a refused text stays as typed";
    for (const char* outside : {"-40.1", "-4.9"}) {
        page.setTarget(outside);
        EXPECT_TRUE(page.validate()) << outside;
    }
    page.setTarget("-40");
    page.setCeiling("0.1");
    EXPECT_EQ(page.validate(), (ui::PageRefusal{ui::kCeilingRefusal, IDC_LOUD_CEILING}));
    page.setCeiling("-9");
    page.selectTarget(3);
    page.setAlbumByFolder(false);
    EXPECT_EQ(page.validate(), std::nullopt);
    EXPECT_EQ(std::tuple(page.target(), page.ceiling()), std::tuple("-23 LUFS", "-9.0"));
    EXPECT_EQ(settings.LoudnessMode, 0u) << "nothing written before OK";

    page.commit(context);
    EXPECT_EQ(std::tuple(settings.LoudnessMode, settings.LoudnessTarget, settings.TruePeakCeiling,
                         settings.AlbumGainByFolder),
              std::tuple(2u, 4294967066u, 4294967206u, 0u));  // the DWORDs of -230 and -90
}
