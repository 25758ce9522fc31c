#include "quavrel/window/musicbrainz_rows.h"

#include "quavrel/metadata/musicbrainz/musicbrainz_release.h"

#include <QTreeWidgetItem>

namespace {

// Kept on the "Nom" cell, which the names fill.
constexpr int kNameColumn = 1;
constexpr int kAlbumIdRole = Qt::UserRole + 1;
constexpr int kTrackIdRole = Qt::UserRole + 2;
constexpr int kYearRole = Qt::UserRole + 3;

} // namespace

void SetRowMusicBrainzIds(QTreeWidgetItem &Row, const MusicBrainzRelease &Release, int Index)
{
    Row.setData(kNameColumn, kAlbumIdRole, Release.Id);
    Row.setData(kNameColumn, kTrackIdRole, Release.RecordingIds.value(Index));
    Row.setData(kNameColumn, kYearRole, Release.Year());
}

void ClearRowMusicBrainzIds(QTreeWidgetItem &Row)
{
    for (const int role : {kAlbumIdRole, kTrackIdRole, kYearRole})
        Row.setData(kNameColumn, role, QVariant());
}

MusicBrainzTrackIds RowMusicBrainzIds(const QTreeWidgetItem &Row)
{
    return {Row.data(kNameColumn, kAlbumIdRole).toString(), Row.data(kNameColumn, kTrackIdRole).toString(),
            Row.data(kNameColumn, kYearRole).toString()};
}
