#pragma once
// Test audio: deterministic PCM, external decoders, alignment and signal-to-noise.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace encoders_test {

// Interleaved 16-bit PCM: channel 0 a rising chirp (so alignment has one answer), channel 1 a
// steady 660 Hz tone under a falling chirp. Same arguments, same samples.
std::vector<int16_t> TestPcm(int channels, int rate, double seconds);

struct CommandResult {
    int status = -1;
    std::string output; // standard output
};
// Runs a shell command; its standard error is discarded.
CommandResult Shell(const std::string &command);
std::string Quoted(const std::filesystem::path &path);

std::vector<uint8_t> ReadFile(const std::filesystem::path &path);
std::vector<int16_t> ReadSamples(const std::filesystem::path &path);

// Signal-to-noise ratio in dB of decoded against source, after shifting decoded by the lag (in
// frames, 0..maxLag) that fits channel 0 best; the lag goes to *lag.
double AlignedSnr(const std::vector<int16_t> &source, const std::vector<int16_t> &decoded, int channels,
                  int maxLag, int *lag);

// A fresh directory, removed with its contents at the end of the test.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::filesystem::path &Path() const { return path_; }
    std::filesystem::path operator/(const std::string &name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// build/bin, where the libraries of the build live.
std::filesystem::path BuildBinDir();

} // namespace encoders_test
