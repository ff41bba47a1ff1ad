#include "platform/SettingsStore.h"

#include "platform/Bytes.h"
#include "platform/Text.h"

namespace {

void appendUnit(std::string& out, uint32_t unit) {
    uint8_t bytes[2];
    platform::writeLe16(bytes, static_cast<uint16_t>(unit));
    out.append(reinterpret_cast<const char*>(bytes), 2);
}

uint16_t unitAt(std::string_view bytes, size_t k) {
    return platform::readLe16(reinterpret_cast<const uint8_t*>(bytes.data()) + 2 * k);
}

}  // namespace

std::string encodeStringValue(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() * 2 + 2);
    platform::forEachCodePoint(utf8, [&](char32_t cp) {
        if (cp >= 0x10000) {
            const uint32_t v = static_cast<uint32_t>(cp) - 0x10000;
            appendUnit(out, 0xD800 + (v >> 10));
            appendUnit(out, 0xDC00 + (v & 0x3FF));
        } else {
            appendUnit(out, static_cast<uint32_t>(cp));
        }
    });
    appendUnit(out, 0);
    return out;
}

std::string decodeStringValue(std::string_view bytes) {
    std::string out;
    const size_t units = bytes.size() / 2;
    for (size_t k = 0; k < units; ++k) {
        const uint32_t unit = unitAt(bytes, k);
        if (unit == 0) break;
        if (unit >= 0xD800 && unit <= 0xDBFF && k + 1 < units) {
            const uint32_t low = unitAt(bytes, k + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                platform::appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++k;
                continue;
            }
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            platform::appendUtf8(out, 0xFFFD);
            continue;
        }
        platform::appendUtf8(out, unit);
    }
    return out;
}

bool SettingsKey::readDword(std::string_view name, uint32_t& value) {
    const auto raw = readRaw(name);
    if (!raw || raw->type != kValueDword || raw->bytes.size() != 4) return false;
    value = platform::readLe32(reinterpret_cast<const uint8_t*>(raw->bytes.data()));
    return true;
}

bool SettingsKey::readDword(std::string_view name, int32_t& value) {
    uint32_t v = 0;
    if (!readDword(name, v)) return false;
    value = static_cast<int32_t>(v);
    return true;
}

std::optional<std::string> SettingsKey::readString(std::string_view name) {
    auto raw = readRaw(name);
    if (!raw || (raw->type != kValueString && raw->type != kValueExpandString)) return std::nullopt;
    return decodeStringValue(raw->bytes);
}

bool SettingsKey::writeDword(std::string_view name, uint32_t value) {
    uint8_t bytes[4];
    platform::writeLe32(bytes, value);
    return writeRaw(name, kValueDword, std::string_view(reinterpret_cast<const char*>(bytes), 4));
}

bool SettingsKey::writeString(std::string_view name, std::string_view text) {
    return writeRaw(name, kValueString, encodeStringValue(text));
}
