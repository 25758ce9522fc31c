#include "quavrel/engine/pipeline/runtime_rip_source.h"

#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/engine/pipeline/reader_thread.h"

namespace {

ReaderThread *g_reader = nullptr;

} // namespace

int32_t RuntimeRipSource::Open(int32_t FirstSector, int32_t LastSector, int32_t &ChunkBytes)
{
    return cdrip3::CR_OpenRipper(&ChunkBytes, FirstSector, LastSector);
}

int32_t RuntimeRipSource::ReadChunk(uint8_t *Buffer, int32_t &Bytes, const int32_t *Abort)
{
    // The library only reads the flag.
    return cdrip3::CR_RipChunk(Buffer, &Bytes, const_cast<int32_t *>(Abort));
}

int32_t RuntimeRipSource::PercentCompleted()
{
    return cdrip3::CR_GetPercentCompleted();
}

int32_t RuntimeRipSource::JitterErrors()
{
    return cdrip3::CR_GetNumberOfJitterErrors();
}

void RuntimeRipSource::LastJitterError(int32_t &FirstSector, int32_t &LastSector)
{
    cdrip3::CR_GetLastJitterErrorPosition(&FirstSector, &LastSector);
}

bool RuntimeRipSource::Damage(std::vector<TCdRipDamageRun> &Runs)
{
    return ReadRipDamage(cdrip3::CR_GetRipDamage, Runs);
}

bool RuntimeRipSource::MediumPresent()
{
    return cdrip3::CR_IsMediaLoaded() != 0;
}

bool RuntimeRipSource::RefreshCache(int32_t FirstSector, int32_t LastSector)
{
    return cdrip3::CR_RefreshAudioCache(FirstSector, LastSector - FirstSector + 1) == CDRIP_OK;
}

int32_t RuntimeRipSource::Close()
{
    return cdrip3::CR_CloseRipper();
}

void RuntimeRipSource::Attach(ReaderThread *Reader)
{
    g_reader = Reader;
}

int32_t CallRipLibrary(const std::function<int32_t()> &Call)
{
    if (!g_reader)
        return Call();
    int32_t result = 0;
    g_reader->Run([&] { result = Call(); });
    return result;
}

bool RipLibraryBusy()
{
    return g_reader != nullptr;
}

RipParameters SetRipParameters(TCDRomParams &Params)
{
    // Between the chunks of a rip that reads on ahead, never beside them.
    CallRipLibrary([] { return cdrip3::CR_StopPlayTrack(); });
    if (CallRipLibrary([&Params] { return cdrip3::CR_GetCDROMParameters(&Params); }) != CDRIP_OK)
        return RipParameters::Unreadable;
    Params.JitterCorrection = -1;
    Params.UseParanoiaMode = 1;
    Params.ParanoiaMode = 0xDF;
    return CallRipLibrary([&Params] { return cdrip3::CR_SetCDROMParameters(&Params); }) == CDRIP_OK
               ? RipParameters::Set
               : RipParameters::Refused;
}
