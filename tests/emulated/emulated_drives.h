#pragma once
// The emulated drives of a test: placeholders sr0, sr1, ... in a device directory of its own,
// QUAVREL_EMULATED_DRIVES naming them, no image listed, and the catalogue rebuilt. The program
// runs with libquavrel_emulated_drive.so preloaded (see CMakeLists.txt).

#include <cstdint>
#include <string>
#include <vector>

namespace emulatedtest {

// <QUAVREL_DATA_DIR>/discs/<name>.cue and .bin
std::string CuePath(const std::string &name);
// Start sector of each track of <name>, then the lead-out, as libcdio's image driver reads them.
std::vector<int32_t> TrackStarts(const std::string &name);
// Bytes of sectors [first, last] read straight from <name>.bin.
std::vector<uint8_t> BinSectors(const std::string &name, int32_t first, int32_t last);

class EmulatedDrives {
  public:
    // One drive per entry: "<disc name>[,option...]", e.g. "demo,offset=6"; a name starting with
    // '/' is the image's own path.
    explicit EmulatedDrives(const std::vector<std::string> &entries);
    ~EmulatedDrives();
    EmulatedDrives(const EmulatedDrives &) = delete;
    EmulatedDrives &operator=(const EmulatedDrives &) = delete;

    std::string Device(int number) const;
    const std::string &Directory() const { return dir_; }

  private:
    std::string dir_;
};

} // namespace emulatedtest
