#include "engine/Mp4Tags.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/Files.h"
#include "platform/PlainFile.h"
#include "platform/Text.h"

namespace {

constexpr uint64_t kLargestMovieBox = 256u << 20;
constexpr size_t kCopyBlock = 1u << 16;
constexpr uint32_t kUtf8Data = 1;

constexpr const char* kNotMp4Text = "Not an MP4 file";
constexpr const char* kDamagedText = "The MP4 file is damaged";

uint32_t get32(std::string_view bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

uint64_t get64(std::string_view bytes, size_t at) {
    return (uint64_t{get32(bytes, at)} << 32) | get32(bytes, at + 4);
}

void put32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void put64(std::string& out, uint64_t value) {
    put32(out, static_cast<uint32_t>(value >> 32));
    put32(out, static_cast<uint32_t>(value & 0xFFFFFFFFu));
}

void set32(std::string& bytes, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
}

void set64(std::string& bytes, size_t at, uint64_t value) {
    set32(bytes, at, static_cast<uint32_t>(value >> 32));
    set32(bytes, at + 4, static_cast<uint32_t>(value & 0xFFFFFFFFu));
}

// One box of the movie. Only the boxes on the way to the chunk offset tables and to the tag list are
// opened; every other box is kept as the bytes it was read as.
struct Box {
    std::string type;
    std::string payload;  // a leaf's bytes after its header; a container's bytes before its children
    std::vector<Box> children;
    std::string tail;  // a container's bytes after its children too few for a box (QuickTime's terminator)
    bool container = false;
};

bool opensAsContainer(std::string_view parent, std::string_view type) {
    if (parent == "moov") return type == "trak" || type == "udta";
    if (parent == "trak") return type == "mdia";
    if (parent == "mdia") return type == "minf";
    if (parent == "minf") return type == "stbl";
    if (parent == "udta") return type == "meta";
    if (parent == "meta") return type == "ilst";
    return false;
}

// The boxes in bytes, each opened when it lies on one of the ways above.
Result<std::vector<Box>> parseBoxes(std::string_view bytes, std::string_view parent, std::string& tail);

Result<Box> makeBox(std::string_view parent, std::string type, std::string_view payload) {
    Box box;
    box.type = std::move(type);
    if (!opensAsContainer(parent, box.type)) {
        box.payload = std::string(payload);
        return box;
    }
    box.container = true;
    // iTunes's meta is a full box (version and flags before the children); QuickTime's is not, and there
    // the first four bytes are a child's size, never 0.
    if (box.type == "meta" && payload.size() >= 4 && get32(payload, 0) == 0) {
        box.payload = std::string(payload.substr(0, 4));
        payload.remove_prefix(4);
    }
    Result<std::vector<Box>> children = parseBoxes(payload, box.type, box.tail);
    if (!children) return Failure{children.reason()};
    box.children = children.take();
    return box;
}

Result<std::vector<Box>> parseBoxes(std::string_view bytes, std::string_view parent, std::string& tail) {
    std::vector<Box> boxes;
    size_t at = 0;
    while (bytes.size() - at >= 8) {
        uint64_t size = get32(bytes, at);
        size_t header = 8;
        if (size == 1) {
            if (bytes.size() - at < 16) return Failure{kDamagedText};
            size = get64(bytes, at + 8);
            header = 16;
        } else if (size == 0) {
            size = bytes.size() - at;
        }
        if (size < header || size > bytes.size() - at) return Failure{kDamagedText};
        Result<Box> box = makeBox(parent, std::string(bytes.substr(at + 4, 4)),
                                  bytes.substr(at + header, static_cast<size_t>(size) - header));
        if (!box) return Failure{box.reason()};
        boxes.push_back(box.take());
        at += static_cast<size_t>(size);
    }
    tail = std::string(bytes.substr(at));
    return boxes;
}

void serialise(const Box& box, std::string& out) {
    std::string body = box.payload;
    for (const Box& child : box.children) serialise(child, body);
    body += box.tail;
    const uint64_t size = body.size() + 8;
    if (size > 0xFFFFFFFFu) {
        put32(out, 1);
        out += box.type;
        put64(out, size + 8);
    } else {
        put32(out, static_cast<uint32_t>(size));
        out += box.type;
    }
    out += body;
}

Box* findChild(Box& box, std::string_view type) {
    for (Box& child : box.children) {
        if (child.type == type) return &child;
    }
    return nullptr;
}

Box& childOrNew(Box& box, std::string_view type, std::string payload = {}) {
    if (Box* child = findChild(box, type)) return *child;
    Box made;
    made.type = std::string(type);
    made.payload = std::move(payload);
    made.container = true;
    box.children.push_back(std::move(made));
    return box.children.back();
}

Box leaf(std::string type, std::string payload) {
    Box box;
    box.type = std::move(type);
    box.payload = std::move(payload);
    return box;
}

// The text of a freeform atom's mean or name child (after its version and flags); none when missing.
std::optional<std::string> freeformPart(std::string_view item, std::string_view type) {
    std::string tail;
    Result<std::vector<Box>> parts = parseBoxes(item, "----", tail);
    if (!parts) return std::nullopt;
    for (const Box& part : *parts) {
        if (part.type == type && part.payload.size() >= 4) return part.payload.substr(4);
    }
    return std::nullopt;
}

// A new atom as bytes, like the atoms read, so that a later tag of the same name finds it.
Box freeformAtom(const std::string& name, const std::string& value) {
    const std::string noFlags(4, '\0');
    std::string data;
    put32(data, kUtf8Data);
    put32(data, 0);  // no locale
    std::string parts;
    serialise(leaf("mean", noFlags + kITunesFreeformMean), parts);
    serialise(leaf("name", noFlags + name), parts);
    serialise(leaf("data", data + value), parts);
    return leaf("----", parts);
}

// The handler iTunes and the transcoder give the tag list's meta box.
std::string metadataHandler() {
    std::string hdlr(8, '\0');  // version, flags, pre-defined
    hdlr += "mdirappl";
    hdlr += std::string(9, '\0');  // the rest of the reserved words, an empty name
    return hdlr;
}

void setFreeformTags(Box& moov, const TagList& tags) {
    Box& udta = childOrNew(moov, "udta");
    Box* meta = findChild(udta, "meta");
    if (!meta) {
        meta = &childOrNew(udta, "meta", std::string(4, '\0'));
        meta->children.push_back(leaf("hdlr", metadataHandler()));
    }
    Box& ilst = childOrNew(*meta, "ilst");
    for (const auto& tag : tags) {
        const std::string& name = tag.first;
        std::erase_if(ilst.children, [&name](const Box& item) {
            if (item.type != "----") return false;
            const auto mean = freeformPart(item.payload, "mean");
            const auto itemName = freeformPart(item.payload, "name");
            return mean == kITunesFreeformMean && itemName &&
                   platform::equalsIgnoringAsciiCase(*itemName, name);
        });
        ilst.children.push_back(freeformAtom(name, tag.second));
    }
}

// Moves the chunk offsets that point at or past from by delta.
Result<> shiftChunkOffsets(Box& moov, uint64_t from, int64_t delta) {
    for (Box& trak : moov.children) {
        if (trak.type != "trak") continue;
        Box* mdia = findChild(trak, "mdia");
        Box* minf = mdia ? findChild(*mdia, "minf") : nullptr;
        Box* stbl = minf ? findChild(*minf, "stbl") : nullptr;
        if (!stbl) continue;
        for (Box& table : stbl->children) {
            const bool wide = table.type == "co64";
            if (!wide && table.type != "stco") continue;
            std::string& p = table.payload;
            const size_t width = wide ? 8 : 4;
            if (p.size() < 8 || (p.size() - 8) / width < get32(p, 4)) return Failure{kDamagedText};
            const size_t count = get32(p, 4);
            for (size_t i = 0, at = 8; i < count; ++i, at += width) {
                const uint64_t offset = wide ? get64(p, at) : get32(p, at);
                if (offset < from) continue;
                const uint64_t moved = offset + static_cast<uint64_t>(delta);
                if (wide) {
                    set64(p, at, moved);
                } else if (moved > 0xFFFFFFFFu) {
                    return Failure{
                        "The tags would move the audio past the 4 GB that the file's 32-bit chunk "
                        "offsets reach"};
                } else {
                    set32(p, at, static_cast<uint32_t>(moved));
                }
            }
        }
    }
    return {};
}

// The file read from start to end, with what failed in words.
class Reader {
public:
    explicit Reader(platform::PlainFile& file) : file_(file) {}
    Result<> read(char* to, size_t count) {
        while (count > 0) {
            const auto n = file_.read(to, count);
            if (!n) return Failure{"The file could not be read: " + errorText(file_.lastError())};
            if (*n == 0) return Failure{"The file ended sooner than its size said"};
            to += *n;
            count -= *n;
        }
        return {};
    }
    static std::string errorText(uint32_t code) {
        return platform::systemErrorText(code).value_or("error " + std::to_string(code));
    }

private:
    platform::PlainFile& file_;
};

Result<> write(platform::PlainFile& out, std::string_view bytes) {
    if (out.write(bytes.data(), bytes.size())) return {};
    return Failure{"The tagged file could not be written: " + Reader::errorText(out.lastError())};
}

Result<> rewriteMovie(Reader& in, platform::PlainFile& out, std::string_view header, uint64_t at,
                      uint64_t size, const TagList& tags) {
    if (size > kLargestMovieBox) return Failure{"The MP4 file's movie box is too large"};
    std::string payload(static_cast<size_t>(size) - header.size(), '\0');
    if (Result<> r = in.read(payload.data(), payload.size()); !r) return r;
    Box movie;
    movie.type = "moov";
    movie.container = true;
    Result<std::vector<Box>> children = parseBoxes(payload, "moov", movie.tail);
    if (!children) return Failure{children.reason()};
    movie.children = children.take();
    if (findChild(movie, "mvex")) return Failure{"Fragmented MP4 files are not supported"};

    setFreeformTags(movie, tags);
    std::string written;
    serialise(movie, written);
    const int64_t delta = static_cast<int64_t>(written.size()) - static_cast<int64_t>(size);
    if (delta != 0) {
        if (Result<> r = shiftChunkOffsets(movie, at + size, delta); !r) return r;
        written.clear();
        serialise(movie, written);
    }
    return write(out, written);
}

Result<> copyBytes(Reader& in, platform::PlainFile& out, uint64_t count) {
    std::vector<char> block(kCopyBlock);
    while (count > 0) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(count, block.size()));
        if (Result<> r = in.read(block.data(), n); !r) return r;
        if (Result<> r = write(out, std::string_view(block.data(), n)); !r) return r;
        count -= n;
    }
    return {};
}

