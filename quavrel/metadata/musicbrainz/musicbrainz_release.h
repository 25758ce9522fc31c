#pragma once
// The releases of a discid answer of the web service (JSON, inc=artist-credits+recordings), each
// with the one medium that is our disc.

#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

struct MusicBrainzRelease {
    QString Id; // the release's MBID (MUSICBRAINZ_ALBUMID)
    QString Title;
    QString ArtistCredit;   // every credited name followed by its join phrase
    QString Date;           // "YYYY", "YYYY-MM" or "YYYY-MM-DD"; may be empty
    QString Country;        // may be empty
    QString Disambiguation; // what tells two releases of one title apart; may be empty
    int MediumPosition = 0;
    int MediumCount = 0;
    // One per track of the medium, in order: its title and its recording's MBID
    // (MUSICBRAINZ_TRACKID).
    QStringList TrackTitles;
    QStringList RecordingIds;

    // The year of Date, empty when it has none.
    QString Year() const { return Date.left(4); }
};

struct MusicBrainzAnswer {
    // False for a reply that is not a discid answer; Error says why.
    bool Valid = false;
    QString Error;
    // A reply without a release list (a disc the service knows only as a stub).
    bool NoReleaseList = false;
    std::vector<MusicBrainzRelease> Releases;
};

// The releases of Json that hold our disc: the medium whose disc list holds DiscId, or else (an
// answer to a toc request) the first medium with TrackCount tracks. A release with no such medium,
// or without a title, an artist or a track title that is more than blanks, is left out.
MusicBrainzAnswer ParseDiscIdAnswer(const QByteArray &Json, const QString &DiscId, int TrackCount);
