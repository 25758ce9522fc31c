#include "quavrel/metadata/lookup/disc_metadata.h"

QString DiscMetadata::TitleOf(int Number) const
{
    if (Number == 0)
        return HiddenTrackTitle;
    return Number >= 1 && static_cast<size_t>(Number) <= Tracks.size() ? Tracks[Number - 1].Title : QString();
}

QString DiscMetadata::RecordingIdOf(int Number) const
{
    return Number >= 1 && static_cast<size_t>(Number) <= Tracks.size()
               ? Tracks[Number - 1].MusicBrainzRecordingId
               : QString();
}
