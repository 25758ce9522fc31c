// The rip command of the window: its rows, texts and progress bars over the engine's rip command,
// the WAV, MP3 and FLAC paths, the MP3 component's events, and the track list's select, rename and
// album information commands.

#include "quavrel/engine/bindings/cd_info_disc.h"
#include "quavrel/engine/rip/rip_texts.h"
#include "quavrel/naming/output_names.h"
#include "quavrel/window/album_info_form.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/message_box.h"
#include "quavrel/window/track_columns.h"
#include "ui_TAlbumInfoForm.h"
#include "ui_TCDRipTestForm.h"

#include <QLabel>

namespace {

bool IsTicked(const QTreeWidgetItem *item)
{
    return item && item->checkState(kNumberColumn) == Qt::Checked;
}

} // namespace

void TCDRipTestForm::ConnectRipControls()
{
    connect(ui->rippage, &QToolButton::clicked, this, &TCDRipTestForm::ripperlapisteauformatWav1Click);
    connect(ui->Ripperlaespistes1, &QAction::triggered, this,
            &TCDRipTestForm::ripperlapisteauformatWav1Click);
    connect(ui->Ripperlaespistes2, &QAction::triggered, this,
            &TCDRipTestForm::ripperlapisteauformatWav1Click);
    connect(ui->N1, &QAction::triggered, this, &TCDRipTestForm::N1Click);
    connect(ui->ToutSelectionner1, &QAction::triggered, this, &TCDRipTestForm::ToutSelectionner1Click);
    connect(ui->Renommerlapiste1, &QAction::triggered, this, &TCDRipTestForm::Renommerlapiste1Click);
    connect(ui->ListView1, &QTreeWidget::itemDoubleClicked, this, &TCDRipTestForm::Renommerlapiste1Click);
    connect(ui->Informationssurlalbum1, &QAction::triggered, this,
            &TCDRipTestForm::Informationssurlalbum1Click);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(ui->Informationssurlalbum1);

    CDRIP1.OnBeginTrack = [this](QObject *sender, uint16_t track) { CDRIP1BeginTrack(sender, track); };
    CDRIP1.OnProgress = [this](QObject *sender, uint16_t percent) { CDRIP1Progress(sender, percent); };
    CDRIP1.OnEndTrack = [this](QObject *sender, uint16_t track) { CDRIP1EndTrack(sender, track); };
    LameCoder1.OnBeginFile = [this](QObject *sender, uint16_t num, const QString &name) {
        LameCoder1BeginFile(sender, num, name);
    };
    LameCoder1.OnProgress = [this](QObject *sender, uint16_t percent) {
        LameCoder1Progress(sender, percent);
    };
    LameCoder1.OnEndProcess = [this](QObject *sender) { LameCoder1EndProcess(sender); };
}

int TCDRipTestForm::TickedRowCount() const
{
    int count = 0;
    for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row)
        count += IsTicked(ui->ListView1->topLevelItem(row)) ? 1 : 0;
    return count;
}

std::vector<int> TCDRipTestForm::TickedAudioTracks()
{
    std::vector<int> tracks;
    for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row)
        if (IsTicked(ui->ListView1->topLevelItem(row)) && IsAudioTrack(TrackOfRow(row)))
            tracks.push_back(TrackOfRow(row));
    return tracks;
}

void TCDRipTestForm::ResetProgressBars()
{
    ui->ProgressBar1->setValue(0);
    ui->ProgressBar2->setValue(0);
}

void TCDRipTestForm::MarkRowDone(int Row, const QString &FileName)
{
    if (QTreeWidgetItem *item = ui->ListView1->topLevelItem(Row)) {
        item->setCheckState(kNumberColumn, Qt::Unchecked);
        item->setText(kSizeColumn, SizeText(FileName));
    }
}

std::optional<Disc> TCDRipTestForm::ShownDisc() const
{
    if (!DiscInfoLoaded || CdInfo.TrackCount == 0)
        return std::nullopt;
    return DiscOf(CdInfo);
}

