// The "&Lecteur audio" buttons: the drive plays, pauses, resumes and stops through the run-time
// ripping library; whether it plays or is paused is asked of the drive each time.

#include "cd_access.h"
#include "cdrip_test_form.h"
#include "ui_TCDRipTestForm.h"

namespace {

// The drive status the library gives while play is paused.
constexpr int32_t kDriveStatusPaused = 18;

const QString kNotReady = QStringLiteral("CDRip3.DLL non prête.");
const QString kNotPlaying = QStringLiteral("Non joué");
const QString kCdripError = QStringLiteral("CDRIP Erreur");

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
    return row ? ui->ListView1->indexOfTopLevelItem(row) + 1 : 0;
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
    if (!CDRipReady()) {
        SetStatusText(kNotReady);
        return;
    }
    if (!cdrip3::CR_IsAudioPlaying()) {
        SetStatusText(kNotPlaying);
        return;
    }
    if (cdrip3::CR_PauseCD(1) != 0)
        SetStatusText(kCdripError);
}

void TCDRipTestForm::btnResumeClick()
{
    if (!CDRipReady()) {
        SetStatusText(kNotReady);
        return;
    }
    if (cdrip3::CR_DriveStatus() != kDriveStatusPaused) {
        SetStatusText(QStringLiteral("Lecteur non en pause."));
        return;
    }
    if (cdrip3::CR_PauseCD(0) != 0)
        SetStatusText(kCdripError);
}

void TCDRipTestForm::btnStopPlayClick()
{
    if (!CDRipReady()) {
        SetStatusText(kNotReady);
        return;
    }
    if (!cdrip3::CR_IsAudioPlaying()) {
        SetStatusText(kNotPlaying);
        return;
    }
    if (cdrip3::CR_StopPlayTrack() != 0)
        SetStatusText(kCdripError);
}
