#pragma once
// Shared helpers of the drive tests: the generated images, the catalogue index of an image, a
// manual play clock and scoped environment changes.

#include <chrono>
#include <cstdint>
#include <drive_catalogue.h>
#include <optional>
#include <string>
#include <vector>

namespace drivestest {

// <QUAVREL_DATA_DIR>/discs/<name>.cue
std::string DiscPath(const std::string &name);
// Bytes of sectors [lsn, lsn + count) read straight from <name>.bin.
std::vector<uint8_t> BinSectors(const std::string &name, int32_t lsn, int32_t count);
// The catalogue index of the drive holding this image; fails the test when absent.
size_t IndexOf(const std::string &imagePath);

// Sets (or, with nullopt, unsets) an environment variable and rebuilds the catalogue; both are
// restored when it goes away.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char *name, std::optional<std::string> value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

  private:
    std::string name_;
    std::optional<std::string> previous_;
};

// Drives the play clock by hand while it exists.
class ManualClock {
  public:
    ManualClock();
    ~ManualClock();
    void Advance(std::chrono::milliseconds step) { now_ += step; }

  private:
    std::chrono::steady_clock::time_point now_;
};

} // namespace drivestest
