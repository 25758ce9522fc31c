// The "&Lecteur audio" buttons. By default the disc is heard through the sound server: the player
// reads the tracks through the run-time ripping library and hands their PCM to the audio output.
// With "Lecture analogique par le lecteur" the drive plays, pauses, resumes and stops on its own
// analog output through the library's play commands; whether it plays or is paused is then asked
// of the drive each time.

#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/engine/pipeline/runtime_rip_source.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/disc_player.h"
#include "ui_TCDRipTestForm.h"

namespace {

// The drive status the library gives while play is paused.
constexpr int32_t kDriveStatusPaused = 18;

const QString kNotReady = QStringLiteral("CDRip3.DLL non prête.");
const QString kNotPlaying = QStringLiteral("Non joué");
const QString kNotPaused = QStringLiteral("Lecteur non en pause.");
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

QString Clock(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

void TCDRipTestForm::ConnectPlaybackControls()
{
    player_ = new DiscPlayer(this);
    player_->MayRead = [this] { return !RipRunning(); };
    player_->OnChanged = [this](const QString &problem) { ShowPlayPosition(problem); };
    connect(ui->btnNextTrack, &QToolButton::clicked, this, &TCDRipTestForm::btnNextTrackClick);
}

DiscPlayer &TCDRipTestForm::Player()
{
    return *player_;
}

void TCDRipTestForm::StopDigitalPlayback()
{
    if (player_)
        player_->Stop();
}

void TCDRipTestForm::ShowPlayPosition(const QString &Problem)
{
    if (!Problem.isEmpty())
        SetStatusText(QStringLiteral("Lecture arrêtée : %1").arg(Problem));
    switch (player_->CurrentState()) {
    case DiscPlayer::State::Stopped:
        ui->lblPosition->clear();
        break;
    case DiscPlayer::State::Playing:
    case DiscPlayer::State::Paused:
        ui->lblPosition->setText(QStringLiteral("Piste %1  %2 / %3%4")
                                     .arg(player_->CurrentTrack())
                                     .arg(Clock(player_->PositionMs()), Clock(player_->LengthMs()),
                                          player_->CurrentState() == DiscPlayer::State::Paused
                                              ? QStringLiteral("  (pause)")
                                              : QString()));
        break;
    }
}

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
    if (ui->lectureanalogique->isChecked()) {
        StopDigitalPlayback();
        if (cdrip3::CR_PlayTrack(track) != 0)
            SetStatusText(QStringLiteral("Erreur de lecture de piste"));
        return;
    }
    const std::optional<Disc> disc = ShownDisc();
    if (!disc)
        return;
    // The library is free once the player stopped; the drive's analog play would be heard over
    // the digital one.
    StopDigitalPlayback();
    if (cdrip3::CR_IsAudioPlaying())
        cdrip3::CR_StopPlayTrack();
    std::vector<DiscPlayer::Track> tracks;
    size_t index = 0;
    for (int number : disc->AudioTracks()) {
        if (number == track)
            index = tracks.size();
        const SectorRange range = disc->TrackRange(number);
        tracks.push_back({number, range.First, range.Last});
    }
    QString error;
    if (!player_->Play(tracks, index, error))
        SetStatusText(QStringLiteral("Erreur de lecture de piste : %1").arg(error));
}

void TCDRipTestForm::btnPauseClick()
{
    if (player_->CurrentState() == DiscPlayer::State::Playing) {
        player_->Pause();
        return;
    }
    if (player_->CurrentState() == DiscPlayer::State::Paused) {
        SetStatusText(kNotPlaying);
        return;
    }
    RunPlaybackCommand(*this, IsPlaying, kNotPlaying, [] { return cdrip3::CR_PauseCD(1); });
}

void TCDRipTestForm::btnResumeClick()
{
    if (player_->CurrentState() == DiscPlayer::State::Paused) {
        player_->Resume();
        return;
    }
    if (player_->CurrentState() == DiscPlayer::State::Playing) {
        SetStatusText(kNotPaused);
        return;
    }
    RunPlaybackCommand(
        *this, [] { return cdrip3::CR_DriveStatus() == kDriveStatusPaused; }, kNotPaused,
        [] { return cdrip3::CR_PauseCD(0); });
}

void TCDRipTestForm::btnStopPlayClick()
{
    if (player_->CurrentState() != DiscPlayer::State::Stopped) {
        player_->Stop();
        return;
    }
    RunPlaybackCommand(*this, IsPlaying, kNotPlaying, [] { return cdrip3::CR_StopPlayTrack(); });
}

void TCDRipTestForm::btnNextTrackClick()
{
    if (player_->CurrentState() != DiscPlayer::State::Stopped) {
        if (!player_->Next() && player_->CurrentState() != DiscPlayer::State::Stopped)
            SetStatusText(QStringLiteral("Dernière piste du disque."));
        return;
    }
    // Analog play, or nothing playing: the audio row after the selected one is selected and played.
    const int rows = ui->ListView1->topLevelItemCount();
    for (int track = SelectedTrack() + 1; track <= rows && track <= CdInfo.TrackCount; ++track) {
        if (CdInfo.Slot(track).IsAudio != 1)
            continue;
        ui->ListView1->clearSelection();
        ui->ListView1->setCurrentItem(ui->ListView1->topLevelItem(track - 1));
        btnPlayTrackClick();
        return;
    }
    SetStatusText(QStringLiteral("Dernière piste du disque."));
}