// The top-level boxes copied as they are, but for the movie box.
Result<> rewrite(Reader& in, uint64_t fileSize, platform::PlainFile& out, const TagList& tags) {
    bool movieSeen = false;
    for (uint64_t at = 0; at < fileSize;) {
        if (fileSize - at < 8) return Failure{at == 0 ? kNotMp4Text : kDamagedText};
        std::string header(8, '\0');
        if (Result<> r = in.read(header.data(), 8); !r) return r;
        const std::string type = header.substr(4, 4);
        if (at == 0 && type != "ftyp") return Failure{kNotMp4Text};
        uint64_t size = get32(header, 0);
        if (size == 1) {
            if (fileSize - at < 16) return Failure{kDamagedText};
            header.resize(16);
            if (Result<> r = in.read(header.data() + 8, 8); !r) return r;
            size = get64(header, 8);
        } else if (size == 0) {
            size = fileSize - at;  // the last box, to the end of the file
        }
        if (size < header.size()) return Failure{kDamagedText};
        if (size > fileSize - at) return Failure{kDamagedText + std::string(": it is cut short")};
        if (type == "moov") {
            if (movieSeen) return Failure{"The MP4 file has two movie boxes"};
            movieSeen = true;
            if (Result<> r = rewriteMovie(in, out, header, at, size, tags); !r) return r;
        } else {
            if (Result<> r = write(out, header); !r) return r;
            if (Result<> r = copyBytes(in, out, size - header.size()); !r) return r;
        }
        at += size;
    }
    if (!movieSeen) return Failure{"The MP4 file has no movie box"};
    return {};
}

}  // namespace

Result<> addFreeformTags(const std::string& path, const TagList& tags) {
    if (tags.empty()) return {};
    for (const auto& tag : tags) {
        if (tag.first.empty()) return Failure{"A freeform tag needs a name"};
    }
    platform::PlainFile in;
    if (!in.openForReading(path))
        return Failure{"The file could not be opened: " + Reader::errorText(in.lastError())};
    const auto fileSize = platform::fileSize64(path);
    if (!fileSize) return Failure{"The file's size could not be read"};

    const auto extension = platform::extensionPart(path);
    const std::string temporary =
        platform::makeTempFileName(platform::folderPart(path).value_or(std::string()), "~md",
                                   extension ? *extension : std::string_view());
    platform::PlainFile out;
    if (!out.createForWriting(temporary))
        return Failure{"The tagged file could not be created: " + Reader::errorText(out.lastError())};
    Reader reader(in);
    Result<> done = rewrite(reader, *fileSize, out, tags);
    in.close();
    if (!out.close() && done)
        done = Failure{"The tagged file could not be written: " + Reader::errorText(out.lastError())};
    if (done && !platform::replaceFile(temporary, path)) done = Failure{"The file could not be replaced"};
    if (!done) platform::deleteFile(temporary);
    return done;
}
