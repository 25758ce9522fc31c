// Lost audio on an emulated drive, through the ripping library, the pipeline and the rip command:
// sectors the drive cannot read and sectors it reads with C2 errors make a damaged track, written
// beside the complete one and never over it; a medium taken out fails the track; a cancel ends a
// slow drive's read at once. A secure rip reads through what a burst rip keeps wrong, and calls
// what never reads alike an unsafe copy.

#include "emulated_drives.h"
#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/engine/bindings/cd_info_disc.h"
#include "quavrel/engine/pipeline/runtime_rip_source.h"
#include "quavrel/engine/rip/disc_rip.h"
#include "quavrel/engine/rip/rip_texts.h"

#include <chrono>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using emulatedtest::BinSectors;
using emulatedtest::EmulatedDrives;

constexpr int kTrack = 3;
// Track 3 of the demo disc runs from sector 2082 to 6886.
constexpr int32_t kTrackFirst = 2082;

class DamagedRipEmulated : public testing::Test {
  protected:
    // Drive 0 is the demo disc as Spec makes it, drive 1 the same disc read well (as Others make
    // it, each a drive from 1 on).
    void Start(const std::string &Spec, const std::vector<std::string> &Others = {""})
    {
        std::vector<std::string> specs{"demo" + Spec};
        for (const std::string &other : Others)
            specs.push_back("demo" + other);
        drives_ = std::make_unique<EmulatedDrives>(specs);
        qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit());
        CdAccessStart();
        ASSERT_TRUE(CDRipReady());
        // The table from the drive that reads well: a slow one would take its time over it.
        SelectDrive(1);
        TCdInfo info;
        ASSERT_EQ(ReadCdInfo(info), kCdInfoRead);
        disc_ = DiscOf(info).value_or(Disc{});
        ASSERT_EQ(disc_.TrackRange(kTrack).First, kTrackFirst);
    }
    void TearDown() override
    {
        CdAccessEnd();
        drives_.reset();
    }

    // Track 3 of Drive to FLAC in the test's folder, with its log. Progress runs after each chunk.
    // Secure as asked; Straight reads without paranoia's jitter correction.
    TrackRip Rip(int Drive, const std::function<void(DiscRip &, int32_t)> &Progress = {},
                 const SecureReading &Secure = {}, bool Straight = false)
    {
        SelectDrive(Drive);
        RipRequest request;
        request.Disc = disc_;
        request.Format = FindRipFormat(QStringLiteral("flac"));
        request.Encoder.FlacCompression = 5;
        request.OutputRoot = dir_.filePath(QStringLiteral("out"));
        request.ByArtist = false;
        request.Secure = Secure;
        RuntimeRipSource source;
        DiscRip command(source, nullptr);
        RipError error;
        EXPECT_TRUE(command.Begin(request, error)) << RipErrorText(error).toStdString();
        TCDRomParams params{};
        SetRipParameters(params);
        if (Straight) {
            params.JitterCorrection = 0;
            EXPECT_EQ(cdrip3::CR_SetCDROMParameters(&params), CDRIP_OK);
        }
        const TrackRip rip = command.RipTrack(track_, [&](int32_t percent) {
            if (Progress)
                Progress(command, percent);
        });
        command.Finish();
        return rip;
    }

    QString Out(const QString &Name) const { return dir_.filePath(QStringLiteral("out/") + Name); }

    QString Log() const
    {
        QFile file(Out(QStringLiteral("Album.log")));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QString::fromUtf8(file.readAll());
    }

    // The file's audio as flac decodes it.
    static QByteArray Decoded(const QString &File)
    {
        QProcess flac;
        flac.start(QStringLiteral("flac"),
                   {"-d", "-s", "-c", "--force-raw-format", "--endian=little", "--sign=signed", File});
        EXPECT_TRUE(flac.waitForFinished(60000));
        EXPECT_EQ(flac.exitCode(), 0) << flac.readAllStandardError().toStdString();
        return flac.readAllStandardOutput();
    }

    // Sectors of the track whose decoded audio differs from the image's.
    std::vector<int32_t> DifferingSectors(const QString &File) const
    {
        const SectorRange range = disc_.TrackRange(track_);
        const std::vector<uint8_t> image = BinSectors("demo", range.First, range.Last);
        const QByteArray audio = Decoded(File);
        EXPECT_EQ(static_cast<size_t>(audio.size()), image.size());
        std::vector<int32_t> differing;
        for (int32_t sector = 0; sector < range.Count(); ++sector)
            if (audio.mid(sector * 2352, 2352) !=
                QByteArray(reinterpret_cast<const char *>(image.data()) + sector * 2352, 2352))
                differing.push_back(range.First + sector);
        return differing;
    }

    int track_ = kTrack;
    QTemporaryDir dir_;
    std::unique_ptr<EmulatedDrives> drives_;
    Disc disc_;
};

