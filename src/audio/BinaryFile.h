// Binary file access for the readers and the WAV writer: UTF-8 paths, 64-bit offsets, no exceptions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace audio {

class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens an existing regular file for reading; false when it cannot be opened.
    bool open(const std::string& utf8Path);
    void close();
    bool isOpen() const { return in_.is_open(); }
    // Reads up to count bytes; the number read (short at the end of the file or on an error).
    size_t read(void* buffer, size_t count);
    // Moves to an absolute offset; false when the offset lies beyond the end of the file.
    bool seek(uint64_t offset);
    uint64_t size() const { return size_; }

private:
    std::ifstream in_;
    uint64_t size_ = 0;
};

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file, replacing an existing one.
    bool create(const std::string& utf8Path);
    void close();
    bool isOpen() const { return out_.is_open(); }
    // Appends count bytes; false when they could not all be written.
    bool write(const void* bytes, size_t count);
    bool writeAt(uint64_t offset, const void* bytes, size_t count);
    // The file's size so far (the offset of its end).
    uint64_t size();

private:
    std::ofstream out_;
};

}  // namespace audio
