#pragma once
// What a disc's files say of it: the names the user keeps (from a source of names, edited or
// typed), with the year, genre and identifiers of the match they came from.

#include <vector>

#include <QString>

struct TrackMetadata {
    QString Title; // empty when unknown
    // The track's recording on MusicBrainz (MUSICBRAINZ_TRACKID); empty otherwise.
    QString MusicBrainzRecordingId;

    bool operator==(const TrackMetadata &) const = default;
};

struct DiscMetadata {
    QString Artist;
    QString Album;
    QString Year;
    QString Genre;
    // The CDDB disc ID of the disc these names belong to.
    QString CddbDiscId;
    // The release on MusicBrainz (MUSICBRAINZ_ALBUMID); empty otherwise.
    QString MusicBrainzReleaseId;
    // Tracks[0] is track 1.
    std::vector<TrackMetadata> Tracks;
    // Track 0's, the hidden track before track 1; empty when unknown.
    QString HiddenTrackTitle;

    // Track Number's title (0: the hidden track's), empty when unknown.
    QString TitleOf(int Number) const;
    QString RecordingIdOf(int Number) const;
    bool operator==(const DiscMetadata &) const = default;
};
