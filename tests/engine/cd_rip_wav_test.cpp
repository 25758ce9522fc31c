// Rips to WAV and raw PCM through the component: file contents, header, events, cancel, jitter
// files and failures.
#include "drive_catalogue.h"
#include "quavrel/engine/formats/wav_header.h"
#include "ripper_test_support.h"

#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace rippertest {
namespace {

constexpr int32_t kSector = 2352;

class WavRipTest : public RipperFixture {
  protected:
    void SetUp() override
    {
        RipperFixture::SetUp();
        cue_ = cdriptest::ParseCue("demo");
        ripper_ = RipperOn("demo");
        ripper_->SetWriteWAV(true);
    }

    std::vector<uint8_t> TrackAudio(int track) const
    {
        const TTrack &t = ripper_->Tracks().Track(track - 1);
        return cdriptest::BinSectors("demo", t.StartSector, t.EndSector);
    }

    int LongestTrack() const
    {
        int longest = 1;
        for (int i = 1; i <= ripper_->TrackCount(); ++i) {
            const TTrack &t = ripper_->Tracks().Track(i - 1);
            const TTrack &best = ripper_->Tracks().Track(longest - 1);
            if (t.EndSector - t.StartSector > best.EndSector - best.StartSector)
                longest = i;
        }
        return longest;
    }

    cdriptest::CueDisc cue_;
    std::unique_ptr<TCDRIP> ripper_;
};

// The header fields of a 16-bit PCM WAV file and its data.
struct WavFile {
    uint32_t riffSize = 0;
    uint32_t dataSize = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    std::vector<uint8_t> data;
};

WavFile ReadWav(const QString &path)
{
    const std::vector<uint8_t> bytes = ReadFile(path);
    WavFile wav;
    if (bytes.size() < 44)
        return wav;
    wav.riffSize = ReadLE32(bytes, 4);
    wav.channels = static_cast<uint16_t>(bytes[22] | bytes[23] << 8);
    wav.rate = ReadLE32(bytes, 24);
    wav.dataSize = ReadLE32(bytes, 40);
    wav.data.assign(bytes.begin() + 44, bytes.end());
    return wav;
}

TEST_F(WavRipTest, WavFileHoldsTheTracksAudioBitForBitWithAMatchingHeader)
{
    const QString path = OutPath("Track02.wav");
    ripper_->RipTrack(2, path);

    const WavFile wav = ReadWav(path);
    const std::vector<uint8_t> audio = TrackAudio(2);
    EXPECT_EQ(wav.data, audio);
    EXPECT_EQ(wav.dataSize, audio.size());
    EXPECT_EQ(wav.riffSize, audio.size() + 36);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.rate, 44100u);

    const CommandResult soxi = RunCommand("soxi -s " + Quoted(path));
    ASSERT_EQ(soxi.status, 0) << soxi.output;
    EXPECT_EQ(std::stoul(soxi.output), audio.size() / 4);
    EXPECT_FALSE(QFile::exists(OutPath("Track02jitt")));
}

TEST_F(WavRipTest, WithoutWavHeaderTheFileIsRawPcm)
{
    ripper_->SetWriteWAV(false);
    const QString path = OutPath("Track01.pcm");
    ripper_->RipTrack(1, path);
    EXPECT_EQ(ReadFile(path), TrackAudio(1));
}

TEST_F(WavRipTest, JitterCorrectionOffStillReadsBitExactAudio)
{
    ripper_->SetJitterCorrect(false);
    const QString path = OutPath("Track03.wav");
    ripper_->RipTrack(3, path);
    EXPECT_EQ(ReadWav(path).data, TrackAudio(3));
}

TEST_F(WavRipTest, MonoAt22050HalvesTheRateAndTheChannels)
{
    ripper_->SetOutputFormat(TOutputFormat::MONO22050);
    const QString path = OutPath("mono.wav");
    const TTrack &track = ripper_->Tracks().Track(0);
    ripper_->RipTrack(1, path);
    const WavFile wav = ReadWav(path);
    EXPECT_EQ(wav.channels, 1);
    EXPECT_EQ(wav.rate, 22050u);
    EXPECT_EQ(wav.data.size(), static_cast<size_t>(track.EndSector - track.StartSector + 1) * kSector / 4);
    EXPECT_EQ(wav.dataSize, wav.data.size());
    EXPECT_EQ(RunCommand("soxi " + Quoted(path)).status, 0);
}

TEST_F(WavRipTest, EventsComeInOrderWithProgressRisingTo100)
{
    std::vector<std::string> events;
    std::vector<int> progress;
    ripper_->OnBeginTrack = [&](QObject *sender, uint16_t track) {
        EXPECT_EQ(sender, ripper_.get());
        events.push_back("begin " + std::to_string(track));
    };
    ripper_->OnProgress = [&](QObject *, uint16_t percent) {
        if (events.back() != "progress")
            events.push_back("progress");
        progress.push_back(percent);
    };
    ripper_->OnEndTrack = [&](QObject *, uint16_t track) {
        events.push_back("end " + std::to_string(track));
    };

    ripper_->RipTrack(1, OutPath("events.wav"));

    EXPECT_EQ(events, (std::vector<std::string>{"begin 1", "progress", "end 1"}));
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 100);
}

