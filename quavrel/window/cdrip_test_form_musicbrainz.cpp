// The disc lookup on MusicBrainz: the releases that hold the disc, the chooser when there are
// several, and the names and identifiers of the chosen one.

#include "ostrelle/ostrelle.h"
#include "quavrel/metadata/musicbrainz/musicbrainz_disc_id.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/matches_form.h"
#include "quavrel/window/progress_form.h"
#include "ui_TCDRipTestForm.h"
#include "ui_TfrmMatches.h"

#include <algorithm>

namespace {

const QString kMusicBrainzFailed = QStringLiteral("Erreur pendant la récupération des données MusicBrainz!");

// "MusicBrainz date country artist / title", the parts a release lacks left out.
QString ChooserLine(const MusicBrainzRelease &release)
{
    QStringList parts{QStringLiteral("MusicBrainz")};
    for (const QString &part : {release.Date, release.Country})
        if (!part.isEmpty())
            parts << part;
    return parts.join(QLatin1Char(' ')) + QLatin1Char(' ') + release.ArtistCredit + QStringLiteral(" / ") +
           release.Title;
}

int ProgressPhase(MusicBrainzPhase phase)
{
    switch (phase) {
    case MusicBrainzPhase::Sending:
        return CDDB_PHASE_SENDING;
    case MusicBrainzPhase::Receiving:
        return CDDB_PHASE_DOC_BEGIN;
    case MusicBrainzPhase::Received:
        return CDDB_PHASE_DOC_END;
    }
    return 0;
}

} // namespace

void TCDRipTestForm::WatchAbandon(TfrmProgress &Progress)
{
    connect(&Progress, &QDialog::rejected, this, &TCDRipTestForm::ProgressRejected, Qt::UniqueConnection);
}

void TCDRipTestForm::ProgressRejected()
{
    // The lookup's own closes come after its requests; only the user's fall inside one.
    if (!requestInFlight_)
        return;
    abandoned_ = true;
    if (musicBrainz_)
        musicBrainz_->Abort();
}

TCDRipTestForm::LookupEnd TCDRipTestForm::LookupMusicBrainz(const TCdToc &Toc, QString &Message)
{
    const std::optional<DiscLayout> layout = LayoutOfToc(Toc);
    if (!layout) {
        Message = kMusicBrainzFailed + QStringLiteral("\nCause : table des matières inutilisable");
        return LookupEnd::NothingFound;
    }
    if (!musicBrainz_)
        musicBrainz_ = std::make_unique<MusicBrainzClient>();
    musicBrainz_->SetOptions(MusicBrainz);

    // The caption names the service asked, as it names the CDDB server.
    CddbServerTexts shown;
    shown.Server = MusicBrainz.BaseUrl.host();
    TfrmProgress &progress = frmProgress();
    progress.SetServer(&shown);
    WatchAbandon(progress);
    musicBrainz_->OnProgress = [&progress](MusicBrainzClient &, MusicBrainzPhase phase) {
        progress.WndProc(WM_CDDB_PROGRESS, CDDB_REQUEST_QUERY, ProgressPhase(phase));
    };
    requestInFlight_ = true;
    const MusicBrainzResult result = musicBrainz_->Lookup(*layout);
    requestInFlight_ = false;
    musicBrainz_->OnProgress = nullptr;
    progress.SetServer(&CddbServer);
    if (closing_)
        return LookupEnd::Stopped;

    switch (result.Result) {
    case MusicBrainzResult::Outcome::Failed:
    case MusicBrainzResult::Outcome::Aborted:
        progress.close();
        Message = kMusicBrainzFailed + QStringLiteral("\nCause : ") + result.Reason;
        return LookupEnd::NothingFound;
    case MusicBrainzResult::Outcome::NotFound:
        progress.close();
        Message = QStringLiteral("Pas de correspondance MusicBrainz trouvée pour DiscID: ") + result.DiscId;
        return LookupEnd::NothingFound;
    case MusicBrainzResult::Outcome::Found:
        break;
    }

    size_t chosen = 0;
    if (result.Releases.size() > 1) {
        TfrmMatches chooser(this);
        for (const MusicBrainzRelease &release : result.Releases)
            chooser.Controls()->LbMatches->addItem(ChooserLine(release));
        chooser.setWindowTitle(result.ByToc ? QStringLiteral("Correspondance incomplète trouvée")
                                            : QStringLiteral("Correspondance exacte trouvée"));
        chooser.exec();
        if (closing_)
            return LookupEnd::Stopped;
        const int index = chooser.ItemIndex();
        if (index < 0) {
            progress.close();
            return LookupEnd::Stopped;
        }
        chosen = static_cast<size_t>(index);
    }
    progress.close();
    FillFromRelease(result.Releases[chosen]);
    return LookupEnd::Filled;
}

void TCDRipTestForm::FillFromRelease(const MusicBrainzRelease &Release)
{
    ui->lblArtist->setText(Release.ArtistCredit);
    ui->lblTitle->setText(Release.Title);
    // As with CDDB names: the rows are the disc's tracks, one title each, in order.
    const int rows = ui->ListView1->topLevelItemCount();
    for (int i = 0; i < rows; ++i) {
        QTreeWidgetItem &row = *ui->ListView1->topLevelItem(i);
        if (i < Release.TrackTitles.size()) {
            row.setText(1, Release.TrackTitles[i]);
            SetRowMusicBrainzIds(row, Release, i);
        } else {
            ClearRowMusicBrainzIds(row);
        }
    }
}

MusicBrainzTrackIds TCDRipTestForm::MusicBrainzIdsOf(int TrackNum) const
{
    const QTreeWidgetItem *row = TrackNum >= 1 ? ui->ListView1->topLevelItem(TrackNum - 1) : nullptr;
    return row ? RowMusicBrainzIds(*row) : MusicBrainzTrackIds{};
}
