// What quavrel-cli adds to the files beside the names, checked by independent programs: ReplayGain
// values against ffmpeg's EBU R128 meter (the album's only when the whole disc was ripped), Opus
// files that opusdec decodes to the tracks' exact length, and a cancelled Opus track that leaves
// nothing behind.

#include "cli_process.h"

#include <cmath>
#include <csignal>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString Tool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The integrated loudness (LUFS) and the sample peak of Inputs played one after the other, as
// ffmpeg's meter gives them at the end.
std::pair<double, double> Measured(const QStringList &inputs)
{
    QStringList arguments{"-nostats", "-hide_banner"};
    for (const QString &input : inputs)
        arguments << "-i" << input;
    arguments << "-filter_complex"
              << QStringLiteral(
                     "concat=n=%1:v=0:a=1,ebur128=metadata=1:peak=sample,ametadata=mode=print:file=-")
                     .arg(inputs.size())
              << "-f"
              << "null"
              << "-";
    double loudness = NAN;
    double peak = NAN;
    for (const QString &line : Tool("ffmpeg", arguments).split('\n')) {
        if (line.startsWith("lavfi.r128.I="))
            loudness = line.section('=', 1).toDouble();
        else if (line.startsWith("lavfi.r128.sample_peak="))
            peak = line.section('=', 1).toDouble();
    }
    return {loudness, peak};
}

// A FLAC file's comment as a number ("-3.21 dB" gives -3.21); NaN when absent.
double FlacTag(const QString &file, const QString &name)
{
    const QString line = Tool("metaflac", {"--show-tag=" + name, file}).trimmed();
    return line.isEmpty() ? NAN : line.section('=', 1).section(' ', 0, 0).toDouble();
}

QString OpusComments(const QString &file)
{
    return Tool("opusinfo", {file});
}

class CliFormatsTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(config_.isValid() && out_.isValid());
        env_["XDG_CONFIG_HOME"] = config_.path().toStdString();
    }
    QString Out(const QString &name) const { return out_.filePath(name); }
    std::vector<std::string> Rip(std::vector<std::string> options)
    {
        std::vector<std::string> arguments{"rip", "--no-lookup", "-o", out_.path().toStdString()};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return arguments;
    }
    // Each track's length in sectors, from the disc's table.
    std::vector<int> Lengths()
    {
        const CliResult run = RunCli({"toc", "--json"}, env_);
        std::vector<int> lengths;
        for (const QJsonValue &track :
             QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object().value("tracks").toArray())
            lengths.push_back(track.toObject().value("length").toInt());
        return lengths;
    }

    std::map<std::string, std::string> env_;
    QTemporaryDir config_;
    QTemporaryDir out_;
};

