// The Ogg path of the rip command: each ticked audio track through the rip pipeline into the
// Vorbis library, one file per track.

#include "quavrel/engine/formats/ogg_sink.h"
#include "quavrel/naming/output_names.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/message_box.h"
#include "quavrel/window/rip_outcome_texts.h"
#include "quavrel/window/track_columns.h"
#include "ui_TCDRipTestForm.h"

#include <algorithm>

void TCDRipTestForm::btnRip_EncodeClick()
{
    if (ui->ComboBox1->currentIndex() != kFormatOgg || !IsAudioCDReady())
        return;
    if (!VorbisLoaded()) {
        ShowMessageBox(this, QStringLiteral("Vorbis.DLL non prête."), QStringLiteral("OK"));
        return;
    }
    if (RipInProgress)
        return;

    cdrip3::CR_StopPlayTrack();
    const VB_CONFIG format = VorbisFormatRecord(ui->EncQualitySel->currentText().toInt());
    RipInProgress = true;
    CancelRequested = false;
    ui->ProgressBar2->setMaximum(0);
    ui->ProgressBar2->setValue(0);
    ui->ProgressBar2->setMaximum(ui->ProgressBar2->maximum() + TickedRowCount());

    // Rows are looked up again after each track: a medium removal empties the list meanwhile.
    for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row) {
        const QTreeWidgetItem *item = ui->ListView1->topLevelItem(row);
        if (item->checkState(kNumberColumn) == Qt::Checked) {
            const int track = row + 1;
            if (track > CdInfo.TrackCount || CdInfo.Slot(track).IsAudio != 1) {
                SetStatusText(QStringLiteral("Piste non audio - Piste %1").arg(track));
            } else {
                const QString fileName = OutputFileFor(row, QStringLiteral(".ogg"));
                if (Track2OggFile(track, fileName, format) == 0) {
                    SetStatusText(
                        HasDamage(lastRip_)
                            ? DamagedText(QStringLiteral("Rippage & encodage ogg de la piste %1").arg(track),
                                          lastRip_)
                            : QStringLiteral("Rippage & encodage correctement aboutis"));
                    if (QTreeWidgetItem *done = ui->ListView1->topLevelItem(row)) {
                        done->setText(kSizeColumn, SizeText(fileName));
                        done->setCheckState(kNumberColumn, Qt::Unchecked);
                    }
                    ui->ProgressBar1->setValue(0);
                }
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

VB_TAG TCDRipTestForm::OggTagRecord(int TrackNum)
{
    const TrackTags tags = TrackTagsFor(TrackNum);
    // The genre only when known: an empty text writes no GENRE comment.
    oggTagTexts_ = OggTagTexts(tags.Artist, tags.Album, tags.Title,
                               QStringLiteral("Encoder DLL : ") + VorbisVersionText(), tags.Genre);
    return oggTagTexts_.Record(static_cast<uint32_t>(TrackNum),
                               static_cast<uint32_t>(std::max(cdrip3::CR_GetNumTocEntries(), 0)));
}

int32_t TCDRipTestForm::Track2OggFile(int TrackNum, const QString &FileName, const VB_CONFIG &Format)
{
    const TCdTrackSlot &slot = CdInfo.Slot(TrackNum);
    const int32_t first = slot.StartSector;
    const int32_t last = first + slot.LengthSectors - 1;
    OggSink sink(Format, OggTagRecord(TrackNum));
    // The record has no field for these; the finished file gets them as comments.
    const TrackTags tags = TrackTagsFor(TrackNum);
    TrackTags extra;
    extra.Year = tags.Year;
    extra.DiscId = tags.DiscId;
    extra.MusicBrainzAlbumId = tags.MusicBrainzAlbumId;
    extra.MusicBrainzTrackId = tags.MusicBrainzTrackId;
    sink.SetExtraComments(VorbisComments(extra));
    RipCallbacks callbacks;
    callbacks.Progress = [this, TrackNum](int32_t percent) {
        SetStatusText(
            QStringLiteral("Rippage & encodage ogg de la piste %1 : %2% fait").arg(TrackNum).arg(percent));
        ui->ProgressBar1->setValue(percent);
    };
    lastRip_ = RunPipeline(first, last, sink, FileName, callbacks);
    switch (lastRip_.Outcome) {
    case RipOutcome::Done:
        SetStatusText(QStringLiteral("Rippage & Encodage complétés"));
        return 0;
    case RipOutcome::Cancelled:
        SetStatusText(QStringLiteral("Rippage & Encodage abandonnés"));
        return 1;
    case RipOutcome::Failed:
        break;
    }
    SetStatusText(lastRip_.OpenFailed
                      ? QStringLiteral("Error : CR_OpenRipper")
                      : FailedText(QStringLiteral("Rippage & encodage ogg de la piste %1").arg(TrackNum),
                                   lastRip_.Error));
    return 1;
}