TEST_F(DamagedRipEmulated, UnreadableSectorsMakeADamagedFileBesideTheCompleteOneUntilAGoodRip)
{
    Start(",faults=unreadable=2500-6886");
    const TrackRip complete = Rip(1);
    ASSERT_TRUE(complete.Done()) << RipErrorText(complete.Report.Error).toStdString();
    ASSERT_EQ(complete.File, Out(QStringLiteral("3.flac")));
    const QByteArray whole = Decoded(complete.File);

    const TrackRip damaged = Rip(0);
    ASSERT_TRUE(damaged.Damaged()) << TrackResultText(damaged).toStdString();
    EXPECT_EQ(damaged.File, Out(QStringLiteral("3 (endommagé).flac")));
    // Every sector the drive could not give is counted, and none besides: the rest is the disc's.
    EXPECT_EQ(damaged.Report.LostSectors(false), 4387);
    EXPECT_EQ(DamageText(damaged.Report, damaged.Range, kAllAreas),
              "4387 secteur(s) illisible(s) (0:05.43–1:04.04 dans la piste)");
    const std::vector<int32_t> differing = DifferingSectors(damaged.File);
    ASSERT_EQ(differing.size(), 4387u);
    EXPECT_EQ(differing.front(), 2500);
    EXPECT_EQ(differing.back(), 6886);
    EXPECT_EQ(Decoded(complete.File), whole) << "the complete file stays whole";
    const QString log = QString::fromUtf8([&] {
        QFile file(Out(QStringLiteral("Album.log")));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }());
    EXPECT_TRUE(log.contains("  Fichier : 3 (endommagé).flac\n")) << log.toStdString();
    EXPECT_TRUE(
        log.contains("  Endommagée : 4387 secteur(s) illisible(s) (0:05.43–1:04.04 dans la piste)\n"));

    // A good rip of the track takes the damaged copy away; the log names the complete file again.
    ASSERT_TRUE(Rip(1).Done());
    EXPECT_FALSE(QFile::exists(Out(QStringLiteral("3 (endommagé).flac"))));
    QFile log2(Out(QStringLiteral("Album.log")));
    ASSERT_TRUE(log2.open(QIODevice::ReadOnly));
    const QString after = QString::fromUtf8(log2.readAll());
    EXPECT_TRUE(after.contains("  Fichier : 3.flac\n")) << after.toStdString();
    EXPECT_FALSE(after.contains("Endommagée"));
}

TEST_F(DamagedRipEmulated, C2ErrorsCountEverySectorTheDriveFlagged)
{
    // A scratch that reads differently every time, and a drive that says where.
    Start(",faults=bits=3000-3010:c2");
    const TrackRip rip = Rip(0);
    ASSERT_TRUE(rip.Damaged()) << TrackResultText(rip).toStdString();
    EXPECT_EQ(rip.Report.LostSectors(true), 11);
    EXPECT_EQ(rip.Report.LostSectors(false), 0);
    EXPECT_EQ(DamageText(rip.Report, rip.Range, 1),
              "11 secteur(s) erroné(s) (C2) (0:12.18–0:12.28 dans la piste)");
    for (const int32_t sector : DifferingSectors(rip.File))
        EXPECT_TRUE(sector >= 3000 && sector <= 3010) << sector << " differs but was not counted";
}