TEST_F(WavRipTest, ACancelReplacesNoFileAndALinkIsReplacedNotWrittenThrough)
{
    const QString path = OutPath("cancelled.wav");
    const int longest = LongestTrack(); // several chunks
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an earlier complete file");
    }
    int calls = 0;
    ripper_->OnProgress = [&](QObject *, uint16_t) {
        if (++calls == 2)
            ripper_->CancelRip();
    };
    bool ended = false;
    ripper_->OnEndTrack = [&](QObject *, uint16_t) { ended = true; };
    ripper_->RipTrack(longest, path);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(ended);
    EXPECT_EQ(ripper_->LastRip().Outcome, RipOutcome::Cancelled);
    const std::vector<uint8_t> kept = ReadFile(path);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "an earlier complete file");

    // A link left where the file goes: the link is replaced, what it points at stays as it was.
    ripper_->OnProgress = nullptr;
    ASSERT_TRUE(QFile::link(path, OutPath("link.wav")));
    ripper_->RipTrack(1, OutPath("link.wav"));
    EXPECT_FALSE(QFileInfo(OutPath("link.wav")).isSymLink());
    EXPECT_EQ(ReadWav(OutPath("link.wav")).data, TrackAudio(1));
    EXPECT_EQ(ReadFile(path), kept);
    EXPECT_EQ(QDir(OutPath("")).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"cancelled.wav", "link.wav"}));
}

TEST_F(WavRipTest, JitterIsRepairedAndListedBesideTheFileForItsOwnRipOnly)
{
    const size_t drive = static_cast<size_t>(ripper_->CDRomNum());
    const TTrack &track = ripper_->Tracks().Track(1);
    drives::Faults faults;
    faults.jitter = {track.StartSector + 40};
    ASSERT_EQ(drives::SetFaults(drive, faults), drives::DriveError::None);

    ripper_->RipTrack(2, OutPath("first.wav"));
    EXPECT_EQ(ReadWav(OutPath("first.wav")).data, TrackAudio(2));
    EXPECT_GE(ripper_->JitterErrors(), 1);
    const std::vector<uint8_t> firstList = ReadFile(OutPath("first.jitt"));
    ASSERT_FALSE(firstList.empty());

    // Armed again: the second file lists the second rip's errors, not both rips'.
    ASSERT_EQ(drives::SetFaults(drive, faults), drives::DriveError::None);
    ripper_->RipTrack(2, OutPath("second.wav"));
    EXPECT_EQ(ReadFile(OutPath("second.jitt")), firstList);
    drives::ClearFaults(drive);
}

TEST_F(WavRipTest, AFullDiskRaisesWriteErrorAndTheNextRipStillWorks)
{
    const QString path = OutPath("full.wav");
    {
        // Files of this process cannot grow past 64 KiB: the disk is full for it.
        const FileSizeLimit full(64 * 1024);
        try {
            ripper_->RipTrack(1, path);
            ADD_FAILURE() << "no exception: " << static_cast<int>(ripper_->LastRip().Outcome) << " "
                          << RipErrorText(ripper_->LastRip().Error).toStdString();
        } catch (const ECDRIPWriteError &error) {
            EXPECT_STREQ(error.what(), "Write error");
            EXPECT_TRUE(error.Reason().contains(path)) << error.Reason().toStdString();
        }
    }
    EXPECT_TRUE(QDir(OutPath("")).entryList(QDir::Files | QDir::Hidden).isEmpty());
    // The ripper was closed by the cleanup: a new rip opens it again.
    ripper_->RipTrack(1, OutPath("after.wav"));
    EXPECT_EQ(ReadWav(OutPath("after.wav")).data, TrackAudio(1));
}

TEST_F(WavRipTest, AnUncreatableFileRaisesWriteError)
{
    EXPECT_THROW(ripper_->RipTrack(1, OutPath("missing-dir/Track01.wav")), ECDRIPError);
    EXPECT_FALSE(QFileInfo::exists(OutPath("missing-dir")));
}

TEST_F(WavRipTest, ParametersTheLibraryRefusesStopTheRipBeforeAnyFile)
{
    // With no drive at all the library has no parameters to take.
    const QByteArray drivesBefore = qgetenv("QUAVREL_DRIVES");
    qputenv("QUAVREL_DRIVES", "");
    drives::RebuildCatalogue();
    TCDRIP empty;
    EXPECT_EQ(empty.TrackCount(), 0);
    try {
        empty.RipSectors(0, 75, OutPath("none.wav"));
        ADD_FAILURE() << "no exception";
    } catch (const ECDRIPError &error) {
        EXPECT_STREQ(error.what(), "Invalid CD-ROM parameters");
    }
    EXPECT_FALSE(QFile::exists(OutPath("none.wav")));
    qputenv("QUAVREL_DRIVES", drivesBefore);
    drives::RebuildCatalogue();
}

TEST(WavHeaderTest, SizesOfOneSecondOfStereo)
{
    const WavHeader header = MakeWavHeader(2, 44100, 176400);
    const std::vector<uint8_t> bytes(header.begin(), header.end());
    EXPECT_EQ(ReadLE32(bytes, 4), 176436u);
    EXPECT_EQ(ReadLE32(bytes, 28), 176400u);
    EXPECT_EQ(ReadLE32(bytes, 40), 176400u);
    EXPECT_EQ(bytes[32], 4);
}

} // namespace
} // namespace rippertest
