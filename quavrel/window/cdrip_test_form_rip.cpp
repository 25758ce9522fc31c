// The rip command: ticked rows to WAV (read here), MP3 (through CDRIP1) or Ogg (the Ogg path);
// its progress, its cancel, and the track list's select, rename and album information commands.

#include "album_info_form.h"
#include "cdrip_test_form.h"
#include "message_box.h"
#include "output_names.h"
#include "ui_TAlbumInfoForm.h"
#include "ui_TCDRipTestForm.h"
#include "wav_header.h"

#include <algorithm>
#include <exception>
#include <new>
#include <string_view>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

constexpr int kNameColumn = 1;
constexpr int kSizeColumn = 4;

bool IsTicked(const QTreeWidgetItem *item)
{
    return item && item->checkState(0) == Qt::Checked;
}

QString FileErrorText(const QString &path)
{
    return QStringLiteral("Erreur : impossible d'écrire le fichier ") + QDir::toNativeSeparators(path);
}

bool WriteAll(QFile &file, const void *data, qint64 size)
{
    return file.write(static_cast<const char *>(data), size) == size;
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
    OutputBaseName = OutputBaseNameFor(Row + 1, item ? item->text(kNameColumn) : QString(),
                                       ui->numeropiste->isChecked(), ui->nomdepiste->isChecked());
    return OutputDirectory + QDir::separator() + OutputBaseName + Extension;
}

void TCDRipTestForm::ResetProgressBars()
{
    ui->ProgressBar1->setValue(0);
    ui->ProgressBar2->setValue(0);
}

