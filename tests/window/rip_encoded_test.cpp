// The MP3 and Ogg paths of the rip command over the demo disc, their files read back by
// independent decoders.

#include "drive_catalogue.h"
#include "quavrel/naming/output_names.h"
#include "rip_test_support.h"
#include "ui_TCDRipTestForm.h"

#include <QFile>

namespace {

// Sample frames of a track of the demo disc, from its start to the next track's.
int64_t TrackFrames(int track)
{
    const std::vector<int32_t> starts = TrackStarts(QStringLiteral("demo"));
    return int64_t{starts[static_cast<size_t>(track)] - starts[static_cast<size_t>(track - 1)]} * 588;
}

double Seconds(const QString &file)
{
    return Probe(file, QStringLiteral("format=duration")).section('=', 1).toDouble();
}

struct BarStep {
    int maximum;
    int value;
    bool operator==(const BarStep &) const = default;
};

} // namespace

class EncodedRipTest : public RipTest {
  protected:
    // ProgressBar2's (maximum, value) at each change of its value during the next rip.
    void RecordBar2()
    {
        QObject::connect(ui()->ProgressBar2, &QProgressBar::valueChanged, window_.get(), [this](int value) {
            bar2_.push_back({ui()->ProgressBar2->maximum(), value});
        });
    }
    std::vector<BarStep> bar2_;
};

TEST_F(EncodedRipTest, Mp3OfTwoTracksOutOfFive)
{
    Tick({2, 5});
    RecordBar2();
    Rip(kMp3);

    for (int track : {2, 5}) {
        const QString file = OutputPath(QString::number(track) + ".mp3");
        EXPECT_FALSE(RunTool(QStringLiteral("mpg123"), {"-q", "-t", file}).isNull()) << track;
        EXPECT_NEAR(Seconds(file), TrackFrames(track) / 44100.0, 0.1) << track;
        EXPECT_FALSE(Ticked(track));
        EXPECT_EQ(Cell(track, 4), SizeText(file));
        EXPECT_NE(Cell(track, 4), "0 Ko");
    }
    EXPECT_EQ(window_->StatusText(), "Rippage & encodage correctement aboutis");
    EXPECT_EQ(bar2_, (std::vector<BarStep>{{3, 1}, {3, 2}, {1, 0}}));
}

TEST_F(EncodedRipTest, Mp3At32000HzKeepsTheTracksDuration)
{
    ui()->fquce->setCurrentIndex(1);
    window_->fquceChange();
    Tick({2});
    Rip(kMp3);

    const QString file = OutputPath(QStringLiteral("2.mp3"));
    EXPECT_EQ(Probe(file, QStringLiteral("stream=sample_rate")), "sample_rate=32000");
    EXPECT_NEAR(Seconds(file), TrackFrames(2) / 44100.0, 0.1);
}

TEST_F(EncodedRipTest, OggOfTwoTracksOutOfFiveWithTheirComments)
{
    // 70 two-byte characters: the comment keeps the 65 that fit in 131 bytes.
    ui()->lblArtist->setText(QString(70, QChar(0xE9)));
    ui()->lblTitle->setText(QStringLiteral("Album du disque"));
    ui()->ListView1->topLevelItem(1)->setText(1, QStringLiteral("Été"));
    Tick({2, 5});
    RecordBar2();
    Rip(kOgg);

    for (int track : {2, 5}) {
        const QString file = OutputPath(QString::number(track) + ".ogg");
        EXPECT_FALSE(RunTool(QStringLiteral("ogginfo"), {file}).isNull()) << track;
        // Every sample of the track, the short tail included.
        EXPECT_EQ(Probe(file, QStringLiteral("stream=duration_ts")),
                  "duration_ts=" + QString::number(TrackFrames(track)));
        EXPECT_FALSE(Ticked(track));
        EXPECT_EQ(Cell(track, 4), SizeText(file));

        const QStringList comments =
            QString::fromUtf8(RunTool(QStringLiteral("vorbiscomment"), {"-l", file})).split('\n');
        EXPECT_TRUE(comments.contains("ARTIST=" + QString(65, QChar(0xE9))));
        EXPECT_TRUE(comments.contains("ALBUM=Album du disque"));
        EXPECT_TRUE(comments.contains("TRACKNUMBER=" + QString::number(track)));
        EXPECT_TRUE(comments.contains("TRACKTOTAL=5"));
        EXPECT_EQ(comments.filter(QRegularExpression("^COMMENT=Encoder DLL : Ver \\d")).size(), 1);
        EXPECT_EQ(comments.contains(QStringLiteral("TITLE=Été")), track == 2);
        EXPECT_EQ(comments.filter(QRegularExpression("^TITLE=")).size(), track == 2 ? 1 : 0);
        // Nothing looked up: no genre, no year, and never a made-up one.
        EXPECT_EQ(comments.filter(QRegularExpression("^(GENRE|DATE)=")).size(), 0);
    }
    EXPECT_EQ(window_->StatusText(), "Rippage & encodage correctement aboutis");
    // One step per row, ticked or not; the bar stops at its maximum.
    EXPECT_EQ(bar2_, (std::vector<BarStep>{{2, 1}, {2, 2}, {2, 0}}));
    EXPECT_FALSE(window_->RipInProgress);
}

TEST_F(EncodedRipTest, ClosingTheWindowStopsAnMp3Rip)
{
    Tick({1, 2});
    OnFirstProgress([this] { window_->close(); });
    Rip(kMp3);

    EXPECT_FALSE(QFile::exists(OutputPath(QStringLiteral("1.mp3"))));
    EXPECT_FALSE(QFile::exists(OutputPath(QStringLiteral("2.mp3"))));
    EXPECT_TRUE(Ticked(1));
    EXPECT_TRUE(Ticked(2));
}
