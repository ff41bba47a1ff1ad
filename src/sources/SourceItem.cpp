#include "sources/SourceItem.h"

#include "platform/Text.h"

namespace {

bool isSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

}  // namespace

std::string sourceExtension(const std::string& path) {
    size_t nameStart = 0;
    for (size_t i = path.size(); i > 0; --i) {
        if (isSeparator(path[i - 1])) {
            nameStart = i;
            break;
        }
    }
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return {};
    return platform::toLowerAscii(path.substr(dot + 1));
}

std::string sourceKey(const std::string& path) { return platform::pathKey(path); }

std::string dvdSourceKey(const std::string& dvdFolder, int32_t titleSet) {
    return platform::pathKey("DVD:" + dvdFolder + std::to_string(titleSet));
}

SourceMap::SourceMap() { map_.reserve(3000); }

SourceItem* SourceMap::find(const std::string& key) const {
    const auto it = map_.find(key);
    return it == map_.end() ? nullptr : it->second;
}

bool SourceMap::insert(const std::string& key, SourceItem* item) { return map_.emplace(key, item).second; }

void SourceMap::erase(const std::string& key) { map_.erase(key); }
