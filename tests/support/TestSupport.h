// Helpers shared by the tests: temporary folders, the transcoder beside the test executables,
// and test media made at test time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder below the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // A path inside the folder, as UTF-8 text with native separators.
    std::string file(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// UTF-8 text of a filesystem path and back.
std::string u8(const std::filesystem::path& p);
std::filesystem::path fromU8(const std::string& s);

// The folder of the running test executable (where the transcoder and the programs are), with a
// trailing separator.
std::string binFolder();
// Full path of the transcoder beside the test executable.
std::string transcoderPath();

struct RunOutput {
    bool started = false;
    std::string output;  // standard output and standard error, merged
};
// Runs a program (full path) with arguments, each quoted for the Windows rules, and collects its output.
RunOutput runProgram(const std::string& program, const std::vector<std::string>& args);
// Runs the transcoder with the given arguments (for example to make test media) and collects its output.
RunOutput runTranscoder(const std::vector<std::string>& args);

// The blank-separated words of text, then the given arguments (paths, which may hold blanks).
std::vector<std::string> words(const std::string& text, const std::vector<std::string>& then = {});
// Runs the transcoder with blank-separated arguments, then "-y path"; true when the file came out non-empty.
bool makeMedia(const std::string& path, const std::string& args);
// Why the transcoder itself cannot open a file: the error of its "<path>: <error>" line, or fallback when
// it opens the file (builds differ: one reads a text file as a picture).
std::string openComplaint(const std::string& path, const std::string& fallback = "No audio stream found");
// A 440 Hz sine as a 16-bit PCM WAV.
bool makeSineWav(const std::string& path, int seconds, int sampleRate = 44100, int channels = 2);

std::string readFile(const std::string& path);
bool writeFile(const std::string& path, const std::string& bytes);

#ifdef _WIN32
// Under Wine, the host's own path of a file (for the host's programs the tests compare with); empty
// elsewhere.
std::string unixPath(const std::string& path);
#endif

}  // namespace testing_support
