// The tags of ripped files after a lookup: the entry's names, year and genre (its own genre line,
// else its category) and the disc ID, read back by TagLib, ffprobe, vorbiscomment and metaflac.

#include "lookup_test_support.h"
#include "quavrel/engine/tags/mp3_tags.h"
#include "ui_TCDRipTestForm.h"

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

// The tools of the rip tests (rip_test_support.cpp), whose fixture names other drives.
QByteArray RunTool(const QString &program, const QStringList &arguments);
std::vector<int32_t> TrackStarts(const QString &disc);

namespace {

QString FromTag(const TagLib::String &text)
{
    return QString::fromStdString(text.to8Bit(true));
}

QStringList Lines(const QByteArray &output)
{
    return QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class RipTagsTest : public LookupTest {
  protected:
    // Looks the demo disc up, then rips track 2 in Format into a private folder.
    QString LookUpAndRipTrack2(int format, const QString &extension)
    {
        auto *ui = Window().Controls();
        ui->btnCalcDiscID->click();
        EXPECT_EQ(ui->lblDiscID->text(), DemoDiscId());
        ui->Label3->setText(out_.path() + QStringLiteral("/"));
        ui->creerlesrepertoires->setChecked(false);
        Window().N1Click();
        ui->ListView1->topLevelItem(1)->setCheckState(0, Qt::Checked);
        ui->ComboBox1->setCurrentIndex(format);
        Window().ripperlapisteauformatWav1Click();
        EXPECT_EQ(Window().StatusText(), "Rippage & encodage correctement aboutis");
        return out_.filePath(QStringLiteral("2") + extension);
    }
    QTemporaryDir out_;
};

TEST_F(RipTagsTest, Mp3AndFlacCarryTheEntrysNamesYearGenreAndDiscId)
{
    CopyDemoEntry();
    StartServer();
    OpenWindow();
    // With the Info frame: the decoder's exact length must survive the tag in front of it.
    Window().Controls()->vbr->setChecked(true);
    Window().vbrClick();
    // Servers send an entry's year and genre from level 5 on: the UTF-8 box asks level 6.
    Window().Controls()->textesutf8->setChecked(true);
    const QString mp3 = LookUpAndRipTrack2(1, QStringLiteral(".mp3"));
    EXPECT_NE(RequestLog().find("&proto=6 "), std::string::npos);

    {
        TagLib::MPEG::File file(QFile::encodeName(mp3).constData());
        ASSERT_TRUE(file.hasID3v2Tag());
        ASSERT_TRUE(file.hasID3v1Tag());
        TagLib::ID3v2::Tag &tag = *file.ID3v2Tag();
        EXPECT_EQ(tag.header()->majorVersion(), 3u);
        const TagLib::ID3v2::FrameList artist = tag.frameList("TPE1");
        ASSERT_EQ(artist.size(), 1u);
        EXPECT_EQ(static_cast<TagLib::ID3v2::TextIdentificationFrame *>(artist.front())->textEncoding(),
                  TagLib::String::UTF16);
        EXPECT_EQ(FromTag(tag.artist()), QStringLiteral("Orchestre de démonstration"));
        EXPECT_EQ(FromTag(tag.album()), QStringLiteral("Disque de démonstration"));
        EXPECT_EQ(FromTag(tag.title()), "Carillon");
        ASSERT_FALSE(tag.frameList("TRCK").isEmpty());
        EXPECT_EQ(FromTag(tag.frameList("TRCK").front()->toString()), "2/5");
        // Read back, TagLib shows the ID3v2.3 year frame as a recording time.
        EXPECT_EQ(tag.year(), 2026u);
        EXPECT_EQ(FromTag(tag.genre()), "Classique");
        auto *discId = TagLib::ID3v2::UserTextIdentificationFrame::find(&tag, kId3DiscIdDescription);
        ASSERT_NE(discId, nullptr);
        EXPECT_EQ(FromTag(discId->fieldList().back()), DemoDiscId());
        EXPECT_EQ(FromTag(file.ID3v1Tag()->title()), "Carillon");
    }
    const QStringList probed = Lines(
        RunTool("ffprobe", {"-v", "error", "-show_entries", "format_tags", "-of", "default=nw=1", mp3}));
    for (const QString &line :
         {QStringLiteral("TAG:artist=Orchestre de démonstration"),
          QStringLiteral("TAG:album=Disque de démonstration"), QStringLiteral("TAG:title=Carillon"),
          QStringLiteral("TAG:track=2/5"), QStringLiteral("TAG:date=2026"),
          QStringLiteral("TAG:genre=Classique"), "TAG:CDDB DiscID=" + DemoDiscId()})
        EXPECT_TRUE(probed.contains(line)) << line.toStdString() << "\n" << probed.join('\n').toStdString();
    // Every sample of the track (start to the next track), no more: the Info frame still rules.
    const std::vector<int32_t> starts = TrackStarts(QStringLiteral("demo"));
    const QByteArray decoded = RunTool("mpg123", {"-q", "-s", mp3});
    EXPECT_EQ(decoded.size() / 4, int64_t{starts[2] - starts[1]} * 588);

    const QString flac = LookUpAndRipTrack2(3, QStringLiteral(".flac"));
    const QStringList comments = Lines(RunTool("metaflac", {"--export-tags-to=-", flac}));
    for (const QString &line :
         {QStringLiteral("ARTIST=Orchestre de démonstration"),
          QStringLiteral("ALBUM=Disque de démonstration"), QStringLiteral("TITLE=Carillon"),
          QStringLiteral("TRACKNUMBER=2"), QStringLiteral("TRACKTOTAL=5"), QStringLiteral("DATE=2026"),
          QStringLiteral("GENRE=Classique"), "DISCID=" + DemoDiscId()})
        EXPECT_TRUE(comments.contains(line)) << line.toStdString();
}

TEST_F(RipTagsTest, OggGenreComesFromTheCategoryWhenTheEntryHasNone)
{
    WriteEntry("classical", DemoDiscId(), "Ensemble", "Suites", {"Un", "Deux", "Trois", "Quatre", "Cinq"});
    StartServer();
    OpenWindow();
    const QString ogg = LookUpAndRipTrack2(0, QStringLiteral(".ogg"));

    EXPECT_FALSE(RunTool("ogginfo", {ogg}).isNull());
    const QStringList comments = Lines(RunTool("vorbiscomment", {"-l", ogg}));
    EXPECT_TRUE(comments.contains("GENRE=Classical")) << comments.join('\n').toStdString();
    EXPECT_TRUE(comments.contains("DISCID=" + DemoDiscId()));
    EXPECT_TRUE(comments.contains("TITLE=Deux"));
    // The entry has no year, and the fixed genre of old is gone.
    EXPECT_TRUE(comments.filter(QRegularExpression("^(DATE|GENRE=Blue)")).isEmpty());
}
