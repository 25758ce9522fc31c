// What each ripped file says about its track, from the window's fields and the last lookup.

#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/track_columns.h"
#include "ui_TCDRipTestForm.h"

#include <algorithm>

TrackTags TCDRipTestForm::TrackTagsFor(int TrackNum) const
{
    TrackTags tags;
    tags.Artist = ui->lblArtist->text();
    tags.Album = ui->lblTitle->text();
    const QTreeWidgetItem *item = ui->ListView1->topLevelItem(TrackNum - 1);
    const QString name = item ? item->text(kNameColumn) : QString();
    // "?" is the list's word for a name nobody knows.
    if (name != QLatin1String("?"))
        tags.Title = name;
    tags.TrackNumber = TrackNum;
    tags.TrackTotal = std::max(cdrip3::CR_GetNumTocEntries(), 0);
    tags.DiscId = ui->lblDiscID->text();
    // The lookup's year and genre belong to the disc it identified; another disc shows another ID.
    if (!entryDiscId_.isEmpty() && entryDiscId_ == tags.DiscId) {
        tags.Year = entryYear_;
        tags.Genre = entryGenre_;
    }
    // Names that came from MusicBrainz bring the release's and the recording's identifiers.
    const MusicBrainzTrackIds ids = MusicBrainzIdsOf(TrackNum);
    tags.MusicBrainzAlbumId = ids.AlbumId;
    tags.MusicBrainzTrackId = ids.TrackId;
    if (!ids.Year.isEmpty())
        tags.Year = ids.Year;
    return tags;
}
