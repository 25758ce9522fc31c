// The rip command without a window: the demo disc through the real ripping library in every format,
// the files read back by independent tools; a cancel, a failure, and the reports that describe the
// whole disc over several commands.

#include "drive_catalogue.h"
#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/engine/bindings/cd_info_disc.h"
#include "quavrel/engine/pipeline/runtime_rip_source.h"
#include "quavrel/engine/rip/disc_rip.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cdio/cdio.h>
#include <gtest/gtest.h>

namespace {

QByteArray RunTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

QString ReadText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class DiscRipTest : public testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(out_.isValid());
        CdAccessStart();
        ASSERT_TRUE(CDRipReady());
        SelectDrive(0);
        TCdInfo info;
        ASSERT_EQ(ReadCdInfo(info), kCdInfoRead);
        disc_ = DiscOf(info).value_or(Disc{});
        ASSERT_EQ(disc_.TrackCount(), 5);
        names_.Artist = QStringLiteral("Orchestre d'été");
        names_.Album = QStringLiteral("Suites");
        names_.Year = QStringLiteral("1999");
        names_.Genre = QStringLiteral("Classical");
        names_.MusicBrainzReleaseId = QStringLiteral("rel-1");
        for (const char *title : {"Prélude", "Intro", "Intro", "Sarabande", "Gigue"})
            names_.Tracks.push_back({QString::fromUtf8(title), QStringLiteral("rec-%1").arg(title)});
    }
    void TearDown() override
    {
        drives::ClearFaults(0);
        CdAccessEnd();
    }

    RipRequest Request(const char *format) const
    {
        RipRequest request;
        request.Disc = disc_;
        request.Metadata = names_;
        request.Format = FindRipFormat(QString::fromLatin1(format));
        request.OutputRoot = out_.path();
        request.ByArtist = false;
        request.Naming = {true, true};
        request.Program = QStringLiteral("Quavrel test");
        return request;
    }

    QByteArray ImageAudio(int track) const
    {
        QFile image(qEnvironmentVariable("QUAVREL_DATA_DIR") + QStringLiteral("/discs/demo.bin"));
        const SectorRange range = disc_.TrackRange(track);
        if (!image.open(QIODevice::ReadOnly) || !image.seek(qint64{range.First} * 2352))
            return {};
        return image.read(qint64{range.Count()} * 2352);
    }

    QTemporaryDir out_;
    Disc disc_;
    DiscMetadata names_;
    RuntimeRipSource source_;
};

TEST_F(DiscRipTest, EveryFormatIsOneCommandWithTheDiscsAudioAndTags)
{
    for (const RipFormat &format : RipFormats()) {
        DiscRip command(source_, nullptr);
        RipError error;
        ASSERT_TRUE(command.Begin(Request(format.Name.toLatin1().constData()), error))
            << format.Name.toStdString();
        const TrackRip rip = command.RipTrack(2);
        ASSERT_TRUE(rip.Done()) << format.Name.toStdString() << RipErrorText(rip.Report.Error).toStdString();
        EXPECT_EQ(rip.File, out_.filePath(QStringLiteral("2-Intro") + format.Extension));

        const QByteArray audio = ImageAudio(2);
        // The lossless formats hold the audio itself, the others its length.
        if (format.Name == QLatin1String("wav")) {
            QFile wav(rip.File);
            ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
            EXPECT_TRUE(wav.readAll().mid(44) == audio);
            continue;
        }
        // An MP3 decodes to the track's exact length, CBR as well: its Info frame says how much to trim.
        if (format.Name == QLatin1String("mp3"))
            EXPECT_EQ(RunTool("mpg123", {"-q", "-s", rip.File}).size(), audio.size());
        if (format.Name == QLatin1String("flac"))
            EXPECT_TRUE(RunTool("flac", {"-d", "-s", "-c", "--force-raw-format", "--endian=little",
                                         "--sign=signed", rip.File}) == audio);
        const QString probe = QString::fromUtf8(
            RunTool("ffprobe", {"-v", "error", "-show_entries", "format=duration:format_tags:stream_tags",
                                "-of", "default=nw=1", rip.File}));
        const double seconds =
            probe.section(QStringLiteral("duration="), 1, 1).section('\n', 0, 0).toDouble();
        EXPECT_NEAR(seconds, audio.size() / 4 / 44100.0, 0.06) << format.Name.toStdString();
        // (MP3 keeps the recording in a UFID frame, which ffprobe does not show.)
        QStringList tags{QStringLiteral("=Orchestre d'été"), QStringLiteral("=Suites"),
                         QStringLiteral("=Intro"),           QStringLiteral("=1999"),
                         QStringLiteral("=rel-1"),           QStringLiteral("=25008705")};
        if (format.Name != QLatin1String("mp3"))
            tags << QStringLiteral("=rec-Intro");
        for (const QString &tag : tags)
            EXPECT_TRUE(probe.contains(tag, Qt::CaseInsensitive))
                << format.Name.toStdString() << " " << tag.toStdString() << "\n"
                << probe.toStdString();
    }
}

