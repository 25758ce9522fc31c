// The read offset corrected on an emulated drive that reads 667 samples early: the rip command
// gives the image's own audio, and its checksums are the database's.

#include "dbar_file.h"
#include "emulated_drives.h"
#include "local_http_server.h"
#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/engine/bindings/cd_info_disc.h"
#include "quavrel/engine/pipeline/runtime_rip_source.h"
#include "quavrel/engine/rip/disc_rip.h"
#include "quavrel/engine/verify/accuraterip_disc.h"
#include "quavrel/network/accuraterip_fetch.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using emulatedtest::BinSectors;
using emulatedtest::EmulatedDrives;

constexpr int32_t kDriveOffset = 667;

class VerifiedRipEmulated : public testing::Test {
  protected:
    void SetUp() override
    {
        drives_ = std::make_unique<EmulatedDrives>(std::vector<std::string>{"demo,offset=+667"});
        qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit());
        CdAccessStart();
        ASSERT_TRUE(CDRipReady());
        TCdInfo info;
        ASSERT_EQ(ReadCdInfo(info), kCdInfoRead);
        disc_ = DiscOf(info).value_or(Disc{});
        ASSERT_EQ(disc_.AudioTracks().size(), 5u);
    }
    void TearDown() override
    {
        CdAccessEnd();
        drives_.reset();
    }

    // The tracks ripped to WAV with the drive's offset set to Offset, securely as asked.
    std::vector<TrackRip> Rip(const std::vector<int> &Tracks, int32_t Offset, const QString &Folder,
                              const SecureReading &Secure = {})
    {
        RipRequest request;
        request.Disc = disc_;
        request.Format = FindRipFormat(QStringLiteral("wav"));
        request.OutputRoot = dir_.filePath(Folder);
        request.ByArtist = false;
        request.ReadOffset = Offset;
        request.AccurateRipServer = server_.Address();
        request.Secure = Secure;
        RuntimeRipSource source;
        AccurateRipService database;
        DiscRip command(source, &database);
        RipError error;
        EXPECT_TRUE(command.Begin(request, error)) << RipErrorText(error).toStdString();
        for (const int track : Tracks)
            command.RipTrack(track);
        const std::vector<TrackRip> results = command.Results();
        command.Finish();
        return results;
    }

    std::vector<uint8_t> Audio(const TrackRip &Rip) const
    {
        QFile file(Rip.File);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll().mid(44);
        return {bytes.begin(), bytes.end()};
    }

    std::vector<uint8_t> Image(int Track) const
    {
        const SectorRange range = disc_.TrackRange(Track);
        return BinSectors("demo", range.First, range.Last);
    }

    // The database's entries: the checksums of the image's own audio, each track with its count.
    void AnswerImageChecksums(const std::vector<uint8_t> &Confidences)
    {
        const AccurateRipIdentity ids = disc_.AccurateRipIds();
        AccurateRipPressing pressing{ids.Id1, ids.Id2, ids.Id3, {}};
        for (int track = 1; track <= 5; ++track) {
            TrackChecksums sums = ChecksumsOfTrack(disc_, track);
            const std::vector<uint8_t> truth = Image(track);
            sums.Feed(truth.data(), truth.size());
            pressing.Tracks.push_back({Confidences[static_cast<size_t>(track - 1)], sums.V1(), 0});
        }
        server_.Answer(200, DbarFile({pressing}));
    }

    QTemporaryDir dir_;
    std::unique_ptr<EmulatedDrives> drives_;
    Disc disc_;
    LocalHttpServer server_;
};

TEST_F(VerifiedRipEmulated, TheMatchingOffsetGivesTheImagesAudioAndAnExactRip)
{
    AnswerImageChecksums({9, 9, 9, 9, 9});

    const std::vector<TrackRip> rips = Rip({1, 2, 5}, kDriveOffset, QStringLiteral("corrected"));
    ASSERT_EQ(rips.size(), 3u);
    for (const TrackRip &rip : rips) {
        ASSERT_TRUE(rip.Done()) << RipErrorText(rip.Report.Error).toStdString();
        EXPECT_EQ(rip.Verdict.Result, AccurateRipResult::Exact) << "track " << rip.Track;
        EXPECT_EQ(rip.Verdict.Confidence, 9);
    }
    // The first track's first samples come from before the disc: silence, as on the image.
    EXPECT_TRUE(Audio(rips[0]) == Image(1));
    EXPECT_TRUE(Audio(rips[1]) == Image(2));
    // The last 667 samples of the disc lie beyond what the drive can read: silence there, the
    // rest the image's, and the checksum (which leaves the end out) still exact.
    std::vector<uint8_t> expected = Image(5);
    std::fill(expected.end() - kDriveOffset * 4, expected.end(), 0);
    EXPECT_TRUE(Audio(rips[2]) == expected);

    // Without the setting the same drive's rip is off by 667 samples.
    const std::vector<TrackRip> uncorrected = Rip({2}, 0, QStringLiteral("uncorrected"));
    EXPECT_FALSE(Audio(uncorrected[0]) == Image(2));
    EXPECT_EQ(uncorrected[0].Verdict.Result, AccurateRipResult::Mismatch);
}

TEST_F(VerifiedRipEmulated, ASecureRipSkipsTheTestReadOfACopyTheDatabaseConfirmsTwice)
{
    AnswerImageChecksums({9, 2, 1, 9, 9});
    const std::vector<TrackRip> rips = Rip({2, 3}, kDriveOffset, QStringLiteral("secure"), {16, 2, 0});
    ASSERT_EQ(rips.size(), 2u);
    for (const TrackRip &rip : rips) {
        ASSERT_TRUE(rip.Done()) << RipErrorText(rip.Report.Error).toStdString();
        EXPECT_TRUE(Audio(rip) == Image(rip.Track)) << "track " << rip.Track;
        EXPECT_EQ(rip.Verdict.Result, AccurateRipResult::Exact);
    }
    // Two rippers agree with track 2's copy: read once. One is not enough for track 3.
    EXPECT_TRUE(rips[0].Report.TestSkipped);
    EXPECT_EQ(rips[0].Report.SectorsRead, rips[0].Range.Count() + 1) << "the offset reads a sector more";
    EXPECT_FALSE(rips[1].Report.TestSkipped);
    EXPECT_EQ(rips[1].Report.SectorsRead, 2 * (rips[1].Range.Count() + 1));
    QFile log(dir_.filePath(QStringLiteral("secure/Album.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(text.contains("(lecture de test omise : copie confirmée par AccurateRip)\n"))
        << text.toStdString();
    EXPECT_EQ(text.count("  CRC de test : "), 1);
}

} // namespace
