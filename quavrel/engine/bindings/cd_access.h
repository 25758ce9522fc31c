#pragma once
// CD access helpers: the main window's own access to the run-time ripping library
// ("CDRIP3.DLL", libCDRIP3.so), loaded by name when the program starts.
//
// The 49 operations are function pointers cdrip3::CR_Init ... cdrip3::CR_ScanForC2Errors, called
// directly. Until the library is bound, and for any name it lacks, each points at a stand-in that
// does nothing and answers "failed" (1), "none" (0, false, "") or nothing, so a caller that skips
// CDRipReady() never calls into nothing.

#include "platform/cdrip/cdrip_runtime.h"
#include "quavrel/disc/msf.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace cdrip3 {
#define CD_ACCESS_DECLARE_POINTER(name, type) extern name##_fn *name;
CDRIP3_OPERATIONS(CD_ACCESS_DECLARE_POINTER)
#undef CD_ACCESS_DECLARE_POINTER
} // namespace cdrip3

// One track of the disc information record.
struct TCdTrackSlot {
    uint8_t TrackNumber = 0;
    uint8_t IsAudio = 0;    // 1 audio, 0 data
    uint32_t StartMSF = 0;  // position
    uint32_t LengthMSF = 0; // length
    int32_t StartSector = 0;
    int32_t LengthSectors = 0;
    // What the disc holds besides its TOC, when the library could read it.
    int32_t PregapSector = -1; // the first sector of its INDEX 00 (StartSector: none); -1 unknown
    uint8_t Control = 0;       // the Q control nibble: 8 four channels, 2 copy permitted, 1 pre-emphasis
    std::string Isrc;
};

// The disc information record the main window holds.
struct TCdInfo {
    int16_t DiscType = 0; // 0 no audio track, 1 audio only, 2 audio and data
    int16_t TrackCount = 0;
    uint32_t LeadOut = 0; // position of the lead-out
    std::array<TCdTrackSlot, 100> Slots{};
    std::string Catalog;         // 13 digits, or empty
    std::vector<uint8_t> CdText; // the CD-Text packs, without READ TOC's header; empty when none

    // Slots are numbered from 1.
    TCdTrackSlot &Slot(int Number) { return Slots.at(static_cast<size_t>(Number - 1)); }
    const TCdTrackSlot &Slot(int Number) const { return Slots.at(static_cast<size_t>(Number - 1)); }
};

// Result codes of ReadCdInfo.
inline constexpr int32_t kCdInfoRead = 0;
inline constexpr int32_t kCdInfoNoToc = 1;
inline constexpr int32_t kCdInfoNoMedium = 6;

// Unit start: binds the library and initialises it with "CDRipper.ini"; ready when both succeed.
void CdAccessStart();
// Unit end: unloads the library; every operation points at its stand-in again.
void CdAccessEnd();

// Loads "CDRIP3.DLL" and binds the 49 names in order, once; later calls return the first result.
bool BindCDRip3();
bool CDRipReady();

// Fills Info from the active drive's TOC: kCdInfoRead, kCdInfoNoToc (TOC unreadable, no track,
// or tracks out of order) or kCdInfoNoMedium. TrackCount is 0 unless it returns kCdInfoRead. With
// the TOC come the pre-gaps, flags, ISRCs, catalogue number and CD-Text, when the library reads
// them (CR_ReadDiscContents; a library without it leaves them out).
int32_t ReadCdInfo(TCdInfo &Info);

// Makes drive Index active; ignored when out of range or already active.
void SelectDrive(int Index);
