// The disc lookup (CDDB, then MusicBrainz as the user chose), the CDDB server's list of mirror sites and the
// choice of a server.

#include "ostrelle/ostrelle.h"
#include "quavrel/disc/ostrelle_toc.h"
#include "quavrel/metadata/cddb/ansi_text.h"
#include "quavrel/metadata/cddb/cddb_server.h"
#include "quavrel/metadata/cddb/cddb_server_record.h"
#include "quavrel/metadata/cddb/cddb_source.h"
#include "quavrel/metadata/cdtext/cdtext_source.h"
#include "quavrel/metadata/lookup/plain_text.h"
#include "quavrel/metadata/musicbrainz/musicbrainz_source.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/matches_form.h"
#include "quavrel/window/message_box.h"
#include "quavrel/window/progress_form.h"
#include "quavrel/window/track_columns.h"
#include "ui_TCDRipTestForm.h"
#include "ui_TfrmMatches.h"

#include <algorithm>
#include <optional>

namespace {

const QString kNoConnection = QStringLiteral("&Connexion active: aucune");

struct SiteRecords {
    TCddbList list{};
    SiteRecords() = default;
    SiteRecords(const SiteRecords &) = delete;
    SiteRecords &operator=(const SiteRecords &) = delete;
    ~SiteRecords() { FreeCddbList(&list); }
};

// Holds the flag that keeps a second CDDB request from starting inside the wait of the first.
class BusyScope {
  public:
    explicit BusyScope(bool &flag) : flag_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = false; }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

  private:
    bool &flag_;
};

struct SiteChoice {
    QString server;
    QString cgiPath;
};

