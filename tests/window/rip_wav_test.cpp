// The WAV path of the rip command over the demo disc, checked against the image's own bytes, and
// the cancel, removal, eject, jitter, data-track and unwritable-file cases of every path.

#include "drive_catalogue.h"
#include "quavrel/naming/output_names.h"
#include "rip_test_support.h"
#include "ui_TCDRipTestForm.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QtEndian>

namespace {

uint32_t Field32(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<uint32_t>(bytes.constData() + offset);
}

// The header's two sizes agree with the file's: RIFF size − 8 and data size − 44.
void ExpectConsistentHeader(const QByteArray &wav)
{
    ASSERT_GE(wav.size(), 44);
    EXPECT_EQ(wav.left(4), "RIFF");
    EXPECT_EQ(wav.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(Field32(wav, 24), 44100u);
    EXPECT_EQ(Field32(wav, 28), 176400u);
    EXPECT_EQ(Field32(wav, 4), static_cast<uint32_t>(wav.size() - 8));
    EXPECT_EQ(Field32(wav, 40), static_cast<uint32_t>(wav.size() - 44));
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST_F(RipTest, WavOfATrackHoldsTheImagesAudioUpToTheNextTrack)
{
    const std::vector<int32_t> starts = TrackStarts(QStringLiteral("demo"));
    ASSERT_EQ(starts.size(), 6u);
    const QByteArray audio = ImageSectors(QStringLiteral("demo"), starts[1], starts[2] - 1);
    Tick({2});
    Rip(kWav);

    const QString file = OutputPath(QStringLiteral("2.wav"));
    const QByteArray wav = ReadFile(file);
    ExpectConsistentHeader(wav);
    EXPECT_TRUE(wav.mid(44) == audio) << "the ripped audio differs from the image's";
    EXPECT_EQ(RunTool(QStringLiteral("soxi"), {QStringLiteral("-s"), file}).trimmed(),
              QByteArray::number(audio.size() / 4));
    EXPECT_EQ(Cell(2, 4), SizeText(file));
    EXPECT_EQ(Cell(2, 4), QString::number(qRound64(wav.size() / 1000.0)) + " Ko");
    EXPECT_FALSE(Ticked(2));
    EXPECT_EQ(window_->StatusText(), "Rippage correctement exécuté ");
    EXPECT_FALSE(window_->RipInProgress);
    EXPECT_EQ(ui()->ProgressBar1->value(), 0);
    EXPECT_EQ(ui()->ProgressBar2->maximum(), 1);
}

TEST_F(RipTest, JitterIsReportedWithItsCountForEveryFormatAndEveryChunkIsWritten)
{
    const std::vector<int32_t> starts = TrackStarts(QStringLiteral("demo"));
    for (WindowFormat format : {kWav, kOgg, kMp3}) {
        SCOPED_TRACE(format);
        drives::Faults faults;
        faults.jitter = {starts[1] + 40, starts[1] + 300};
        ASSERT_EQ(drives::SetFaults(kDemoDrive, faults), drives::DriveError::None);
        Tick({2});
        Rip(format);
        // The count shown is the sectors of the runs the list beside the file names.
        int listed = 0;
        for (const QByteArray &line : ReadFile(OutputPath(QStringLiteral("2.jitt"))).split('\n')) {
            const QList<QByteArray> run = line.split(' ');
            if (run.size() == 2)
                listed += run[1].toInt() - run[0].toInt() + 1;
        }
        EXPECT_GE(listed, 2);
        EXPECT_TRUE(window_->StatusText().endsWith(
            QStringLiteral(" : %1 secteur(s) réparé(s) (voir 2.jitt)").arg(listed)))
            << window_->StatusText().toStdString();
        EXPECT_FALSE(Ticked(2));
    }
    EXPECT_TRUE(window_->StatusText().startsWith(QStringLiteral("Rippage & encodage mp3 de la piste 2 : ")));
    drives::ClearFaults(kDemoDrive);
    Tick({2});
    Rip(kWav);
    EXPECT_EQ(window_->StatusText(), "Rippage correctement exécuté ");
    EXPECT_FALSE(QFile::exists(OutputPath(QStringLiteral("2.jitt")))) << "a clean rip leaves no old list";
    const QByteArray wav = ReadFile(OutputPath(QStringLiteral("2.wav")));
    ExpectConsistentHeader(wav);
    EXPECT_TRUE(wav.mid(44) == ImageSectors(QStringLiteral("demo"), starts[1], starts[2] - 1));
}

TEST_F(RipTest, LostAudioLeavesTheRowTickedAndTheCompleteFileWholeWithAShortStatusForEveryFormat)
{
    const std::vector<int32_t> starts = TrackStarts(QStringLiteral("demo"));
    window_->show();
    const auto *status = window_->findChild<QLabel *>(QStringLiteral("StatusText"));
    ASSERT_NE(status, nullptr);
    for (WindowFormat format : {kWav, kOgg, kMp3, kFlac}) {
        SCOPED_TRACE(format);
        const QString extension = QStringList{".ogg", ".mp3", ".wav", ".flac"}[format];
        drives::ClearFaults(kDemoDrive);
        Tick({2});
        Rip(format);
        const QByteArray complete = ReadFile(OutputPath("2" + extension));
        ASSERT_FALSE(complete.isEmpty());
        drives::Faults faults;
        for (int32_t sector = starts[1] + 100; sector < starts[1] + 200; ++sector)
            faults.unreadable.insert(sector);
        ASSERT_EQ(drives::SetFaults(kDemoDrive, faults), drives::DriveError::None);
        Tick({2});
        Rip(format);
        const QString text = window_->StatusText();
        EXPECT_EQ(text, "Piste 2 endommagée : 100 secteur(s) illisible(s) (0:01.25–0:02.49 dans la piste)");
        QCoreApplication::processEvents();
        EXPECT_LE(status->fontMetrics().horizontalAdvance(text), status->contentsRect().width());
        EXPECT_TRUE(Ticked(2)) << "a damaged track is no complete file";
        EXPECT_EQ(ReadFile(OutputPath("2" + extension)), complete);
        EXPECT_TRUE(QFile::exists(OutputPath("2 (endommagé)" + extension)));
    }
}

TEST_F(RipTest, ACancelledTrackStaysTickedAndAnEarlierFileOfItsNameStaysWhole)
{
    for (WindowFormat format : {kWav, kOgg, kMp3}) {
        SCOPED_TRACE(format);
        const QString extension = QStringList{".ogg", ".mp3", ".wav"}[format];
        const QString earlier = OutputPath("1" + extension);
        {
            QFile file(earlier);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("an earlier complete rip");
        }
        Tick({1, 2});
        OnFirstProgress([this] { window_->btnCancelRipClick(); });
        Rip(format);
        QObject::disconnect(ui()->ProgressBar1, nullptr, window_.get(), nullptr);

        const QStringList abandoned{"Rippage & Encodage abandonnés", "Rippage & encodage mp3 abandonnés",
                                    "Processus de Rippage abandonné sans erreur"};
        EXPECT_EQ(window_->StatusText(), abandoned[format]);
        EXPECT_EQ(ReadFile(earlier), "an earlier complete rip");
        EXPECT_TRUE(Ticked(1));
        EXPECT_TRUE(Ticked(2));
        EXPECT_EQ(Cell(1, 4), "");
        EXPECT_FALSE(QFile::exists(OutputPath("2" + extension)));
        EXPECT_EQ(ui()->ProgressBar1->value(), 0);
        EXPECT_EQ(ui()->ProgressBar2->value(), 0);
        EXPECT_FALSE(window_->RipInProgress);
        drives::TrayStatus tray;
        ASSERT_EQ(drives::GetTrayStatus(kDemoDrive, tray), drives::DriveError::None);
        EXPECT_FALSE(tray.locked);
    }
    // Nothing half-written is left behind, hidden or not.
    EXPECT_EQ(QDir(out_.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

TEST_F(RipTest, MediumRemovalDuringARipFailsItWithThatReason)
{
    Tick({1, 2});
    OnFirstProgress([] { EXPECT_EQ(drives::OpenTray(kDemoDrive), drives::DriveError::None); });
    Rip(kWav);

    EXPECT_TRUE(window_->CancelRequested);
    EXPECT_FALSE(window_->RipInProgress);
    EXPECT_TRUE(window_->StatusText().endsWith("le disque a été retiré pendant la lecture"))
        << window_->StatusText().toStdString();
    EXPECT_EQ(ui()->ListView1->topLevelItemCount(), 0);
    EXPECT_FALSE(QFile::exists(OutputPath(QStringLiteral("1.wav"))));
    EXPECT_FALSE(QFile::exists(OutputPath(QStringLiteral("2.wav"))));
}

TEST_F(RipTest, EjectDriveChangeAndPlayAreRefusedWhileAnyRipRuns)
{
    for (WindowFormat format : {kWav, kOgg, kMp3}) {
        SCOPED_TRACE(format);
        Tick({2});
        QString ejectStatus;
        bool canPlay = true;
        QString driveStatus;
        OnFirstProgress([&] {
            window_->btnEjectCDClick();
            ejectStatus = window_->StatusText();
            canPlay = window_->CanPlay();
            ui()->DriveSelBox->setCurrentIndex(kMixedDrive);
            window_->DriveSelBoxChange();
            driveStatus = window_->StatusText();
        });
        messages_.clear();
        Rip(format);
        QObject::disconnect(ui()->ProgressBar1, nullptr, window_.get(), nullptr);

        EXPECT_EQ(ejectStatus, "Rippage en cours, éjection CDROM impossible");
        EXPECT_EQ(driveStatus, "Rippage en cours, changement de lecteur impossible");
        EXPECT_EQ(ui()->DriveSelBox->currentIndex(), kDemoDrive);
        EXPECT_FALSE(canPlay);
        EXPECT_TRUE(messages_.contains("Ripping en cours !"));
        drives::TrayStatus tray;
        ASSERT_EQ(drives::GetTrayStatus(kDemoDrive, tray), drives::DriveError::None);
        EXPECT_TRUE(tray.mediumPresent);
        EXPECT_FALSE(Ticked(2)) << "the rip went on to its end";
    }
}

TEST_F(RipTest, ATickedDataTrackIsRefusedByItsPath)
{
    ChooseDrive(kMixedDrive);
    ASSERT_EQ(ui()->ListView1->topLevelItemCount(), 3);

    Tick({1});
    Rip(kWav);
    EXPECT_EQ(window_->StatusText(), "Erreur : pas de piste Audio");
    EXPECT_TRUE(Ticked(1));
    EXPECT_EQ(Cell(1, 4), "");

    for (WindowFormat format : {kOgg, kMp3}) {
        Tick({1});
        Rip(format);
        EXPECT_EQ(window_->StatusText(), "Piste non audio - Piste 1");
        EXPECT_TRUE(Ticked(1));
    }
    EXPECT_FALSE(window_->RipInProgress);
    EXPECT_TRUE(QDir(out_.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(RipTest, AFileThatCannotBeWrittenIsNamedAndTheNextRowGoesOn)
{
    // A directory where the file should go: neither track's file can be created.
    for (WindowFormat format : {kWav, kMp3, kOgg}) {
        const QString extension = QStringList{".ogg", ".mp3", ".wav"}[format];
        SCOPED_TRACE(extension.toStdString());
        ASSERT_TRUE(QDir(out_.path()).mkpath("2" + extension));
        ASSERT_TRUE(QDir(out_.path()).mkpath("5" + extension));
        Tick({2, 5});
        messages_.clear();
        Rip(format);

        EXPECT_TRUE(window_->StatusText().contains(QDir::toNativeSeparators(OutputPath("5" + extension))))
            << window_->StatusText().toStdString();
        EXPECT_FALSE(window_->RipInProgress);
        EXPECT_TRUE(messages_.isEmpty()) << messages_.join(" | ").toStdString();
        EXPECT_TRUE(window_->StatusText().contains(QStringLiteral("échoué")))
            << window_->StatusText().toStdString();
        // A failed row stays ticked for another try.
        EXPECT_TRUE(Ticked(2));
        EXPECT_TRUE(Ticked(5));
    }
}

TEST_F(RipTest, ASlowReadLeavesTheWindowRunningItsTimers)
{
    drives::Faults faults;
    faults.slowMs = 150;
    ASSERT_EQ(drives::SetFaults(kDemoDrive, faults), drives::DriveError::None);
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    int ticksAtFirstChunk = -1;
    Tick({1});
    OnFirstProgress([&] {
        ticksAtFirstChunk = ticks;
        window_->btnCancelRipClick();
    });
    timer.start();
    Rip(kWav);
    drives::ClearFaults(kDemoDrive);
    // The first chunk took at least one slow read; the timer kept firing meanwhile.
    EXPECT_GE(ticksAtFirstChunk, 3);
    EXPECT_EQ(window_->StatusText(), "Processus de Rippage abandonné sans erreur");
}
