#include "ui/logic/AudioPage.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "formats/Catalogue.h"
#include "resources/resource.h"

const char* const kVolumeNotIntegerMessage = "Please enter an integer.";
const char* const kVolumeTooLargeMessage = "Please enter a volume between 1 and 100000.";

namespace {

bool hasBitRates(const CodecInfo& codec) { return (codec.capabilities & kCodecBitRate) && codec.values; }
bool hasQualities(const CodecInfo& codec) {
    return (codec.capabilities & kCodecVbr) && codec.vbrHighQuality != -1 && codec.vbrLowQuality != -1;
}
bool hasLevels(const CodecInfo& codec) { return (codec.capabilities & kCodecCompression) && codec.values; }
bool vbrSwitchable(const CodecInfo& codec) {
    return !hasLevels(codec) && hasBitRates(codec) && hasQualities(codec);
}

// Numbers below 1000 are bits per sample (g726), the others bit/s; a value never crosses between them.
bool isBitsPerSample(int32_t value) { return value < 1000; }

bool listed(int32_t value, const int32_t* list) {
    for (; list && *list != -1; ++list) {
        if (*list == value) return true;
    }
    return false;
}

int32_t clampQuality(int32_t value, const CodecInfo& codec) {
    const auto [low, high] = std::minmax(codec.vbrLowQuality, codec.vbrHighQuality);
    return std::clamp(value, low, high);
}

std::optional<int64_t> parseInteger(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 10) return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    value = negative ? -value : value;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return value;
}

std::string formatted(const char* pattern, auto... args) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pattern, args...);
    return buffer;
}

// Appends the end marks to the first and last items of a list of more than one.
void markEnds(std::vector<AudioPage::Item>& items, size_t from, const char* first, const char* last) {
    if (items.size() - from < 2) return;
    items[from].text += first;
    items.back().text += last;
}

AudioPage::Choice selectData(AudioPage::Choice choice, int32_t data, size_t fallback) {
    choice.enabled = true;
    for (size_t i = 0; i < choice.items.size(); ++i) {
        if (choice.items[i].data == data) {
            choice.selected = i;
            return choice;
        }
    }
    choice.selected = fallback < choice.items.size() ? fallback : AudioPage::kNoItem;
    return choice;
}

constexpr const char* kChannelNames[8] = {"Mono", "Stereo", "2.1", "4.0", "5.0", "5.1", "6.1", "7.1"};

}  // namespace

bool StepSpin::setStep(int32_t step) {
    if (static_cast<int64_t>(step) >= static_cast<int64_t>(upper_) - lower_) return false;
    step_ = step;
    return true;
}

int32_t StepSpin::press(int32_t value, int direction) const {
    if (direction == 0 || (direction > 0 && value >= upper_) || (direction < 0 && value <= lower_))
        return value;
    const int64_t moved =
        static_cast<int64_t>(value) + (direction > 0 ? step_ : -static_cast<int64_t>(step_));
    return static_cast<int32_t>(std::clamp<int64_t>(moved, lower_, upper_));
}

AudioParameters AudioParameters::of(const OutputFormat& f) {
    return {f.AudioCodec,      f.AudioBitRate,  f.AudioVBRQuality, f.AudioVBREnabled, f.AudioCompressionLevel,
            f.AudioSampleRate, f.AudioChannels, f.AudioVolume};
}

void AudioParameters::writeTo(OutputFormat& f) const {
    f.AudioCodec = AudioCodec;
    f.AudioBitRate = AudioBitRate;
    f.AudioVBRQuality = AudioVBRQuality;
    f.AudioVBREnabled = AudioVBREnabled;
    f.AudioCompressionLevel = AudioCompressionLevel;
    f.AudioSampleRate = AudioSampleRate;
    f.AudioChannels = AudioChannels;
    f.AudioVolume = AudioVolume;
}

