// quavrel-cli as a user runs it: the built program on the generated demo disc, against the local
// CDDB server process, its files read back byte for byte and by vorbiscomment.

#include "cddb_server_process.h"
#include "cli_process.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString DataDir()
{
    return qEnvironmentVariable("QUAVREL_DATA_DIR");
}

// Start sectors of the demo disc's tracks from its cue sheet, then the lead-out.
std::vector<int> DemoTrackStarts()
{
    std::vector<int> starts;
    QFile cue(DataDir() + QStringLiteral("/discs/demo.cue"));
    EXPECT_TRUE(cue.open(QIODevice::ReadOnly));
    static const QRegularExpression index(QStringLiteral("INDEX 01 (\\d+):(\\d+):(\\d+)"));
    for (const QString &line : QString::fromUtf8(cue.readAll()).split(QLatin1Char('\n')))
        if (const QRegularExpressionMatch m = index.match(line); m.hasMatch())
            starts.push_back(m.captured(1).toInt() * 4500 + m.captured(2).toInt() * 75 +
                             m.captured(3).toInt());
    starts.push_back(
        static_cast<int>(QFileInfo(DataDir() + QStringLiteral("/discs/demo.bin")).size() / 2352));
    return starts;
}

QByteArray DemoTrackPcm(int track)
{
    const std::vector<int> starts = DemoTrackStarts();
    QFile image(DataDir() + QStringLiteral("/discs/demo.bin"));
    if (!image.open(QIODevice::ReadOnly) || !image.seek(qint64{starts.at(track - 1)} * 2352))
        return {};
    return image.read(qint64{starts.at(track) - starts.at(track - 1)} * 2352);
}

// The generated entry of the demo disc: its path under build/data/cddb.
QFileInfo DemoEntry()
{
    for (const QFileInfo &category :
         QDir(DataDir() + QStringLiteral("/cddb")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QFileInfo &entry : QDir(category.filePath()).entryInfoList(QDir::Files))
            return entry;
    return {};
}

uint32_t Le32(const QByteArray &bytes, int offset)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes.at(offset + i));
    return value;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(config_.isValid() && out_.isValid() && entries_.isValid());
        env_["XDG_CONFIG_HOME"] = config_.path().toStdString();
    }

    // The demo disc's entry in category rock, and the same disc ID in jazz under another name.
    void ServeDemoEntry(bool twoCategories)
    {
        QFile demo(DemoEntry().filePath());
        ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
        const QByteArray entry = demo.readAll();
        const QString id = DemoEntry().fileName();
        QDir(entries_.path()).mkpath(QStringLiteral("rock"));
        WriteFile(entries_.filePath(QStringLiteral("rock/") + id).toStdString(), entry.toStdString());
        if (twoCategories) {
            QByteArray other = entry;
            const qsizetype begin = other.indexOf("DTITLE=");
            other.replace(begin, other.indexOf('\n', begin) - begin, "DTITLE=Autre Artiste / Autre Album");
            QDir(entries_.path()).mkpath(QStringLiteral("jazz"));
            WriteFile(entries_.filePath(QStringLiteral("jazz/") + id).toStdString(), other.toStdString());
        }
        server_ = std::make_unique<ostrelle_test::CddbServerProcess>(entries_.path().toStdString());
    }

    // The demo disc's entry in category rock with another album and genre, stored in UTF-8.
    void ServeDemoEntryWith(const QString &album, const QString &genre)
    {
        QFile demo(DemoEntry().filePath());
        ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromLatin1(demo.readAll()).split(QLatin1Char('\n'));
        for (QString &line : lines) {
            if (line.startsWith(QLatin1String("DTITLE=")))
                line = QStringLiteral("DTITLE=Orchestre de démonstration / ") + album;
            else if (line.startsWith(QLatin1String("DGENRE=")))
                line = QStringLiteral("DGENRE=") + genre;
        }
        QDir(entries_.path()).mkpath(QStringLiteral("rock"));
        WriteFile(entries_.filePath(QStringLiteral("rock/") + DemoEntry().fileName()).toStdString(),
                  lines.join(QLatin1Char('\n')).toStdString());
        server_ = std::make_unique<ostrelle_test::CddbServerProcess>(entries_.path().toStdString());
    }

    void StoreSettings(const std::map<QString, QString> &values)
    {
        QSettings settings(config_.filePath(QStringLiteral("Quavrel/Quavrel.ini")), QSettings::IniFormat);
        for (const auto &[name, value] : values)
            settings.setValue(name, value);
        settings.sync();
    }

    std::string OutDir() const { return out_.path().toStdString(); }

    std::map<std::string, std::string> env_;
    QTemporaryDir config_;
    QTemporaryDir out_;
    QTemporaryDir entries_;
    std::unique_ptr<ostrelle_test::CddbServerProcess> server_;
};

