#include "audio/BinaryFile.h"

#include <limits>
#include <system_error>

#include "platform/Files.h"

namespace audio {

bool InputFile::open(const std::string& utf8Path) {
    close();
    const auto p = platform::nativePath(utf8Path);
    std::error_code ec;
    // Folders and devices are not sources; their "size" would mean nothing.
    if (!std::filesystem::is_regular_file(p, ec)) return false;
    const auto n = std::filesystem::file_size(p, ec);
    if (ec) return false;
    in_.open(p, std::ios::binary);
    if (!in_.is_open()) return false;
    size_ = n;
    return true;
}

void InputFile::close() {
    if (in_.is_open()) in_.close();
    in_.clear();
    size_ = 0;
}

size_t InputFile::read(void* buffer, size_t count) {
    if (!in_.is_open() || count == 0) return 0;
    if (!in_) return 0;  // an earlier short read left the stream at its end
    constexpr size_t kMaxChunk = static_cast<size_t>(std::numeric_limits<std::streamsize>::max());
    if (count > kMaxChunk) count = kMaxChunk;
    in_.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
    return static_cast<size_t>(in_.gcount());
}

bool InputFile::seek(uint64_t offset) {
    if (!in_.is_open() || offset > size_) return false;
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset), std::ios::beg);
    return static_cast<bool>(in_);
}

bool OutputFile::create(const std::string& utf8Path) {
    close();
    out_.open(platform::nativePath(utf8Path), std::ios::binary | std::ios::out | std::ios::trunc);
    return out_.is_open();
}

void OutputFile::close() {
    if (out_.is_open()) out_.close();
    out_.clear();
}

bool OutputFile::write(const void* bytes, size_t count) {
    if (!out_.is_open()) return false;
    if (count == 0) return static_cast<bool>(out_);
    out_.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(count));
    return static_cast<bool>(out_);
}

bool OutputFile::writeAt(uint64_t offset, const void* bytes, size_t count) {
    if (!out_.is_open()) return false;
    out_.clear();
    out_.seekp(static_cast<std::streamoff>(offset), std::ios::beg);
    if (!out_) return false;
    out_.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(count));
    const bool ok = static_cast<bool>(out_);
    out_.seekp(0, std::ios::end);
    return ok;
}

uint64_t OutputFile::size() {
    if (!out_.is_open()) return 0;
    out_.flush();
    out_.clear();
    out_.seekp(0, std::ios::end);
    const auto end = out_.tellp();
    return end < 0 ? 0 : static_cast<uint64_t>(end);
}

}  // namespace audio