DiscMetadata TCDRipTestForm::RipMetadata() const
{
    const std::optional<Disc> disc = ShownDisc();
    const QString id = disc ? disc->CddbIdText() : QString();
    // The match's year, genre and identifiers are those of the disc it identified.
    DiscMetadata names = !match_.CddbDiscId.isEmpty() && match_.CddbDiscId == id ? match_ : DiscMetadata{};
    names.CddbDiscId = id;
    names.Artist = ui->lblArtist->text();
    names.Album = ui->lblTitle->text();
    const int rows = ui->ListView1->topLevelItemCount();
    names.Tracks.resize(std::max<size_t>(names.Tracks.size(), static_cast<size_t>(CdInfo.TrackCount)));
    for (int row = 0; row < rows; ++row) {
        // "?" is the list's word for a name nobody knows; the hidden track's caption is none either.
        const QString name = ui->ListView1->topLevelItem(row)->text(kNameColumn);
        const QString title = name == QLatin1String("?") || name == kHiddenTrackRowName ? QString() : name;
        const int track = TrackOfRow(row);
        if (track == 0)
            names.HiddenTrackTitle = title;
        else if (track >= 1 && static_cast<size_t>(track) <= names.Tracks.size())
            names.Tracks[static_cast<size_t>(track - 1)].Title = title;
    }
    return names;
}

EncoderChoice TCDRipTestForm::WindowEncoderChoice() const
{
    EncoderChoice choice;
    choice.OggQuality = ui->EncQualitySel->currentText().toInt();
    choice.SampleRate = static_cast<int>(LameCoder1.ReSampleRate());
    choice.Bitrate = static_cast<int>(LameCoder1.Bitrate());
    choice.MaxBitrate = static_cast<int>(LameCoder1.MaxBitrate());
    choice.Vbr = LameCoder1.EnableVBR();
    choice.Copyright = LameCoder1.Copyright();
    choice.Original = LameCoder1.Original();
    choice.Crc = LameCoder1.CRC();
    choice.FlacCompression = ui->FlacCompressionSel->currentText().toInt();
    return choice;
}

bool TCDRipTestForm::BeginRipCommand(const std::vector<int> &Planned)
{
    const std::optional<Disc> disc = ShownDisc();
    if (!disc)
        return false;
    TakeTypedServices();
    RipRequest request;
    request.Disc = *disc;
    request.Metadata = RipMetadata();
    request.Format = RipFormatOfSettings(ui->ComboBox1->currentIndex());
    request.Encoder = WindowEncoderChoice();
    request.OutputRoot = ui->Label3->text();
    request.ByArtist = ui->creerlesrepertoires->isChecked();
    request.Naming = {ui->numeropiste->isChecked(), ui->nomdepiste->isChecked()};
    request.Drive = ui->DriveSelBox->currentText();
    request.ReadOffset = ReadOffsetOf(request.Drive);
    request.AccurateRipServer = AccurateRipServer;
    request.Program = QStringLiteral("Quavrel " QUAVREL_VERSION);
    request.Tracks = Planned;
    request.Workers = workers_;
    if (secureAction_->isChecked()) {
        request.Secure = {secureTries_, secureMatches_, kCacheEvictSectors};
        request.Secure.Cache = DriveCacheOfWord(driveCaches_.value(request.Drive).toStdString());
    }
    command_ = std::make_unique<DiscRip>(ripSource_, &accurateRip_);
    PrepareRipCommand(request);
    RipError error;
    if (!command_->Begin(request, error)) {
        command_.reset();
        SetStatusText(RipErrorText(error));
        return false;
    }
    OutputDirectory = command_->Folder();
    return true;
}

TrackRip TCDRipTestForm::RipThroughCommand(int TrackNum, const std::function<void(int32_t)> &Progress)
{
    OutputBaseName = command_->BaseNameOf(TrackNum);
    const bool ripping = RipInProgress;
    RipInProgress = true;
    lastRip_ = command_->RipTrack(TrackNum, Progress);
    RipInProgress = ripping;
    verifyNote_->setVisible(lastRip_.Done());
    if (lastRip_.Done()) {
        ReportTrack shown;
        shown.Number = TrackNum;
        shown.Checksummed = lastRip_.Checksummed;
        shown.Verdict = lastRip_.Verdict;
        verifyNote_->setText(TrackVerdictText(shown));
        verifyNote_->show();
    }
    return lastRip_;
}

void TCDRipTestForm::EndRipCommand()
{
    if (!command_)
        return;
    // What a secure rip measured of the drive's cache is kept for its next rips.
    if (const DriveCache found = command_->CacheFound(); found != DriveCache::Unknown)
        driveCaches_.insert(command_->Request().Drive, QString::fromLatin1(DriveCacheWord(found)));
    const QStringList problems = command_->Finish();
    if (!problems.isEmpty())
        SetStatusText(problems.join(QLatin1Char(' ')));
    command_.reset();
}

