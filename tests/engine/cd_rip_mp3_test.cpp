// Rips straight to MP3 through the component and the real MP3 coder, checked by mpg123.
#include "drive_catalogue.h"
#include "quavrel/engine/bindings/lame_coder.h"
#include "quavrel/engine/tags/track_tags.h"
#include "ripper_test_support.h"

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/uniquefileidentifierframe.h>

#include <QDir>
#include <QFile>

namespace rippertest {
namespace {

class Mp3RipTest : public RipperFixture {
  protected:
    void SetUp() override
    {
        RipperFixture::SetUp();
        ripper_ = RipperOn("demo");
        ripper_->SetEncode(true);
        coder_.SetBitrate(320);
        coder_.SetWriteVBRHeader(true); // the Info frame lets decoders drop the encoder's padding
        ripper_->SetCoder(&coder_);
    }

    // Samples per channel that mpg123 decodes from the file.
    static long DecodedFrames(const QString &path, int channels)
    {
        const CommandResult decoded = RunCommand("mpg123 -q -s " + Quoted(path) + " | wc -c");
        EXPECT_EQ(decoded.status, 0) << decoded.output;
        return std::stol(decoded.output) / (2 * channels);
    }

    TLameCoder coder_;
    std::unique_ptr<TCDRIP> ripper_;
};

constexpr long kMp3Frame = 1152;

TEST_F(Mp3RipTest, TrackDecodesToItsFullLength)
{
    const TTrack &track = ripper_->Tracks().Track(0);
    ripper_->RipTrack(1, OutPath("Track01.wav"));
    const QString mp3 = OutPath("Track01.mp3");
    ASSERT_TRUE(QFile::exists(mp3));
    EXPECT_FALSE(QFile::exists(OutPath("Track01.wav")));
    const long expected = static_cast<long>(track.EndSector - track.StartSector + 1) * 588;
    EXPECT_NEAR(DecodedFrames(mp3, 2), expected, kMp3Frame);
}

TEST_F(Mp3RipTest, MusicBrainzIdentifiersGoWherePlayersReadThem)
{
    TrackTags tags;
    tags.Title = QStringLiteral("Ouverture");
    tags.MusicBrainzAlbumId = QStringLiteral("5d0a8e3c-0000-4000-8000-000000000001");
    tags.MusicBrainzTrackId = QStringLiteral("5d0a8e3c-0000-4000-8000-000000000002");
    ripper_->SetTags(tags);
    const TTrack &track = ripper_->Tracks().Track(0);
    ripper_->RipSectors(track.StartSector, track.StartSector + 75, OutPath("tagged"));

    TagLib::MPEG::File file(QFile::encodeName(OutPath("tagged.mp3")).constData());
    ASSERT_TRUE(file.hasID3v2Tag());
    TagLib::ID3v2::Tag *tag = file.ID3v2Tag();
    auto *album = TagLib::ID3v2::UserTextIdentificationFrame::find(tag, "MusicBrainz Album Id");
    ASSERT_NE(album, nullptr);
    EXPECT_EQ(album->fieldList().back(), TagLib::String(tags.MusicBrainzAlbumId.toStdString()));
    const TagLib::ID3v2::FrameList ufid = tag->frameList("UFID");
    ASSERT_EQ(ufid.size(), 1u);
    const auto *recording = static_cast<TagLib::ID3v2::UniqueFileIdentifierFrame *>(ufid.front());
    EXPECT_EQ(recording->owner(), "http://musicbrainz.org");
    EXPECT_EQ(recording->identifier(), TagLib::ByteVector(tags.MusicBrainzTrackId.toStdString().c_str()));
    // Nothing set, nothing written: no made-up year, genre or disc ID frames.
    EXPECT_TRUE(tag->frameList("TCON").isEmpty());
    EXPECT_EQ(tag->frameList("TXXX").size(), 1u);
    EXPECT_EQ(VorbisComments(tags).back(),
              std::make_pair(QStringLiteral("MUSICBRAINZ_TRACKID"), tags.MusicBrainzTrackId));
}

TEST_F(Mp3RipTest, AudioShorterThanOneEncoderChunkIsEncoded)
{
    // One sector is less than one encoder chunk: all of it is the leftover at the end.
    const TTrack &track = ripper_->Tracks().Track(0);
    ripper_->RipSectors(track.StartSector + 100, track.StartSector + 100, OutPath("short"));
    EXPECT_NEAR(DecodedFrames(OutPath("short.mp3"), 2), 588, kMp3Frame / 2);
}

TEST_F(Mp3RipTest, ExtensionFromTheLastDotAndJitterFileBesideIt)
{
    const size_t drive = static_cast<size_t>(ripper_->CDRomNum());
    const TTrack &track = ripper_->Tracks().Track(0);
    drives::Faults faults;
    faults.jitter = {track.StartSector + 10};
    ASSERT_EQ(drives::SetFaults(drive, faults), drives::DriveError::None);
    ripper_->RipTrack(1, OutPath("01-Mr. Jones"));
    drives::ClearFaults(drive);
    EXPECT_TRUE(QFile::exists(OutPath("01-Mr.mp3")));
    EXPECT_TRUE(QFile::exists(OutPath("01-Mr.jitt")));
    // A clean rip of the same name takes the old list away.
    ripper_->RipTrack(1, OutPath("01-Mr. Jones"));
    EXPECT_FALSE(QFile::exists(OutPath("01-Mr.jitt")));
}

TEST_F(Mp3RipTest, EncodeWithoutCoderCreatesAnEmptyFileAndStillRips)
{
    ripper_->SetCoder(nullptr);
    int last = -1;
    ripper_->OnProgress = [&](QObject *, uint16_t percent) { last = percent; };
    ripper_->RipTrack(1, OutPath("nocoder.wav"));
    EXPECT_EQ(last, 100);
    EXPECT_TRUE(QFile::exists(OutPath("nocoder.mp3")));
    EXPECT_EQ(QFile(OutPath("nocoder.mp3")).size(), 0);
}

TEST_F(Mp3RipTest, ACancelledRipLeavesTheEarlierFileWhole)
{
    ripper_->RipTrack(1, OutPath("cancel.mp3"));
    const std::vector<uint8_t> complete = ReadFile(OutPath("cancel.mp3"));
    ASSERT_FALSE(complete.empty());
    ripper_->OnProgress = [&](QObject *, uint16_t) { ripper_->CancelRip(); };
    ripper_->RipTrack(1, OutPath("cancel.mp3"));
    EXPECT_EQ(ripper_->LastRip().Outcome, RipOutcome::Cancelled);
    EXPECT_EQ(ReadFile(OutPath("cancel.mp3")), complete);
    EXPECT_EQ(QDir(OutPath("")).entryList(QDir::Files | QDir::Hidden), QStringList{"cancel.mp3"});
}

TEST_F(Mp3RipTest, OutputFormatSetsTheCodersModeAndRateOnlyWhenWritten)
{
    ripper_->SetOutputFormat(TOutputFormat::MONO22050);
    EXPECT_EQ(coder_.Mode(), TLameMode::MONO);
    EXPECT_EQ(coder_.SampleRate(), 22050u);
    ripper_->RipTrack(1, OutPath("mono"));
    const CommandResult info =
        RunCommand("ffprobe -v error -show_entries stream=channels,sample_rate -of csv=p=0 " +
                   Quoted(OutPath("mono.mp3")));
    EXPECT_EQ(info.output, "22050,1\n");

    // Another part may change the coder afterwards; the next rip keeps that change.
    coder_.SetSampleRate(44100);
    coder_.SetMode(TLameMode::STEREO);
    ripper_->SetEncode(true);
    EXPECT_EQ(coder_.SampleRate(), 44100u);
}

} // namespace
} // namespace rippertest
