#pragma once
// Records and result codes of the ripping library, shared by its two variants and their callers.
//
// libCDRip.so (the linked variant, cdrip_linked.h) and libCDRIP3.so (the run-time variant,
// cdrip_runtime.h) read the same drives through one core; only their signatures differ. Records
// are byte-packed little-endian layouts exchanged by address; integer widths are those of the
// original 32-bit interface.

#include <cstddef>
#include <cstdint>

#define CDRIP_EXPORT __attribute__((visibility("default")))

// Result codes. Every failure is CDRIP_ERROR: the linked variant's callers count only 1 as one.
enum : int32_t {
    CDRIP_OK = 0,
    CDRIP_ERROR = 1,
    // CR_RipChunk: paranoia repaired or skipped sectors inside this chunk; the data is delivered.
    CDRIP_JITTER_ERROR = 3,
    // CR_RipChunk: the open range is finished; no data in this call.
    CDRIP_RIPPING_DONE = 4,
};

// Kinds of damage of CR_GetRipDamage's runs: what became of sectors that did not come out as the
// drive read them the first time.
enum : int32_t {
    // Reads disagreed and paranoia settled the sector on samples that verified: the audio is right.
    CDRIP_SECTOR_REPAIRED = 1,
    // The drive gave nothing for it on any read, or paranoia gave up on it: its audio is lost
    // (silence, or samples nothing verified).
    CDRIP_SECTOR_UNREADABLE = 2,
    // Every read of it came with C2 errors flagged by the drive: its audio is wrong in places.
    CDRIP_SECTOR_C2 = 3,
};

// CR_DriveStatus: the audio status of the drive, as READ SUB-CHANNEL reports it.
enum : int32_t {
    CDRIP_AUDIO_PLAYING = 0x11,
    CDRIP_AUDIO_PAUSED = 0x12, // 18
    CDRIP_AUDIO_COMPLETED = 0x13,
    CDRIP_AUDIO_ERROR = 0x14,
    CDRIP_AUDIO_NO_STATUS = 0x15, // nothing played, stopped, or no medium
};

// Flag byte of a TOC entry.
inline constexpr uint8_t kCdRipTocAudio = 0x10;
inline constexpr uint8_t kCdRipTocDataBit = 0x04;
inline constexpr uint8_t kCdRipLeadOutTrack = 0xAA;

#pragma pack(push, 1)

// One entry of the table of contents; entry "track count" is the lead-out.
struct TCdRipTocEntry {
    int32_t StartSector;
    uint8_t Flag;        // 0x10 audio, 0x14 data
    uint8_t TrackNumber; // 0xAA for the lead-out
};

// What a track holds besides its place in the TOC (CR_GetTrackContents).
struct TCdRipTrackContents {
    int32_t PregapSector; // the first sector of its INDEX 00; its start when it has no pre-gap
    uint8_t TrackNumber;
    uint8_t Control; // the Q control nibble: 8 four channels, 4 data, 2 copy permitted, 1 pre-emphasis
    char Isrc[13];   // 12 characters and a NUL; "" when none
};

// A run of consecutive damaged sectors of one kind (CDRIP_SECTOR_*), inclusive.
struct TCdRipDamageRun {
    int32_t FirstSector;
    int32_t LastSector;
    int32_t Kind;
};

// The drive parameter record, kept per drive by the library and saved in its settings file.
// The run-time variant exchanges all 360 bytes, the linked variant the first 340.
struct TCDRomParams {
    char DriveId[256];        // 0: the drive's description, zero-terminated; not writable
    int32_t ChunkSectors;     // 256: sectors per CR_RipChunk call, 1..kMaxChunkSectors
    int32_t Option260;        // 260: kept and saved, not interpreted
    int32_t LockDuringRip;    // 264: non-zero locks the tray from CR_OpenRipper to CR_CloseRipper
    int32_t Option268;        // 268: kept and saved, not interpreted
    int32_t Option272;        // 272: kept and saved, not interpreted
    int32_t Speed;            // 276: read speed of a real drive (1 = 176 kB/s); 0 or less: fastest
    int32_t Option280;        // 280: kept and saved, not interpreted
    int32_t JitterCorrection; // 284: non-zero (-1) reads through paranoia, 0 reads straight
    int32_t Option288;        // 288: kept and saved, not interpreted
    int32_t DriveTable[7];    // 292: type, read method, speed method, endian, enable mode, density, ATAPI
    uint8_t Option320[7];     // 320: kept and saved, not interpreted
    uint8_t OutputFormat;     // 327: 0 stereo 44100, 1 mono 44100, 2 stereo 22050, 3 mono 22050,
                              //      4 stereo 11025, 5 mono 11025 (callers write it 32 bits wide)
    int32_t Option328;        // 328: kept and saved, not interpreted
    int32_t ReadRetries;      // 332: paranoia's re-reads of a sector before it skips it; 0: 20
    int32_t Option336;        // 336: kept and saved, not interpreted
    // Run-time variant only from here.
    int32_t Option340[3];    // 340: kept and saved, not interpreted
    int32_t UseParanoiaMode; // 352: non-zero: ParanoiaMode replaces the default (full paranoia)
    // 356: paranoia mode flags, 0..0xFF. Never-skip is ignored (an unreadable sector is skipped
    // once its retries are spent); a mode that verifies nothing reads straight.
    int32_t ParanoiaMode;
};