// A site line holds host, protocol, port, script path, coordinates and a description, separated
// by blanks; the first and the fourth are the server, with the third as its port unless it is
// HTTP's own. A line without both has no server to offer.
std::optional<SiteChoice> ServerOfSiteLine(const QString &line)
{
    const QStringList fields = line.split(QLatin1Char(' '));
    if (fields.size() < 4 || fields[0].isEmpty() || fields[3].isEmpty())
        return std::nullopt;
    QString server = fields[0];
    bool numeric = false;
    const int port = fields[2].toInt(&numeric);
    if (numeric && port > 0 && port <= 65535 && port != 80) {
        if (server.contains(QLatin1Char(':')) && !server.startsWith(QLatin1Char('[')))
            server = QLatin1Char('[') + server + QLatin1Char(']');
        server += QLatin1Char(':') + QString::number(port);
    }
    return SiteChoice{server, fields[3]};
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

void TCDRipTestForm::ConnectLookupControls()
{
    // Another source of names: what the last match brought is not this one's.
    connect(ui->sourceinfos, &QComboBox::currentIndexChanged, this, [this] { ForgetMatch(); });
    // Only what the user typed replaces the server; a server set otherwise stays until then.
    connect(ui->serveur, &QLineEdit::textEdited, this, [this] { serverTyped_ = true; });
    connect(ui->btnCalcDiscID, &QToolButton::clicked, this, &TCDRipTestForm::btnCalcDiscIDClick);
    connect(ui->Button1, &QToolButton::clicked, this, &TCDRipTestForm::Button1Click);
    connect(ui->LbServer, &QListWidget::itemDoubleClicked, this, &TCDRipTestForm::LbServerDblClick);
    connect(ui->btnPlayTrack, &QToolButton::clicked, this, &TCDRipTestForm::btnPlayTrackClick);
    connect(ui->btnStopPlay, &QToolButton::clicked, this, &TCDRipTestForm::btnStopPlayClick);
    connect(ui->btnPause, &QToolButton::clicked, this, &TCDRipTestForm::btnPauseClick);
    connect(ui->btnResume, &QToolButton::clicked, this, &TCDRipTestForm::btnResumeClick);
}

void TCDRipTestForm::ShowCddbServer()
{
    ui->serveur->setText(ServerBoxText(CddbServer));
    serverTyped_ = false;
}

bool TCDRipTestForm::TakeTypedServer()
{
    if (!serverTyped_)
        return true;
    if (!ApplyTypedServer(ui->serveur->text(), CddbServer))
        return false;
    ShowCddbServer();
    return true;
}

void TCDRipTestForm::AbortCddbRequest()
{
    // The request's wait returns and its lookup ends without a word: the window is closing.
    if (cddbRequestRunning_)
        http_Abort();
    if (musicBrainz_)
        musicBrainz_->Abort();
    if (auto *progress = findChild<TfrmProgress *>(QString(), Qt::FindDirectChildrenOnly))
        progress->hide();
}

bool TCDRipTestForm::StartCddbRequest()
{
    if (!TakeTypedServer()) {
        ShowMessageBox(this,
                       QStringLiteral("Serveur invalide : « %1 ». Tapez un nom d'hôte, hôte:port ou une "
                                      "adresse http://hôte[:port]/chemin/cddb.cgi.")
                           .arg(ui->serveur->text()));
        return false;
    }
    cddbUtf8_ = ui->textesutf8->isChecked();
    // Level 4 as the protocol is specified; level 6 brings UTF-8 texts, and the entry's year and
    // genre (sent from level 5 on).
    http_SetProtocolLevel(cddbUtf8_ ? 6 : 4);
    return true;
}

QString TCDRipTestForm::FromCddb(const char *text) const
{
    // The server's words (its sites, its reasons) are shown and stored: nothing of a terminal's.
    return PlainText(FromCddbText(text, cddbUtf8_));
}

QString TCDRipTestForm::WithCddbReason(const QString &message) const
{
    const QString reason = FromCddb(http_LastError());
    return reason.isEmpty() ? message : message + QStringLiteral("\nCause : ") + reason;
}

TfrmProgress &TCDRipTestForm::frmProgress()
{
    // The program creates it beside the window; a window on its own makes one when first asked.
    auto *progress = findChild<TfrmProgress *>(QString(), Qt::FindDirectChildrenOnly);
    if (!progress)
        progress = new TfrmProgress(this);
    progress->SetServer(&CddbServer);
    return *progress;
}

void TCDRipTestForm::btnCalcDiscIDClick()
{
    // The wait of a request runs the event loop: a tray closing or a second press must not start
    // a lookup inside it, where the library is busy and the progress window is the running one's.
    if (cddbRequestRunning_)
        return;
    const BusyScope busy(cddbRequestRunning_);

    if (ui->Label8->text() == kNoConnection && ui->activer->isChecked()) {
        const int entry = ui->Connexions->currentIndex();
        DialUp1.SetEntry(entry >= 0 ? ui->Connexions->itemText(entry) : QString());
        // The outcome is the dial-up handlers' to show; the query fails on its own without a route.
        WithDialUp([this] { DialUp1.Dial(); });
    }

    ui->lblDiscID->clear();
    TCdDriveList driveList{};
    GetCdRomDrives(&driveList);
    const int drive = ui->DriveSelBox->currentIndex();
    TCdToc toc{};
    // Ostrelle lists at most OSTRELLE_MAX_DRIVES drives; the ripping library lists them all.
    if (drive >= driveList.Count && drive < ui->DriveSelBox->count()) {
        SetStatusText(
            QStringLiteral("Ce lecteur ne peut pas être interrogé : la recherche ne voit que les %1 "
                           "premiers lecteurs.")
                .arg(driveList.Count));
        return;
    }
    std::optional<Disc> disc;
    if (drive >= 0 && drive < driveList.Count && !ReadCdTOC(&driveList.Drives[drive], &toc))
        disc = DiscOfToc(toc);
    if (!disc) {
        SetStatusText(QStringLiteral("Pas de CD dans le lecteur de Cd-Rom !"));
        return;
    }
    ui->lblDiscID->setText(disc->CddbIdText());
    ui->lblMusicBrainzID->setText(disc->MusicBrainzId());
    if (!StartCddbRequest())
        return;
    // Year, genre and identifiers are the match's: none is known until this lookup finds one.
    ForgetMatch();
    TakeTypedServices();

    TfrmProgress &progress = frmProgress();
    connect(&progress, &QDialog::rejected, this, &TCDRipTestForm::ProgressRejected, Qt::UniqueConnection);
    CddbSourceOptions cddbOptions;
    cddbOptions.Server = CddbServer;
    cddbOptions.Utf8 = cddbUtf8_;
    cddbOptions.ProgressWindow = progress.Handle();
    cddbOptions.BeforeRequest = [&progress, this](int kind) {
        progress.SetServer(&CddbServer);
        progress.Begin(kind);
    };
    CddbSource cddb(cddbOptions);
    if (!musicBrainz_)
        musicBrainz_ = std::make_unique<MusicBrainzClient>();
    musicBrainz_->SetOptions(MusicBrainz);
    // The caption names the service asked, as it names the CDDB server.
    CddbServerTexts service;
    service.Server = MusicBrainz.BaseUrl.host();
    musicBrainz_->OnProgress = [&progress, &service](MusicBrainzClient &, MusicBrainzPhase phase) {
        progress.SetServer(&service);
        progress.WndProc(WM_CDDB_PROGRESS, CDDB_REQUEST_QUERY, ProgressPhase(phase));
    };
    MusicBrainzSource musicBrainz(*musicBrainz_);
    lookupSources_.clear();
    const int source = ui->sourceinfos->currentIndex();
    if (source != kSourceMusicBrainz)
        lookupSources_.push_back(&cddb);
    if (source != kSourceCddb)
        lookupSources_.push_back(&musicBrainz);
    // The disc's own CD-Text, read with the track list, when the services know nothing of it.
    if (const std::optional<Disc> shown = ShownDisc(); shown && shown->SameTable(*disc))
        disc->SetContents(shown->Tracks(), shown->Catalog(), shown->CdText());
    CdTextSource cdText;
    if (!disc->CdText().Empty())
        lookupSources_.push_back(&cdText);

    requestInFlight_ = true;
    const LookupResult result = LookUpDisc(
        *disc, lookupSources_, {0, [this](const LookupResult &query) { return ChooseMatch(query); }});
    requestInFlight_ = false;
    lookupSources_.clear();
    musicBrainz_->OnProgress = nullptr;
    progress.SetServer(&CddbServer);
    if (closing_)
        return;
    progress.close();
    switch (result.Status) {
    case LookupStatus::Found:
        FillFromMatch(result.Metadata);
        break;
    case LookupStatus::NoneChosen:
    case LookupStatus::BadChoice:
        break;
    case LookupStatus::NoMatch:
    case LookupStatus::Failed:
    case LookupStatus::Abandoned:
        // One box per source asked, in order.
        for (const QString &message : result.Messages)
            ShowMessageBox(this, message);
        break;
    }
}

int TCDRipTestForm::ChooseMatch(const LookupResult &Query)
{
    TfrmMatches chooser(this);
    for (const MetadataMatch &match : Query.Matches)
        chooser.Controls()->LbMatches->addItem(match.Line());
    chooser.setWindowTitle(Query.Exact ? QStringLiteral("Correspondance exacte trouvée")
                                       : QStringLiteral("Correspondance incomplète trouvée"));
    // Closing the progress window while the user chooses abandons nothing: no request is under way.
    requestInFlight_ = false;
    chooser.exec();
    requestInFlight_ = true;
    if (chooser.Cancelled())
        SetStatusText(QStringLiteral("Aucune correspondance choisie : les noms restent tels quels."));
    return closing_ ? -1 : chooser.ItemIndex();
}

void TCDRipTestForm::ProgressRejected()
{
    // The lookup's own closes come after its requests; only the user's fall inside one.
    if (!requestInFlight_)
        return;
    for (MetadataSource *source : lookupSources_)
        source->Abort();
}

void TCDRipTestForm::FillFromMatch(const DiscMetadata &Names)
{
    match_ = Names;
    ui->lblArtist->setText(Names.Artist);
    ui->lblTitle->setText(Names.Album);
    // The rows are the disc's tracks; titles beyond them have nowhere to go. Everything a row showed
    // of an earlier match or rip is that one's: a row without a title has none ("?"), and no size.
    for (int i = 0; i < ui->ListView1->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = ui->ListView1->topLevelItem(i);
        const int track = TrackOfRow(i);
        const QString title = track == 0 ? Names.HiddenTrackTitle : Names.TitleOf(track);
        row->setText(kNameColumn, title.isEmpty() ? QStringLiteral("?") : title);
        if (row->columnCount() > kSizeColumn)
            row->setText(kSizeColumn, QString());
    }
    ForgetLastRip();
}

void TCDRipTestForm::ForgetMatch()
{
    match_ = DiscMetadata{};
    ForgetLastRip();
}

void TCDRipTestForm::Button1Click()
{
    if (cddbRequestRunning_)
        return;
    const BusyScope busy(cddbRequestRunning_);
    if (!StartCddbRequest())
        return;

    SiteRecords records;
    const CddbServerRecord server(CddbServer);
    TfrmProgress &progress = frmProgress();
    progress.Begin(CDDB_REQUEST_SITES);
    const int32_t found = http_sites(progress.Handle(), server.Record(), &records.list);
    if (closing_)
        return;
    switch (found) {
    case CDDB_FAILED:
        progress.close();
        ShowMessageBox(this, WithCddbReason(QStringLiteral("Erreur à l'obtention des sites")));
        break;
    case CDDB_OK:
        ui->LbServer->clear();
        for (int32_t i = 0; i < records.list.Count; ++i) {
            const QString line = FromCddb(records.list.Items[i]);
            if (line.contains(QStringLiteral("http")))
                ui->LbServer->addItem(line);
        }
        break;
    case CDDB_NO_SITES:
        progress.close();
        ShowMessageBox(this, WithCddbReason(QStringLiteral("Pas d'information de site")));
        break;
    default:
        break;
    }
}

void TCDRipTestForm::LbServerDblClick()
{
    const QList<QListWidgetItem *> selected = ui->LbServer->selectedItems();
    if (selected.isEmpty())
        return;
    // Taking half a line would leave an address no request can reach, and lose the one in use.
    const std::optional<SiteChoice> choice = ServerOfSiteLine(selected.first()->text());
    if (!choice)
        return;
    CddbServer.Server = choice->server;
    CddbServer.CgiPath = choice->cgiPath;
    ShowCddbServer();
}