TEST_F(CliFormatsTest, ReplayGainAgreesWithAnIndependentMeterAndOpusCarriesItAtItsExactLength)
{
    const CliResult flac = RunCli(Rip({"-f", "flac"}), env_);
    ASSERT_EQ(flac.exitCode, 0) << flac.err;
    QStringList files;
    double loudest = 0;
    for (int track = 1; track <= 5; ++track) {
        SCOPED_TRACE(track);
        const QString file = Out(QStringLiteral("%1.flac").arg(track));
        files << file;
        const auto [loudness, measuredPeak] = Measured({file});
        EXPECT_NEAR(FlacTag(file, "REPLAYGAIN_TRACK_GAIN"), -18.0 - loudness, 0.1);
        const double peak = FlacTag(file, "REPLAYGAIN_TRACK_PEAK");
        EXPECT_NEAR(20 * std::log10(peak), 20 * std::log10(measuredPeak), 0.1);
        loudest = std::max(loudest, peak);
    }
    // The album as one programme: the tracks one after the other.
    const double album = -18.0 - Measured(files).first;
    for (const QString &file : files) {
        EXPECT_NEAR(FlacTag(file, "REPLAYGAIN_ALBUM_GAIN"), album, 0.1) << file.toStdString();
        EXPECT_DOUBLE_EQ(FlacTag(file, "REPLAYGAIN_ALBUM_PEAK"), loudest) << file.toStdString();
    }
    EXPECT_TRUE(QString::fromUtf8(ReadFile(Out("Album.log").toStdString())).contains("Gain d'album : "));

    // Opus: 48 kHz from the library's resampler, 640 samples a sector once its pre-skip and the
    // end of the last page are trimmed; the gains as R128 values, 5 dB below ReplayGain's.
    const CliResult opus = RunCli(Rip({"-f", "opus", "-b", "96"}), env_);
    ASSERT_EQ(opus.exitCode, 0) << opus.err;
    const std::vector<int> lengths = Lengths();
    ASSERT_EQ(lengths.size(), 5u);
    for (int track = 1; track <= 5; ++track) {
        SCOPED_TRACE(track);
        const QString file = Out(QStringLiteral("%1.opus").arg(track));
        const QString wav = Out(QStringLiteral("%1.decoded.wav").arg(track));
        Tool("opusdec", {"--quiet", "--rate", "48000", file, wav});
        ASSERT_TRUE(QFileInfo::exists(wav));
        EXPECT_EQ(Tool("soxi", {"-s", wav}).trimmed().toLongLong(), int64_t{lengths[track - 1]} * 640);
        const QString comments = OpusComments(file);
        const QRegularExpressionMatch gain = QRegularExpression("R128_TRACK_GAIN=(-?\\d+)").match(comments);
        ASSERT_TRUE(gain.hasMatch()) << comments.toStdString();
        const double expected = (FlacTag(files[track - 1], "REPLAYGAIN_TRACK_GAIN") - 5.0) * 256;
        EXPECT_NEAR(gain.captured(1).toDouble(), expected, 2.0);
        EXPECT_TRUE(comments.contains("R128_ALBUM_GAIN=")) << comments.toStdString();
        EXPECT_TRUE(comments.contains("TRACKNUMBER=" + QString::number(track))) << comments.toStdString();
    }
}

TEST_F(CliFormatsTest, PartOfTheDiscGetsNoAlbumGainAndACoverNeedsARelease)
{
    const CliResult run = RunCli(Rip({"-f", "flac", "-t", "2,3", "--cover", "both"}), env_);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char *name : {"2.flac", "3.flac"}) {
        EXPECT_FALSE(std::isnan(FlacTag(Out(name), "REPLAYGAIN_TRACK_GAIN"))) << name;
        EXPECT_TRUE(std::isnan(FlacTag(Out(name), "REPLAYGAIN_ALBUM_GAIN"))) << name;
    }
    const QString log = QString::fromUtf8(ReadFile(Out("Album.log").toStdString()));
    EXPECT_TRUE(log.contains(QStringLiteral(
        "Gain d'album : aucun, toutes les pistes audio n'ont pas été rippées par cette commande")))
        << log.toStdString();
    // No lookup, no release: the rip goes on without a cover and says why.
    const QString why =
        QStringLiteral("Pochette : aucune (les noms ne viennent pas d'une parution MusicBrainz)");
    EXPECT_TRUE(log.contains(why)) << log.toStdString();
    EXPECT_NE(run.err.find(why.toStdString()), std::string::npos) << run.err;
    EXPECT_FALSE(QFileInfo::exists(Out("cover.jpg")));

    const CliResult bad = RunCli(Rip({"--cover", "everywhere"}), env_);
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("--cover attend none, file, embed ou both"), std::string::npos) << bad.err;
}

TEST_F(CliFormatsTest, CtrlCDuringAnOpusTrackLeavesNothingOfIt)
{
    env_["QUAVREL_FAULTS"] = "slow=15";
    CliProcess rip(Rip({"-f", "opus", "-t", "2,3"}), env_);
    ASSERT_TRUE(rip.WaitForError("Piste 3 : ")) << rip.Finish().err;
    rip.Interrupt(SIGINT);
    const CliResult run = rip.Finish();
    EXPECT_EQ(run.exitCode, 130) << run.err;
    EXPECT_EQ(QDir(out_.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"2.opus", "Album.cue", "Album.log", "Album.m3u"}));
    EXPECT_FALSE(OpusComments(Out("2.opus")).isEmpty());
}

} // namespace
