#include "quavrel/disc/ostrelle_toc.h"

#include "quavrel/disc/msf.h"

#include <algorithm>

namespace {

int32_t AddressOf(const TTocEntry &Entry)
{
    return MSFToLBA(static_cast<uint32_t>(Entry.Minute) << 16 | static_cast<uint32_t>(Entry.Second) << 8 |
                    Entry.Frame);
}

TTocEntry EntryOf(int32_t Sector, bool Audio)
{
    const uint32_t msf = LBAToMSF(Sector);
    return TTocEntry{static_cast<uint8_t>(msf >> 16), static_cast<uint8_t>(msf >> 8),
                     static_cast<uint8_t>(msf), static_cast<OBOOL16>(Audio ? 1 : 0)};
}

} // namespace

std::optional<Disc> DiscOfToc(const TCdToc &Toc)
{
    const int count = std::min<int>(Toc.Count, OSTRELLE_MAX_TRACKS);
    std::vector<DiscTrack> tracks;
    for (int i = 0; i < count; ++i)
        tracks.push_back({i + 1, AddressOf(Toc.Tracks[i]), Toc.Tracks[i].Audio != 0});
    return Disc::FromTracks(std::move(tracks), AddressOf(Toc.LeadOut));
}

TCdToc TocOf(const Disc &Disc)
{
    TCdToc toc{};
    const int count = std::min<int>(Disc.TrackCount(), OSTRELLE_MAX_TRACKS);
    toc.Count = static_cast<uint8_t>(count);
    for (int n = 1; n <= count; ++n)
        toc.Tracks[n - 1] = EntryOf(Disc.Track(n).Start, Disc.Track(n).Audio);
    toc.LeadOut = EntryOf(Disc.LeadOut(), false);
    return toc;
}
