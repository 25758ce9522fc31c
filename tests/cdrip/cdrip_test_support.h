#pragma once
// Shared helpers of the ripping library tests: the generated images read straight from disk, the
// two library variants behind one interface, and a private settings directory.

#include "cdrip_types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace cdriptest {

// <QUAVREL_DATA_DIR>/discs/<name>.cue
std::string DiscPath(const std::string &name);

// A track of a cue sheet, read by this test's own parser.
struct CueTrack {
    int number = 0;
    int32_t start = 0;
    bool audio = true;
};
struct CueDisc {
    std::vector<CueTrack> tracks;
    int32_t leadOut = 0; // size of the .bin in sectors
};
CueDisc ParseCue(const std::string &name);

// Bytes of sectors [first, last] read straight from <name>.bin.
std::vector<uint8_t> BinSectors(const std::string &name, int32_t first, int32_t last);

// The catalogue index of the drive holding <name>.cue; -1 when absent.
int32_t DriveIndexOf(const std::string &name);

// One variant of the ripping library, called through its own signatures.
class RipApi {
public:
    virtual ~RipApi() = default;
    virtual const char *Name() const = 0;
    virtual int32_t Init() = 0;
    virtual int32_t SetActive(int32_t index) = 0;
    virtual int32_t Active() = 0;
    virtual int32_t GetParams(TCDRomParams &params) = 0;
    virtual int32_t SetParams(const TCDRomParams &params) = 0;
    virtual int32_t ReadToc() = 0;
    virtual int32_t TrackCount() = 0;
    virtual TCdRipTocEntry Entry(int32_t index) = 0;
    virtual int32_t Open(int32_t &chunkBytes, int32_t first, int32_t last) = 0;
    virtual int32_t Chunk(uint8_t *buffer, int32_t &bytes) = 0;
    virtual int32_t Percent() = 0;
    virtual int32_t JitterErrors() = 0;
    virtual std::pair<int32_t, int32_t> LastJitter() = 0;
    virtual int32_t Close() = 0;
};

// libCDRip.so, linked into the test.
std::unique_ptr<RipApi> LinkedApi();
// libCDRIP3.so, bound by the CD access helpers (CdAccessStart must have run).
std::unique_ptr<RipApi> RuntimeApi();

// Makes the active drive's parameters jitter-correct (or not) and use format.
void Configure(RipApi &api, bool jitterCorrection, uint8_t format = 0);

// Everything one rip of a range gave back.
struct RipOutcome {
    int32_t openResult = -1;
    int32_t chunkBytes = 0;
    std::vector<uint8_t> data;
    std::vector<int32_t> results; // one per CR_RipChunk call, the final 4 included
    std::vector<std::pair<int32_t, int32_t>> jitterPositions; // read after each 3
    int32_t jitterErrors = 0;
    int32_t percent = 0;
};
RipOutcome RipRange(RipApi &api, int32_t first, int32_t last);

// Points XDG_CONFIG_HOME at a fresh directory, removed with its contents when destroyed.
class TempConfigHome {
public:
    TempConfigHome();
    ~TempConfigHome();
    TempConfigHome(const TempConfigHome &) = delete;
    TempConfigHome &operator=(const TempConfigHome &) = delete;
    const std::string &Path() const { return path_; }

private:
    std::string path_;
};

} // namespace cdriptest
