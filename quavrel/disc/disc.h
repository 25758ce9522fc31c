#pragma once
// A disc as its table of contents gives it: the tracks in order, audio or data, each with its
// first sector, and the lead-out; with what the disc holds besides (each track's pre-gap, ISRC and
// flags, the catalogue number, the CD-Text) when the drive read it. Everything else is worked out
// here, once: each track's sectors, where the audio ends, the hidden track, and the three
// identities the services know the disc by. Each identity has its own rule; the one rule they
// share is the session gap below. The identities count from each track's INDEX 01, its start.
//
// Sectors are logical block addresses (sector 0 is position 00:02:00).

#include "quavrel/disc/cd_text.h"

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>

// An enhanced CD (an audio session, then a data session) has this many sectors between the audio
// session's end and the data track's start: its lead-out, the data session's lead-in and pregap.
inline constexpr int32_t kSessionGapSectors = 11400;

// Audio before the first track's INDEX 01 is a hidden track when there is at least this much of it
// (one second): shorter, it is the mastering's lead, never a piece of its own.
inline constexpr int32_t kHiddenTrackMinimumSectors = 75;

struct DiscTrack {
    int Number = 0;    // as the table of contents numbers it, 1..99
    int32_t Start = 0; // first sector: its INDEX 01
    bool Audio = true;
    // Sectors of its INDEX 00 just before Start (its pre-gap), 0 when it has none or nobody read it.
    int32_t Pregap = 0;
    QString Isrc = {}; // 12 characters, or empty
    bool PreEmphasis = false;
    bool CopyPermitted = false;
    bool FourChannel = false;

    // Where its INDEX 00 begins; Start when it has no pre-gap.
    int32_t Index0() const { return Start - Pregap; }
    bool operator==(const DiscTrack &) const = default;
};

// An inclusive range of sectors; empty when Last < First.
struct SectorRange {
    int32_t First = 0;
    int32_t Last = -1;

    int32_t Count() const { return Last >= First ? Last - First + 1 : 0; }
    bool Empty() const { return Last < First; }
    bool operator==(const SectorRange &) const = default;
};

// How the AccurateRip database names a disc.
struct AccurateRipIdentity {
    int AudioTracks = 0;
    uint32_t Id1 = 0;
    uint32_t Id2 = 0;
    uint32_t Id3 = 0; // the CDDB disc ID

    bool Empty() const { return AudioTracks == 0; }
};

// The layout a MusicBrainz disc ID is made of: sectors counted from the start of the lead-in (150
// more than our addresses), the lead-out being the audio session's end.
struct MusicBrainzLayout {
    int FirstTrack = 1;
    int LastTrack = 0;
    int LeadOut = 0;
    std::vector<int> Offsets; // Offsets[i] is the start of track FirstTrack + i

    int TrackCount() const { return LastTrack - FirstTrack + 1; }
};

class Disc {
  public:
    Disc() = default;
    // Tracks in disc order with ascending starts, numbered from 1 without a gap, below the
    // lead-out; anything else is not a table of contents to rip from (nullopt). A pre-gap reaching
    // into the track before (or before the disc) is cut to what fits.
    static std::optional<Disc> FromTracks(std::vector<DiscTrack> Tracks, int32_t LeadOut);

    bool Empty() const { return tracks_.empty(); }
    int TrackCount() const { return static_cast<int>(tracks_.size()); }
    const std::vector<DiscTrack> &Tracks() const { return tracks_; }
    bool HasTrack(int Number) const { return Number >= 1 && Number <= TrackCount(); }
    // Track Number (1..TrackCount).
    const DiscTrack &Track(int Number) const { return tracks_.at(static_cast<size_t>(Number - 1)); }
    bool IsAudio(int Number) const { return HasTrack(Number) && Track(Number).Audio; }
    // The disc's lead-out: one past its last sector, data session included.
    int32_t LeadOut() const { return leadOut_; }

    // Disc track numbers of the audio tracks, in order.
    std::vector<int> AudioTracks() const;
    // The position (1-based) of track Number among the audio tracks; 0 for a data track.
    int AudioIndexOf(int Number) const;
    // One past the last sector of the audio: the lead-out, or for an enhanced CD (audio, then a
    // data track) the data track's start less the session gap; an image without room for the gap
    // ends its audio where the data starts.
    int32_t AudioEnd() const;
    // Track Number's sectors: from its start up to the next track's, or to the audio's end for the
    // last audio track, or to the lead-out. The next track's pregap comes with it. Track 0 is the
    // hidden track: the first track's pre-gap.
    SectorRange TrackRange(int Number) const;

    // Audio in the first track's pre-gap, before its INDEX 01, at least a second of it: offered as
    // track 0, which no identity counts.
    bool HasHiddenTrack() const;

    // The catalogue number (MCN/UPC), 13 digits, or empty.
    const QString &Catalog() const { return catalog_; }
    const ::CdText &CdText() const { return cdText_; }
    // What the drive read besides the table (CR_ReadDiscContents, an image): the tracks' pre-gaps,
    // ISRCs and flags by number, the catalogue number and the CD-Text. Tracks not in Contents keep
    // theirs; pre-gaps are cut as FromTracks cuts them.
    void SetContents(const std::vector<DiscTrack> &Contents, const QString &Catalog, const ::CdText &Text);
    // The table alone, without what SetContents added: what the identities are made of.
    bool SameTable(const Disc &Other) const;

    // The CDDB disc ID, of every track (data included) and the lead-out.
    uint32_t CddbId() const;
    // As the CDDB names it: eight lower-case hexadecimal digits.
    QString CddbIdText() const;

    // MusicBrainz counts the first track up to the last audio one, and ends at the audio's end.
    MusicBrainzLayout MusicBrainzLayoutOf() const;
    // The 28-character disc ID (libdiscid's), empty when the layout cannot make one.
    QString MusicBrainzId() const;
    // "first+count+leadout+offset1+...": the service's toc parameter.
    QString MusicBrainzToc() const;

    // AccurateRip counts the audio tracks only: id1 is the sum of their starts and the lead-out,
    // id2 the sum of max(start, 1) × their position among the audio tracks and the lead-out ×
    // (audio tracks + 1); the lead-out is the disc's own, one past its last sector, data session
    // included. Id3 is the CDDB disc ID.
    AccurateRipIdentity AccurateRipIds() const;

    bool operator==(const Disc &) const = default;

  private:
    void CutPregaps();

    std::vector<DiscTrack> tracks_;
    int32_t leadOut_ = 0;
    QString catalog_;
    ::CdText cdText_;
};
