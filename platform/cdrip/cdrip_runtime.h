#pragma once
// The run-time variant of the ripping library, libCDRIP3.so ("CDRIP3.DLL"), loaded by name. Its
// 51 operations are listed here, in the order the CD access helpers bind them, as function types
// in namespace cdrip3 (the linked variant exports the same names with other signatures, so the
// names are not declared as functions here).
//
// Settings: CR_Init(name) reads the settings file "name" in "$XDG_CONFIG_HOME/Quavrel/" (or
// "~/.config/Quavrel/" when XDG_CONFIG_HOME is unset or relative); an absolute name is used as it
// is. A value a drive cannot use is skipped alone, and a save leaves its text in the file until the
// field is set. CR_SaveSettings writes every drive's parameter record there, one section per drive,
// keeping the file's other lines and its permissions; a file that exists but cannot be read is not
// replaced. CR_LoadSettings and CR_SaveSettings leave errno telling why when they answer 1.
//
// Conventions: 0 (CDRIP_OK) is success and every failure is 1 (CDRIP_ERROR); booleans are 32-bit,
// 1 or 0. Strings returned stay valid until the drive list changes (CR_Init) or the library
// unloads. Sector numbers are LBAs (0 is MSF 00:02:00); ranges are inclusive unless stated.

#include "cdrip_types.h"

