// The CD audio player: PLAY AUDIO MSF, STOP PLAY/SCAN, PAUSE/RESUME and READ SUB-CHANNEL.

#include "aspi_binding.h"

#include <algorithm>

namespace {

OBOOL16 Bool16(bool value)
{
    return value ? OSTRELLE_TRUE : OSTRELLE_FALSE;
}

OBOOL16 PauseOrResume(const TCdDrive *drive, uint8_t resume)
{
    const uint8_t cdb[10] = {0x4B, 0, 0, 0, 0, 0, 0, 0, resume, 0};
    return Bool16(drive && ostrelle::ExecuteScsiCommand(*drive, cdb, sizeof cdb, nullptr, 0));
}

} // namespace

extern "C" OSTRELLE_EXPORT OBOOL16 OSTRELLE_API PlayTrack(const TCdDrive *Drive, const TCdToc *Toc,
                                                          int32_t Track)
{
    if (!Drive || !Toc)
        return OSTRELLE_FALSE;
    // Outside the disc's tracks there is no start address to send; a Count beyond the record's
    // room is taken as the room.
    const int32_t count = std::min<int32_t>(Toc->Count, OSTRELLE_MAX_TRACKS);
    if (Track < 1 || Track > count)
        return OSTRELLE_FALSE;
    const TTocEntry &start = Toc->Tracks[Track - 1];
    // The last track ends at the lead-out: its following Tracks entry is empty.
    const TTocEntry &end = Track == count ? Toc->LeadOut : Toc->Tracks[Track];
    const uint8_t cdb[10] = {0x47,        0,          0,          start.Minute, start.Second,
                             start.Frame, end.Minute, end.Second, end.Frame,    0};
    return Bool16(ostrelle::ExecuteScsiCommand(*Drive, cdb, sizeof cdb, nullptr, 0));
}

extern "C" OSTRELLE_EXPORT OBOOL16 OSTRELLE_API Stop(const TCdDrive *Drive)
{
    const uint8_t cdb[10] = {0x4E, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    return Bool16(Drive && ostrelle::ExecuteScsiCommand(*Drive, cdb, sizeof cdb, nullptr, 0));
}

extern "C" OSTRELLE_EXPORT OBOOL16 OSTRELLE_API Pause(const TCdDrive *Drive)
{
    return PauseOrResume(Drive, 0);
}

extern "C" OSTRELLE_EXPORT OBOOL16 OSTRELLE_API Resume(const TCdDrive *Drive)
{
    return PauseOrResume(Drive, 1);
}

extern "C" OSTRELLE_EXPORT OBOOL16 OSTRELLE_API GetPosition(const TCdDrive *Drive, TCdPosition *Position)
{
    if (!Drive || !Position)
        return OSTRELLE_FALSE;
    uint8_t data[16] = {};
    const uint8_t cdb[10] = {0x42, 0x02, 0xFF, 0x01, 0, 0, 0, 0, sizeof data, 0};
    const bool ok = ostrelle::ExecuteScsiCommand(*Drive, cdb, sizeof cdb, data, sizeof data);
    Position->Track = data[6];
    Position->AbsMinute = data[9];
    Position->AbsSecond = data[10];
    Position->AbsFrame = data[11];
    Position->RelMinute = data[13];
    Position->RelSecond = data[14];
    Position->RelFrame = data[15];
    return Bool16(ok);
}
