#include "platform/SettingsTree.h"

#include <charconv>

#include "platform/Text.h"

namespace {

constexpr std::string_view kHeader = "melodrift-settings 1";
constexpr std::string_view kEnd = "end";

using platform::equalsIgnoringAsciiCase;

void appendQuoted(std::string& out, std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    out.push_back('"');
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out.push_back('\\');
            out.push_back(ch);
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        } else {
            out.push_back(ch);
        }
    }
    out.push_back('"');
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Splits one line into tokens: bare words or quoted strings (unescaped), separated by single blanks.
std::optional<std::vector<std::string>> tokenize(std::string_view line) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        std::string token;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c != '\\') {
                    token.push_back(c);
                    continue;
                }
                if (i >= line.size()) return std::nullopt;
                const char e = line[i++];
                if (e == '"' || e == '\\') {
                    token.push_back(e);
                } else if (e == 'x' && i + 2 <= line.size() && hexDigit(line[i]) >= 0 &&
                           hexDigit(line[i + 1]) >= 0) {
                    token.push_back(static_cast<char>(hexDigit(line[i]) * 16 + hexDigit(line[i + 1])));
                    i += 2;
                } else {
                    return std::nullopt;
                }
            }
            if (!closed) return std::nullopt;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '"') token.push_back(line[i++]);
            if (token.empty()) return std::nullopt;
        }
        tokens.push_back(std::move(token));
        if (i < line.size()) {
            if (line[i] != ' ' || i + 1 == line.size()) return std::nullopt;
            ++i;
        }
    }
    return tokens;
}

std::optional<uint32_t> parseUnsigned(std::string_view text) {
    uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<std::string> parseHex(std::string_view text) {
    if (text == "-") return std::string();
    if (text.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    for (size_t i = 0; i < text.size(); i += 2) {
        const int hi = hexDigit(text[i]), lo = hexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes.push_back(static_cast<char>(hi * 16 + lo));
    }
    return bytes;
}

}  // namespace

std::optional<std::string> SettingsTree::normalisePath(std::string_view path) {
    std::string out;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) {
            if (!out.empty()) out.push_back('\\');
            out.append(path.substr(start, end - start));
        }
        start = end + 1;
    }
    if (out.empty()) return std::nullopt;
    return out;
}

StoredKey* SettingsTree::findKey(std::string_view normalisedPath) {
    const auto it = keys_.find(platform::toLowerAscii(normalisedPath));
    return it == keys_.end() ? nullptr : &it->second;
}

StoredKey& SettingsTree::createKey(const std::string& normalisedPath) {
    // Parents first, so that every prefix of an existing key exists too.
    for (size_t pos = normalisedPath.find('\\'); pos != std::string::npos;
         pos = normalisedPath.find('\\', pos + 1)) {
        const std::string parent = normalisedPath.substr(0, pos);
        keys_.try_emplace(platform::toLowerAscii(parent), StoredKey{parent, {}});
    }
    return keys_.try_emplace(platform::toLowerAscii(normalisedPath), StoredKey{normalisedPath, {}})
        .first->second;
}

void SettingsTree::removeKey(std::string_view normalisedPath) {
    const std::string lower = platform::toLowerAscii(normalisedPath);
    const std::string below = lower + "\\";
    for (auto it = keys_.begin(); it != keys_.end();) {
        if (it->first == lower || it->first.starts_with(below))
            it = keys_.erase(it);
        else
            ++it;
    }
}

StoredValue* SettingsTree::findValue(StoredKey& key, std::string_view name) {
    for (auto& value : key.values)
        if (equalsIgnoringAsciiCase(value.name, name)) return &value;
    return nullptr;
}

void SettingsTree::setValue(StoredKey& key, std::string_view name, uint32_t type, std::string_view bytes) {
    if (StoredValue* value = findValue(key, name)) {
        value->type = type;
        value->bytes.assign(bytes);
        return;
    }
    key.values.push_back(StoredValue{std::string(name), type, std::string(bytes)});
}

bool SettingsTree::removeValue(StoredKey& key, std::string_view name) {
    for (auto it = key.values.begin(); it != key.values.end(); ++it) {
        if (equalsIgnoringAsciiCase(it->name, name)) {
            key.values.erase(it);
            return true;
        }
    }
    return false;
}

