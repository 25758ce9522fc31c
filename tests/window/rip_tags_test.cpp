// The tags of ripped files after a lookup: the entry's names, year and genre (its own genre line,
// else its category) and the disc ID, read back by TagLib, ffprobe, vorbiscomment and metaflac.

#include "cli_process.h"
#include "lookup_test_support.h"
#include "quavrel/engine/tags/mp3_tags.h"
#include "ui_TCDRipTestForm.h"

#include <map>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <QDir>
#include <QDirIterator>
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

namespace {

// Every file of a folder and below, by its path inside it.
std::map<QString, QString> FilesUnder(const QString &root)
{
    std::map<QString, QString> files;
    for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        files[QDir(root).relativeFilePath(path)] = path;
    }
    return files;
}

QByteArray Bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST_F(RipTagsTest, TheWindowAndTheCommandLineMakeTheSameFilesInEveryFormat)
{
    CopyDemoEntry();
    StartServer();
    OpenWindow();
    auto *ui = Window().Controls();
    ui->btnCalcDiscID->click();
    ASSERT_EQ(ui->lblArtist->text(), QStringLiteral("Orchestre de démonstration"));
    // Both rip into the same folder, the window's files moved aside first: even the log's folder
    // line is the same.
    const QString root = out_.filePath(QStringLiteral("rips"));
    ui->Label3->setText(root + QStringLiteral("/"));
    ui->numeropiste->setChecked(true);
    ui->nomdepiste->setChecked(true);
    for (int format = 0; format < 4; ++format) {
        Window().ToutSelectionner1Click();
        ui->ComboBox1->setCurrentIndex(format);
        Window().ripperlapisteauformatWav1Click();
        EXPECT_EQ(Window().StatusText(), format == 2
                                             ? QStringLiteral("Rippage correctement exécuté ")
                                             : QStringLiteral("Rippage & encodage correctement aboutis"));
    }
    ASSERT_TRUE(QDir().rename(root, out_.filePath(QStringLiteral("window"))));
    // The window's settings are the command line's.
    Window().FormCloseQuery();
    const std::map<std::string, std::string> env{
        {"XDG_CONFIG_HOME", qEnvironmentVariable("XDG_CONFIG_HOME").toStdString()}};
    for (const char *format : {"ogg", "mp3", "wav", "flac"}) {
        const CliResult run = RunCli({"rip", "-f", format}, env);
        ASSERT_EQ(run.exitCode, 0) << format << run.err;
    }
    ASSERT_TRUE(QDir().rename(root, out_.filePath(QStringLiteral("cli"))));

    const std::map<QString, QString> window = FilesUnder(out_.filePath(QStringLiteral("window")));
    const std::map<QString, QString> cli = FilesUnder(out_.filePath(QStringLiteral("cli")));
    QStringList windowNames;
    QStringList cliNames;
    for (const auto &[name, path] : window)
        windowNames << name;
    for (const auto &[name, path] : cli)
        cliNames << name;
    ASSERT_EQ(windowNames, cliNames);
    ASSERT_EQ(windowNames.filter(QStringLiteral(".ogg")).size(), 5);
    for (const auto &[name, path] : window) {
        const QString other = cli.at(name);
        if (name.endsWith(QStringLiteral(".log"))) {
            // Only the first two lines differ: the program's name and the time.
            EXPECT_EQ(Lines(Bytes(path)).mid(2), Lines(Bytes(other)).mid(2)) << name.toStdString();
        } else if (name.endsWith(QStringLiteral(".ogg"))) {
            // An Ogg stream has a serial number of its own and says when it was encoded: its audio
            // and its other comments are the same.
            const QStringList decode{"-v", "error", "-i", "", "-f", "s16le", "-"};
            QStringList a = decode, b = decode;
            a[3] = path;
            b[3] = other;
            EXPECT_TRUE(RunTool("ffmpeg", a) == RunTool("ffmpeg", b)) << name.toStdString();
            const QRegularExpression time(QStringLiteral("^ENCODING_TIME="));
            QStringList ca = Lines(RunTool("vorbiscomment", {"-l", path}));
            QStringList cb = Lines(RunTool("vorbiscomment", {"-l", other}));
            ca.removeIf([&](const QString &line) { return time.match(line).hasMatch(); });
            cb.removeIf([&](const QString &line) { return time.match(line).hasMatch(); });
            EXPECT_EQ(ca, cb) << name.toStdString();
        } else {
            EXPECT_TRUE(Bytes(path) == Bytes(other)) << name.toStdString();
        }
    }
}