namespace {
std::vector<OutputFormat*> recordsOf(const Catalogue& catalogue) {
    std::vector<OutputFormat*> records;
    for (const auto& format : catalogue.formats()) records.push_back(format.get());
    return records;
}
}  // namespace

AudioPage::AudioPage(const ui::OptionContext& context)
    : AudioPage(context.catalogue, static_cast<int32_t>(context.settings.OutputFormat)) {}

AudioPage::AudioPage(const Catalogue& catalogue, int32_t currentFormatId)
    : AudioPage(recordsOf(catalogue), currentFormatId) {}

AudioPage::AudioPage(std::vector<OutputFormat*> formats, int32_t currentFormatId)
    : records_(std::move(formats)), chosenId_(currentFormatId) {
    spin_.setStep(kVolumeSpinStep);
    for (const OutputFormat* record : records_) {
        params_.push_back(AudioParameters::of(*record));
        formats_.items.push_back({" " + formatLabel(*record), record->id});
    }
    // A custom format's id matches no entry: show the first, but leave the setting alone.
    formats_ = selectData(std::move(formats_), currentFormatId, 0);
    formats_.enabled = true;
    settle();
    showVolume();
}

const OutputFormat* AudioPage::format() const {
    return formats_.selected < records_.size() ? records_[formats_.selected] : nullptr;
}

AudioParameters* AudioPage::current() {
    return formats_.selected < params_.size() ? &params_[formats_.selected] : nullptr;
}

const CodecInfo* AudioPage::codec() const {
    const OutputFormat* f = format();
    if (!f || !f->codecs) return nullptr;
    const std::string& name = params_[formats_.selected].AudioCodec;
    for (const CodecInfo* const* c = f->codecs; *c; ++c) {
        if (name == (*c)->transcoderName) return *c;
    }
    return nullptr;
}

void AudioPage::settle() {
    AudioParameters* p = current();
    const OutputFormat* f = format();
    if (!p || !f || !f->codecs || !f->codecs[0]) return;  // a format without codecs keeps its values
    if (!codec()) p->AudioCodec = f->codecs[0]->transcoderName;
    const CodecInfo& k = *codec();
    if (hasLevels(k)) {
        if (!listed(p->AudioCompressionLevel, k.values)) p->AudioCompressionLevel = k.values[0];
    } else if (hasBitRates(k) || hasQualities(k)) {
        p->AudioVBREnabled = vbrSwitchable(k) ? (p->AudioVBREnabled != 0) : !hasBitRates(k);
        if (p->AudioVBREnabled) {
            p->AudioVBRQuality = clampQuality(p->AudioVBRQuality, k);
        } else if (p->AudioBitRate != 0 && !listed(p->AudioBitRate, k.values)) {
            p->AudioBitRate = 0;
        }
    }
    if (k.sampleRates && p->AudioSampleRate != 0 && !listed(p->AudioSampleRate, k.sampleRates))
        p->AudioSampleRate = 0;
    if (k.channelMask != 0) {
        const int32_t n = p->AudioChannels;
        if (n < 1 || n > 8 || !(k.channelMask & (1u << (n - 1)))) p->AudioChannels = 0;
    }
}

void AudioPage::showVolume() {
    const AudioParameters* p = formats_.selected < params_.size() ? &params_[formats_.selected] : nullptr;
    volumeText_ = p ? std::to_string(p->AudioVolume) : std::string();
}

AudioPage::Choice AudioPage::codecs() const {
    Choice choice;
    const OutputFormat* f = format();
    if (!f || !f->codecs) return choice;
    const CodecInfo* selected = codec();
    for (size_t i = 0; f->codecs[i]; ++i) {
        choice.items.push_back({f->codecs[i]->displayName, static_cast<int32_t>(i)});
        if (f->codecs[i] == selected) choice.selected = i;
    }
    choice.enabled = !choice.items.empty();
    return choice;
}

