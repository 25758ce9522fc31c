#include "quavrel/metadata/musicbrainz/disc_layout.h"

#include "ostrelle/ostrelle.h"

#include <algorithm>

namespace {

// The data session of an enhanced disc starts this far after the audio session's lead-out.
constexpr int kSessionGap = 11400;

int Sectors(const TTocEntry &entry)
{
    return (entry.Minute * 60 + entry.Second) * 75 + entry.Frame;
}

} // namespace

std::optional<DiscLayout> LayoutOfToc(const TCdToc &Toc)
{
    const int count = std::min<int>(Toc.Count, OSTRELLE_MAX_TRACKS);
    if (count < 1)
        return std::nullopt;
    DiscLayout layout;
    layout.LastTrack = count;
    layout.LeadOut = Sectors(Toc.LeadOut);
    if (count > 1 && !Toc.Tracks[count - 1].Audio) {
        layout.LastTrack = count - 1;
        // A pressed disc puts the gap before its data session; an image without one ends the audio
        // where the data starts.
        const int data = Sectors(Toc.Tracks[count - 1]);
        layout.LeadOut = data - kSessionGap > Sectors(Toc.Tracks[count - 2]) ? data - kSessionGap : data;
    }
    int previous = 0;
    for (int i = 0; i < layout.LastTrack; ++i) {
        const int start = Sectors(Toc.Tracks[i]);
        if (start < previous)
            return std::nullopt;
        layout.Offsets.push_back(start);
        previous = start;
    }
    if (layout.LeadOut <= previous)
        return std::nullopt;
    return layout;
}
