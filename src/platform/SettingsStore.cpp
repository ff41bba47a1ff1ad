#include "platform/SettingsStore.h"

#include "platform/Text.h"

namespace {

void appendUnit(std::string& out, uint32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>((unit >> 8) & 0xFF));
}

// Decodes one UTF-8 sequence at text[i]; advances i. Invalid input gives U+FFFD and skips one byte.
char32_t nextCodePoint(std::string_view text, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (i + length > text.size()) {
        ++i;
        return 0xFFFD;
    }
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += length;
    return cp;
}

}  // namespace

std::string encodeStringValue(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() * 2 + 2);
    for (size_t i = 0; i < utf8.size();) {
        const char32_t cp = nextCodePoint(utf8, i);
        if (cp >= 0x10000) {
            const uint32_t v = static_cast<uint32_t>(cp) - 0x10000;
            appendUnit(out, 0xD800 + (v >> 10));
            appendUnit(out, 0xDC00 + (v & 0x3FF));
        } else {
            appendUnit(out, static_cast<uint32_t>(cp));
        }
    }
    appendUnit(out, 0);
    return out;
}

std::string decodeStringValue(std::string_view bytes) {
    std::string out;
    const size_t units = bytes.size() / 2;
    const auto unitAt = [&](size_t k) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * k])) |
               (static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * k + 1])) << 8);
    };
    for (size_t k = 0; k < units; ++k) {
        const uint32_t unit = unitAt(k);
        if (unit == 0) break;
        if (unit >= 0xD800 && unit <= 0xDBFF && k + 1 < units) {
            const uint32_t low = unitAt(k + 1);
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
    const auto* b = reinterpret_cast<const unsigned char*>(raw->bytes.data());
    value = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
            (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
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
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return writeRaw(name, kValueDword, bytes);
}

bool SettingsKey::writeString(std::string_view name, std::string_view text) {
    return writeRaw(name, kValueString, encodeStringValue(text));
}
