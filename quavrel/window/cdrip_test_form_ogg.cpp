// The Ogg path of the rip command: each ticked audio track through the engine's rip command into
// the Vorbis library, one file per track.

#include "quavrel/engine/rip/rip_texts.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/message_box.h"
#include "quavrel/window/track_columns.h"
#include "ui_TCDRipTestForm.h"

void TCDRipTestForm::btnRip_EncodeClick()
{
    if (ui->ComboBox1->currentIndex() != kFormatOgg || !IsAudioCDReady())
        return;
    if (!VorbisLoaded()) {
        ShowMessageBox(this, QStringLiteral("Vorbis.DLL non prête."), QStringLiteral("OK"));
        return;
    }
    if (RipInProgress || !command_)
        return;

    TCDRomParams parameters{};
    SetRipParameters(parameters);
    RipInProgress = true;
    CancelRequested = false;
    ui->ProgressBar2->setMaximum(0);
    ui->ProgressBar2->setValue(0);
    ui->ProgressBar2->setMaximum(ui->ProgressBar2->maximum() + TickedRowCount());

    // Rows are looked up again after each track: a medium removal empties the list meanwhile.
    for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row) {
        const QTreeWidgetItem *item = ui->ListView1->topLevelItem(row);
        if (item->checkState(kNumberColumn) == Qt::Checked) {
            const int track = TrackOfRow(row);
            if (!IsAudioTrack(track)) {
                SetStatusText(QStringLiteral("Piste non audio - Piste %1").arg(track));
            } else if (Track2OggFile(track, command_->FileOf(track)) == 0) {
                SetStatusText(
                    lastRip_.Report.RepairedSectors > 0
                        ? RepairedText(QStringLiteral("Rippage & encodage ogg de la piste %1").arg(track),
                                       lastRip_.Report)
                        : QStringLiteral("Rippage & encodage correctement aboutis"));
                MarkRowDone(row, lastRip_.File);
                ui->ProgressBar1->setValue(0);
            }
        }
        ui->ProgressBar2->setValue(ui->ProgressBar2->value() + 1);
        if (CancelRequested) {
            ResetProgressBars();
            break;
        }
    }
    ui->ProgressBar2->setValue(0);
    RipInProgress = false;
    cdrip3::CR_LockCD(0);
}

int32_t TCDRipTestForm::Track2OggFile(int TrackNum, const QString &)
{
    // The command names the file: the same name whichever tracks one command rips.
    const TrackRip rip = RipThroughCommand(TrackNum, [this, TrackNum](int32_t percent) {
        SetStatusText(
            QStringLiteral("Rippage & encodage ogg de la piste %1 : %2% fait").arg(TrackNum).arg(percent));
        ui->ProgressBar1->setValue(percent);
    });
    switch (rip.Report.Outcome) {
    case RipOutcome::Done:
        SetStatusText(QStringLiteral("Rippage & Encodage complétés"));
        return 0;
    case RipOutcome::Damaged:
        SetStatusText(DamagedTrackText(rip));
        return 1;
    case RipOutcome::Cancelled:
        SetStatusText(QStringLiteral("Rippage & Encodage abandonnés"));
        return 1;
    case RipOutcome::Failed:
        break;
    }
    SetStatusText(RipFailureText(QStringLiteral("Rippage & encodage ogg de la piste %1").arg(TrackNum),
                                 rip.Report.Error));
    return 1;
}