TEST_F(DiscRipTest, ACancelStopsTheTrackAndEveryLaterOneAndAFailureNamesItsFile)
{
    // A file of the cancelled track's name from before stays whole.
    QFile earlier(out_.filePath("3-Intro.wav"));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier");
    earlier.close();
    ASSERT_EQ(drives::SetFaults(0, *drives::ParseFaults("slow=20")), drives::DriveError::None);
    DiscRip command(source_, nullptr);
    RipError error;
    ASSERT_TRUE(command.Begin(Request("wav"), error));
    bool cancelled = false;
    const TrackRip stopped = command.RipTrack(3, [&](int32_t percent) {
        if (percent > 5 && !cancelled) {
            cancelled = true;
            command.Cancel();
        }
    });
    EXPECT_EQ(stopped.Report.Outcome, RipOutcome::Cancelled);
    EXPECT_EQ(command.RipTrack(4).Report.Outcome, RipOutcome::Cancelled);
    EXPECT_EQ(ReadText(earlier.fileName()), "earlier");
    EXPECT_EQ(QDir(out_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"3-Intro.wav"});
    drives::ClearFaults(0);

    // A folder where the file should go: that track fails, saying which file; the next one rips.
    DiscRip second(source_, nullptr);
    ASSERT_TRUE(second.Begin(Request("flac"), error));
    ASSERT_TRUE(QDir(out_.path()).mkdir("1-Prélude.flac"));
    const TrackRip failed = second.RipTrack(1);
    EXPECT_EQ(failed.Report.Outcome, RipOutcome::Failed);
    EXPECT_EQ(failed.Report.Error.Kind, RipErrorKind::FileWrite);
    EXPECT_TRUE(RipErrorText(failed.Report.Error).contains(QStringLiteral("1-Prélude.flac")));
    EXPECT_TRUE(second.RipTrack(5).Done());
    EXPECT_EQ(second.RipTrack(9).Report.Error.Kind, RipErrorKind::NoSuchTrack);
}

