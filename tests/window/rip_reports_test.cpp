// A verified album rip through the window: each track's verdict against a database on a loopback
// server beside the status text, and the rip log, cue sheet and playlist beside the files.

#include "dbar_file.h"
#include "local_http_server.h"
#include "quavrel/engine/verify/track_checksums.h"
#include "rip_test_support.h"
#include "ui_TCDRipTestForm.h"

#include <QFile>

namespace {

const QStringList kTitles = {"Prélude", "Allemande", "Courante", "Sarabande", "Gigue"};

QString ReadText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

TEST_F(RipTest, AVerifiedAlbumRipReportsEachTrackAndLeavesItsLogCueSheetAndPlaylist)
{
    // The database knows the image's own audio, but for track 3 another pressing's.
    const std::vector<int32_t> starts = TrackStarts(QStringLiteral("demo"));
    AccurateRipPressing pressing;
    for (int track = 1; track <= 5; ++track) {
        const QByteArray audio = ImageSectors(QStringLiteral("demo"), starts[track - 1], starts[track] - 1);
        TrackChecksums sums(audio.size() / 4, track == 1, track == 5);
        sums.Feed(reinterpret_cast<const uint8_t *>(audio.constData()), static_cast<size_t>(audio.size()));
        pressing.Tracks.push_back({4, track == 3 ? sums.V1() ^ 1 : sums.V1(), 0});
    }
    LocalHttpServer server;
    server.Answer(200, DbarFile({pressing}));
    window_->AccurateRipServer = server.Address();

    ui()->lblArtist->setText(QStringLiteral("Bach"));
    ui()->lblTitle->setText(QStringLiteral("Suites"));
    ui()->numeropiste->setChecked(true);
    ui()->nomdepiste->setChecked(true);
    for (int track = 1; track <= 5; ++track)
        ui()->ListView1->topLevelItem(track - 1)->setText(1, kTitles[track - 1]);
    Tick({1, 2, 3, 4, 5});
    Rip(kWav);
    EXPECT_EQ(window_->VerifyNoteText(), "Piste 5 : AccurateRip exacte (confiance 4)");
    ASSERT_EQ(server.Paths().size(), 1) << "one lookup per disc";
    EXPECT_TRUE(server.Paths().front().contains(QStringLiteral("/dBAR-005-")))
        << server.Paths().front().toStdString();

    const QString log = ReadText(OutputPath(QStringLiteral("Suites.log")));
    EXPECT_TRUE(log.contains(QStringLiteral("Décalage de lecture : 0 échantillon(s)"))) << log.toStdString();
    EXPECT_TRUE(log.contains(
        QStringLiteral("Piste 2 : Allemande\n  Fichier : 2-Allemande.wav\n  Secteurs : %1 à %2\n")
            .arg(starts[1])
            .arg(starts[2] - 1)))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("  Résultat : AccurateRip différente de la base (confiance 4)")));
    EXPECT_TRUE(log.contains(
        QStringLiteral("Résumé : 5 piste(s) rippée(s), 4 exacte(s), 1 différente(s), 0 non vérifiée(s)")));
    // The CRC32 of track 1 is that of its file's audio.
    QFile first(OutputPath(QStringLiteral("1-Prélude.wav")));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    const QByteArray audio = first.readAll().mid(44);
    TrackChecksums crc(0, false, false);
    crc.Feed(reinterpret_cast<const uint8_t *>(audio.constData()), static_cast<size_t>(audio.size()));
    EXPECT_TRUE(
        log.contains(QStringLiteral("CRC32 : %1").arg(crc.Crc32(), 8, 16, QLatin1Char('0')).toUpper()));

    // The playlist and cue sheet beside them (their contents are the rip command's own tests').
    EXPECT_TRUE(QFile::exists(OutputPath(QStringLiteral("Suites.m3u"))));
    EXPECT_TRUE(QFile::exists(OutputPath(QStringLiteral("Suites.cue"))));
}
