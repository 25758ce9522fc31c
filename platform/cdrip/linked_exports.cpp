// libCDRip.so: the linked variant's signatures over the core.

#include "cdrip_core.h"
#include "cdrip_linked.h"

using cdrip::TheCore;

extern "C" {

int32_t CR_Init()
{
    return TheCore().Init("CDRipper.ini");
}
int32_t CR_GetCDRipVersion()
{
    return cdrip::kCdRipVersion;
}
int32_t CR_GetNumCDROM()
{
    return TheCore().DriveCount();
}
int32_t CR_GetActiveCDROM()
{
    return TheCore().ActiveDrive();
}
int32_t CR_SetActiveCDROM(int32_t index)
{
    return TheCore().SetActiveDrive(index);
}
const char *CR_GetCDROMIDByIndex(int32_t index)
{
    return TheCore().Description(index);
}
int32_t CR_GetCDROMParameters(TCDRomParams *params)
{
    return TheCore().GetParams(params, kLinkedParamsSize);
}
int32_t CR_SetCDROMParameters(const TCDRomParams *params)
{
    return TheCore().SetParams(params, kLinkedParamsSize);
}
int32_t CR_SaveSettings()
{
    return TheCore().SaveSettings();
}
int32_t CR_ReadToc()
{
    return TheCore().ReadToc();
}
int32_t CR_GetNumTocEntries()
{
    return TheCore().TocTrackCount();
}

int64_t CR_GetTocEntry(int32_t index)
{
    TCdRipTocEntry entry{};
    return TheCore().TocEntry(index, &entry) == CDRIP_OK ? PackTocEntry(entry) : 0;
}

int32_t CR_OpenRipper(int32_t *bufferBytes, int32_t firstSector, int32_t lastSector)
{
    return TheCore().OpenRipper(bufferBytes, firstSector, lastSector);
}

int32_t CR_RipChunk(uint8_t *buffer, int32_t *bytes)
{
    return TheCore().RipChunk(buffer, bytes, nullptr);
}

void CR_SetAbortFlag(const int32_t *flag)
{
    TheCore().SetAbortFlag(flag);
}

int32_t CR_GetPercentCompleted()
{
    return TheCore().PercentCompleted();
}
int32_t CR_GetNumberOfJitterErrors()
{
    return TheCore().JitterErrors();
}

void CR_GetLastJitterErrorPosition(int32_t *firstSector, int32_t *lastSector)
{
    TheCore().LastJitterError(firstSector, lastSector);
}

int32_t CR_GetRipDamage(TCdRipDamageRun *runs, int32_t capacity, int32_t *count)
{
    return TheCore().Damage(runs, capacity, count);
}

int32_t CR_RefreshAudioCache(int32_t firstSector, int32_t sectorCount)
{
    return TheCore().RefreshAudio(firstSector, sectorCount);
}

int32_t CR_CloseRipper()
{
    return TheCore().CloseRipper();
}
int32_t CR_IsMediaLoaded()
{
    return TheCore().MediumLoaded() ? 1 : 0;
}
int32_t CR_EjectCD(int32_t open)
{
    return TheCore().Eject(open != 0);
}
int32_t CR_LockCD(int32_t lock)
{
    return TheCore().Lock(lock != 0);
}
int32_t CR_PlayTrack(int32_t track)
{
    return TheCore().PlayTrack(track);
}
int32_t CR_StopPlayTrack()
{
    return TheCore().Stop();
}
int32_t CR_PauseCD(int32_t pause)
{
    return TheCore().Pause(pause != 0);
}

int32_t CR_IsAudioPlaying()
{
    const int32_t status = TheCore().PlayStatus().audioStatus;
    return status == CDRIP_AUDIO_PLAYING || status == CDRIP_AUDIO_PAUSED ? 1 : 0;
}

int32_t CR_DriveStatus()
{
    return TheCore().PlayStatus().audioStatus;
}

} // extern "C"
