// The "&Lecteur audio" buttons: the drive plays, pauses, resumes and stops through the run-time
// ripping library; whether it plays or is paused is asked of the drive each time.

#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/engine/pipeline/runtime_rip_source.h"
#include "quavrel/window/cdrip_test_form.h"
#include "ui_TCDRipTestForm.h"

namespace {

// The drive status the library gives while play is paused.
constexpr int32_t kDriveStatusPaused = 18;

const QString kNotReady = QStringLiteral("CDRip3.DLL non prête.");
const QString kNotPlaying = QStringLiteral("Non joué");
const QString kCdripError = QStringLiteral("CDRIP Erreur");

// Sends a command once the library is ready and the drive is in the state the command needs;
// otherwise the status says why.
void RunPlaybackCommand(TCDRipTestForm &form, bool (*inState)(), const QString &notInState,
                        int32_t (*command)())
{
    if (!CDRipReady()) {
        form.SetStatusText(kNotReady);
        return;
    }
    // During a rip the library is asked between two of its chunks.
    if (!CallRipLibrary([inState] { return inState() ? 1 : 0; })) {
        form.SetStatusText(notInState);
        return;
    }
    if (CallRipLibrary(command) != 0)
        form.SetStatusText(kCdripError);
}

bool IsPlaying()
{
    return cdrip3::CR_IsAudioPlaying() != 0;
}

} // namespace

int TCDRipTestForm::SelectedTrack() const
{
    // The current row only counts when it is selected: the list makes its first row current as
    // soon as it gets the focus.
    QTreeWidgetItem *row = ui->ListView1->currentItem();
    if (!row || !row->isSelected()) {
        const QList<QTreeWidgetItem *> selected = ui->ListView1->selectedItems();
        row = selected.isEmpty() ? nullptr : selected.first();
    }
    // The hidden track's row (track 0) has nothing the drive can play as a track.
    return row ? TrackOfRow(ui->ListView1->indexOfTopLevelItem(row)) : 0;
}

void TCDRipTestForm::btnPlayTrackClick()
{
    if (!CDRipReady()) {
        SetStatusText(kNotReady);
        return;
    }
    if (!CanPlay())
        return;
    const int track = SelectedTrack();
    if (track < 1 || track > 100) {
        SetStatusText(QStringLiteral("Sélectionnez une piste."));
        return;
    }
    if (CdInfo.Slot(track).IsAudio != 1) {
        SetStatusText(QStringLiteral("La piste %1 n'est pas une psite audio").arg(track));
        return;
    }
    if (cdrip3::CR_PlayTrack(track) != 0)
        SetStatusText(QStringLiteral("Erreur de lecture de piste"));
}

void TCDRipTestForm::btnPauseClick()
{
    RunPlaybackCommand(*this, IsPlaying, kNotPlaying, [] { return cdrip3::CR_PauseCD(1); });
}

void TCDRipTestForm::btnResumeClick()
{
    RunPlaybackCommand(
        *this, [] { return cdrip3::CR_DriveStatus() == kDriveStatusPaused; },
        QStringLiteral("Lecteur non en pause."), [] { return cdrip3::CR_PauseCD(0); });
}

void TCDRipTestForm::btnStopPlayClick()
{
    RunPlaybackCommand(*this, IsPlaying, kNotPlaying, [] { return cdrip3::CR_StopPlayTrack(); });
}