bool SettingsTree::operator==(const SettingsTree& other) const {
    if (keys_.size() != other.keys_.size()) return false;
    for (auto a = keys_.begin(), b = other.keys_.begin(); a != keys_.end(); ++a, ++b) {
        if (a->first != b->first || a->second.path != b->second.path) return false;
        const auto& va = a->second.values;
        const auto& vb = b->second.values;
        if (va.size() != vb.size()) return false;
        for (size_t i = 0; i < va.size(); ++i)
            if (va[i].name != vb[i].name || va[i].type != vb[i].type || va[i].bytes != vb[i].bytes)
                return false;
    }
    return true;
}

std::string SettingsTree::serialize() const {
    static const char kHex[] = "0123456789abcdef";
    std::string out(kHeader);
    out.push_back('\n');
    for (const auto& [lower, key] : keys_) {
        out += "key ";
        appendQuoted(out, key.path);
        out.push_back('\n');
        for (const StoredValue& value : key.values) {
            if (value.type == kValueDword && value.bytes.size() == 4) {
                uint32_t v = 0;
                for (int i = 3; i >= 0; --i)
                    v = (v << 8) | static_cast<unsigned char>(value.bytes[static_cast<size_t>(i)]);
                out += "dword ";
                appendQuoted(out, value.name);
                out.push_back(' ');
                out += std::to_string(v);
                out.push_back('\n');
            } else if (value.type == kValueString &&
                       encodeStringValue(decodeStringValue(value.bytes)) == value.bytes) {
                out += "sz ";
                appendQuoted(out, value.name);
                out.push_back(' ');
                appendQuoted(out, decodeStringValue(value.bytes));
                out.push_back('\n');
            } else {
                // Anything else keeps its exact type and bytes.
                out += "value ";
                out += std::to_string(value.type);
                out.push_back(' ');
                appendQuoted(out, value.name);
                out.push_back(' ');
                if (value.bytes.empty()) out.push_back('-');
                for (const char c : value.bytes) {
                    out.push_back(kHex[static_cast<unsigned char>(c) >> 4]);
                    out.push_back(kHex[static_cast<unsigned char>(c) & 15]);
                }
                out.push_back('\n');
            }
        }
    }
    out += kEnd;
    out.push_back('\n');
    return out;
}

std::optional<SettingsTree> SettingsTree::parse(std::string_view text) {
    SettingsTree tree;
    StoredKey* current = nullptr;
    size_t pos = 0;
    bool first = true;
    bool ended = false;
    while (pos < text.size()) {
        const size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) return std::nullopt;  // every line ends with a line feed
        const std::string_view line = text.substr(pos, eol - pos);
        pos = eol + 1;
        if (ended) return std::nullopt;  // nothing may follow the end line
        if (first) {
            if (line != kHeader) return std::nullopt;
            first = false;
            continue;
        }
        if (line == kEnd) {
            ended = true;
            continue;
        }
        const auto tokens = tokenize(line);
        if (!tokens || tokens->empty()) return std::nullopt;
        const std::vector<std::string>& t = *tokens;
        if (t[0] == "key" && t.size() == 2) {
            const auto path = normalisePath(t[1]);
            if (!path || *path != t[1]) return std::nullopt;
            current = &tree.createKey(*path);
        } else if (t[0] == "dword" && t.size() == 3 && current) {
            const auto v = parseUnsigned(t[2]);
            if (!v) return std::nullopt;
            std::string bytes(4, '\0');
            for (int i = 0; i < 4; ++i)
                bytes[static_cast<size_t>(i)] = static_cast<char>((*v >> (8 * i)) & 0xFF);
            setValue(*current, t[1], kValueDword, bytes);
        } else if (t[0] == "sz" && t.size() == 3 && current) {
            setValue(*current, t[1], kValueString, encodeStringValue(t[2]));
        } else if (t[0] == "value" && t.size() == 4 && current) {
            const auto type = parseUnsigned(t[1]);
            const auto bytes = parseHex(t[3]);
            if (!type || !bytes) return std::nullopt;
            setValue(*current, t[2], *type, *bytes);
        } else {
            return std::nullopt;
        }
    }
    if (!ended) return std::nullopt;
    return tree;
}

// ---------------------------------------------------------------------------------------------------