TEST_F(CliTest, TocJsonGivesTheDemoDiscsTracksAndDiscId)
{
    const CliResult run = RunCli({"toc", "--json"}, env_);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QJsonObject toc = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    const std::vector<int> starts = DemoTrackStarts();
    const QJsonArray tracks = toc.value(QStringLiteral("tracks")).toArray();
    ASSERT_EQ(tracks.size() + 1, static_cast<qsizetype>(starts.size()));
    for (qsizetype i = 0; i < tracks.size(); ++i) {
        const QJsonObject track = tracks.at(i).toObject();
        EXPECT_EQ(track.value(QStringLiteral("number")).toInt(), i + 1);
        EXPECT_EQ(track.value(QStringLiteral("start")).toInt(), starts.at(i));
        EXPECT_EQ(track.value(QStringLiteral("length")).toInt(), starts.at(i + 1) - starts.at(i));
        EXPECT_TRUE(track.value(QStringLiteral("audio")).toBool());
    }
    EXPECT_EQ(toc.value(QStringLiteral("leadOut")).toInt(), starts.back());
    // The generated entry is named by the disc ID the CDDB computes for these offsets.
    EXPECT_EQ(toc.value(QStringLiteral("discId")).toString(), DemoEntry().fileName());
}

TEST_F(CliTest, LookupJsonTakesTheChosenMatchOrSaysNoneWasTaken)
{
    ServeDemoEntry(true);
    const std::string server = server_->Address();
    for (int choice : {1, 2}) {
        const CliResult run =
            RunCli({"lookup", "--server", server, "--choose", std::to_string(choice), "--json"}, env_);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const QJsonObject found = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
        const QJsonArray matches = found.value(QStringLiteral("matches")).toArray();
        ASSERT_EQ(matches.size(), 2);
        EXPECT_EQ(found.value(QStringLiteral("chosen")).toInt(), choice);
        const QJsonObject chosen = matches.at(choice - 1).toObject();
        // What was read is the chosen category's entry.
        EXPECT_EQ(found.value(QStringLiteral("artist")).toString(),
                  chosen.value(QStringLiteral("artist")).toString());
        const bool other = chosen.value(QStringLiteral("category")).toString() == QLatin1String("jazz");
        EXPECT_EQ(found.value(QStringLiteral("artist")).toString() == QLatin1String("Autre Artiste"), other);
        EXPECT_EQ(found.value(QStringLiteral("tracks")).toArray().size(), 5);
    }
    // Standard input is no terminal: nothing is asked, none is taken.
    const CliResult none = RunCli({"lookup", "--server", server, "--json"}, env_);
    EXPECT_EQ(none.exitCode, 4);
    EXPECT_TRUE(QJsonDocument::fromJson(QByteArray::fromStdString(none.out))
                    .object()
                    .value(QStringLiteral("chosen"))
                    .isNull());
    EXPECT_NE(none.err.find("aucune choisie"), std::string::npos) << none.err;
}

// The largest sample of the audio as a share of full scale, as the summary writes it: "98,5 %".
std::string PeakText(const QByteArray &Pcm)
{
    int peak = 0;
    for (qsizetype i = 0; i + 1 < Pcm.size(); i += 2)
        peak = std::max(peak, std::abs(int{static_cast<int16_t>(static_cast<uint8_t>(Pcm[i]) |
                                                                static_cast<uint8_t>(Pcm[i + 1]) << 8)}));
    return QString::number(100.0 * peak / 32768, 'f', 1).replace('.', ',').toStdString() + " %";
}

