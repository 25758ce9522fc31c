// The cover of the release a MusicBrainz lookup found, from a local stand-in of the Cover Art
// Archive: embedded in every format that holds a picture (read back by metaflac and TagLib) and
// saved as cover.jpg; a missing image, a redirection out of the web, a huge answer and a silent
// server each leave the rip complete and the reason in its log.

#include "local_musicbrainz_server.h"
#include "lookup_test_support.h"
#include "quavrel/window/track_columns.h"
#include "ui_TCDRipTestForm.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

// From the rip tests' support: a program's standard output, or a null array when it fails.
QByteArray RunTool(const QString &program, const QStringList &arguments);

namespace {

QByteArray Jpeg()
{
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 90));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray FromTag(const TagLib::ByteVector &data)
{
    return QByteArray(data.data(), static_cast<qsizetype>(data.size()));
}

// The front cover a file holds, read back by TagLib (MP3, Ogg, Opus) or metaflac (FLAC).
QByteArray EmbeddedFront(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (path.endsWith(".flac")) {
        if (!QString::fromUtf8(RunTool("metaflac", {"--list", "--block-type=PICTURE", path}))
                 .contains("type: 3"))
            return {};
        return RunTool("metaflac", {"--export-picture-to=-", path});
    }
    if (path.endsWith(".mp3")) {
        TagLib::MPEG::File file(name.constData());
        const TagLib::ID3v2::FrameList frames =
            file.ID3v2Tag() ? file.ID3v2Tag()->frameList("APIC") : TagLib::ID3v2::FrameList();
        for (auto *frame : frames)
            if (auto *picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame *>(frame);
                picture && picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover)
                return FromTag(picture->picture());
        return {};
    }
    std::unique_ptr<TagLib::Ogg::XiphComment> none;
    TagLib::Ogg::Vorbis::File vorbis(name.constData());
    TagLib::Ogg::Opus::File opus(name.constData());
    TagLib::Ogg::XiphComment *comment = path.endsWith(".opus") ? opus.tag() : vorbis.tag();
    if (!comment)
        return {};
    for (const TagLib::FLAC::Picture *picture : comment->pictureList())
        if (picture->type() == TagLib::FLAC::Picture::FrontCover)
            return FromTag(picture->data());
    return {};
}

QByteArray ReleaseAnswer(const QString &discId)
{
    QByteArrayList tracks;
    for (int i = 1; i <= 5; ++i)
        tracks << "{\"id\":\"t" + QByteArray::number(i) + "\",\"position\":" + QByteArray::number(i) +
                      ",\"title\":\"Titre " + QByteArray::number(i) + "\",\"recording\":{\"id\":\"rec-" +
                      QByteArray::number(i) + "\",\"title\":\"x\"}}";
    return "{\"id\":\"x\",\"offset-count\":5,\"releases\":[{\"id\":\"rel-cover\",\"title\":\"Pochettes\","
           "\"status\":\"Official\",\"date\":\"2004\",\"country\":\"FR\",\"artist-credit\":[{\"name\":"
           "\"Artiste\",\"joinphrase\":\"\",\"artist\":{\"id\":\"a1\"}}],\"media\":[{\"position\":1,"
           "\"format\":\"CD\",\"track-count\":5,\"discs\":[{\"id\":\"" +
           discId.toUtf8() + "\",\"sectors\":1}],\"tracks\":[" + tracks.join(',') + "]}]}]}";
}

class CoverArtTest : public LookupTest {
  protected:
    // The window on the demo disc, named by the service's release, which the same service's
    // stand-in of the archive illustrates; the files go to a folder of the test's own.
    TCDRipTestForm &Matched()
    {
        StoreValues({{"Serveur Cover Art Archive", service_.BaseUrl().toString()}});
        TCDRipTestForm &window = OpenWindow();
        window.Controls()->sourceinfos->setCurrentIndex(TCDRipTestForm::kSourceMusicBrainz);
        window.MusicBrainz.BaseUrl = service_.BaseUrl();
        // Any disc ID: the service answers what it is scripted to.
        service_.Script({{200, "OK", ReleaseAnswer(window.Controls()->lblMusicBrainzID->text())}});
        window.btnCalcDiscIDClick();
        EXPECT_EQ(window.Match().MusicBrainzReleaseId, "rel-cover");
        window.Controls()->Label3->setText(out_.path() + QDir::separator());
        window.Controls()->creerlesrepertoires->setChecked(false);
        return window;
    }

    // Rips track 2 alone in Format.
    void RipTrackTwo(int format)
    {
        auto *list = Window().Controls()->ListView1;
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            list->topLevelItem(row)->setCheckState(kNumberColumn, row == 1 ? Qt::Checked : Qt::Unchecked);
        Window().Controls()->ComboBox1->setCurrentIndex(format);
        Window().ripperlapisteauformatWav1Click();
    }

    QString Log() const { return QString::fromUtf8(ReadAll(out_.filePath("Pochettes.log"))); }

    LocalMusicBrainzServer service_;
    QTemporaryDir out_;
};

