// The rip command: ticked rows to WAV, MP3 (through CDRIP1), Ogg or FLAC, each track through the rip
// pipeline; its progress, its cancel, and the track list's select, rename and album information
// commands.

#include "quavrel/engine/formats/wav_sink.h"
#include "quavrel/naming/output_names.h"
#include "quavrel/window/album_info_form.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/message_box.h"
#include "quavrel/window/rip_outcome_texts.h"
#include "quavrel/window/track_columns.h"
#include "ui_TAlbumInfoForm.h"
#include "ui_TCDRipTestForm.h"

#include <exception>

#include <QDir>

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

void TCDRipTestForm::MakeOutputDirectory()
{
    OutputDirectory = OutputDirectoryFor(ui->Label3->text(), ui->creerlesrepertoires->isChecked(),
                                         ui->lblArtist->text(), ui->lblTitle->text());
    // A directory that cannot be made shows up as files that cannot be written, each named.
    QDir().mkpath(OutputDirectory);
}

QString TCDRipTestForm::OutputFileFor(int Row, const QString &Extension)
{
    const QTreeWidgetItem *item = ui->ListView1->topLevelItem(Row);
    const QString base = OutputBaseNameFor(Row + 1, item ? item->text(kNameColumn) : QString(),
                                           ui->numeropiste->isChecked(), ui->nomdepiste->isChecked());
    // Two tracks of one command never share a file: "Intro", "Intro (2)".
    OutputBaseName = commandNames_.Claim(base);
    return OutputDirectory + QDir::separator() + OutputBaseName + Extension;
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

void TCDRipTestForm::ripperlapisteauformatWav1Click()
{
    // The rips process events: a second click must not start a rip inside the running one.
    if (ripCommandRunning_)
        return;
    ripCommandRunning_ = true;
    CancelRequested = false;
    commandNames_ = UniqueNames();
    BeginVerifiedCommand();
    switch (ui->ComboBox1->currentIndex()) {
    case kFormatOgg:
        MakeOutputDirectory();
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
    default:
        break;
    }
    WriteRipReports();
    ui->ProgressBar2->setMaximum(1);
    ui->ProgressBar2->setValue(0);
    ripCommandRunning_ = false;
}

void TCDRipTestForm::RipWavRows()
{
    ui->ProgressBar2->setMaximum(1);
    ui->ProgressBar2->setValue(0);
    if (ui->ListView1->topLevelItemCount() == 0)
        return;
    MakeOutputDirectory();
    ui->ProgressBar2->setMaximum(ui->ProgressBar2->maximum() + TickedRowCount());
    // Rows are looked up again after each rip: a medium removal empties the list meanwhile.
    for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row) {
        if (!IsTicked(ui->ListView1->topLevelItem(row)))
            continue;
        if (CancelRequested) {
            ResetProgressBars();
            return;
        }
        CurrentRipTrack = row + 1;
        const QString fileName = OutputFileFor(row, QStringLiteral(".wav"));
        ui->ProgressBar2->setValue(ui->ProgressBar2->value() + 1);
        lastRip_ = RipReport{};
        btnRipTrackClick();
        // Only a complete file counts: a cancelled or failed track stays ticked for another try.
        if (lastRip_.Outcome == RipOutcome::Done)
            MarkRowDone(row, fileName);
    }
}

