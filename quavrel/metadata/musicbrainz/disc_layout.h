#pragma once
// The audio session of a disc as MusicBrainz counts it: first and last audio track, the lead-out
// and each track's start, in sectors from the start of the lead-in (the first track of a plain
// disc starts at 150).

#include <optional>
#include <vector>

struct TCdToc;

struct DiscLayout {
    int FirstTrack = 1;
    int LastTrack = 0;
    int LeadOut = 0;
    // Offsets[i] is the start of track FirstTrack + i.
    std::vector<int> Offsets;

    int TrackCount() const { return LastTrack - FirstTrack + 1; }
};

// The layout of a table of contents read by Ostrelle. A data track after the audio (an enhanced
// disc) is left out, its session gap (11400 sectors) taken off the lead-out, as the service's
// disc IDs do; without room for the gap the audio ends where the data starts. Empty for a table
// without tracks or with addresses out of order.
std::optional<DiscLayout> LayoutOfToc(const TCdToc &Toc);