AudioPage::ValueKind AudioPage::valueKind() const {
    const CodecInfo* k = codec();
    if (!k) return ValueKind::kNone;
    if (hasLevels(*k)) return ValueKind::kCompression;
    if (vbrSwitchable(*k))
        return params_[formats_.selected].AudioVBREnabled ? ValueKind::kQuality : ValueKind::kBitRate;
    if (hasBitRates(*k)) return ValueKind::kBitRate;
    if (hasQualities(*k)) return ValueKind::kQuality;
    return ValueKind::kNone;
}

std::string AudioPage::valueLabel() const {
    switch (valueKind()) {
        case ValueKind::kBitRate:
            return "&Bit Rate:";
        case ValueKind::kQuality:
            return "&Quality:";
        case ValueKind::kCompression:
            return "Co&mpression:";
        case ValueKind::kNone:
            break;
    }
    return {};
}

AudioPage::Choice AudioPage::values() const {
    Choice choice;
    const CodecInfo* k = codec();
    const ValueKind kind = valueKind();
    if (kind == ValueKind::kNone) return choice;
    const AudioParameters& p = params_[formats_.selected];
    if (kind == ValueKind::kBitRate) {
        choice.items.push_back({"Auto", 0});
        for (const int32_t* v = k->values; *v != -1; ++v) {
            choice.items.push_back({isBitsPerSample(*v) ? formatted("%d bit", *v)
                                    : *v % 1000 != 0    ? formatted("%.2f kbps", *v / 1000.0)
                                                        : formatted("%d kbps", *v / 1000),
                                    *v});
        }
        markEnds(choice.items, 1, " (low quality, small size)", " (high quality, big size)");
        return selectData(std::move(choice), p.AudioBitRate, 0);
    }
    if (kind == ValueKind::kQuality) {
        const int32_t a = k->vbrLowQuality, b = k->vbrHighQuality, step = a <= b ? 1 : -1;
        for (int32_t q = a;; q += step) {
            choice.items.push_back({std::to_string(q), q});
            if (q == b) break;
        }
        choice.items.front().text += " (low quality, small size)";
        choice.items.back().text += " (high quality, big size)";
        return selectData(std::move(choice), clampQuality(p.AudioVBRQuality, *k), 0);
    }
    for (const int32_t* v = k->values; *v != -1; ++v) choice.items.push_back({std::to_string(*v), *v});
    markEnds(choice.items, 0, " (fast encoding, big size)", " (slow encoding, small size)");
    return selectData(std::move(choice), p.AudioCompressionLevel, 0);
}

bool AudioPage::vbrShown() const {
    const CodecInfo* k = codec();
    return k && vbrSwitchable(*k);
}

bool AudioPage::vbrChecked() const { return vbrShown() && params_[formats_.selected].AudioVBREnabled != 0; }

AudioPage::Choice AudioPage::sampleRates() const {
    Choice choice;
    const CodecInfo* k = codec();
    if (!k || !k->sampleRates) return choice;
    choice.items.push_back({"Auto", 0});
    for (const int32_t* r = k->sampleRates; *r != -1; ++r)
        choice.items.push_back({formatted("%d Hz", *r), *r});
    markEnds(choice.items, 1, " (low quality)", " (high quality)");
    return selectData(std::move(choice), params_[formats_.selected].AudioSampleRate, 0);
}

AudioPage::Choice AudioPage::channels() const {
    Choice choice;
    const CodecInfo* k = codec();
    if (!k || k->channelMask == 0) return choice;
    choice.items.push_back({"Auto", 0});
    for (int32_t n = 1; n <= 8; ++n) {
        if (k->channelMask & (1u << (n - 1))) choice.items.push_back({kChannelNames[n - 1], n});
    }
    return selectData(std::move(choice), params_[formats_.selected].AudioChannels, 0);
}

bool AudioPage::volumeEnabled() const { return codec() != nullptr; }