void TCDRipTestForm::ripperlapisteauformatWav1Click()
{
    // The rips process events: a second click must not start a rip inside the running one.
    if (ripCommandRunning_)
        return;
    ripCommandRunning_ = true;
    CancelRequested = false;
    switch (ui->ComboBox1->currentIndex()) {
    case kFormatOgg:
        BeginRipCommand(TickedAudioTracks());
        btnRip_EncodeClick();
        break;
    case kFormatMp3:
        RipMp3Rows();
        break;
    case kFormatWav:
        RipWavRows();
        break;
    case kFormatFlac:
        RipFlacRows();
        break;
    case kFormatOpus:
        RipOpusRows();
        break;
    default:
        break;
    }
    EndRipCommand();
    ui->ProgressBar2->setMaximum(1);
    ui->ProgressBar2->setValue(0);
    ripCommandRunning_ = false;
}

void TCDRipTestForm::RipWavRows()
{
    ui->ProgressBar2->setMaximum(1);
    ui->ProgressBar2->setValue(0);
    if (ui->ListView1->topLevelItemCount() == 0 || !BeginRipCommand(TickedAudioTracks()))
        return;
    ui->ProgressBar2->setMaximum(ui->ProgressBar2->maximum() + TickedRowCount());
    // Rows are looked up again after each rip: a medium removal empties the list meanwhile.
    for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row) {
        if (!IsTicked(ui->ListView1->topLevelItem(row)))
            continue;
        if (CancelRequested) {
            ResetProgressBars();
            return;
        }
        CurrentRipTrack = TrackOfRow(row);
        OutputBaseName = command_->BaseNameOf(CurrentRipTrack);
        ui->ProgressBar2->setValue(ui->ProgressBar2->value() + 1);
        lastRip_ = TrackRip{};
        btnRipTrackClick();
        // Only a complete file counts: a cancelled or failed track stays ticked for another try.
        if (lastRip_.Done())
            MarkRowDone(row, lastRip_.File);
    }
}

void TCDRipTestForm::btnRipTrackClick()
{
    if (!CDRipReady()) {
        SetStatusText(QStringLiteral("CDRip3.DLL non prête."));
        return;
    }
    if (!IsAudioCDReady() || RipInProgress)
        return;
    switch (SetRipParameters(CdromSettings)) {
    case RipParameters::Unreadable:
        SetStatusText(QStringLiteral("Erreur à l'obtention des paramètres CDROM"));
        break;
    case RipParameters::Set:
        SetStatusText(QStringLiteral("Paramètres CDROM OK"));
        break;
    case RipParameters::Refused:
        SetStatusText(QStringLiteral("Erreur de paramètres CDROM"));
        break;
    }

    CancelRequested = false;
    const int32_t result = RipChunk(static_cast<uint8_t>(CurrentRipTrack));
    if (result == CDRIP_JITTER_ERROR) {
        SetStatusText(RepairedText(QStringLiteral("Jitter erreur(s) pendant Rippage"), lastRip_.Report));
    } else if (result == CDRIP_ERROR) {
        // RipChunk's own reason (a data track, a file that cannot be written) says more.
        if (!ripFailureShown_)
            SetStatusText(QStringLiteral("Erreur(s) pendant Rippage"));
    } else if (CancelRequested) {
        SetStatusText(QStringLiteral("Processus de Rippage abandonné sans erreur"));
        ResetProgressBars();
    } else {
        SetStatusText(QStringLiteral("Rippage correctement exécuté "));
        ui->ProgressBar1->setValue(0);
    }
}

int32_t TCDRipTestForm::RipChunk(uint8_t TrackNum)
{
    ripFailureShown_ = true;
    // 0 is the hidden track, when the disc has one.
    if ((TrackNum == 0 && !IsAudioTrack(0)) || TrackNum > CdInfo.TrackCount) {
        SetStatusText(QStringLiteral("Erreur : Mauvais numéro de piste"));
        return CDRIP_ERROR;
    }
    if (!IsAudioTrack(TrackNum)) {
        SetStatusText(QStringLiteral("Erreur : pas de piste Audio"));
        return CDRIP_ERROR;
    }
    if (!command_ && !BeginRipCommand())
        return CDRIP_ERROR;
    const TrackRip rip = RipThroughCommand(TrackNum, [this, TrackNum](int32_t percent) {
        SetStatusText(QStringLiteral("Rippage piste %1 : %2% fait").arg(TrackNum).arg(percent));
        ui->ProgressBar1->setValue(percent);
    });
    switch (rip.Report.Outcome) {
    case RipOutcome::Done:
        ripFailureShown_ = false;
        return rip.Report.RepairedSectors > 0 ? CDRIP_JITTER_ERROR : CDRIP_OK;
    case RipOutcome::Damaged:
        SetStatusText(DamagedTrackText(rip));
        return CDRIP_ERROR;
    case RipOutcome::Cancelled:
        ripFailureShown_ = false;
        return CDRIP_OK;
    case RipOutcome::Failed:
        break;
    }
    SetStatusText(RipFailureText(QStringLiteral("Rippage de la piste %1").arg(TrackNum), rip.Report.Error));
    return CDRIP_ERROR;
}

