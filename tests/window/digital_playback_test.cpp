// Digital play of the demo disc through a sound server the test starts itself (PulseAudio with a
// null sink, which takes the sound in real time): the position advances, pause holds it and reads
// nothing, next and stop, and a rip that starts while the disc plays stops the player first and is
// never read beside it. The drive's own analog play stays off all along.

#include "drive_catalogue.h"
#include "lookup_test_support.h"
#include "quavrel/window/disc_player.h"
#include "quavrel/window/track_columns.h"
#include "ui_TCDRipTestForm.h"

#include <csignal>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

namespace {

// A sound server of the test's own: its socket in a private folder, a null sink as its only output.
class SoundServer {
  public:
    SoundServer()
    {
        const QString dir = home_.path();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", dir);
        env.insert("XDG_RUNTIME_DIR", dir);
        env.insert("XDG_CONFIG_HOME", dir);
        server_.setProcessEnvironment(env);
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server_.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                     "--log-target=stderr", "--log-level=error", "-L",
                                     "module-null-sink sink_name=quavrel_null", "-L",
                                     "module-native-protocol-unix auth-anonymous=1 socket=" + Socket()});
        if (!server_.waitForStarted(10000))
            return;
        // Up once its socket answers.
        for (int tries = 0; tries < 100 && !ready_; ++tries) {
            QProcess info;
            QProcessEnvironment client = env;
            client.insert("PULSE_SERVER", "unix:" + Socket());
            info.setProcessEnvironment(client);
            info.start("pactl", {"info"});
            ready_ = info.waitForFinished(5000) && info.exitCode() == 0;
            if (!ready_)
                QTest::qWait(100);
        }
    }
    ~SoundServer()
    {
        server_.terminate();
        if (!server_.waitForFinished(5000))
            server_.kill();
    }
    bool Ready() const { return ready_; }
    QString Socket() const { return home_.filePath("native"); }

  private:
    QTemporaryDir home_;
    QProcess server_;
    bool ready_ = false;
};

class DigitalPlaybackTest : public LookupTest {
  protected:
    static void SetUpTestSuite()
    {
        sound_ = new SoundServer;
        // The audio output finds the server as any PulseAudio client does.
        qputenv("PULSE_SERVER", ("unix:" + sound_->Socket()).toLocal8Bit());
    }
    static void TearDownTestSuite()
    {
        delete sound_;
        sound_ = nullptr;
    }
    void SetUp() override
    {
        LookupTest::SetUp();
        ASSERT_TRUE(sound_->Ready()) << "pulseaudio did not start";
        OpenWindow();
        Window().Controls()->Label3->setText(out_.path() + QDir::separator());
        Window().Controls()->creerlesrepertoires->setChecked(false);
        Window().SetStatusText(kUntouched);
    }
    void TearDown() override
    {
        Window().Player().Stop();
        LookupTest::TearDown();
    }

    void Play(int track)
    {
        QTreeWidget *list = Window().Controls()->ListView1;
        list->clearSelection();
        list->setCurrentItem(list->topLevelItem(track - 1));
        Window().Controls()->btnPlayTrack->click();
    }
    // Waits, the event loop running, until the player has played past Ms of its track.
    bool HeardPast(qint64 ms)
    {
        return QTest::qWaitFor([&] { return Window().Player().PositionMs() > ms; }, 30000);
    }
    static drives::PlayState DriveState()
    {
        drives::PlayStatus status;
        EXPECT_EQ(drives::Position(kDemoDrive, status), drives::DriveError::None);
        return status.state;
    }

    static SoundServer *sound_;
    QTemporaryDir out_;
    const QString kUntouched = QStringLiteral("avant");
};

SoundServer *DigitalPlaybackTest::sound_ = nullptr;

TEST_F(DigitalPlaybackTest, TheTrackIsHeardWithItsPositionThroughPauseNextAndStop)
{
    TCDRipTestForm &window = Window();
    DiscPlayer &player = window.Player();
    Play(2);
    EXPECT_EQ(window.StatusText(), kUntouched);
    ASSERT_EQ(player.CurrentState(), DiscPlayer::State::Playing);
    ASSERT_TRUE(HeardPast(500));
    EXPECT_EQ(player.CurrentTrack(), 2);
    EXPECT_TRUE(window.Controls()->lblPosition->text().startsWith("Piste 2  0:0"))
        << window.Controls()->lblPosition->text().toStdString();
    EXPECT_EQ(DriveState(), drives::PlayState::Stopped);

    // Paused: the position holds and the drive is not read.
    window.Controls()->btnPause->click();
    ASSERT_EQ(player.CurrentState(), DiscPlayer::State::Paused);
    const qint64 held = player.PositionMs();
    const int64_t chunks = player.ChunksRead();
    QTest::qWait(300);
    EXPECT_EQ(player.PositionMs(), held);
    EXPECT_EQ(player.ChunksRead(), chunks);
    EXPECT_TRUE(window.Controls()->lblPosition->text().endsWith("(pause)"));
    window.Controls()->btnResume->click();
    EXPECT_EQ(player.CurrentState(), DiscPlayer::State::Playing);
    EXPECT_TRUE(HeardPast(held + 200));

    window.Controls()->btnNextTrack->click();
    EXPECT_EQ(player.CurrentTrack(), 3);
    EXPECT_TRUE(HeardPast(200));
    EXPECT_TRUE(window.Controls()->lblPosition->text().startsWith("Piste 3"));

    window.Controls()->btnStopPlay->click();
    EXPECT_EQ(player.CurrentState(), DiscPlayer::State::Stopped);
    EXPECT_EQ(window.Controls()->lblPosition->text(), "");
    EXPECT_EQ(window.StatusText(), kUntouched);
    EXPECT_EQ(DriveState(), drives::PlayState::Stopped);
}

TEST_F(DigitalPlaybackTest, ARipStopsThePlayerAndIsNeverReadBesideIt)
{
    TCDRipTestForm &window = Window();
    DiscPlayer &player = window.Player();
    Play(4);
    ASSERT_TRUE(HeardPast(200));

    auto *list = window.Controls()->ListView1;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        list->topLevelItem(row)->setCheckState(kNumberColumn, row == 1 ? Qt::Checked : Qt::Unchecked);
    window.Controls()->ComboBox1->setCurrentIndex(kFormatWav);
    // While the rip reads: the player has stopped, reads nothing, and cannot be started.
    int64_t chunksAtRip = -1;
    DiscPlayer::State stateAtRip = DiscPlayer::State::Playing;
    Watch duringRip([&] { return window.Controls()->ProgressBar1->value() > 0; },
                    [&] {
                        stateAtRip = player.CurrentState();
                        chunksAtRip = player.ChunksRead();
                        window.btnPlayTrackClick();
                    });
    window.ripperlapisteauformatWav1Click();
    ASSERT_TRUE(duringRip.Fired());
    EXPECT_EQ(stateAtRip, DiscPlayer::State::Stopped);
    EXPECT_EQ(player.ChunksRead(), chunksAtRip);
    EXPECT_EQ(player.CurrentState(), DiscPlayer::State::Stopped);
    EXPECT_EQ(messages_, QStringList{"Ripping en cours !"});
    EXPECT_TRUE(QFileInfo::exists(out_.filePath("2.wav"))) << window.StatusText().toStdString();

    // After the rip the disc plays again.
    Play(1);
    EXPECT_TRUE(HeardPast(200));
}

} // namespace
