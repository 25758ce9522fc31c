#pragma once
// The linked variant of the ripping library, libCDRip.so ("CDRip.dll"): linked at start by the
// ripper component. Same operations as the run-time variant (cdrip_runtime.h) with these
// signatures; only CDRIP_ERROR (1) means failure. Strings returned stay valid until the library's
// drive list changes (CR_Init) or it unloads.

#include "cdrip_types.h"

extern "C" {

// Reads the settings file "CDRipper.ini" (see cdrip_runtime.h for where it lives).
CDRIP_EXPORT int32_t CR_Init();
CDRIP_EXPORT int32_t CR_GetCDRipVersion();
CDRIP_EXPORT int32_t CR_GetNumCDROM();
CDRIP_EXPORT int32_t CR_GetActiveCDROM();
CDRIP_EXPORT int32_t CR_SetActiveCDROM(int32_t index);
CDRIP_EXPORT const char *CR_GetCDROMIDByIndex(int32_t index);
// Copies the first 340 bytes of the active drive's record.
CDRIP_EXPORT int32_t CR_GetCDROMParameters(TCDRomParams *params);
CDRIP_EXPORT int32_t CR_SetCDROMParameters(const TCDRomParams *params);
CDRIP_EXPORT int32_t CR_SaveSettings();
CDRIP_EXPORT int32_t CR_ReadToc();
CDRIP_EXPORT int32_t CR_GetNumTocEntries();
// Entry index (0-based; index = track count is the lead-out), packed as PackTocEntry does; 0 when
// the index is outside the TOC read last.
CDRIP_EXPORT int64_t CR_GetTocEntry(int32_t index);
CDRIP_EXPORT int32_t CR_OpenRipper(int32_t *bufferBytes, int32_t firstSector, int32_t lastSector);
CDRIP_EXPORT int32_t CR_RipChunk(uint8_t *buffer, int32_t *bytes);
// While *flag is non-zero (it may be set from another thread), the chunk being read stops at its
// next sector and fails. nullptr: no flag. Not in the run-time variant, whose CR_RipChunk takes
// the flag itself.
CDRIP_EXPORT void CR_SetAbortFlag(const int32_t *flag);
CDRIP_EXPORT int32_t CR_GetPercentCompleted();
CDRIP_EXPORT int32_t CR_GetNumberOfJitterErrors();
CDRIP_EXPORT void CR_GetLastJitterErrorPosition(int32_t *firstSector, int32_t *lastSector);
// As the run-time variant's (cdrip_runtime.h): the damaged sectors of the open or last rip in runs.
CDRIP_EXPORT int32_t CR_GetRipDamage(TCdRipDamageRun *runs, int32_t capacity, int32_t *count);
// Reads the sectors with the force-unit-access bit, so that the drive's cache holds the disc's
// audio of them; CDRIP_ERROR where the drive refuses it.
CDRIP_EXPORT int32_t CR_RefreshAudioCache(int32_t firstSector, int32_t sectorCount);
CDRIP_EXPORT int32_t CR_CloseRipper();
CDRIP_EXPORT int32_t CR_IsMediaLoaded();
CDRIP_EXPORT int32_t CR_EjectCD(int32_t open);
CDRIP_EXPORT int32_t CR_LockCD(int32_t lock);
CDRIP_EXPORT int32_t CR_PlayTrack(int32_t track);
CDRIP_EXPORT int32_t CR_StopPlayTrack();
CDRIP_EXPORT int32_t CR_PauseCD(int32_t pause);
CDRIP_EXPORT int32_t CR_IsAudioPlaying();
CDRIP_EXPORT int32_t CR_DriveStatus();

} // extern "C"