void TCDRipTestForm::RipMp3Rows()
{
    MakeOutputDirectory();
    ui->ProgressBar2->setMaximum(1);
    ui->ProgressBar2->setValue(0);
    ui->ProgressBar2->setMaximum(ui->ProgressBar2->maximum() + TickedRowCount());
    for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row) {
        if (!IsTicked(ui->ListView1->topLevelItem(row)))
            continue;
        if (CancelRequested) {
            ResetProgressBars();
            return;
        }
        // A data track would come out as an MP3 of noise: refused like the Ogg path does.
        const int track = row + 1;
        if (track > CdInfo.TrackCount || CdInfo.Slot(track).IsAudio != 1) {
            SetStatusText(QStringLiteral("Piste non audio - Piste %1").arg(track));
            ui->ProgressBar2->setValue(ui->ProgressBar2->value() + 1);
            continue;
        }
        const QString fileName = OutputFileFor(row, QStringLiteral(".mp3"));
        // The component reads its track list when its drive changes, not when another disc
        // arrives in the same drive: the range comes from the disc the list shows, with the
        // events RipTrack fires.
        int32_t first = 0;
        int32_t last = 0;
        TrackRange(track, first, last);
        if (CDRIP1.OnBeginTrack)
            CDRIP1.OnBeginTrack(&CDRIP1, static_cast<uint16_t>(track));
        RipInProgress = true;
        CDRIP1.SetTags(TrackTagsFor(track));
        bool ripped = false;
        TrackChecksums sums = ChecksumsFor(track);
        CDRIP1.SetReadOffset(DriveReadOffset());
        CDRIP1.SetPcmHook([&sums](const uint8_t *pcm, size_t bytes) { sums.Feed(pcm, bytes); });
        const struct Unhook {
            TCDRIP &ripper;
            ~Unhook() { ripper.SetPcmHook({}); }
        } unhook{CDRIP1};
        try {
            CDRIP1.RipSectors(first, last, fileName);
            ripped = true;
        } catch (const ECDRIPWriteError &error) {
            // A file that cannot be written is this track's failure; the others still get theirs.
            ui->ProgressBar1->setValue(0);
            SetStatusText(FailedText(QStringLiteral("Rippage & encodage mp3 de la piste %1").arg(track),
                                     error.Reason()));
        } catch (const std::exception &error) {
            // Reported, never let through the event loop.
            RipInProgress = false;
            ResetProgressBars();
            ShowErrorBox(this, QString::fromUtf8(error.what()));
            return;
        }
        RipInProgress = false;
        CDRIP1.SetTags(TrackTags{});
        if (ripped) {
            const RipReport &report = CDRIP1.LastRip();
            if (report.Outcome == RipOutcome::Done) {
                if (CDRIP1.OnEndTrack)
                    CDRIP1.OnEndTrack(&CDRIP1, static_cast<uint16_t>(track));
                if (HasDamage(report))
                    SetStatusText(DamagedText(
                        QStringLiteral("Rippage & encodage mp3 de la piste %1").arg(track), report));
                RecordVerifiedTrack(track, first, last, fileName, report, sums,
                                    CDRIP1.OutputFormat() == TOutputFormat::STEREO44100);
                MarkRowDone(row, fileName);
            } else if (report.Outcome == RipOutcome::Cancelled) {
                SetStatusText(QStringLiteral("Rippage & encodage mp3 abandonnés"));
                ResetProgressBars();
            } else {
                ui->ProgressBar1->setValue(0);
                SetStatusText(FailedText(QStringLiteral("Rippage & encodage mp3 de la piste %1").arg(track),
                                         report.Error));
            }
        }
        ui->ProgressBar2->setValue(ui->ProgressBar2->value() + 1);
    }
}

void TCDRipTestForm::TrackRange(int TrackNum, int32_t &First, int32_t &Last) const
{
    // Up to the sector before the next track: the next track's pre-gap comes with this one.
    First = MSFToLBA(CdInfo.Slot(TrackNum).StartMSF);
    Last = (TrackNum >= CdInfo.TrackCount ? MSFToLBA(CdInfo.LeadOut)
                                          : MSFToLBA(CdInfo.Slot(TrackNum + 1).StartMSF)) -
           1;
}