TEST_F(DiscRipTest, TheReportsDescribeTheDiscOverSeveralCommands)
{
    const auto rip = [this](const char *format, std::initializer_list<int> tracks) {
        DiscRip command(source_, nullptr);
        RipError error;
        EXPECT_TRUE(command.Begin(Request(format), error));
        for (const int track : tracks)
            EXPECT_TRUE(command.RipTrack(track).Done());
        EXPECT_EQ(command.Finish(), QStringList());
        return command.ReportBase();
    };
    EXPECT_EQ(rip("flac", {1, 2, 3}), out_.filePath("Suites"));
    // Track 2 again, then 5: the earlier tracks' lines stay, each track once, in track order.
    rip("flac", {2});
    rip("flac", {5});
    const QString log = ReadText(out_.filePath("Suites.log"));
    EXPECT_EQ(log.count(QStringLiteral("\nPiste ")), 4) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Résumé : 4 piste(s) rippée(s)"))) << log.toStdString();
    QStringList playlist =
        ReadText(out_.filePath("Suites.m3u")).split('\n', Qt::SkipEmptyParts).filter(".flac");
    EXPECT_EQ(playlist, (QStringList{"1-Prélude.flac", "2-Intro.flac", "3-Intro.flac", "5-Gigue.flac"}));
    // The cue sheet reads back as a table of the four files (libcdio opens the data file named like
    // the sheet, whatever its FILE lines say: one stands in).
    QFile standIn(out_.filePath("Suites.bin"));
    ASSERT_TRUE(standIn.open(QIODevice::WriteOnly));
    standIn.write(QByteArray(2352 * 10, '\0'));
    standIn.close();
    CdIo_t *cue = cdio_open(QFile::encodeName(out_.filePath("Suites.cue")).constData(), DRIVER_BINCUE);
    ASSERT_NE(cue, nullptr);
    EXPECT_EQ(cdio_get_num_tracks(cue), 4);
    cdio_destroy(cue);
    QFile::remove(standIn.fileName());

    // Another format in the same folder has reports of its own: the FLAC ones stay.
    EXPECT_EQ(rip("wav", {4}), out_.filePath("Suites (Wav)"));
    EXPECT_EQ(ReadText(out_.filePath("Suites.log")), log);
    EXPECT_TRUE(ReadText(out_.filePath("Suites (Wav).m3u")).contains("4-Sarabande.wav"));
}

TEST_F(DiscRipTest, EncodersAtWorkTogetherWriteTheBytesOfOneAndPutOnlyWhatWasAskedInPlace)
{
    // The whole disc planned, read on ahead and encoded by three workers, against one worker: the
    // same files, byte for byte (Ogg and Opus streams carry a random serial number).
    for (const char *format : {"flac", "mp3", "wav"}) {
        QByteArray files[2];
        for (const int workers : {1, 3}) {
            QTemporaryDir out;
            RipRequest request = Request(format);
            request.OutputRoot = out.path();
            request.Tracks = disc_.AudioTracks();
            request.Workers = workers;
            DiscRip command(source_, nullptr);
            RipError error;
            ASSERT_TRUE(command.Begin(request, error));
            for (const int track : request.Tracks) {
                const TrackRip rip = command.RipTrack(track);
                ASSERT_TRUE(rip.Done()) << format << " " << track;
                QFile file(rip.File);
                ASSERT_TRUE(file.open(QIODevice::ReadOnly));
                files[workers == 3] += file.readAll();
            }
        }
        EXPECT_FALSE(files[0].isEmpty());
        EXPECT_TRUE(files[0] == files[1]) << format;
    }

    // Tracks read ahead that the caller then does not ask for leave nothing behind, not even a
    // hidden file; neither does a cancel while the drive reads ahead.
    ASSERT_EQ(drives::SetFaults(0, *drives::ParseFaults("slow=5")), drives::DriveError::None);
    for (const bool cancel : {false, true}) {
        QTemporaryDir out;
        RipRequest request = Request("flac");
        request.OutputRoot = out.path();
        request.Tracks = disc_.AudioTracks();
        request.Workers = 2;
        DiscRip command(source_, nullptr);
        RipError error;
        ASSERT_TRUE(command.Begin(request, error));
        const TrackRip first = command.RipTrack(1, [&](int32_t percent) {
            if (cancel && percent > 50)
                command.Cancel();
        });
        EXPECT_EQ(first.Report.Outcome, cancel ? RipOutcome::Cancelled : RipOutcome::Done);
        command.Finish();
        const QStringList expected =
            cancel ? QStringList{} : QStringList{"1-Prélude.flac", "Suites.cue", "Suites.log", "Suites.m3u"};
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
