// The Audio page: lists offered by each codec, edits carried across codec switches, Cancel and OK.
#include <gtest/gtest.h>

#include <cstring>

#include "formats/Catalogue.h"
#include "resources/resource.h"
#include "ui/logic/AudioPage.h"

namespace {

size_t itemWith(const AudioPage::Choice& choice, int32_t data) {
    for (size_t i = 0; i < choice.items.size(); ++i) {
        if (choice.items[i].data == data) return i;
    }
    ADD_FAILURE() << "no item " << data;
    return AudioPage::kNoItem;
}

int32_t selectedData(const AudioPage::Choice& choice) {
    return choice.selected < choice.items.size() ? choice.items[choice.selected].data : -99;
}

void pickCodec(AudioPage& page, const Catalogue& catalogue, const char* name) {
    const OutputFormat& format = *catalogue.findById(page.formats().items[page.formats().selected].data);
    for (size_t i = 0; format.codecs[i]; ++i) {
        if (std::strcmp(format.codecs[i]->transcoderName, name) == 0) return page.chooseCodec(i);
    }
    FAIL() << name;
}

}  // namespace

TEST(AudioPage, BitRatesAndQualitiesOfAVbrCodec) {
    Catalogue catalogue;
    AudioPage page(catalogue, 1160);
    EXPECT_EQ(page.formats().items[page.formats().selected].text, " MP3");
    EXPECT_TRUE(page.vbrShown());
    EXPECT_FALSE(page.vbrChecked());
    EXPECT_EQ(page.valueLabel(), "&Bit Rate:");
    auto values = page.values();
    ASSERT_EQ(values.items.size(), 19u);
    EXPECT_EQ(values.items[0].text, "Auto");
    EXPECT_EQ(values.selected, 0u);
    EXPECT_EQ(values.items[1].text, "8 kbps (low quality, small size)");
    EXPECT_EQ(values.items[18].text, "320 kbps (high quality, big size)");
    const auto rates = page.sampleRates();
    ASSERT_EQ(rates.items.size(), 10u);
    EXPECT_EQ(rates.items[1].text, "8000 Hz (low quality)");
    EXPECT_EQ(rates.items[9].text, "48000 Hz (high quality)");
    EXPECT_EQ(page.channels().items.size(), 3u);

    page.chooseValue(itemWith(values, 192000));
    page.setVbr(true);
    EXPECT_EQ(page.valueLabel(), "&Quality:");
    values = page.values();
    ASSERT_EQ(values.items.size(), 11u);
    EXPECT_EQ(values.items.front().text, "10 (low quality, small size)");
    EXPECT_EQ(values.items.back().text, "0 (high quality, big size)");
    EXPECT_EQ(selectedData(values), 5);
    page.chooseValue(itemWith(values, 2));
    page.setVbr(false);
    EXPECT_EQ(selectedData(page.values()), 192000);  // each list keeps its own choice
    page.setVbr(true);
    EXPECT_EQ(selectedData(page.values()), 2);
    EXPECT_FALSE(page.apply());
    const OutputFormat& mp3 = *catalogue.findById(1160);
    EXPECT_EQ(mp3.AudioVBREnabled, 1);
    EXPECT_EQ(mp3.AudioVBRQuality, 2);
    EXPECT_EQ(mp3.AudioBitRate, 192000);
}

TEST(AudioPage, CompressionLevelsAndCodecsWithoutValues) {
    Catalogue catalogue;
    AudioPage page(catalogue, 1090);
    EXPECT_FALSE(page.vbrShown());
    EXPECT_EQ(page.valueLabel(), "Co&mpression:");
    const auto levels = page.values();
    ASSERT_EQ(levels.items.size(), 13u);
    EXPECT_EQ(levels.items.front().text, "0 (fast encoding, big size)");
    EXPECT_EQ(levels.items.back().text, "12 (slow encoding, small size)");
    EXPECT_EQ(selectedData(levels), 5);
    EXPECT_EQ(page.channels().items.size(), 9u);

    page.chooseFormat(itemWith(page.formats(), 1085));  // dca: nothing to choose
    EXPECT_EQ(page.valueKind(), AudioPage::ValueKind::kNone);
    EXPECT_EQ(page.valueLabel(), "");
    EXPECT_FALSE(page.values().enabled);
    EXPECT_FALSE(page.vbrShown());

    page.chooseFormat(itemWith(page.formats(), 1060));
    const auto amr = page.values();
    EXPECT_EQ(amr.items[1].text, "4.75 kbps (low quality, small size)");
    EXPECT_EQ(amr.items.back().text, "12.20 kbps (high quality, big size)");
    EXPECT_EQ(selectedData(amr), 10200);
    EXPECT_EQ(page.sampleRates().items[1].text, "8000 Hz");
    EXPECT_EQ(selectedData(page.channels()), 1);
}