void TCDRipTestForm::btnRipTrackClick()
{
    if (!CDRipReady()) {
        SetStatusText(QStringLiteral("CDRip3.DLL non prête."));
        return;
    }
    if (!IsAudioCDReady() || RipInProgress)
        return;
    cdrip3::CR_StopPlayTrack();
    if (cdrip3::CR_GetCDROMParameters(&CdromSettings) != CDRIP_OK) {
        SetStatusText(QStringLiteral("Erreur à l'obtention des paramètres CDROM"));
    } else {
        CdromSettings.JitterCorrection = -1;
        CdromSettings.UseParanoiaMode = 1;
        CdromSettings.ParanoiaMode = 0xDF;
        SetStatusText(cdrip3::CR_SetCDROMParameters(&CdromSettings) == CDRIP_OK
                          ? QStringLiteral("Paramètres CDROM OK")
                          : QStringLiteral("Erreur de paramètres CDROM"));
    }

    CancelRequested = false;
    const int32_t result = RipChunk(static_cast<uint8_t>(CurrentRipTrack));
    if (result == CDRIP_JITTER_ERROR) {
        SetStatusText(DamagedText(QStringLiteral("Jitter erreur(s) pendant Rippage"), lastRip_));
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
    if (TrackNum == 0 || TrackNum > CdInfo.TrackCount) {
        SetStatusText(QStringLiteral("Erreur : Mauvais numéro de piste"));
        return CDRIP_ERROR;
    }
    if (CdInfo.Slot(TrackNum).IsAudio != 1) {
        SetStatusText(QStringLiteral("Erreur : pas de piste Audio"));
        return CDRIP_ERROR;
    }
    int32_t first = 0;
    int32_t last = 0;
    TrackRange(TrackNum, first, last);
    const QString fileName = OutputDirectory + QDir::separator() + OutputBaseName + QStringLiteral(".wav");

    // Always 44100 Hz stereo, whatever the ripper component's own format.
    WavSink sink(2, 44100);
    RipCallbacks callbacks;
    callbacks.Progress = [this, TrackNum](int32_t percent) {
        SetStatusText(QStringLiteral("Rippage piste %1 : %2% fait").arg(TrackNum).arg(percent));
        ui->ProgressBar1->setValue(percent);
    };
    RipInProgress = true;
    lastRip_ = RunPipeline(first, last, sink, fileName, callbacks);
    RipInProgress = false;

    switch (lastRip_.Outcome) {
    case RipOutcome::Done:
        ripFailureShown_ = false;
        return HasDamage(lastRip_) ? CDRIP_JITTER_ERROR : CDRIP_OK;
    case RipOutcome::Cancelled:
        ripFailureShown_ = false;
        return CDRIP_OK;
    case RipOutcome::Failed:
        break;
    }
    SetStatusText(lastRip_.OpenFailed
                      ? QStringLiteral("Erreur : CDRIP Erreur")
                      : FailedText(QStringLiteral("Rippage de la piste %1").arg(TrackNum), lastRip_.Error));
    return CDRIP_ERROR;
}

RipReport TCDRipTestForm::RunPipeline(int32_t First, int32_t Last, AudioSink &Sink, const QString &FileName,
                                      const RipCallbacks &Callbacks)
{
    RipPipeline pipeline(ripSource_);
    ripPipeline_ = &pipeline;
    // A cancel that came before the pipeline existed still stops it.
    if (CancelRequested)
        pipeline.Cancel();
    // Both paths rip a track from its first sector, through the drive's read offset.
    const int track = TrackStartingAt(First);
    TrackChecksums sums = ChecksumsFor(track);
    RipCallbacks callbacks = Callbacks;
    callbacks.Pcm = [&sums](const uint8_t *pcm, size_t bytes) { sums.Feed(pcm, bytes); };
    pipeline.SetReadOffset(DriveReadOffset());
    RipReport report = pipeline.Rip(First, Last, Sink, FileName, callbacks, QStringLiteral(".jitt"));
    ripPipeline_ = nullptr;
    if (report.Outcome == RipOutcome::Done)
        RecordVerifiedTrack(track, First, Last, FileName, report, sums, true);
    return report;
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
    if (ripPipeline_)
        ripPipeline_->Cancel();
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