TEST_F(CliTest, RipWavIsTheDiscsAudioByteForByte)
{
    const CliResult run = RunCli({"rip", "-f", "wav", "-t", "2,4", "--no-lookup", "-o", OutDir()}, env_);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (int track : {2, 4}) {
        QFile file(out_.filePath(QStringLiteral("%1.wav").arg(track)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << track;
        const QByteArray wav = file.readAll();
        const QByteArray pcm = DemoTrackPcm(track);
        ASSERT_EQ(wav.size(), pcm.size() + 44);
        EXPECT_EQ(Le32(wav, 40), static_cast<uint32_t>(pcm.size()));
        EXPECT_TRUE(wav.mid(44) == pcm) << "track " << track;
    }
    EXPECT_FALSE(QFileInfo::exists(out_.filePath(QStringLiteral("1.wav"))));
    EXPECT_NE(run.out.find("terminé, crête " + PeakText(DemoTrackPcm(2))), std::string::npos) << run.out;

    // FLAC is lossless: the flac program decodes it to the same audio; read securely, it says so.
    // Reads that take their time show the drive has no cache, which is kept for its next rips.
    env_["QUAVREL_FAULTS"] = "slow=10";
    const CliResult flac =
        RunCli({"rip", "-f", "flac", "-t", "4", "--secure", "--no-lookup", "-o", OutDir()}, env_);
    ASSERT_EQ(flac.exitCode, 0) << flac.err;
    const QSettings stored(config_.filePath(QStringLiteral("Quavrel/Quavrel.ini")), QSettings::IniFormat);
    EXPECT_TRUE(stored.value(QStringLiteral("Cache audio des lecteurs")).toString().startsWith("non "))
        << stored.value(QStringLiteral("Cache audio des lecteurs")).toString().toStdString();
    QProcess decoder;
    decoder.start(QStringLiteral("flac"), {"-d", "-s", "-c", "--force-raw-format", "--endian=little",
                                           "--sign=signed", out_.filePath(QStringLiteral("4.flac"))});
    ASSERT_TRUE(decoder.waitForFinished(60000));
    EXPECT_TRUE(decoder.readAllStandardOutput() == DemoTrackPcm(4));
    const std::string summary = "terminé, copie sûre, qualité 100 %, crête " + PeakText(DemoTrackPcm(4));
    EXPECT_NE(flac.out.find(summary), std::string::npos) << summary << "\n" << flac.out;
}

TEST_F(CliTest, RipOggFollowsTheStoredSettingsAndTagsTheLookedUpNames)
{
    ServeDemoEntry(false);
    // Ogg, the folder, the server and the names all come from the window's settings.
    StoreSettings({{QStringLiteral("Répertoire"), out_.path() + QLatin1Char('/')},
                   {QStringLiteral("Nom de Serveur"), QString::fromStdString(server_->Address())},
                   {QStringLiteral("Encodeur"), QStringLiteral("0")},
                   {QStringLiteral("Nom de Piste"), QStringLiteral("1")}});
    const CliResult run = RunCli({"rip", "-t", "2"}, env_);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    QStringList found;
    for (QDirIterator it(out_.path(), {QStringLiteral("*.ogg")}, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();)
        found << it.next();
    ASSERT_EQ(found.size(), 1) << run.out;
    const QString file = found.front();
    EXPECT_TRUE(file.startsWith(out_.path() +
                                QStringLiteral("/Orchestre de démonstration/Disque de démonstration/2-")))
        << file.toStdString();
    QProcess comments;
    comments.start(QStringLiteral("vorbiscomment"), {file});
    ASSERT_TRUE(comments.waitForFinished(60000));
    ASSERT_EQ(comments.exitCode(), 0);
    const QString tags = QString::fromUtf8(comments.readAllStandardOutput());
    EXPECT_TRUE(tags.contains(QStringLiteral("ARTIST=Orchestre de démonstration"))) << tags.toStdString();
    EXPECT_TRUE(tags.contains(QStringLiteral("ALBUM=Disque de démonstration"))) << tags.toStdString();
    EXPECT_TRUE(tags.contains(QStringLiteral("TRACKNUMBER=2"))) << tags.toStdString();
    const QString title = tags.section(QStringLiteral("TITLE="), 1, 1).section(QLatin1Char('\n'), 0, 0);
    EXPECT_FALSE(title.isEmpty()) << tags.toStdString();
    EXPECT_TRUE(file.endsWith(QStringLiteral("2-") + title + QStringLiteral(".ogg"))) << file.toStdString();
}

TEST_F(CliTest, CtrlCTermAndHangUpDuringARipKeepTheFinishedTrackAndExit130)
{
    // A slow drive: the second track is still being read when the signal comes.
    env_["QUAVREL_FAULTS"] = "slow=15";
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        // What killed runs left: of a track ripped now (removed), of another one (left alone).
        const QDateTime earlier = QDateTime::currentDateTime().addSecs(-3600);
        for (const char *name : {".3.wav.0badf00d.part", ".5.wav.0badf00d.part"}) {
            QFile part(out_.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(part.open(QIODevice::WriteOnly));
            part.write("partial");
            part.setFileTime(earlier, QFileDevice::FileModificationTime);
        }
        CliProcess rip({"rip", "-f", "wav", "-t", "2,3", "--no-lookup", "-o", OutDir()}, env_);
        ASSERT_TRUE(rip.WaitForError("Piste 3 : ")) << rip.Finish().err;
        rip.Interrupt(signal);
        const CliResult run = rip.Finish();
        EXPECT_EQ(run.exitCode, 130) << run.err;
        QFile done(out_.filePath(QStringLiteral("2.wav")));
        ASSERT_TRUE(done.open(QIODevice::ReadOnly));
        EXPECT_TRUE(done.readAll().mid(44) == DemoTrackPcm(2));
        // The cancelled track left nothing behind, not even its partial file; the reports name the
        // track that was ripped; the summary shows no size beside the cancelled track.
        EXPECT_EQ(QDir(out_.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList({".5.wav.0badf00d.part", "2.wav", "Album.cue", "Album.log", "Album.m3u"}));
        EXPECT_TRUE(QRegularExpression(QStringLiteral("\\n3 +\\S+3\\.wav +- +- +annulé"))
                        .match(QString::fromStdString(run.out))
                        .hasMatch())
            << run.out;
    }
}

TEST_F(CliTest, UnreadableSectorsExit1WithADamagedFileBesideTheCompleteOne)
{
    const QString complete = out_.filePath(QStringLiteral("3.wav"));
    WriteFile(complete.toStdString(), "an earlier complete rip");
    env_["QUAVREL_FAULTS"] = "unreadable=3000-3009";
    const CliResult run = RunCli({"rip", "-f", "wav", "-t", "3", "--no-lookup", "-o", OutDir()}, env_);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(ReadFile(complete.toStdString()), "an earlier complete rip");
    const QString damaged = out_.filePath(QStringLiteral("3 (endommagé).wav"));
    ASSERT_TRUE(QFileInfo::exists(damaged));
    EXPECT_NE(run.out.find("3 (endommagé).wav"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("endommagée : 10 secteur(s) illisible(s) (0:12.18–0:12.27 dans la piste)"),
              std::string::npos)
        << run.out;
    EXPECT_NE(ReadFile(out_.filePath(QStringLiteral("Album.m3u")).toStdString()).find("\n3 (endommagé).wav"),
              std::string::npos);
    // The audio around the lost sectors is the disc's; the lost ones are silence.
    QByteArray expected = DemoTrackPcm(3);
    const int lostAt = (3000 - DemoTrackStarts()[2]) * 2352;
    expected.replace(lostAt, 10 * 2352, QByteArray(10 * 2352, '\0'));
    QFile file(damaged);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().mid(44) == expected);
}

TEST_F(CliTest, BadUsageExits2AndAMissingDriveOrDiscExits3)
{
    for (const std::vector<std::string> &words :
         std::vector<std::vector<std::string>>{{"rip", "-f", "aiff"},
                                               {"rip", "-t", "2-x"},
                                               {"rip", "-t", "9"},
                                               {"rip", "-o", ""},
                                               {"lookup", "--source", "discogs"},
                                               {"toc", "--bogus"},
                                               {"eject"},
                                               {}}) {
        const CliResult run = RunCli(words, env_);
        EXPECT_EQ(run.exitCode, 2) << (words.empty() ? "" : words.front()) << run.err;
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_EQ(RunCli({"toc", "-d", "1"}, env_).exitCode, 3);
    env_["QUAVREL_DRIVES"] = "";
    const CliResult noDrive = RunCli({"drives"}, env_);
    EXPECT_EQ(noDrive.exitCode, 3);
    EXPECT_NE(noDrive.err.find("Aucun lecteur"), std::string::npos) << noDrive.err;
    // An image that cannot be used says why.
    const QString malformed = out_.filePath(QStringLiteral("malformed.cue"));
    WriteFile(malformed.toStdString(), "not a cue sheet\nTRACK x\n");
    for (const QString &image : {out_.filePath(QStringLiteral("absent.cue")), malformed}) {
        env_["QUAVREL_DRIVES"] = image.toStdString();
        const CliResult noDisc = RunCli({"rip", "--no-lookup", "-o", OutDir()}, env_);
        EXPECT_EQ(noDisc.exitCode, 3);
        EXPECT_NE(noDisc.err.find("Image de disque inutilisable dans le lecteur 0, "), std::string::npos)
            << noDisc.err;
        EXPECT_NE(noDisc.err.find(out_.path().toStdString()), std::string::npos) << noDisc.err;
    }
}

} // namespace

TEST_F(CliTest, LookupSourcesAskCddbThenMusicBrainzAsChosen)
{
    ServeDemoEntry(false);
    // The MusicBrainz service stored for this run refuses connections: its reason shows.
    StoreSettings({{QStringLiteral("Nom de Serveur"), QString::fromStdString(server_->Address())},
                   {QStringLiteral("Serveur MusicBrainz"), QStringLiteral("http://127.0.0.1:1")}});
    const CliResult only = RunCli({"lookup", "--source", "musicbrainz"}, env_);
    EXPECT_EQ(only.exitCode, 4) << only.err;
    EXPECT_NE(only.err.find("MusicBrainz"), std::string::npos) << only.err;
    EXPECT_NE(only.err.find("connexion refusée"), std::string::npos) << only.err;
    // CDDB knows the disc: MusicBrainz is not asked.
    const CliResult both = RunCli({"lookup", "--source", "both", "--json"}, env_);
    EXPECT_EQ(both.exitCode, 0) << both.err;
    EXPECT_NE(both.out.find("Orchestre de démonstration"), std::string::npos) << both.out;
}

TEST_F(CliTest, AServersControlCharactersReachNeitherTheTerminalNorTheFilesNorTheirTags)
{
    const auto clean = [](const std::string &text) {
        for (const char *control : {"\x1b", "\x07", "\xc2\x9b", "\xc2\x9c", "\xc2\x9d"})
            if (text.find(control) != std::string::npos)
                return false;
        return true;
    };
    const auto serve = [this](const QString &album, const QString &genre) {
        ServeDemoEntryWith(album, genre);
        StoreSettings({{QStringLiteral("Répertoire"), out_.path() + QLatin1Char('/')},
                       {QStringLiteral("Nom de Serveur"), QString::fromStdString(server_->Address())},
                       {QStringLiteral("Textes en UTF-8"), QStringLiteral("1")},
                       {QStringLiteral("Encodeur"), QStringLiteral("0")}});
    };

    // A terminal's title escape as raw bytes: the reply is not well formed, refused whole, and the
    // reason quotes none of it.
    serve(QStringLiteral("Disque de démonstration"), QStringLiteral("Rock\x1b]0;pwned\x07"));
    const CliResult raw = RunCli({"lookup"}, env_);
    EXPECT_EQ(raw.exitCode, 4) << raw.err;
    EXPECT_NE(raw.err.find("caractère de contrôle"), std::string::npos) << raw.err;
    EXPECT_TRUE(clean(raw.out + raw.err)) << raw.out << raw.err;

    // The same escapes as C1 controls, which are text to the reply's checks: out of every name.
    serve(QStringLiteral("Disque\u009b2J"), QStringLiteral("Rock\u009d0;pwned\u009c"));
    const CliResult json = RunCli({"lookup", "--json"}, env_);
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_TRUE(clean(json.out + json.err)) << json.out << json.err;
    const QJsonObject found = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    EXPECT_EQ(found.value(QStringLiteral("genre")).toString(), QStringLiteral("Rock0;pwned"));
    EXPECT_EQ(found.value(QStringLiteral("album")).toString(), QStringLiteral("Disque2J"));

    const CliResult rip = RunCli({"rip", "-t", "1"}, env_);
    ASSERT_EQ(rip.exitCode, 0) << rip.err;
    EXPECT_TRUE(clean(rip.out + rip.err)) << rip.out << rip.err;
    EXPECT_NE(rip.err.find("Orchestre de démonstration / Disque2J"), std::string::npos) << rip.err;
    QStringList files;
    for (QDirIterator it(out_.path(), {QStringLiteral("*.ogg")}, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();)
        files << it.next();
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files.front().contains(QStringLiteral("/Disque2J/"))) << files.front().toStdString();
    QProcess comments;
    comments.start(QStringLiteral("vorbiscomment"), {files.front()});
    ASSERT_TRUE(comments.waitForFinished(60000));
    const QByteArray tags = comments.readAllStandardOutput();
    EXPECT_TRUE(clean(tags.toStdString())) << tags.toStdString();
    EXPECT_TRUE(tags.contains("GENRE=Rock0;pwned\n")) << tags.toStdString();
    EXPECT_TRUE(tags.contains("ALBUM=Disque2J\n")) << tags.toStdString();
}