void AudioPage::chooseFormat(size_t index) {
    if (index >= records_.size()) return;
    formats_.selected = index;
    chosenId_ = records_[index]->id;
    settle();
    showVolume();
}

void AudioPage::chooseCodec(size_t index) {
    const OutputFormat* f = format();
    AudioParameters* p = current();
    if (!f || !p || !f->codecs || index >= codecCount(f->codecs)) return;
    const CodecInfo* before = codec();
    const CodecInfo& after = *f->codecs[index];
    if (before == &after) return;
    p->AudioCodec = after.transcoderName;
    // Keep what the user chose as far as the new codec's lists allow.
    if (hasBitRates(after) && p->AudioBitRate != 0) {
        p->AudioBitRate = isBitsPerSample(p->AudioBitRate) == isBitsPerSample(after.values[0])
                              ? nearestListedValue(p->AudioBitRate, after.values)
                              : 0;
    }
    if (hasLevels(after))
        p->AudioCompressionLevel = nearestListedValue(p->AudioCompressionLevel, after.values);
    settle();
}

void AudioPage::setVbr(bool on) {
    AudioParameters* p = current();
    if (!p || !vbrShown()) return;
    p->AudioVBREnabled = on ? 1 : 0;
    settle();
}

void AudioPage::chooseValue(size_t index) {
    const Choice list = values();
    AudioParameters* p = current();
    if (!p || index >= list.items.size()) return;
    const int32_t value = list.items[index].data;
    switch (valueKind()) {
        case ValueKind::kBitRate:
            p->AudioBitRate = value;
            break;
        case ValueKind::kQuality:
            p->AudioVBRQuality = value;
            break;
        case ValueKind::kCompression:
            p->AudioCompressionLevel = value;
            break;
        case ValueKind::kNone:
            break;
    }
}

void AudioPage::chooseSampleRate(size_t index) {
    const Choice list = sampleRates();
    if (AudioParameters* p = current(); p && index < list.items.size())
        p->AudioSampleRate = list.items[index].data;
}

void AudioPage::chooseChannels(size_t index) {
    const Choice list = channels();
    if (AudioParameters* p = current(); p && index < list.items.size())
        p->AudioChannels = list.items[index].data;
}

void AudioPage::setVolumeText(std::string text) {
    volumeText_ = std::move(text);
    const auto value = parseInteger(volumeText_);
    // 0 or less keeps the stored volume; too large a one is refused when the page is left.
    if (AudioParameters* p = current(); p && volumeEnabled() && value && *value > 0 && *value <= kMaxVolume)
        p->AudioVolume = static_cast<int32_t>(*value);
}

void AudioPage::pressVolumeSpin(int direction) {
    const AudioParameters* p = current();
    if (!p || !volumeEnabled()) return;
    const auto typed = parseInteger(volumeText_);
    setVolumeText(
        std::to_string(spin_.press(typed ? static_cast<int32_t>(*typed) : p->AudioVolume, direction)));
}

std::optional<AudioPage::Problem> AudioPage::validate() {
    if (!volumeEnabled()) return std::nullopt;
    const auto value = parseInteger(volumeText_);
    if (!value) return Problem{kVolumeNotIntegerMessage, IDC_AUDIO_VOLUME};
    if (*value > kMaxVolume) return Problem{kVolumeTooLargeMessage, IDC_AUDIO_VOLUME};
    return std::nullopt;
}

void AudioPage::writeBack() {
    for (size_t i = 0; i < records_.size(); ++i) {
        if (records_[i]->codecs && records_[i]->codecs[0]) params_[i].writeTo(*records_[i]);
    }
}

std::optional<AudioPage::Problem> AudioPage::apply() {
    if (auto problem = validate()) return problem;
    writeBack();
    return std::nullopt;
}

void AudioPage::commit(ui::OptionContext& context) {
    writeBack();
    context.settings.OutputFormat = static_cast<uint32_t>(chosenId_);
}
