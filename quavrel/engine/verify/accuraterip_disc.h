#pragma once
// A disc as the AccurateRip database knows it: its audio tracks, its audio lead-out and the three
// identifiers that name its file in the database.

#include "quavrel/engine/bindings/cd_access.h"

#include <cstdint>
#include <vector>

#include <QString>

// Sectors between the audio session's lead-out and an enhanced CD's data track.
inline constexpr int32_t kEnhancedCdGapSectors = 11400;

struct AccurateRipDisc {
    // Disc track numbers of the audio tracks, and their start sectors, in disc order.
    std::vector<int> Tracks;
    std::vector<int32_t> Starts;
    // The audio lead-out: an enhanced CD's data track start less the gap between sessions.
    int32_t LeadOut = 0;
    uint32_t Id1 = 0;
    uint32_t Id2 = 0;
    uint32_t Id3 = 0;

    bool Empty() const { return Tracks.empty(); }
    // The position (1-based) of disc track Number among the audio tracks, 0 when not audio.
    int IndexOf(int Number) const;
    // The track's length in frames (1/588 of a sector), up to the next audio track or the audio
    // lead-out.
    int64_t FramesOf(int Number) const;
    // "dBAR-NNN-AAAAAAAA-BBBBBBBB-CCCCCCCC.bin"
    QString FileName() const;
    // Server + "/accuraterip/X/Y/Z/" + FileName(), X Y Z the last three hex digits of Id1, last
    // first. Server is "http://host[:port]", with or without a final "/".
    QString Url(const QString &Server) const;
};

// From the disc information record; CddbId is the disc's CDDB identifier (of every track, data
// included). A disc without audio tracks gives an empty identity.
AccurateRipDisc AccurateRipDiscOf(const TCdInfo &Info, uint32_t CddbId);
