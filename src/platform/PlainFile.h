// A file read or written from start to end through the system's own calls, so that a failure keeps the
// system's error code for the message the user sees. Move-only: the handle is closed once, by its owner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

class PlainFile {
public:
    PlainFile() = default;
    ~PlainFile() { close(); }
    PlainFile(PlainFile&& other) noexcept : handle_(other.handle_), lastError_(other.lastError_) {
        other.handle_ = kClosed;
    }
    PlainFile& operator=(PlainFile&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = other.handle_;
            lastError_ = other.lastError_;
            other.handle_ = kClosed;
        }
        return *this;
    }
    PlainFile(const PlainFile&) = delete;
    PlainFile& operator=(const PlainFile&) = delete;

    // An existing file, for reading; others may read it meanwhile.
    bool openForReading(const std::string& path);
    // A new file for writing, replacing any file of that name; on Windows nobody else may open it meanwhile.
    bool createForWriting(const std::string& path);
    bool isOpen() const { return handle_ != kClosed; }
    // False when the system reports that buffered data could not be written.
    bool close();
    // The bytes read, 0 at the end of the file; none on an error.
    std::optional<size_t> read(void* buffer, size_t count);
    // Writes all count bytes; false when they did not all reach the file.
    bool write(const void* bytes, size_t count);
    // The system's code of the last failure (a full disk when a write made no progress without one).
    uint32_t lastError() const { return lastError_; }

private:
    static constexpr intptr_t kClosed = -1;  // neither a descriptor nor a valid handle
    intptr_t handle_ = kClosed;
    uint32_t lastError_ = 0;
};

}  // namespace platform
