#include "sources/SourceItem.h"

#include "platform/Files.h"
#include "platform/Text.h"

std::string sourceExtension(const std::string& path) {
    const auto extension = platform::extensionPart(path);  // from the dot on
    if (!extension) return {};
    return platform::toLowerAscii(extension->substr(1));
}

int32_t automaticAudioStream(uint32_t requestAudioIndex, size_t streamCount) {
    if (requestAudioIndex >= 2 && requestAudioIndex <= streamCount)
        return static_cast<int32_t>(requestAudioIndex - 1);
    return 0;
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