TEST_F(DamagedRipEmulated, AMediumTakenOutFailsTheTrackWithThatReason)
{
    Start("");
    const std::string device = drives_->Device(0);
    bool ejected = false;
    const TrackRip rip = Rip(0, [&](DiscRip &, int32_t percent) {
        if (ejected || percent < 20)
            return;
        const int fd = open(device.c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        ioctl(fd, CDROM_LOCKDOOR, 0);
        EXPECT_EQ(ioctl(fd, CDROMEJECT, 0), 0);
        close(fd);
        ejected = true;
    });
    ASSERT_TRUE(ejected);
    EXPECT_EQ(rip.Report.Outcome, RipOutcome::Failed) << TrackResultText(rip).toStdString();
    EXPECT_EQ(rip.Report.Error.Kind, RipErrorKind::MediumRemoved);
    EXPECT_EQ(TrackResultText(rip), "échec : Erreur : le disque a été retiré pendant la lecture");
    EXPECT_EQ(QDir(Out({})).entryList(QDir::Files | QDir::Hidden), QStringList{});
}

TEST_F(DamagedRipEmulated, ACancelEndsASlowDrivesReadAtOnce)
{
    // Every read of the drive takes a tenth of a second, and paranoia reads each sector more than
    // once: a cancel that waited for the chunk's reads would take seconds. (Opening a rip costs
    // libcdio's own test reads, so slower reads would only make the test long.)
    Start(",faults=slow=100");
    std::chrono::steady_clock::time_point cancelled;
    const TrackRip rip = Rip(0, [&](DiscRip &command, int32_t) {
        if (command.Cancelled())
            return;
        cancelled = std::chrono::steady_clock::now();
        command.Cancel();
    });
    const auto took = std::chrono::steady_clock::now() - cancelled;
    EXPECT_EQ(rip.Report.Outcome, RipOutcome::Cancelled);
    // A generous bound: the read in flight takes its time.
    EXPECT_LT(took, std::chrono::seconds(3));
}

} // namespace

// Sectors of track 2 (565 sectors, 1517 to 2081) that read wrong the first time, on a drive that
// caches 1500 sectors: paranoia's re-reads, and a copy read after the test read, get them from the
// cache as they first came; reading elsewhere first makes the drive read the disc.
constexpr char kCachedFirstReadErrors[] = ",cache=1500,faults=firstread=1900-1909";
constexpr int kShortTrack = 2;

TEST_F(DamagedRipEmulated, FirstReadErrorsTheCacheKeepsStayInABurstRip)
{
    Start(kCachedFirstReadErrors);
    track_ = kShortTrack;
    const TrackRip rip = Rip(0);
    ASSERT_TRUE(rip.Written()) << TrackResultText(rip).toStdString();
    EXPECT_FALSE(DifferingSectors(rip.File).empty());
}

TEST_F(DamagedRipEmulated, ASecureRipWithTheCacheEvictedIsTheDiscsAudioAndNamesWhatItReadAgain)
{
    // The drive flags what its first reads got wrong.
    Start(std::string(kCachedFirstReadErrors) + ":c2");
    track_ = kShortTrack;
    const TrackRip rip = Rip(0, {}, {16, 2, kCacheEvictSectors});
    ASSERT_TRUE(rip.Done()) << TrackResultText(rip).toStdString();
    EXPECT_EQ(rip.File, Out(QStringLiteral("2.flac")));
    EXPECT_EQ(DifferingSectors(rip.File), std::vector<int32_t>{});
    ASSERT_FALSE(rip.Report.Reread.empty()) << Log().toStdString();
    EXPECT_TRUE(rip.Report.Suspicious.empty());
    EXPECT_NE(rip.Report.TestCrc, rip.Report.CopyCrc);
    const QString log = Log();
    EXPECT_TRUE(log.contains("  CRC de test : ")) << log.toStdString();
    EXPECT_TRUE(log.contains(" (différents)\n"));
    EXPECT_TRUE(log.contains("  Relu jusqu'à l'accord : 0:0")) << log.toStdString();
    EXPECT_TRUE(log.contains("  Secteurs signalés C2 : 10 (relus en premier)\n"));
    EXPECT_TRUE(log.contains("Lecture sûre : "));
}

