#include "cdio_image.h"

#include <sys/stat.h>

namespace drives {
namespace {

bool IsRegularFile(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

CdioImage CdioImage::Open(const std::string &path, bool device)
{
    platform::SilenceCdioLog();
    CdioImage image;
    if (!device && !IsRegularFile(path))
        return image;
    image.handle_.reset(cdio_open(path.c_str(), device ? DRIVER_DEVICE : DRIVER_UNKNOWN));
    return image;
}

DriveError CdioImage::ReadToc(DiscToc &toc) const
{
    toc = DiscToc{};
    if (!handle_)
        return DriveError::NoMedium;
    CdIo_t *cdio = handle_.get();
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t last = cdio_get_last_track_num(cdio);
    if (first == CDIO_INVALID_TRACK || last == CDIO_INVALID_TRACK || first < 1 || last < first || last > 99)
        return DriveError::NoMedium;
    const lsn_t leadOut = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (leadOut == CDIO_INVALID_LSN)
        return DriveError::NoMedium;
    toc.firstTrack = first;
    toc.lastTrack = last;
    toc.leadOutLba = leadOut;
    for (track_t t = first; t <= last; ++t) {
        const lsn_t start = cdio_get_track_lsn(cdio, t);
        if (start == CDIO_INVALID_LSN)
            return DriveError::NoMedium;
        toc.tracks.push_back({t, start, cdio_get_track_format(cdio, t) == TRACK_FORMAT_AUDIO});
    }
    return DriveError::None;
}

DriveError CdioImage::ReadSectors(int32_t lsn, int32_t count, void *buffer) const
{
    if (!handle_)
        return DriveError::NoMedium;
    if (count <= 0)
        return DriveError::None;
    return cdio_read_audio_sectors(handle_.get(), buffer, lsn, static_cast<uint32_t>(count)) ==
                   DRIVER_OP_SUCCESS
               ? DriveError::None
               : DriveError::ReadError;
}

} // namespace drives