void TCDRipTestForm::RipMp3Rows()
{
    const bool ready = BeginRipCommand(TickedAudioTracks());
    ui->ProgressBar2->setMaximum(1);
    ui->ProgressBar2->setValue(0);
    ui->ProgressBar2->setMaximum(ui->ProgressBar2->maximum() + TickedRowCount());
    if (!ready)
        return;
    // The ripper component's events say it, in their own texts.
    RipEncodedRows(
        QStringLiteral("mp3"), [this](int track) { CDRIP1BeginTrack(&CDRIP1, static_cast<uint16_t>(track)); },
        [this](int, int32_t percent) { CDRIP1Progress(&CDRIP1, static_cast<uint16_t>(percent)); },
        [this](int track) { CDRIP1EndTrack(&CDRIP1, static_cast<uint16_t>(track)); });
}

void TCDRipTestForm::RipFlacRows()
{
    RipRowsWithStatus(QStringLiteral("flac"));
}

void TCDRipTestForm::RipOpusRows()
{
    RipRowsWithStatus(QStringLiteral("opus"));
}

void TCDRipTestForm::RipRowsWithStatus(const QString &Name)
{
    ui->ProgressBar2->setMaximum(1);
    ui->ProgressBar2->setValue(0);
    if (!CDRipReady()) {
        SetStatusText(QStringLiteral("CDRip3.DLL non prête."));
        return;
    }
    if (!IsAudioCDReady() || RipInProgress || !BeginRipCommand(TickedAudioTracks()))
        return;
    TCDRomParams parameters{};
    SetRipParameters(parameters);
    ui->ProgressBar2->setMaximum(ui->ProgressBar2->maximum() + TickedRowCount());
    RipEncodedRows(
        Name, [](int) {},
        [this, Name](int track, int32_t percent) {
            SetStatusText(QStringLiteral("Rippage & encodage %1 de la piste %2 : %3% fait")
                              .arg(Name)
                              .arg(track)
                              .arg(percent));
            ui->ProgressBar1->setValue(percent);
        },
        [this](int) {
            SetStatusText(QStringLiteral("Rippage & encodage correctement aboutis"));
            ui->ProgressBar1->setValue(0);
        });
}

void TCDRipTestForm::RipEncodedRows(const QString &Name, const std::function<void(int Track)> &Begin,
                                    const std::function<void(int Track, int32_t Percent)> &Progress,
                                    const std::function<void(int Track)> &End)
{
    // Rows are looked up again after each track: a medium removal empties the list meanwhile.
    for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row) {
        if (!IsTicked(ui->ListView1->topLevelItem(row)))
            continue;
        if (CancelRequested) {
            ResetProgressBars();
            return;
        }
        const int track = TrackOfRow(row);
        // A data track would come out as a file of noise: refused like the Ogg path does.
        if (!IsAudioTrack(track)) {
            SetStatusText(QStringLiteral("Piste non audio - Piste %1").arg(track));
            ui->ProgressBar2->setValue(ui->ProgressBar2->value() + 1);
            continue;
        }
        Begin(track);
        const TrackRip rip =
            RipThroughCommand(track, [&Progress, track](int32_t percent) { Progress(track, percent); });
        const QString what = QStringLiteral("Rippage & encodage %1 de la piste %2").arg(Name).arg(track);
        switch (rip.Report.Outcome) {
        case RipOutcome::Done:
            End(track);
            if (rip.Report.RepairedSectors > 0)
                SetStatusText(RepairedText(what, rip.Report));
            else if (rip.Report.Secure)
                SetStatusText(what + QStringLiteral(" : ") + SecureQualityText(rip));
            MarkRowDone(row, rip.File);
            break;
        case RipOutcome::Damaged:
            // Not a complete file: the row stays ticked for another try.
            ui->ProgressBar1->setValue(0);
            SetStatusText(DamagedTrackText(rip));
            break;
        case RipOutcome::Cancelled:
            SetStatusText(QStringLiteral("Rippage & encodage %1 abandonnés").arg(Name));
            ResetProgressBars();
            break;
        case RipOutcome::Failed:
            ui->ProgressBar1->setValue(0);
            SetStatusText(RipFailureText(what, rip.Report.Error));
            break;
        }
        ui->ProgressBar2->setValue(ui->ProgressBar2->value() + 1);
    }
}

