// The FLAC path of the rip command: each ticked audio track through the rip pipeline into
// libFLAC, one lossless file per track with its tags.

#include "quavrel/engine/formats/flac_sink.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/rip_outcome_texts.h"
#include "quavrel/window/track_columns.h"
#include "ui_TCDRipTestForm.h"

void TCDRipTestForm::RipFlacRows()
{
    ui->ProgressBar2->setMaximum(1);
    ui->ProgressBar2->setValue(0);
    if (!CDRipReady()) {
        SetStatusText(QStringLiteral("CDRip3.DLL non prête."));
        return;
    }
    if (!IsAudioCDReady() || RipInProgress)
        return;
    MakeOutputDirectory();
    cdrip3::CR_StopPlayTrack();
    ui->ProgressBar2->setMaximum(ui->ProgressBar2->maximum() + TickedRowCount());
    const int level = ui->FlacCompressionSel->currentText().toInt();
    RipInProgress = true;
    // Rows are looked up again after each track: a medium removal empties the list meanwhile.
    for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row) {
        if (ui->ListView1->topLevelItem(row)->checkState(kNumberColumn) != Qt::Checked)
            continue;
        if (CancelRequested) {
            ResetProgressBars();
            break;
        }
        const int track = row + 1;
        if (track > CdInfo.TrackCount || CdInfo.Slot(track).IsAudio != 1) {
            SetStatusText(QStringLiteral("Piste non audio - Piste %1").arg(track));
            ui->ProgressBar2->setValue(ui->ProgressBar2->value() + 1);
            continue;
        }
        const QString fileName = OutputFileFor(row, QStringLiteral(".flac"));
        int32_t first = 0;
        int32_t last = 0;
        TrackRange(track, first, last);
        FlacSink sink(level, TrackTagsFor(track), uint64_t(last - first + 1) * 588);
        RipCallbacks callbacks;
        callbacks.Progress = [this, track](int32_t percent) {
            SetStatusText(
                QStringLiteral("Rippage & encodage flac de la piste %1 : %2% fait").arg(track).arg(percent));
            ui->ProgressBar1->setValue(percent);
        };
        lastRip_ = RunPipeline(first, last, sink, fileName, callbacks);
        const QString what = QStringLiteral("Rippage & encodage flac de la piste %1").arg(track);
        switch (lastRip_.Outcome) {
        case RipOutcome::Done:
            SetStatusText(HasDamage(lastRip_) ? DamagedText(what, lastRip_)
                                              : QStringLiteral("Rippage & encodage correctement aboutis"));
            MarkRowDone(row, fileName);
            ui->ProgressBar1->setValue(0);
            break;
        case RipOutcome::Cancelled:
            SetStatusText(QStringLiteral("Rippage & encodage flac abandonnés"));
            ResetProgressBars();
            break;
        case RipOutcome::Failed:
            ui->ProgressBar1->setValue(0);
            SetStatusText(lastRip_.OpenFailed ? QStringLiteral("Erreur : CDRIP Erreur")
                                              : FailedText(what, lastRip_.Error));
            break;
        }
        ui->ProgressBar2->setValue(ui->ProgressBar2->value() + 1);
    }
    RipInProgress = false;
}
