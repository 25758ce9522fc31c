// The disc lookup (CDDB, then MusicBrainz as the user chose), the CDDB server's list of mirror sites and the
// choice of a server.

#include "ostrelle/ostrelle.h"
#include "quavrel/engine/tags/track_tags.h"
#include "quavrel/metadata/cddb/ansi_text.h"
#include "quavrel/metadata/cddb/cddb_server.h"
#include "quavrel/metadata/cddb/cddb_server_record.h"
#include "quavrel/metadata/musicbrainz/musicbrainz_disc_id.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/matches_form.h"
#include "quavrel/window/message_box.h"
#include "quavrel/window/progress_form.h"
#include "ui_TCDRipTestForm.h"

#include <algorithm>
#include <optional>

namespace {

const QString kNoConnection = QStringLiteral("&Connexion active: aucune");

// The records of one lookup, released whatever path the lookup takes once it has asked.
struct LookupRecords {
    TCDDBQuery query{};
    TDiscInfo info{};
    LookupRecords() = default;
    LookupRecords(const LookupRecords &) = delete;
    LookupRecords &operator=(const LookupRecords &) = delete;
    ~LookupRecords()
    {
        FreeDiscInfo(&info);
        FreeCddbQuery(&query);
    }
};

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

} // namespace

void TCDRipTestForm::ConnectLookupControls()
{
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
    return FromCddbText(text, cddbUtf8_);
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
    if (drive < 0 || drive >= driveList.Count || ReadCdTOC(&driveList.Drives[drive], &toc)) {
        SetStatusText(QStringLiteral("Pas de CD dans le lecteur de Cd-Rom !"));
        return;
    }
    ui->lblDiscID->setText(QStringLiteral("%1").arg(CalcDiscID(&toc), 8, 16, QLatin1Char('0')));
    const std::optional<DiscLayout> layout = LayoutOfToc(toc);
    ui->lblMusicBrainzID->setText(layout ? DiscIdOf(*layout).Id : QString());
    abandoned_ = false;

    const int source = ui->sourceinfos->currentIndex();
    QString cddbMessage;
    if (source != kSourceMusicBrainz) {
        const LookupEnd end = LookupCddb(toc, cddbMessage);
        if (closing_ || end != LookupEnd::NothingFound)
            return;
        // The user who abandoned the request is told so, and asked nothing more.
        if (source == kSourceCddb || abandoned_) {
            ShowMessageBox(this, cddbMessage);
            return;
        }
    }
    QString musicBrainzMessage;
    const LookupEnd end = LookupMusicBrainz(toc, musicBrainzMessage);
    if (closing_ || end != LookupEnd::NothingFound)
        return;
    // Neither source knows the disc: CDDB's word first, as when it is asked alone.
    if (!cddbMessage.isEmpty())
        ShowMessageBox(this, cddbMessage);
    ShowMessageBox(this, musicBrainzMessage);
}

TCDRipTestForm::LookupEnd TCDRipTestForm::LookupCddb(const TCdToc &Toc, QString &Message)
{
    if (!StartCddbRequest())
        return LookupEnd::Stopped;

    LookupRecords records;
    const CddbServerRecord server(CddbServer);
    TfrmProgress &progress = frmProgress();
    WatchAbandon(progress);
    progress.Begin(CDDB_REQUEST_QUERY);
    int32_t found = CDDB_FAILED;
    {
        const BusyScope inFlight(requestInFlight_);
        found = http_query(progress.Handle(), server.Record(), &Toc, &records.query);
    }
    if (closing_)
        return LookupEnd::Stopped;
    const TCddbMatch *match = nullptr;
    switch (found) {
    case CDDB_EXACT:
        if (records.query.Count > 0)
            match = &records.query.Matches[0];
        break;
    case CDDB_EXACT_MULTIPLE:
    case CDDB_INEXACT: {
        TfrmMatches chooser(this, records.query, cddbUtf8_);
        chooser.setWindowTitle(found == CDDB_INEXACT ? QStringLiteral("Correspondance incomplète trouvée")
                                                     : QStringLiteral("Correspondance exacte trouvée"));
        chooser.exec();
        const int chosen = chooser.ItemIndex();
        if (chosen < 0) {
            progress.close();
            return LookupEnd::Stopped;
        }
        match = &records.query.Matches[chosen];
        break;
    }
    case CDDB_NO_MATCH:
        progress.close();
        Message = QStringLiteral("Pas de correspondance trouvée pour DiscID: ") + ui->lblDiscID->text();
        return LookupEnd::NothingFound;
    case CDDB_CORRUPT:
        progress.close();
        Message = WithCddbReason(QStringLiteral("Entrée Database entry corrompue!"));
        return LookupEnd::NothingFound;
    default:
        break;
    }
    // A failure, a refused handshake or any answer without a match: reading an empty match would
    // only ask the server for nothing.
    if (!match) {
        Message = WithCddbReason(QStringLiteral("Erreur pendant la récupération des données!"));
        progress.close();
        return LookupEnd::NothingFound;
    }

    progress.Begin(CDDB_REQUEST_READ);
    int32_t read = CDDB_FAILED;
    {
        const BusyScope inFlight(requestInFlight_);
        read = http_read(progress.Handle(), server.Record(), match, &records.info);
    }
    if (closing_)
        return LookupEnd::Stopped;
    switch (read) {
    case CDDB_OK: {
        const char *year = nullptr;
        const char *genre = nullptr;
        http_LastEntryYearGenre(&year, &genre);
        entryYear_ = FromCddb(year).trimmed();
        entryGenre_ = GenreOf(FromCddb(genre), FromCddb(match->Category));
        entryDiscId_ = ui->lblDiscID->text();
        FillFromDiscInfo(records.info);
        return LookupEnd::Filled;
    }
    case CDDB_ENTRY_NOT_FOUND:
        Message = WithCddbReason(QStringLiteral("Entrée CDDB non trouvée!"));
        break;
    case CDDB_CORRUPT:
        Message = WithCddbReason(QStringLiteral("Entrée Database corrompue!"));
        break;
    case CDDB_SERVER_ERROR:
        Message = WithCddbReason(QStringLiteral("Erreur serveur!"));
        break;
    default:
        // A failure, or an answer without an entry: the window keeps its names.
        Message = WithCddbReason(QStringLiteral("Erreur pendant la récupération des données CDDB!"));
        break;
    }
    progress.close();
    return LookupEnd::NothingFound;
}

void TCDRipTestForm::FillFromDiscInfo(const TDiscInfo &Info)
{
    ui->lblArtist->setText(FromCddb(Info.Artist));
    ui->lblTitle->setText(FromCddb(Info.Title));
    // The rows are the disc's tracks; titles beyond them have nowhere to go, and rows beyond the
    // titles keep their names.
    const int rows = std::min(static_cast<int>(Info.Count), ui->ListView1->topLevelItemCount());
    for (int i = 0; i < rows; ++i)
        ui->ListView1->topLevelItem(i)->setText(1, FromCddb(Info.TrackTitles[i]));
    // Names from CDDB are no MusicBrainz release's.
    for (int i = 0; i < ui->ListView1->topLevelItemCount(); ++i)
        ClearRowMusicBrainzIds(*ui->ListView1->topLevelItem(i));
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
