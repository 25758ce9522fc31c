#include "quavrel/engine/bindings/cd_info_disc.h"

#include <algorithm>

std::optional<Disc> DiscOf(const TCdInfo &Info)
{
    std::vector<DiscTrack> tracks;
    for (int number = 1; number <= std::min<int>(Info.TrackCount, static_cast<int>(Info.Slots.size()));
         ++number)
        tracks.push_back({number, Info.Slot(number).StartSector, Info.Slot(number).IsAudio == 1});
    return Disc::FromTracks(std::move(tracks), MSFToLBA(Info.LeadOut));
}