TEST_F(DamagedRipEmulated, ASecureRipThatTrustsTheCacheKeepsTheErrorItServes)
{
    Start(kCachedFirstReadErrors);
    track_ = kShortTrack;
    const TrackRip rip = Rip(0, {}, {16, 2, 0});
    ASSERT_TRUE(rip.Written()) << TrackResultText(rip).toStdString();
    EXPECT_FALSE(DifferingSectors(rip.File).empty());
}

TEST_F(DamagedRipEmulated, ASecureRipMeasuresTheDrivesCacheAndGetsPastItAsTheDriveAllows)
{
    // At a real drive's pace: one that honours the force-unit-access bit and reads wrong the first
    // time, one that does not, one without a cache.
    constexpr char kTimed[] = ",speed=20,seek=5";
    Start(std::string(kTimed) + ",cache=1500,faults=firstread=1900-1909",
          {kTimed, std::string(kTimed) + ",cache=1500,nofua"});
    track_ = kShortTrack;
    const TrackRip refreshed = Rip(0, {}, {16, 2, kCacheEvictSectors});
    ASSERT_TRUE(refreshed.Done()) << TrackResultText(refreshed).toStdString();
    EXPECT_EQ(refreshed.Report.Cache, DriveCache::Refreshable);
    EXPECT_EQ(DifferingSectors(refreshed.File), std::vector<int32_t>{});
    EXPECT_FALSE(refreshed.Report.Reread.empty());
    EXPECT_TRUE(
        Log().contains("Cache audio du lecteur : présent (mesuré au début), rafraîchi par des lectures FUA"))
        << Log().toStdString();
    const TrackRip plain = Rip(1, {}, {16, 2, kCacheEvictSectors});
    ASSERT_TRUE(plain.Done()) << TrackResultText(plain).toStdString();
    EXPECT_EQ(plain.Report.Cache, DriveCache::None);
    EXPECT_TRUE(Log().contains("Cache audio du lecteur : absent (mesuré au début), rien à évincer"));
    const TrackRip evicted = Rip(2, {}, {16, 2, kCacheEvictSectors});
    EXPECT_EQ(evicted.Report.Cache, DriveCache::Holds);
    EXPECT_TRUE(
        Log().contains("Cache audio du lecteur : présent (mesuré au début), évincé par 2048 secteur(s)"));
    // What is stored of a drive is taken as it is.
    const TrackRip stored = Rip(1, {}, {16, 2, kCacheEvictSectors, DriveCache::Holds});
    EXPECT_EQ(stored.Report.Cache, DriveCache::Holds);
    EXPECT_TRUE(Log().contains("Cache audio du lecteur : présent (enregistré)"));
}

TEST_F(DamagedRipEmulated, SectorsThatNeverReadAlikeAreAnUnsafeCopyNeverASuccess)
{
    // Read straight, with nothing to notice it but the comparison.
    Start(",faults=bits=4000-4003");
    const TrackRip complete = Rip(1);
    ASSERT_TRUE(complete.Done());
    const TrackRip rip = Rip(0, {}, {3, 2, kCacheEvictSectors}, true);
    ASSERT_TRUE(rip.Damaged()) << TrackResultText(rip).toStdString();
    EXPECT_EQ(rip.File, Out(QStringLiteral("3 (endommagé).flac")));
    ASSERT_FALSE(rip.Report.Suspicious.empty());
    EXPECT_LE(rip.Report.Suspicious.front().First, 4000);
    EXPECT_GE(rip.Report.Suspicious.back().Last, 4003);
    EXPECT_TRUE(TrackResultText(rip).startsWith("copie non sûre : 4 secteur(s) jamais lu(s) deux fois"))
        << TrackResultText(rip).toStdString();
    EXPECT_TRUE(Log().contains("  Positions suspectes : 0:2")) << Log().toStdString();
    EXPECT_TRUE(QFile::exists(Out(QStringLiteral("3.flac")))) << "the complete file stays";
}
