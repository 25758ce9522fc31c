// The read offset corrected on an emulated drive that reads 667 samples early: the rip pipeline
// gives the image's own audio, and its checksums are the database's.

#include "dbar_file.h"
#include "emulated_drives.h"
#include "local_http_server.h"
#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/engine/formats/wav_sink.h"
#include "quavrel/engine/pipeline/rip_pipeline.h"
#include "quavrel/engine/pipeline/runtime_rip_source.h"
#include "quavrel/engine/verify/track_checksums.h"
#include "quavrel/network/accuraterip_fetch.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using emulatedtest::BinSectors;
using emulatedtest::EmulatedDrives;

constexpr int32_t kDriveOffset = 667;

struct RippedTrack {
    std::vector<uint8_t> pcm;
    uint32_t v1 = 0;
    uint32_t v2 = 0;
};

class VerifiedRipEmulated : public testing::Test {
  protected:
    void SetUp() override
    {
        drives_ = std::make_unique<EmulatedDrives>(std::vector<std::string>{"demo,offset=+667"});
        qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit());
        CdAccessStart();
        ASSERT_TRUE(CDRipReady());
        ASSERT_EQ(ReadCdInfo(info_), kCdInfoRead);
        disc_ = AccurateRipDiscOf(info_, 0x3a04b705);
        ASSERT_EQ(disc_.Tracks.size(), 5u);
    }
    void TearDown() override
    {
        CdAccessEnd();
        drives_.reset();
    }

    RippedTrack Rip(int Track, int32_t OffsetSamples)
    {
        const TCdTrackSlot &slot = info_.Slot(Track);
        TrackChecksums sums(disc_.FramesOf(Track), Track == 1, Track == info_.TrackCount);
        RipCallbacks callbacks;
        callbacks.Pcm = [&sums](const uint8_t *pcm, size_t bytes) { sums.Feed(pcm, bytes); };
        RuntimeRipSource source;
        RipPipeline pipeline(source);
        pipeline.SetReadOffset({OffsetSamples, disc_.Starts.front(), disc_.LeadOut});
        WavSink sink(2, 44100, false);
        const QString path = dir_.filePath(QStringLiteral("%1.pcm").arg(Track));
        const RipReport report =
            pipeline.Rip(slot.StartSector, slot.StartSector + slot.LengthSectors - 1, sink, path, callbacks);
        EXPECT_EQ(report.Outcome, RipOutcome::Done) << report.Error.toStdString();
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        return {std::vector<uint8_t>(bytes.begin(), bytes.end()), sums.V1(), sums.V2()};
    }

    // The database's entry for a track: the checksum of the image's own audio.
    AccurateRipEntry TrueEntry(int Track) const
    {
        const TCdTrackSlot &slot = info_.Slot(Track);
        const std::vector<uint8_t> truth =
            BinSectors("demo", slot.StartSector, slot.StartSector + slot.LengthSectors - 1);
        TrackChecksums sums(disc_.FramesOf(Track), Track == 1, Track == info_.TrackCount);
        sums.Feed(truth.data(), truth.size());
        return {9, sums.V1(), 0};
    }

    QTemporaryDir dir_;
    std::unique_ptr<EmulatedDrives> drives_;
    TCdInfo info_;
    AccurateRipDisc disc_;
};

TEST_F(VerifiedRipEmulated, TheMatchingOffsetGivesTheImagesAudioAndAnExactRip)
{
    AccurateRipPressing pressing{disc_.Id1, disc_.Id2, disc_.Id3, {}};
    for (int track = 1; track <= 5; ++track)
        pressing.Tracks.push_back(TrueEntry(track));
    LocalHttpServer server;
    server.Answer(200, DbarFile({pressing}));
    const AccurateRipLookup lookup = LookUpAccurateRip(server.Address(), disc_);
    ASSERT_TRUE(lookup.Found()) << lookup.Detail.toStdString();

    // The first track's first samples come from before the disc: silence, as on the image.
    for (const int track : {1, 2}) {
        const RippedTrack ripped = Rip(track, kDriveOffset);
        const TCdTrackSlot &slot = info_.Slot(track);
        EXPECT_TRUE(ripped.pcm ==
                    BinSectors("demo", slot.StartSector, slot.StartSector + slot.LengthSectors - 1))
            << "track " << track;
        const AccurateRipVerdict verdict = VerdictOf(lookup, track, ripped.v1, ripped.v2);
        EXPECT_EQ(verdict.Result, AccurateRipResult::Exact) << "track " << track;
        EXPECT_EQ(verdict.Confidence, 9);
    }

    // The last 667 samples of the disc lie beyond what the drive can read: silence there, the
    // rest the image's, and the checksum (which leaves the end out) still exact.
    const RippedTrack last = Rip(5, kDriveOffset);
    const TCdTrackSlot &slot = info_.Slot(5);
    std::vector<uint8_t> expected =
        BinSectors("demo", slot.StartSector, slot.StartSector + slot.LengthSectors - 1);
    std::fill(expected.end() - kDriveOffset * 4, expected.end(), 0);
    EXPECT_TRUE(last.pcm == expected);
    EXPECT_EQ(VerdictOf(lookup, 5, last.v1, last.v2).Result, AccurateRipResult::Exact);

    // Without the setting the same drive's rip is off by 667 samples.
    const RippedTrack uncorrected = Rip(2, 0);
    EXPECT_FALSE(uncorrected.pcm == BinSectors("demo", info_.Slot(2).StartSector,
                                               info_.Slot(2).StartSector + info_.Slot(2).LengthSectors - 1));
    EXPECT_EQ(VerdictOf(lookup, 2, uncorrected.v1, uncorrected.v2).Result, AccurateRipResult::Mismatch);
}

} // namespace
