#pragma once
// What a track's file says about it, whatever the format: the names players show, the year and
// genre when the disc's entry gave them, and the identifiers other programs look the disc up by.
// An empty text or a zero number is not written.

#include <utility>
#include <vector>

#include <QString>

struct TrackTags {
    QString Artist;
    QString Album;
    QString Title;
    int TrackNumber = 0;
    int TrackTotal = 0;
    QString Year;
    QString Genre;
    // The CDDB disc ID, eight hexadecimal digits.
    QString DiscId;
    // The release's identifier, and the recording's (what players read as the track's).
    QString MusicBrainzAlbumId;
    QString MusicBrainzTrackId;
    // The recording's ISRC (12 characters) and the disc's catalogue number (its barcode, MCN/UPC).
    QString Isrc;
    QString Barcode;

    bool operator==(const TrackTags &) const = default;
};

// The Vorbis comments of Tags (FLAC and Ogg), in a fixed order, the empty ones left out: ARTIST,
// ALBUM, TITLE, TRACKNUMBER, TRACKTOTAL, DATE, GENRE, DISCID, MUSICBRAINZ_ALBUMID,
// MUSICBRAINZ_TRACKID, ISRC, BARCODE.
std::vector<std::pair<QString, QString>> VorbisComments(const TrackTags &Tags);