#pragma pack(pop)

inline constexpr size_t kLinkedParamsSize = 340;
inline constexpr size_t kRuntimeParamsSize = 360;
inline constexpr int32_t kMaxChunkSectors = 256;
inline constexpr int32_t kDefaultChunkSectors = 26;
inline constexpr int32_t kDefaultReadRetries = 20;

// Drive table entries (TCDRomParams::DriveTable), counted from 0 in their lists' order.
enum : int32_t {
    kDriveTableType = 0,
    kDriveTableReadMethod = 1,
    kDriveTableSetSpeed = 2,
    kDriveTableEndian = 3,
    kDriveTableEnableMode = 4,
    kDriveTableDensity = 5,
    kDriveTableAtapi = 6,
};
inline constexpr int32_t kSetSpeedNone = 0;
inline constexpr int32_t kSetSpeedMmc = 1;
inline constexpr int32_t kEndianBig = 0;
inline constexpr int32_t kEndianLittle = 1;

static_assert(sizeof(TCdRipTocEntry) == 6);
static_assert(sizeof(TCdRipDamageRun) == 12);
static_assert(sizeof(TCdRipTrackContents) == 19);
static_assert(offsetof(TCdRipTrackContents, Control) == 5 && offsetof(TCdRipTrackContents, Isrc) == 6);
static_assert(offsetof(TCdRipTocEntry, Flag) == 4 && offsetof(TCdRipTocEntry, TrackNumber) == 5);
static_assert(sizeof(TCDRomParams) == kRuntimeParamsSize);
static_assert(offsetof(TCDRomParams, ChunkSectors) == 256);
static_assert(offsetof(TCDRomParams, Option260) == 260);
static_assert(offsetof(TCDRomParams, LockDuringRip) == 264);
static_assert(offsetof(TCDRomParams, Speed) == 276);
static_assert(offsetof(TCDRomParams, JitterCorrection) == 284);
static_assert(offsetof(TCDRomParams, DriveTable) == 292);
static_assert(offsetof(TCDRomParams, OutputFormat) == 327);
static_assert(offsetof(TCDRomParams, Option328) == 328);
static_assert(offsetof(TCDRomParams, ReadRetries) == 332);
static_assert(offsetof(TCDRomParams, Option336) == 336);
static_assert(offsetof(TCDRomParams, Option340) == kLinkedParamsSize);
static_assert(offsetof(TCDRomParams, UseParanoiaMode) == 352);
static_assert(offsetof(TCDRomParams, ParanoiaMode) == 356);

// The linked variant's CR_GetTocEntry returns the 6-byte entry in the low bytes of a 64-bit value.
inline int64_t PackTocEntry(const TCdRipTocEntry &entry)
{
    return static_cast<int64_t>(static_cast<uint32_t>(entry.StartSector)) |
           (static_cast<int64_t>(entry.Flag) << 32) | (static_cast<int64_t>(entry.TrackNumber) << 40);
}

inline TCdRipTocEntry UnpackTocEntry(int64_t value)
{
    return TCdRipTocEntry{static_cast<int32_t>(static_cast<uint32_t>(value & 0xFFFFFFFF)),
                          static_cast<uint8_t>((value >> 32) & 0xFF),
                          static_cast<uint8_t>((value >> 40) & 0xFF)};
}