// X(name, function type), in binding order.
#define CDRIP3_OPERATIONS(X)                                                                                 \
    X(CR_Init, int32_t(const char *settingsFile))                                                            \
    X(CR_GetCDRipVersion, int32_t())                                                                         \
    X(CR_GetNumCDROM, int32_t())                                                                             \
    X(CR_SetActiveCDROM, int32_t(int32_t index))                                                             \
    X(CR_GetActiveCDROM, int32_t())                                                                          \
    /* The active drive's description. */                                                                    \
    X(CR_GetCDROMID, const char *())                                                                         \
    /* Drive index's description: vendor and product, or the image's file name; "" when out of range. */     \
    X(CR_GetCDROMIDByIndex, const char *(int32_t index))                                                     \
    /* Sets / gets the drive type entry of the active drive's drive table. */                                \
    X(CR_SelectCDROMType, int32_t(int32_t driveType))                                                        \
    X(CR_GetCDROMType, int32_t())                                                                            \
    X(CR_IsMMC, int32_t())                                                                                   \
    X(CR_GetCDROMParameters, int32_t(TCDRomParams *params))                                                  \
    /* Refuses (1, nothing changed) a chunk size, output format, retry count or mode out of range. */        \
    X(CR_SetCDROMParameters, int32_t(const TCDRomParams *params))                                            \
    X(CR_OpenRipper, int32_t(int32_t *bufferBytes, int32_t firstSector, int32_t lastSector))                 \
    X(CR_CloseRipper, int32_t())                                                                             \
    /* A non-zero *abort reads nothing: 1, and the chunk is passed over. */                                  \
    X(CR_RipChunk, int32_t(uint8_t *buffer, int32_t *bytes, int32_t *abort))                                 \
    /* Largest absolute sample value of the last chunk, 0..32768. */                                         \
    X(CR_GetPeakValue, int32_t())                                                                            \
    X(CR_GetPercentCompleted, int32_t())                                                                     \
    X(CR_GetNumberOfJitterErrors, int32_t())                                                                 \
    /* The sector the next chunk starts at. */                                                               \
    X(CR_GetJitterPosition, int32_t())                                                                       \
    X(CR_GetLastJitterErrorPosition, void(int32_t * firstSector, int32_t * lastSector))                      \
    /* Scales count 16-bit samples by factor, clipping. */                                                   \
    X(CR_NormalizeChunk, void(int16_t * samples, int32_t count, double factor))                              \
    X(CR_LoadSettings, int32_t())                                                                            \
    X(CR_SaveSettings, int32_t())                                                                            \
    X(CR_ReadToc, int32_t())                                                                                 \
    X(CR_GetNumTocEntries, int32_t())                                                                        \
    /* As the linked variant's: the entry packed in a 64-bit value. */                                       \
    X(CR_GetTocEntry, int64_t(int32_t index))                                                                \
    X(CR_GetTocEntry2, int32_t(int32_t index, TCdRipTocEntry *entry))                                        \
    /* Sense key of the last failed drive operation, 0 when none. */                                         \
    X(CR_GetSenseKey, int32_t())                                                                             \
    X(CR_GetSenseKey2, int32_t(int32_t *key, int32_t *asc, int32_t *ascq))                                   \
    X(CR_IsUnitReady, int32_t())                                                                             \
    X(CR_IsMediaLoaded, int32_t())                                                                           \
    X(CR_LockCD, int32_t(int32_t lock))                                                                      \
    /* CDRIP_AUDIO_* of cdrip_types.h; 18 is paused. */                                                      \
    X(CR_DriveStatus, int32_t())                                                                             \
    /* 1 opens the tray, 0 closes it. */                                                                     \
    X(CR_EjectCD, int32_t(int32_t open))                                                                     \
    /* True while a play is running or paused. */                                                            \
    X(CR_IsAudioPlaying, int32_t())                                                                          \
    X(CR_PlayTrack, int32_t(int32_t track))                                                                  \
    X(CR_PlaySection, int32_t(int32_t firstSector, int32_t lastSector))                                      \
    X(CR_GetPlayPosition, int32_t(int32_t *sector))                                                          \
    /* Plays on from sector to the end of the current play range. */                                         \
    X(CR_SetPlayPosition, int32_t(int32_t sector))                                                           \
    X(CR_StopPlayTrack, int32_t())                                                                           \
    /* 1 pauses, 0 resumes. */                                                                               \
    X(CR_PauseCD, int32_t(int32_t pause))                                                                    \
    X(CR_GetSubChannelTrackInfo, int32_t(int32_t *audioStatus, int32_t *track, int32_t *sector))             \
    /* The active drive's CD-Text as READ TOC format 5 returns it: a 4-byte header whose first two bytes */  \
    /* (big-endian) count the bytes after them, then the 18-byte packs. 1 when the disc has none or they */  \
    /* do not fit in size bytes. */                                                                          \
    X(CR_ReadCDText, int32_t(char *buffer, int32_t size))                                                    \
    /* One transport (libcdio): layer 0. */                                                                  \
    X(CR_GetTransportLayer, int32_t())                                                                       \
    X(CR_SetTransportLayer, int32_t(int32_t layer))                                                          \
    /* C2 error scanning is not offered: always 1. */                                                        \
    X(CR_ScanForC2Errors, int32_t(int32_t firstSector, int32_t sectorCount, int32_t *errors))                \
    /* Reads what the active drive's disc holds besides its TOC: each track's pre-gap, flags and ISRC, */    \
    /* the catalogue number and the CD-Text (an image's own; a drive's sub-channel, a few short reads a */   \
    /* track). CR_GetTrackContents, CR_GetCatalogNumber and CR_ReadCDText answer from it until the next */   \
    /* CR_ReadToc or drive change. */                                                                        \
    X(CR_ReadDiscContents, int32_t())                                                                        \
    /* Entry index (0-based, in TOC order) of what CR_ReadDiscContents read. */                              \
    X(CR_GetTrackContents, int32_t(int32_t index, TCdRipTrackContents *contents))                            \
    /* 13 digits and a NUL into catalog (14 bytes); "" when the disc has none. */                            \
    X(CR_GetCatalogNumber, int32_t(char *catalog))                                                           \
    /* The damaged sectors of the open rip (or of the last one, once closed) in runs, in the order they */   \
    /* were delivered: *count runs, the first min(capacity, *count) of them written to runs. */              \
    X(CR_GetRipDamage, int32_t(TCdRipDamageRun *runs, int32_t capacity, int32_t *count))                     \
    /* Reads the sectors with the force-unit-access bit, so that the drive's cache holds the disc's */       \
    /* audio of them; 1 where the drive refuses it (an image). */                                            \
    X(CR_RefreshAudioCache, int32_t(int32_t firstSector, int32_t sectorCount))

namespace cdrip3 {
#define CDRIP3_DECLARE_TYPE(name, type) using name##_fn = type;
CDRIP3_OPERATIONS(CDRIP3_DECLARE_TYPE)
#undef CDRIP3_DECLARE_TYPE

inline constexpr int kOperationCount = 51;
} // namespace cdrip3
