#pragma once
// Helpers of the ripping library tests: the generated images read straight from disk, the rip
// calls of either variant, and a fixture with both variants ready.

#include "cdrip_types.h"
#include "quavrel/engine/bindings/cd_access.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace cdriptest {

// A track of <name>.cue, read by this test's own parser; leadOut is the .bin's size in sectors.
struct CueDisc {
    struct Track {
        int number;
        int32_t start;
        bool audio;
    };
    std::vector<Track> tracks;
    int32_t leadOut = 0;
};
CueDisc ParseCue(const std::string &name);

// Bytes of sectors [first, last] read straight from <name>.bin.
std::vector<uint8_t> BinSectors(const std::string &name, int32_t first, int32_t last);

// The catalogue index of the drive holding <name>.cue; -1 when absent.
int32_t DriveIndexOf(const std::string &name);

// The calls one rip needs, through one variant's own signatures.
struct RipCalls {
    int32_t (*getParams)(TCDRomParams *);
    int32_t (*setParams)(const TCDRomParams *);
    int32_t (*open)(int32_t *, int32_t, int32_t);
    std::function<int32_t(uint8_t *, int32_t *)> chunk;
    int32_t (*jitterErrors)();
    void (*lastJitter)(int32_t *, int32_t *);
    int32_t (*percent)();
    int32_t (*close)();
};
RipCalls Linked();  // libCDRip.so, linked into the test
RipCalls Runtime(); // libCDRIP3.so, bound by the CD access helpers

// Sets jitter correction, the output format and, when given (the run-time variant only), the
// paranoia mode of the active drive.
void Configure(const RipCalls &calls, bool jitterCorrection, uint8_t format = 0, int32_t paranoiaMode = -1);

// Everything one rip of [first, last] gave back.
struct RipOutcome {
    int32_t openResult = -1;
    int32_t chunkBytes = 0;
    std::vector<uint8_t> data;                                // chunks answered 0 or 3
    std::vector<int32_t> results;                             // every CR_RipChunk result, 4 included
    std::vector<std::pair<int32_t, int32_t>> jitterPositions; // read after each 3
    int32_t jitterErrors = 0;
    int32_t percent = 0;
};
RipOutcome RipRange(const RipCalls &calls, int32_t first, int32_t last);

// Both variants initialised over QUAVREL_DRIVES, with settings in a private XDG_CONFIG_HOME.
class CdRipFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Makes the drive of <name>.cue active in both variants.
    void UseDisc(const std::string &name);

    std::string configHome_;
};

} // namespace cdriptest