TEST_F(CoverArtTest, TheFrontCoverIsInEveryFormatThatHoldsOneAndBesideTheFiles)
{
    TCDRipTestForm &window = Matched();
    window.Controls()->pochette->setCurrentIndex(3); // les deux
    const QByteArray jpeg = Jpeg();
    ASSERT_TRUE(jpeg.startsWith("\xFF\xD8\xFF"));
    const std::pair<int, QString> formats[] = {{kFormatFlac, "flac"},
                                               {kFormatMp3, "mp3"},
                                               {kFormatOgg, "ogg"},
                                               {kFormatOpus, "opus"},
                                               {kFormatWav, "wav"}};
    for (const auto &[format, extension] : formats) {
        SCOPED_TRACE(extension.toStdString());
        QFile::remove(out_.filePath("cover.jpg"));
        // The archive answers from its storage, through a redirection.
        if (format == kFormatFlac)
            service_.Script(
                {{307, "Temporary Redirect", "", false,
                  "Location: " + service_.BaseUrl().toString().toUtf8() + "/storage/front.jpg\r\n"}});
        service_.Script({{200, "OK", jpeg, false, "Content-Type: image/jpeg\r\n"}});
        RipTrackTwo(format);
        const QString file = out_.filePath("2." + extension);
        ASSERT_TRUE(QFile::exists(file)) << window.StatusText().toStdString();
        if (format != kFormatWav) {
            EXPECT_EQ(EmbeddedFront(file), jpeg);
            // ReplayGain is on by default: the track's gain beside the picture, in each format's way.
            const TagLib::FileRef tags(QFile::encodeName(file).constData());
            ASSERT_FALSE(tags.isNull());
            EXPECT_TRUE(tags.file()->properties().contains(format == kFormatOpus ? "R128_TRACK_GAIN"
                                                                                 : "REPLAYGAIN_TRACK_GAIN"));
        }
        EXPECT_EQ(ReadAll(out_.filePath("cover.jpg")), jpeg);
    }
    // One request a command, by the release's identifier, named as the MusicBrainz requests are.
    const QStringList targets = service_.Targets();
    ASSERT_EQ(targets.size(), 7);
    EXPECT_EQ(targets.mid(1, 2), (QStringList{"/release/rel-cover/front-500", "/storage/front.jpg"}));
    EXPECT_EQ(targets.mid(3), QStringList(4, "/release/rel-cover/front-500"));
    EXPECT_EQ(service_.UserAgents().last(), service_.UserAgents().first());
    EXPECT_TRUE(Log().contains(QStringLiteral("Pochette : intégrée aux fichiers, fichier cover.jpg")))
        << Log().toStdString();
}

TEST_F(CoverArtTest, NoImageARedirectionOutOfTheWebAHugeAnswerOrSilenceLeaveTheRipComplete)
{
    TCDRipTestForm &window = Matched();
    window.Controls()->pochette->setCurrentIndex(2); // intégrée
    window.CoverArt.IdleMs = 300;
    window.CoverArt.TotalMs = 2000;
    ScriptedReply silent;
    silent.silent = true;
    const std::pair<ScriptedReply, QString> faults[] = {
        {{404, "Not Found", "{}"}, "pas de pochette pour cette parution (HTTP 404)"},
        {{302, "Found", "", false, "Location: file:///etc/passwd\r\n"}, "redirection refusée"},
        {{200, "OK", QByteArray(30 * 1024 * 1024, '\xFF'), false, "Content-Type: image/jpeg\r\n"},
         "réponse de plus de 4 Mio"},
        {silent, QStringLiteral("délai dépassé")},
    };
    for (const auto &[reply, reason] : faults) {
        SCOPED_TRACE(reason.toStdString());
        QFile::remove(out_.filePath("2.flac"));
        service_.Script({reply});
        RipTrackTwo(kFormatFlac);
        EXPECT_TRUE(QFile::exists(out_.filePath("2.flac"))) << window.StatusText().toStdString();
        EXPECT_EQ(window.Controls()->ListView1->topLevelItem(1)->checkState(kNumberColumn), Qt::Unchecked);
        EXPECT_EQ(EmbeddedFront(out_.filePath("2.flac")), QByteArray());
        EXPECT_TRUE(Log().contains(QStringLiteral("Pochette : aucune (") + reason)) << Log().toStdString();
    }
    EXPECT_FALSE(QFile::exists(out_.filePath("cover.jpg")));
}

TEST_F(CoverArtTest, TheRipsCancelEndsTheWaitForTheCoverAndForTheDatabaseAtOnce)
{
    TCDRipTestForm &window = Matched();
    // Far beyond what the test waits: only the cancel ends these requests.
    window.CoverArt.IdleMs = 60000;
    window.CoverArt.TotalMs = 60000;
    ScriptedReply silent;
    silent.silent = true;
    for (const bool cover : {true, false}) {
        SCOPED_TRACE(cover ? "cover" : "database");
        window.Controls()->pochette->setCurrentIndex(cover ? 2 : 0);
        window.AccurateRipServer = cover ? QString() : service_.BaseUrl().toString();
        service_.Script({silent});
        const qsizetype asked = service_.Targets().size() + 1;
        QElapsedTimer clock;
        const Watch cancel([&] { return service_.Targets().size() == asked; },
                           [&] {
                               clock.start();
                               window.btnCancelRipClick();
                           });
        RipTrackTwo(kFormatFlac);
        ASSERT_TRUE(cancel.Fired());
        EXPECT_LT(clock.elapsed(), 3000);
        EXPECT_TRUE(service_.Targets().back().contains(cover ? "/front-500" : "/accuraterip/"))
            << service_.Targets().back().toStdString();
        // The cover is asked for before the audio, the database after it.
        EXPECT_EQ(QFile::exists(out_.filePath("2.flac")), !cover);
    }
    // The file is whole, and unverified.
    EXPECT_EQ(window.VerifyNoteText(),
              QStringLiteral("Piste 2 : AccurateRip non vérifiée : base injoignable"));
}

} // namespace
