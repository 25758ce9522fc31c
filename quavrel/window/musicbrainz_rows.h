#pragma once
// The MusicBrainz identifiers of a track list row, kept in the row's own data so that rebuilding
// the list for another disc drops them with the names they belong to.

#include <QString>

class QTreeWidgetItem;
struct MusicBrainzRelease;

// What the tags of a track take from the release its names came from; empty texts when they came
// from somewhere else.
struct MusicBrainzTrackIds {
    QString AlbumId; // MUSICBRAINZ_ALBUMID: the release
    QString TrackId; // MUSICBRAINZ_TRACKID: the track's recording
    QString Year;
};

// Track Index (0-based) of Release, on Row.
void SetRowMusicBrainzIds(QTreeWidgetItem &Row, const MusicBrainzRelease &Release, int Index);
void ClearRowMusicBrainzIds(QTreeWidgetItem &Row);
MusicBrainzTrackIds RowMusicBrainzIds(const QTreeWidgetItem &Row);