bool TCDRipTestForm::RipRunning() const
{
    return RipInProgress || ripCommandRunning_;
}

void TCDRipTestForm::CDRIP1BeginTrack(QObject *, uint16_t TrackNum)
{
    SetStatusText(QStringLiteral("Rippage & encodage mp3 de la piste %1").arg(TrackNum));
}

void TCDRipTestForm::CDRIP1Progress(QObject *, uint16_t PercentComplete)
{
    ui->ProgressBar1->setValue(PercentComplete);
    SetStatusText(QStringLiteral("Rippage & encodage mp3 de la piste:%1%").arg(PercentComplete));
}

void TCDRipTestForm::CDRIP1EndTrack(QObject *, uint16_t)
{
    SetStatusText(QStringLiteral("Rippage & encodage correctement aboutis"));
    ui->ProgressBar1->setValue(0);
}

void TCDRipTestForm::LameCoder1BeginFile(QObject *, uint16_t, const QString &)
{
    SetStatusText(QStringLiteral("Rippage & encodage mp3 de la piste"));
}

void TCDRipTestForm::LameCoder1Progress(QObject *, uint16_t PercentComplete)
{
    ui->ProgressBar1->setValue(PercentComplete);
}

void TCDRipTestForm::LameCoder1EndProcess(QObject *)
{
    ui->ProgressBar1->setValue(0);
}

void TCDRipTestForm::btnCancelRipClick()
{
    CancelRequested = true;
    CDRIP1.CancelRip();
    if (command_)
        command_->Cancel();
}

void TCDRipTestForm::N1Click()
{
    for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row)
        ui->ListView1->topLevelItem(row)->setCheckState(kNumberColumn, Qt::Unchecked);
}

void TCDRipTestForm::ToutSelectionner1Click()
{
    for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row)
        ui->ListView1->topLevelItem(row)->setCheckState(kNumberColumn, Qt::Checked);
}

void TCDRipTestForm::Renommerlapiste1Click()
{
    QTreeWidgetItem *item = ui->ListView1->currentItem();
    if (!item || !item->isSelected()) {
        const QList<QTreeWidgetItem *> selected = ui->ListView1->selectedItems();
        item = selected.isEmpty() ? nullptr : selected.first();
    }
    if (!item)
        return;
    item->setText(kNameColumn,
                  InputBox(this, QStringLiteral("Nom de la piste"), QString(), item->text(kNameColumn)));
}

TAlbumInfoForm *TCDRipTestForm::AlbumInfoForm()
{
    if (auto *form = findChild<TAlbumInfoForm *>(QString(), Qt::FindDirectChildrenOnly))
        return form;
    return new TAlbumInfoForm(this);
}

void TCDRipTestForm::Informationssurlalbum1Click()
{
    TAlbumInfoForm *form = AlbumInfoForm();
    connect(form, &QDialog::accepted, this, &TCDRipTestForm::AlbumInfoAccepted, Qt::UniqueConnection);
    QTreeWidgetItem *item = ui->ListView1->currentItem();
    albumInfoRow_ = item ? ui->ListView1->indexOfTopLevelItem(item) : -1;
    Ui::TAlbumInfoForm *edits = form->Controls();
    edits->strArtist->setText(ui->lblArtist->text());
    edits->strAlbum->setText(ui->lblTitle->text());
    const QString name = item ? item->text(kNameColumn) : QString();
    edits->strTitle->setText(name == QLatin1String("?") ? QString() : name);
    edits->strTrackNum->setText(item ? item->text(kNumberColumn) : QString());
    form->open();
}

void TCDRipTestForm::AlbumInfoAccepted()
{
    const Ui::TAlbumInfoForm *edits = AlbumInfoForm()->Controls();
    ui->lblArtist->setText(edits->strArtist->text());
    ui->lblTitle->setText(edits->strAlbum->text());
    // The row the dialog was opened for, if the list still has it; an empty title is no name.
    if (QTreeWidgetItem *item = albumInfoRow_ >= 0 ? ui->ListView1->topLevelItem(albumInfoRow_) : nullptr) {
        const QString title = edits->strTitle->text();
        item->setText(kNameColumn, title.trimmed().isEmpty() ? QStringLiteral("?") : title);
    }
    albumInfoRow_ = -1;
}
