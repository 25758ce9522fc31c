// libCDRIP3.so: the run-time variant's 51 operations over the core.

#include "cdrip_core.h"
#include "cdrip_runtime.h"
#include "sample_format.h"

#include <type_traits>

using cdrip::TheCore;

extern "C" {

CDRIP_EXPORT int32_t CR_Init(const char *settingsFile)
{
    return TheCore().Init(settingsFile);
}
CDRIP_EXPORT int32_t CR_GetCDRipVersion()
{
    return cdrip::kCdRipVersion;
}
CDRIP_EXPORT int32_t CR_GetNumCDROM()
{
    return TheCore().DriveCount();
}
CDRIP_EXPORT int32_t CR_SetActiveCDROM(int32_t index)
{
    return TheCore().SetActiveDrive(index);
}
CDRIP_EXPORT int32_t CR_GetActiveCDROM()
{
    return TheCore().ActiveDrive();
}
CDRIP_EXPORT const char *CR_GetCDROMID()
{
    return TheCore().Description(TheCore().ActiveDrive());
}
CDRIP_EXPORT const char *CR_GetCDROMIDByIndex(int32_t index)
{
    return TheCore().Description(index);
}
CDRIP_EXPORT int32_t CR_SelectCDROMType(int32_t driveType)
{
    return TheCore().SelectDriveType(driveType);
}
CDRIP_EXPORT int32_t CR_GetCDROMType()
{
    return TheCore().DriveType();
}
CDRIP_EXPORT int32_t CR_IsMMC()
{
    return TheCore().IsMmc() ? 1 : 0;
}

CDRIP_EXPORT int32_t CR_GetCDROMParameters(TCDRomParams *params)
{
    return TheCore().GetParams(params, kRuntimeParamsSize);
}

CDRIP_EXPORT int32_t CR_SetCDROMParameters(const TCDRomParams *params)
{
    return TheCore().SetParams(params, kRuntimeParamsSize);
}

CDRIP_EXPORT int32_t CR_OpenRipper(int32_t *bufferBytes, int32_t firstSector, int32_t lastSector)
{
    return TheCore().OpenRipper(bufferBytes, firstSector, lastSector);
}

CDRIP_EXPORT int32_t CR_CloseRipper()
{
    return TheCore().CloseRipper();
}

CDRIP_EXPORT int32_t CR_RipChunk(uint8_t *buffer, int32_t *bytes, int32_t *abort)
{
    return TheCore().RipChunk(buffer, bytes, abort);
}

CDRIP_EXPORT int32_t CR_GetPeakValue()
{
    return TheCore().Peak();
}
CDRIP_EXPORT int32_t CR_GetPercentCompleted()
{
    return TheCore().PercentCompleted();
}
CDRIP_EXPORT int32_t CR_GetNumberOfJitterErrors()
{
    return TheCore().JitterErrors();
}
CDRIP_EXPORT int32_t CR_GetJitterPosition()
{
    return TheCore().NextSector();
}

CDRIP_EXPORT void CR_GetLastJitterErrorPosition(int32_t *firstSector, int32_t *lastSector)
{
    TheCore().LastJitterError(firstSector, lastSector);
}

CDRIP_EXPORT void CR_NormalizeChunk(int16_t *samples, int32_t count, double factor)
{
    if (samples && count > 0)
        cdrip::Normalize(samples, count, factor);
}

CDRIP_EXPORT int32_t CR_LoadSettings()
{
    return TheCore().LoadSettings();
}
CDRIP_EXPORT int32_t CR_SaveSettings()
{
    return TheCore().SaveSettings();
}
CDRIP_EXPORT int32_t CR_ReadToc()
{
    return TheCore().ReadToc();
}
CDRIP_EXPORT int32_t CR_GetNumTocEntries()
{
    return TheCore().TocTrackCount();
}

CDRIP_EXPORT int64_t CR_GetTocEntry(int32_t index)
{
    TCdRipTocEntry entry{};
    return TheCore().TocEntry(index, &entry) == CDRIP_OK ? PackTocEntry(entry) : 0;
}

CDRIP_EXPORT int32_t CR_GetTocEntry2(int32_t index, TCdRipTocEntry *entry)
{
    return TheCore().TocEntry(index, entry);
}
CDRIP_EXPORT int32_t CR_GetSenseKey()
{
    return TheCore().LastSense().key;
}

CDRIP_EXPORT int32_t CR_GetSenseKey2(int32_t *key, int32_t *asc, int32_t *ascq)
{
    if (!key || !asc || !ascq)
        return CDRIP_ERROR;
    const cdrip::SenseData &sense = TheCore().LastSense();
    *key = sense.key;
    *asc = sense.asc;
    *ascq = sense.ascq;
    return CDRIP_OK;
}

CDRIP_EXPORT int32_t CR_IsUnitReady()
{
    return TheCore().MediumLoaded() ? 1 : 0;
}
CDRIP_EXPORT int32_t CR_IsMediaLoaded()
{
    return TheCore().MediumLoaded() ? 1 : 0;
}
CDRIP_EXPORT int32_t CR_LockCD(int32_t lock)
{
    return TheCore().Lock(lock != 0);
}
CDRIP_EXPORT int32_t CR_DriveStatus()
{
    return TheCore().PlayStatus().audioStatus;
}
CDRIP_EXPORT int32_t CR_EjectCD(int32_t open)
{
    return TheCore().Eject(open != 0);
}

CDRIP_EXPORT int32_t CR_IsAudioPlaying()
{
    const int32_t status = TheCore().PlayStatus().audioStatus;
    return status == CDRIP_AUDIO_PLAYING || status == CDRIP_AUDIO_PAUSED ? 1 : 0;
}

CDRIP_EXPORT int32_t CR_PlayTrack(int32_t track)
{
    return TheCore().PlayTrack(track);
}

CDRIP_EXPORT int32_t CR_PlaySection(int32_t firstSector, int32_t lastSector)
{
    return TheCore().PlaySection(firstSector, lastSector);
}

CDRIP_EXPORT int32_t CR_GetPlayPosition(int32_t *sector)
{
    if (!sector)
        return CDRIP_ERROR;
    *sector = TheCore().PlayStatus().sector;
    return CDRIP_OK;
}

CDRIP_EXPORT int32_t CR_SetPlayPosition(int32_t sector)
{
    return TheCore().SetPlayPosition(sector);
}
CDRIP_EXPORT int32_t CR_StopPlayTrack()
{
    return TheCore().Stop();
}
CDRIP_EXPORT int32_t CR_PauseCD(int32_t pause)
{
    return TheCore().Pause(pause != 0);
}

CDRIP_EXPORT int32_t CR_GetSubChannelTrackInfo(int32_t *audioStatus, int32_t *track, int32_t *sector)
{
    if (!audioStatus || !track || !sector)
        return CDRIP_ERROR;
    const cdrip::PlayReport report = TheCore().PlayStatus();
    *audioStatus = report.audioStatus;
    *sector = report.sector;
    *track = TheCore().TrackAt(report.sector);
    return CDRIP_OK;
}

CDRIP_EXPORT int32_t CR_ReadCDText(char *buffer, int32_t size)
{
    return TheCore().CdText(buffer, size);
}
CDRIP_EXPORT int32_t CR_GetTransportLayer()
{
    return 0;
}
CDRIP_EXPORT int32_t CR_SetTransportLayer(int32_t layer)
{
    return layer == 0 ? CDRIP_OK : CDRIP_ERROR;
}
CDRIP_EXPORT int32_t CR_ScanForC2Errors(int32_t, int32_t, int32_t *)
{
    return CDRIP_ERROR;
}
CDRIP_EXPORT int32_t CR_ReadDiscContents()
{
    return TheCore().ReadContents();
}
CDRIP_EXPORT int32_t CR_GetTrackContents(int32_t index, TCdRipTrackContents *contents)
{
    return TheCore().TrackContents(index, contents);
}
CDRIP_EXPORT int32_t CR_GetCatalogNumber(char *catalog)
{
    return TheCore().CatalogNumber(catalog);
}
CDRIP_EXPORT int32_t CR_GetRipDamage(TCdRipDamageRun *runs, int32_t capacity, int32_t *count)
{
    return TheCore().Damage(runs, capacity, count);
}

CDRIP_EXPORT int32_t CR_RefreshAudioCache(int32_t firstSector, int32_t sectorCount)
{
    return TheCore().RefreshAudio(firstSector, sectorCount);
}

} // extern "C"

// Every export has the signature its callers bind it with.
#define CDRIP3_CHECK_SIGNATURE(name, type)                                                                   \
    static_assert(std::is_same_v<decltype(name), cdrip3::name##_fn>, #name " differs from cdrip_runtime.h");
CDRIP3_OPERATIONS(CDRIP3_CHECK_SIGNATURE)
#undef CDRIP3_CHECK_SIGNATURE