namespace {

// A key names its store weakly: once the store is gone, the key reads nothing and writes nothing.
class TreeKey : public SettingsKey {
public:
    TreeKey(std::weak_ptr<TreeSettingsStore*> store, std::string path)
        : store_(std::move(store)), path_(std::move(path)) {}
    std::optional<SettingsValueInfo> query(std::string_view name) override {
        const auto store = store_.lock();
        return store ? (*store)->queryValue(path_, name) : std::nullopt;
    }
    std::optional<SettingsRawValue> readRaw(std::string_view name) override {
        const auto store = store_.lock();
        return store ? (*store)->readValue(path_, name) : std::nullopt;
    }
    bool writeRaw(std::string_view name, uint32_t type, std::string_view bytes) override {
        const auto store = store_.lock();
        return store && (*store)->writeValue(path_, name, type, bytes);
    }
    bool deleteValue(std::string_view name) override {
        const auto store = store_.lock();
        return store && (*store)->removeValue(path_, name);
    }

private:
    std::weak_ptr<TreeSettingsStore*> store_;
    std::string path_;
};

}  // namespace

void TreeSettingsStore::readAccess() {
    if (batchDepth_ == 0) refresh();
}

template <typename Change>
bool TreeSettingsStore::change(Change&& apply) {
    if (batchDepth_ > 0) {
        const bool changed = apply();
        batchDirty_ = batchDirty_ || changed;
        return changed;
    }
    beginChanges();
    const bool changed = apply();
    const bool kept = endChanges(changed);
    return changed && kept;
}

std::unique_ptr<SettingsKey> TreeSettingsStore::openKey(std::string_view path) {
    const auto normalised = SettingsTree::normalisePath(path);
    if (!normalised || !available()) return nullptr;
    readAccess();
    if (!tree_.findKey(*normalised)) return nullptr;
    return std::make_unique<TreeKey>(self_, *normalised);
}

std::unique_ptr<SettingsKey> TreeSettingsStore::createKey(std::string_view path) {
    const auto normalised = SettingsTree::normalisePath(path);
    if (!normalised || !available()) return nullptr;
    readAccess();
    if (!tree_.findKey(*normalised)) {
        const bool created = change([&] {
            tree_.createKey(*normalised);
            return true;
        });
        if (!created) return nullptr;
    }
    return std::make_unique<TreeKey>(self_, *normalised);
}

bool TreeSettingsStore::deleteKey(std::string_view path) {
    const auto normalised = SettingsTree::normalisePath(path);
    if (!normalised || !available()) return false;
    readAccess();
    if (!tree_.findKey(*normalised)) return true;
    return change([&] {
        tree_.removeKey(*normalised);
        return true;
    });
}

void TreeSettingsStore::beginBatch() {
    if (batchDepth_++ == 0) {
        batchDirty_ = false;
        beginChanges();
    }
}

bool TreeSettingsStore::endBatch() {
    if (batchDepth_ == 0) return false;
    if (--batchDepth_ > 0) return true;
    return endChanges(batchDirty_);
}

const StoredValue* TreeSettingsStore::findStoredValue(const std::string& path, std::string_view name) {
    if (!available()) return nullptr;
    readAccess();
    StoredKey* key = tree_.findKey(path);
    return key ? SettingsTree::findValue(*key, name) : nullptr;
}

std::optional<SettingsValueInfo> TreeSettingsStore::queryValue(const std::string& path,
                                                               std::string_view name) {
    const StoredValue* value = findStoredValue(path, name);
    if (!value) return std::nullopt;
    return SettingsValueInfo{value->type, static_cast<uint32_t>(value->bytes.size())};
}

std::optional<SettingsRawValue> TreeSettingsStore::readValue(const std::string& path, std::string_view name) {
    const StoredValue* value = findStoredValue(path, name);
    if (!value) return std::nullopt;
    return SettingsRawValue{value->type, value->bytes};
}

bool TreeSettingsStore::writeValue(const std::string& path, std::string_view name, uint32_t type,
                                   std::string_view bytes) {
    if (!available()) return false;
    return change([&] {
        // A key deleted since it was opened takes no more values, as in the registry.
        StoredKey* key = tree_.findKey(path);
        if (!key) return false;
        SettingsTree::setValue(*key, name, type, bytes);
        return true;
    });
}

bool TreeSettingsStore::removeValue(const std::string& path, std::string_view name) {
    if (!available()) return false;
    return change([&] {
        StoredKey* key = tree_.findKey(path);
        return key && SettingsTree::removeValue(*key, name);
    });
}
