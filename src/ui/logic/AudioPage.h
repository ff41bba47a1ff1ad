// The options sheet's Audio page: pick a catalogue format and edit its encoding parameters. The page
// edits copies of every format's parameters, so Cancel changes nothing and OK writes them all back; which
// controls are offered and what they list follows from the chosen codec.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/OutputFormat.h"
#include "ui/logic/OptionPresenter.h"

class Catalogue;

// A spin control that moves by a fixed step: an arrow press becomes +step or -step, kept in the range.
class StepSpin {
public:
    StepSpin(int32_t lower, int32_t upper) : lower_(lower), upper_(upper) {}
    // Taken only when smaller than the range (upper minus lower); otherwise the step stays.
    bool setStep(int32_t step);
    int32_t step() const { return step_; }
    int32_t lower() const { return lower_; }
    int32_t upper() const { return upper_; }
    // The value after one press (direction > 0 up, < 0 down). A value beyond the end the arrow points
    // to stays; otherwise the result is kept within the range.
    int32_t press(int32_t value, int direction) const;

private:
    int32_t lower_;
    int32_t upper_;
    int32_t step_ = 1;
};

// The encoding parameters the page edits, named after the fields of OutputFormat.
struct AudioParameters {
    std::string AudioCodec;
    int32_t AudioBitRate = 0;
    int32_t AudioVBRQuality = -1;
    int32_t AudioVBREnabled = 0;
    int32_t AudioCompressionLevel = -1;
    int32_t AudioSampleRate = 0;
    int32_t AudioChannels = 0;
    int32_t AudioVolume = 100;

    static AudioParameters of(const OutputFormat& format);
    void writeTo(OutputFormat& format) const;
    bool operator==(const AudioParameters&) const = default;
};

class AudioPage final : public ui::OptionPresenter {
public:
    static constexpr size_t kNoItem = static_cast<size_t>(-1);
    // Volume limits: the spin's range, and the largest volume a conversion can scale without overflow.
    static constexpr int32_t kVolumeSpinLower = 10;
    static constexpr int32_t kVolumeSpinUpper = 3000;
    static constexpr int32_t kVolumeSpinStep = 10;
    static constexpr int32_t kMaxVolume = 100000;

    struct Item {
        std::string text;
        int32_t data = 0;  // format id, codec index, bit rate, quality, level, Hz or channel count
    };
    struct Choice {
        std::vector<Item> items;
        size_t selected = kNoItem;
        bool enabled = false;
    };
    enum class ValueKind { kNone, kBitRate, kQuality, kCompression };
    using Problem = ui::PageRefusal;

    // formats: the catalogue's records in catalogue order; currentFormatId: the OutputFormat setting.
    AudioPage(std::vector<OutputFormat*> formats, int32_t currentFormatId);
    AudioPage(const Catalogue& catalogue, int32_t currentFormatId);
    // The sheet's page: over the catalogue and the OutputFormat setting.
    explicit AudioPage(const ui::OptionContext& context);

    // What the controls show.
    const Choice& formats() const { return formats_; }
    Choice codecs() const;  // item data = index in the format's codec list
    ValueKind valueKind() const;
    std::string valueLabel() const;  // "&Bit Rate:", "&Quality:", "Co&mpression:" or empty
    Choice values() const;           // item data = the number (0 = Auto bit rate)
    bool vbrShown() const;           // the CBR/VBR buttons: shown and enabled together
    bool vbrChecked() const;         // VBR on, else CBR
    Choice sampleRates() const;      // item data = Hz, 0 = Auto
    Choice channels() const;         // item data = channel count, 0 = Auto
    const std::string& volumeText() const { return volumeText_; }
    bool volumeEnabled() const;  // the edit and its spin
    const StepSpin& volumeSpin() const { return spin_; }

    // Edits, by item index of the lists above.
    void chooseFormat(size_t index);
    void chooseCodec(size_t index);
    void setVbr(bool on);
    void chooseValue(size_t index);
    void chooseSampleRate(size_t index);
    void chooseChannels(size_t index);
    void setVolumeText(std::string text);
    void pressVolumeSpin(int direction);  // > 0 up, < 0 down

    // Checked when the page is left and on OK; the page stays open while there is a problem.
    std::optional<Problem> validate() override;
    // OK: validates, then writes every format's parameters back into its record. Nothing is written
    // when there is a problem.
    std::optional<Problem> apply();
    // The sheet's OK: the parameters as apply writes them, and the chosen format into OutputFormat.
    void commit(ui::OptionContext& context) override;
    // The format id handed back to the sheet: the setting as it came, until the user picks a format.
    int32_t chosenFormatId() const { return chosenId_; }
    // The working copy of a format's parameters (by index in formats()).
    const AudioParameters& parameters(size_t index) const { return params_.at(index); }

private:
    const OutputFormat* format() const;
    const CodecInfo* codec() const;
    AudioParameters* current();
    void settle();  // bring the current format's copy in line with what its controls can show
    void showVolume();
    void writeBack();

    std::vector<OutputFormat*> records_;
    std::vector<AudioParameters> params_;
    Choice formats_;
    int32_t chosenId_;
    std::string volumeText_;
    StepSpin spin_{kVolumeSpinLower, kVolumeSpinUpper};
};

// Messages of the page.
extern const char* const kVolumeNotIntegerMessage;
extern const char* const kVolumeTooLargeMessage;