TEST(AudioPage, CodecSwitchKeepsTheNearestListedValue) {
    Catalogue catalogue;
    AudioPage page(catalogue, 1200);
    pickCodec(page, catalogue, "libmp3lame");
    page.chooseValue(itemWith(page.values(), 144000));
    page.chooseSampleRate(itemWith(page.sampleRates(), 44100));
    page.chooseChannels(itemWith(page.channels(), 2));
    pickCodec(page, catalogue, "ac3");  // 144000 lies halfway between 128000 and 160000
    EXPECT_EQ(selectedData(page.values()), 128000);
    EXPECT_EQ(selectedData(page.sampleRates()), 44100);
    pickCodec(page, catalogue, "libspeex");  // bit rates up to 44000; rates 8000, 16000, 32000
    EXPECT_EQ(selectedData(page.values()), 44000);
    EXPECT_EQ(selectedData(page.sampleRates()), 0);  // not in 8000, 16000, 32000: Auto
    EXPECT_EQ(selectedData(page.channels()), 2);
    pickCodec(page, catalogue, "g726");  // bits per sample: a bit rate does not carry over
    const auto bits = page.values();
    EXPECT_EQ(bits.items[1].text, "2 bit (low quality, small size)");
    EXPECT_EQ(selectedData(bits), 0);
    EXPECT_EQ(selectedData(page.channels()), 0);  // mono only

    page.chooseFormat(itemWith(page.formats(), 1130));
    pickCodec(page, catalogue, "flac");
    page.chooseValue(itemWith(page.values(), 12));
    pickCodec(page, catalogue, "wavpack");
    EXPECT_EQ(selectedData(page.values()), 4);
    pickCodec(page, catalogue, "alac");
    EXPECT_EQ(selectedData(page.values()), 2);
    EXPECT_EQ(page.parameters(itemWith(page.formats(), 1130)).AudioCompressionLevel, 2);
}

TEST(AudioPage, CancelKeepsEveryFormatAndOkWritesBack) {
    Catalogue catalogue;
    const Catalogue pristine;
    {
        AudioPage page(catalogue, kFirstCustomFormatId);
        EXPECT_EQ(page.formats().selected, 0u);  // a custom format shows the first entry
        page.chooseValue(itemWith(page.values(), 256000));
        page.chooseFormat(itemWith(page.formats(), 1090));
        page.chooseValue(itemWith(page.values(), 8));
        page.setVolumeText("250");
        page.chooseFormat(itemWith(page.formats(), 1160));
        EXPECT_EQ(page.volumeText(), "100");
        EXPECT_EQ(page.chosenFormatId(), 1160);
    }  // never applied: Cancel
    for (size_t i = 0; i < kCatalogueFormatCount; ++i)
        EXPECT_EQ(AudioParameters::of(*catalogue.formats()[i]), AudioParameters::of(*pristine.formats()[i]))
            << i;

    AudioPage page(catalogue, kFirstCustomFormatId);
    page.chooseValue(itemWith(page.values(), 256000));
    page.chooseFormat(itemWith(page.formats(), 1090));
    page.chooseValue(itemWith(page.values(), 8));
    page.pressVolumeSpin(1);
    EXPECT_EQ(page.volumeText(), "110");
    page.setVolumeText("abc");
    auto problem = page.apply();
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->message, "Please enter an integer.");
    EXPECT_EQ(problem->focusControlId, IDC_AUDIO_VOLUME);
    EXPECT_EQ(catalogue.findById(1090)->AudioCompressionLevel, 5);  // nothing written
    page.setVolumeText("999999");
    EXPECT_TRUE(page.validate());
    page.pressVolumeSpin(-1);  // beyond the spin's range: down goes to its top
    EXPECT_EQ(page.volumeText(), "3000");
    page.pressVolumeSpin(1);
    EXPECT_EQ(page.volumeText(), "3000");
    page.setVolumeText("5000");
    EXPECT_FALSE(page.apply());
    EXPECT_EQ(catalogue.findById(1010)->AudioBitRate, 256000);
    EXPECT_EQ(catalogue.findById(1090)->AudioCompressionLevel, 8);
    EXPECT_EQ(catalogue.findById(1090)->AudioVolume, 5000);
    EXPECT_EQ(AudioParameters::of(*catalogue.findById(1160)), AudioParameters::of(*pristine.findById(1160)));
}

TEST(AudioPage, StepSpinTakesOnlyStepsSmallerThanItsRange) {
    StepSpin spin(10, 30);
    EXPECT_EQ(spin.press(15, 1), 16);
    EXPECT_FALSE(spin.setStep(20));
    EXPECT_TRUE(spin.setStep(19));
    EXPECT_EQ(spin.press(15, -1), 10);
    EXPECT_EQ(spin.press(11, 1), 30);
}

TEST(AudioPage, AFormatWithoutCodecsKeepsItsValues) {
    OutputFormat bare;
    bare.id = 1300;
    bare.extension = "raw";
    bare.AudioCodec = "none";
    bare.AudioVolume = 70;
    AudioPage page({&bare}, 1300);
    EXPECT_FALSE(page.codecs().enabled);
    EXPECT_FALSE(page.sampleRates().enabled);
    EXPECT_FALSE(page.volumeEnabled());
    page.setVolumeText("x");
    EXPECT_FALSE(page.apply());
    EXPECT_EQ(bare.AudioCodec, "none");
    EXPECT_EQ(bare.AudioVolume, 70);
}