void TCDRipTestForm::ripperlapisteauformatWav1Click()
{
    // The rips pump events: a second click must not start a rip inside the running one.
    if (ripCommandRunning_)
        return;
    ripCommandRunning_ = true;
    CancelRequested = false;
    switch (ui->ComboBox1->currentIndex()) {
    case 0:
        MakeOutputDirectory();
        btnRip_EncodeClick();
        break;
    case 1:
        RipMp3Rows();
        break;
    case 2:
        RipWavRows();
        break;
    default:
        break;
    }
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
        btnRipTrackClick();
        if (QTreeWidgetItem *item = ui->ListView1->topLevelItem(row)) {
            item->setCheckState(0, Qt::Unchecked);
            item->setText(kSizeColumn, SizeText(fileName));
        }
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
        if (row + 1 > CdInfo.TrackCount || CdInfo.Slot(row + 1).IsAudio != 1) {
            SetStatusText(QStringLiteral("Piste non audio - Piste %1").arg(row + 1));
            ui->ProgressBar2->setValue(ui->ProgressBar2->value() + 1);
            continue;
        }
        const QString fileName = OutputFileFor(row, QStringLiteral(".mp3"));
        try {
            // The component reads its track list when its drive changes, not when another disc
            // arrives in the same drive: the range comes from the disc the list shows, with the
            // events RipTrack fires.
            const int track = row + 1;
            int32_t first = 0;
            int32_t last = 0;
            TrackRange(track, first, last);
            if (CDRIP1.OnBeginTrack)
                CDRIP1.OnBeginTrack(&CDRIP1, static_cast<uint16_t>(track));
            CDRIP1.RipSectors(first, last, fileName);
            if (CDRIP1.OnEndTrack)
                CDRIP1.OnEndTrack(&CDRIP1, static_cast<uint16_t>(track));
        } catch (const ECDRIPError &error) {
            // A file that cannot be written is this track's failure; the others still get theirs.
            if (std::string_view(error.what()) != "Write error") {
                ResetProgressBars();
                ShowErrorBox(this, QString::fromUtf8(error.what()));
                return;
            }
            ui->ProgressBar1->setValue(0);
            SetStatusText(FileErrorText(fileName));
        } catch (const std::exception &error) {
            // Reported, never let through the event loop.
            ResetProgressBars();
            ShowErrorBox(this, QString::fromUtf8(error.what()));
            return;
        }
        if (QTreeWidgetItem *item = ui->ListView1->topLevelItem(row)) {
            item->setCheckState(0, Qt::Unchecked);
            item->setText(kSizeColumn, SizeText(fileName));
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
    if (result == 3) {
        cdrip3::CR_CloseRipper();
        SetStatusText(QStringLiteral("Jitter erreur(s) pendant Rippage"));
    } else if (result == 1) {
        cdrip3::CR_CloseRipper();
        // RipChunk's own reason (a data track, a file that cannot be written) says more.
        if (!ripFailureShown_)
            SetStatusText(QStringLiteral("Erreur(s) pendant Rippage"));
    } else if (CancelRequested) {
        cdrip3::CR_CloseRipper();
        SetStatusText(QStringLiteral("Processus de Rippage abandonné sans erreur"));
        ResetProgressBars();
    } else if (cdrip3::CR_CloseRipper() != CDRIP_OK) {
        SetStatusText(QStringLiteral("Erreur : erreur à la fin du processus de Rippage"));
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
        return 1;
    }
    if (CdInfo.Slot(TrackNum).IsAudio != 1) {
        SetStatusText(QStringLiteral("Erreur : pas de piste Audio"));
        return 1;
    }
    int32_t first = 0;
    int32_t last = 0;
    TrackRange(TrackNum, first, last);
    int32_t chunkBytes = 0;
    if (cdrip3::CR_OpenRipper(&chunkBytes, first, last) != CDRIP_OK) {
        SetStatusText(QStringLiteral("Erreur : CDRIP Erreur"));
        return 1;
    }

    const QString fileName = OutputDirectory + QDir::separator() + OutputBaseName + QStringLiteral(".wav");
    QFile file(fileName);
    const WavHeader header = MakeWavHeader(2, 44100, 0);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        !WriteAll(file, header.data(), header.size())) {
        SetStatusText(FileErrorText(fileName));
        return 1;
    }
    RipBuffer.reset(new (std::nothrow) uint8_t[static_cast<size_t>(std::max(chunkBytes, 1))]);
    if (!RipBuffer) {
        SetStatusText(QStringLiteral("Erreur : Erreur d'allocation de mémoire"));
        return 1;
    }

    RipInProgress = true;
    int32_t percent = 0;
    int32_t jitterCount = 0;
    bool writeFailed = false;
    for (;;) {
        int32_t bytes = 0;
        int32_t abortFlag = 0;
        const int32_t result = cdrip3::CR_RipChunk(RipBuffer.get(), &bytes, &abortFlag);
        if (result == CDRIP_OK || result == CDRIP_JITTER_ERROR) {
            // A chunk with a jitter error still carries the repaired audio: it is written.
            if (result == CDRIP_JITTER_ERROR)
                ++jitterCount;
            if (bytes <= 0) {
                if (result == CDRIP_OK)
                    break;
            } else {
                percent = cdrip3::CR_GetPercentCompleted();
                SetStatusText(QStringLiteral("Rippage piste %1 : %2% fait").arg(TrackNum).arg(percent));
                ui->ProgressBar1->setValue(percent);
                if (!WriteAll(file, RipBuffer.get(), bytes)) {
                    writeFailed = true;
                    break;
                }
            }
        } else if (result == CDRIP_RIPPING_DONE) {
            percent = 100;
            SetStatusText(QStringLiteral("Rippage piste %1 : %2% fait").arg(TrackNum).arg(percent));
            ui->ProgressBar1->setValue(percent);
        } else {
            break;
        }
        QCoreApplication::processEvents();
        if (percent == 100 || CancelRequested)
            break;
    }
    RipInProgress = false;
    RipBuffer.reset();

    // The header tells the size of what was written, also after a cancel or a failure.
    const qint64 size = file.size();
    const WavHeader patched = MakeWavHeader(2, 44100, static_cast<uint32_t>(std::max<qint64>(size - 44, 0)));
    writeFailed |= !file.seek(kWavRiffSizeOffset) || !WriteAll(file, &patched[kWavRiffSizeOffset], 4);
    writeFailed |= !file.seek(kWavDataSizeOffset) || !WriteAll(file, &patched[kWavDataSizeOffset], 4);
    file.close();
    writeFailed |= file.error() != QFileDevice::NoError;
    if (writeFailed) {
        SetStatusText(FileErrorText(fileName));
        return 1;
    }
    ripFailureShown_ = false;
    if (percent == 100 || CancelRequested)
        return jitterCount > 0 ? 3 : 0;
    return 1;
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
}

void TCDRipTestForm::N1Click()
{
    for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row)
        ui->ListView1->topLevelItem(row)->setCheckState(0, Qt::Unchecked);
}

void TCDRipTestForm::ToutSelectionner1Click()
{
    for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row)
        ui->ListView1->topLevelItem(row)->setCheckState(0, Qt::Checked);
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
    const QTreeWidgetItem *item = ui->ListView1->currentItem();
    form->Controls()->strTrackNum->setText(item ? item->text(0) : QString());
    form->open();
}
