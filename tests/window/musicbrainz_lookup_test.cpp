// The disc lookup on MusicBrainz against a local service answering the service's JSON: releases
// filling the window or offered in the chooser, the toc request for an unknown ID, the reasons of
// a failure, the default choice after CDDB, and HTTPS with a certificate the test trusts.

#include "local_musicbrainz_server.h"
#include "lookup_test_support.h"
#include "quavrel/window/matches_form.h"
#include "quavrel/window/progress_form.h"
#include "ui_TCDRipTestForm.h"
#include "ui_TfrmMatches.h"
#include "ui_TfrmProgress.h"

#include <QCryptographicHash>
#include <QElapsedTimer>

namespace {

// The third image of this program's drives.
constexpr int kEnhancedDrive = 2;

const QString kFailed = QStringLiteral("Erreur pendant la récupération des données MusicBrainz!\nCause : ");
const QString kInclude = QStringLiteral("inc=artist-credits+recordings&fmt=json");
const QStringList kTitles = {"Hidden Place", "Cocoon", QStringLiteral("Это вода"), QStringLiteral("水の音"),
                             "Aurora"};

ScriptedReply Silent()
{
    ScriptedReply reply;
    reply.silent = true;
    return reply;
}

QByteArray Json(const QString &text)
{
    return '"' + text.toUtf8() + '"';
}

// A medium of five tracks, recordings "<release>-r1".., holding the disc discId.
QByteArray Medium(int position, const QString &discId, const QString &release, const QStringList &titles)
{
    QByteArrayList tracks;
    for (int i = 0; i < titles.size(); ++i)
        tracks << "{\"id\":\"t" + QByteArray::number(i) + "\",\"position\":" + QByteArray::number(i + 1) +
                      ",\"title\":" + Json(titles[i]) +
                      ",\"recording\":{\"id\":" + Json(release + "-r" + QString::number(i + 1)) +
                      ",\"title\":\"x\"}}";
    return "{\"position\":" + QByteArray::number(position) +
           ",\"format\":\"CD\",\"track-count\":" + QByteArray::number(titles.size()) +
           ",\"discs\":[{\"id\":" + Json(discId) + ",\"sectors\":1}],\"tracks\":[" + tracks.join(',') + "]}";
}

QByteArray Release(const QString &id, const QString &title, const QString &date, const QString &country,
                   const QByteArrayList &media)
{
    return "{\"id\":" + Json(id) + ",\"title\":" + Json(title) +
           ",\"status\":\"Official\",\"date\":" + Json(date) + ",\"country\":" + Json(country) +
           ",\"artist-credit\":[{\"name\":\"Björk\",\"joinphrase\":\" & "
           "\",\"artist\":{\"id\":\"a1\",\"name\":"
           "\"Björk\"}},{\"name\":\"Sigur Rós\",\"joinphrase\":\"\",\"artist\":{\"id\":\"a2\"}}],"
           "\"media\":[" +
           media.join(',') + "]}";
}

QByteArray Answer(const QByteArrayList &releases)
{
    return "{\"id\":\"x\",\"offset-count\":5,\"releases\":[" + releases.join(',') + "]}";
}

class MusicBrainzLookupTest : public LookupTest {
  protected:
    // The window on the demo disc, asking service with source.
    TCDRipTestForm &OpenOn(const LocalMusicBrainzServer &service, int source)
    {
        TCDRipTestForm &window = OpenWindow();
        window.Controls()->sourceinfos->setCurrentIndex(source);
        window.MusicBrainz.BaseUrl = service.BaseUrl();
        return window;
    }

    // The demo disc's layout from the ripping library's table, not Ostrelle's: lead-out first,
    // then each track's start, lead-in included.
    // A data track after the audio is left out; this image has no gap before it.
    QList<int> DemoLayout()
    {
        const TCdInfo &info = Window().CdInfo;
        const TCdTrackSlot &last = info.Slot(info.TrackCount);
        const bool dataLast = !last.IsAudio && info.TrackCount > 1;
        QList<int> layout{dataLast ? last.StartSector + 150 : last.StartSector + last.LengthSectors + 150};
        for (int track = 1; track <= info.TrackCount - (dataLast ? 1 : 0); ++track)
            layout << info.Slot(track).StartSector + 150;
        return layout;
    }

    // The service's disc ID, worked out as it documents: SHA-1 of the hexadecimal first and last
    // track and 100 offsets, in base64 with "._-" for "+/=".
    QString ExpectedDiscId()
    {
        const QList<int> layout = DemoLayout();
        QByteArray text = QByteArray("01") + QByteArray::number(layout.size() - 1, 16).rightJustified(2, '0');
        for (int i = 0; i < 100; ++i)
            text += QByteArray::number(layout.value(i), 16).rightJustified(8, '0');
        QByteArray id = QCryptographicHash::hash(text.toUpper(), QCryptographicHash::Sha1).toBase64();
        return QString::fromLatin1(id.replace('+', '.').replace('/', '_').replace('=', '-'));
    }

    QString ExpectedToc()
    {
        const QList<int> layout = DemoLayout();
        QStringList fields{"1", QString::number(layout.size() - 1)};
        for (const int offset : layout)
            fields << QString::number(offset);
        return fields.join('+');
    }

    QString DiscTarget(const QString &query) { return "/ws/2/discid/" + ExpectedDiscId() + "?" + query; }

    void ExpectNamesUntouched(const QStringList &names)
    {
        EXPECT_EQ(Names(), names);
        EXPECT_EQ(Window().Controls()->lblArtist->text(), "");
        EXPECT_FALSE(Window().frmProgress().isVisible());
    }
};

TEST_F(MusicBrainzLookupTest, OneReleaseFillsTheWindowFromTheMediumThatHoldsTheDisc)
{
    LocalMusicBrainzServer service;
    TCDRipTestForm &window = OpenOn(service, TCDRipTestForm::kSourceMusicBrainz);
    ASSERT_EQ(window.Controls()->ListView1->topLevelItemCount(), 5);
    // The disc is the second medium of the release; the first is another disc.
    const QString id = ExpectedDiscId();
    service.Script({{200, "OK",
                     Answer({Release("rel-1", "Vespertine", "2001-08-27", "GB",
                                     {Medium(1, "other", "rel-1", {"a", "b", "c", "d", "e"}),
                                      Medium(2, id, "rel-1", kTitles)})})}});
    const auto chooser = WhenShown<TfrmMatches>([](TfrmMatches &shown) { shown.close(); });

    window.btnCalcDiscIDClick();

    EXPECT_FALSE(chooser->Fired());
    EXPECT_EQ(messages_, QStringList());
    EXPECT_EQ(service.Targets(), QStringList{DiscTarget(kInclude)});
    EXPECT_EQ(service.UserAgents(), QStringList{"Quavrel/1.1 ( quavrel@example.org )"});
    EXPECT_EQ(window.Controls()->lblMusicBrainzID->text(), id);
    EXPECT_EQ(window.Controls()->lblArtist->text(), QStringLiteral("Björk & Sigur Rós"));
    EXPECT_EQ(window.Controls()->lblTitle->text(), "Vespertine");
    EXPECT_EQ(Names(), kTitles);
    EXPECT_FALSE(window.frmProgress().isVisible());
    const DiscMetadata &match = window.Match();
    EXPECT_EQ(match.MusicBrainzReleaseId, "rel-1");
    EXPECT_EQ(match.RecordingIdOf(3), "rel-1-r3");
    EXPECT_EQ(match.Year, "2001");
    EXPECT_EQ(match.RecordingIdOf(6), "");
}

TEST_F(MusicBrainzLookupTest, TwoReleasesOpenTheChooserAndTheChosenOneFills)
{
    LocalMusicBrainzServer service;
    TCDRipTestForm &window = OpenOn(service, TCDRipTestForm::kSourceMusicBrainz);
    const QString id = ExpectedDiscId();
    service.Script(
        {{200, "OK",
          Answer({Release("rel-gb", "Vespertine", "2001-08-27", "GB", {Medium(1, id, "rel-gb", kTitles)}),
                  Release("rel-jp", QStringLiteral("ヴェスパタイン"), "2002", "JP",
                          {Medium(1, id, "rel-jp", {"1", "2", "3", "4", "5"})})})}});
    QString caption;
    QStringList lines;
    const auto chooser = WhenShown<TfrmMatches>([&](TfrmMatches &shown) {
        caption = shown.windowTitle();
        for (int row = 0; row < shown.Controls()->LbMatches->count(); ++row)
            lines << shown.Controls()->LbMatches->item(row)->text();
        QListWidgetItem *second = shown.Controls()->LbMatches->item(1);
        second->setSelected(true);
        emit shown.Controls()->LbMatches->itemDoubleClicked(second);
    });

    window.btnCalcDiscIDClick();

    ASSERT_TRUE(chooser->Fired());
    EXPECT_EQ(caption, "Correspondance exacte trouvée");
    // Two releases of one album read apart: date, country and their IDs.
    EXPECT_EQ(
        lines,
        QStringList({QStringLiteral("MusicBrainz 2001-08-27 GB Björk & Sigur Rós / Vespertine — rel-gb"),
                     QStringLiteral("MusicBrainz 2002 JP Björk & Sigur Rós / ヴェスパタイン — rel-jp")}));
    EXPECT_EQ(window.Controls()->lblTitle->text(), QStringLiteral("ヴェスパタイン"));
    EXPECT_EQ(Names(), QStringList({"1", "2", "3", "4", "5"}));
    EXPECT_EQ(window.Match().RecordingIdOf(1), "rel-jp-r1");
    EXPECT_EQ(messages_, QStringList());
}

TEST_F(MusicBrainzLookupTest, AnUnknownIdIsAskedAgainWithTheToc)
{
    LocalMusicBrainzServer service;
    // The toc answer's release holds other discs of the same layout, not ours.
    service.Script(
        {{404, "Not Found", "{\"error\":\"Not Found\"}"},
         {200, "OK",
          "{\"release-count\":1,\"releases\":[" +
              Release("rel-t", "Same Layout", "", "", {Medium(1, "someone-else", "rel-t", kTitles)}) +
              "]}"}});
    TCDRipTestForm &window = OpenOn(service, TCDRipTestForm::kSourceMusicBrainz);

    window.btnCalcDiscIDClick();

    EXPECT_EQ(service.Targets(), QStringList({DiscTarget(kInclude), DiscTarget("toc=" + ExpectedToc() +
                                                                               "&cdstubs=no&" + kInclude)}));
    EXPECT_EQ(messages_, QStringList());
    EXPECT_EQ(window.Controls()->lblTitle->text(), "Same Layout");
    EXPECT_EQ(Names(), kTitles);
}

TEST_F(MusicBrainzLookupTest, TheDataTrackOfAnEnhancedDiscIsLeftOut)
{
    LocalMusicBrainzServer service;
    service.Script({{404, "Not Found", "{}"}, {200, "OK", "{\"release-count\":0,\"releases\":[]}"}});
    TCDRipTestForm &window = OpenOn(service, TCDRipTestForm::kSourceMusicBrainz);
    window.Controls()->DriveSelBox->setCurrentIndex(kEnhancedDrive);
    emit window.Controls()->DriveSelBox->activated(kEnhancedDrive);
    ASSERT_EQ(window.CdInfo.TrackCount, 3);
    ASSERT_EQ(DemoLayout().size(), 3);

    window.btnCalcDiscIDClick();

    EXPECT_EQ(service.Targets(), QStringList({DiscTarget(kInclude), DiscTarget("toc=" + ExpectedToc() +
                                                                               "&cdstubs=no&" + kInclude)}));
    EXPECT_EQ(messages_,
              QStringList{"Pas de correspondance MusicBrainz trouvée pour DiscID: " + ExpectedDiscId()});
}

TEST_F(MusicBrainzLookupTest, ARefusalASilentServiceAndABadAnswerGiveTheirReasons)
{
    LocalMusicBrainzServer service;
    service.Script(
        {{503, "Service Unavailable", "{\"error\":\"rate limited\"}"}, Silent(), {200, "OK", "<html>"}});
    TCDRipTestForm &window = OpenOn(service, TCDRipTestForm::kSourceMusicBrainz);
    window.MusicBrainz.IdleLimitMs = 300;
    const QStringList names = Names();
    QString caption;
    const Watch waiting([&] { return window.frmProgress().isVisible(); },
                        [&] { caption = window.frmProgress().windowTitle(); });

    for (int lookup = 0; lookup < 3; ++lookup)
        window.btnCalcDiscIDClick();

    EXPECT_EQ(caption, "Récupération données de 127.0.0.1");
    ASSERT_EQ(messages_.size(), 3);
    EXPECT_EQ(messages_[0], kFailed +
                                "statut HTTP 503 Service Unavailable (trop de requêtes ou service surchargé, "
                                "réessayez plus tard)");
    EXPECT_EQ(messages_[1], kFailed + QStringLiteral("délai dépassé"));
    EXPECT_TRUE(messages_[2].startsWith(kFailed + QStringLiteral("réponse JSON illisible (")))
        << messages_[2].toStdString();
    ExpectNamesUntouched(names);
}

TEST_F(MusicBrainzLookupTest, TheDefaultAsksMusicBrainzOnlyWhenCddbFindsNothing)
{
    // The CDDB server knows no entry at first.
    StartServer();
    LocalMusicBrainzServer service;
    TCDRipTestForm &window = OpenOn(service, TCDRipTestForm::kSourceCddbThenMusicBrainz);
    const QString id = ExpectedDiscId();
    service.Script(
        {{200, "OK",
          Answer({Release("rel-1", "Vespertine", "2001", "GB", {Medium(1, id, "rel-1", kTitles)})})},
         {404, "Not Found", "{}"},
         {200, "OK", "{\"release-count\":0,\"releases\":[]}"}});

    // CDDB out of reach: its failure goes unsaid once MusicBrainz answers.
    window.CddbServer.Server = "127.0.0.1:1";
    window.btnCalcDiscIDClick();
    EXPECT_EQ(messages_, QStringList());
    EXPECT_EQ(Names(), kTitles);

    // Neither knows it: CDDB's message, then MusicBrainz's.
    window.CddbServer.Server = ServerAddress();
    window.btnCalcDiscIDClick();
    EXPECT_NE(RequestLog().find("cmd=cddb+query+" + DemoDiscId().toStdString()), std::string::npos);
    EXPECT_EQ(messages_, QStringList({"Pas de correspondance trouvée pour DiscID: " + DemoDiscId(),
                                      "Pas de correspondance MusicBrainz trouvée pour DiscID: " + id}));
    EXPECT_EQ(service.Targets().size(), 3);

    // CDDB answering: the service is not asked, and the names carry no MusicBrainz IDs; its
    // category gives a genre.
    WriteEntry("rock", DemoDiscId(), "Orchestre", "Suites", {"Un", "Deux", "Trois", "Quatre", "Cinq"});
    messages_.clear();
    window.btnCalcDiscIDClick();
    EXPECT_EQ(messages_, QStringList());
    EXPECT_EQ(service.Targets().size(), 3);
    EXPECT_NE(Names(), kTitles);
    EXPECT_EQ(window.Match().MusicBrainzReleaseId, "");
    EXPECT_FALSE(window.Match().Genre.isEmpty());

    // Another source, another match: nothing of CDDB's (its genre) stays with MusicBrainz's names.
    service.Script(
        {{200, "OK",
          Answer({Release("rel-2", "Vespertine", "2001", "GB", {Medium(1, id, "rel-2", kTitles)})})}});
    window.Controls()->sourceinfos->setCurrentIndex(TCDRipTestForm::kSourceMusicBrainz);
    EXPECT_TRUE(window.Match().Genre.isEmpty());
    window.btnCalcDiscIDClick();
    EXPECT_EQ(Names(), kTitles);
    EXPECT_TRUE(window.Match().Genre.isEmpty());
    EXPECT_EQ(window.RipMetadata().Genre, "");
    EXPECT_EQ(window.Match().MusicBrainzReleaseId, "rel-2");
}

TEST_F(MusicBrainzLookupTest, AbandoningEndsTheLookupWithoutAskingTheNextSource)
{
    StartServer({R"({"silent": true})"});
    LocalMusicBrainzServer service;
    service.Script({Silent()});
    TCDRipTestForm &window = OpenOn(service, TCDRipTestForm::kSourceCddbThenMusicBrainz);
    const auto waiting = [&] {
        return window.frmProgress().isVisible() &&
               window.frmProgress().Controls()->lblState->text() == "Demande...";
    };
    {
        const Watch abandon(waiting, [&] { window.frmProgress().Controls()->Button1->click(); });
        window.btnCalcDiscIDClick();
        ASSERT_TRUE(abandon.Fired());
    }
    EXPECT_EQ(messages_,
              QStringList{"Erreur pendant la récupération des données!\nCause : requête abandonnée"});
    EXPECT_EQ(service.Targets(), QStringList());

    messages_.clear();
    window.Controls()->sourceinfos->setCurrentIndex(TCDRipTestForm::kSourceMusicBrainz);
    {
        const Watch abandon([&] { return waiting() && service.Targets().size() == 1; },
                            [&] { window.frmProgress().close(); });
        window.btnCalcDiscIDClick();
        ASSERT_TRUE(abandon.Fired());
    }
    EXPECT_EQ(messages_, QStringList{kFailed + QStringLiteral("requête abandonnée")});
}

TEST_F(MusicBrainzLookupTest, AbandonEndsTheWaitForARetryAndForASilentServiceAtOnce)
{
    LocalMusicBrainzServer service;
    service.Script({{503, "Service Unavailable", "{}", false, "Retry-After: 30\r\n"}, Silent()});
    TCDRipTestForm &window = OpenOn(service, TCDRipTestForm::kSourceMusicBrainz);
    for (const qsizetype asked : {1, 2}) {
        SCOPED_TRACE(asked);
        messages_.clear();
        QElapsedTimer asking;
        QElapsedTimer clock;
        // Well into the wait: the 503 has long been read, the silent request long sent.
        const Watch abandon(
            [&] {
                if (!window.frmProgress().isVisible() || service.Targets().size() != asked)
                    return false;
                if (!asking.isValid())
                    asking.start();
                return asking.elapsed() > 500;
            },
            [&] {
                clock.start();
                window.frmProgress().Controls()->Button1->click();
            });
        window.btnCalcDiscIDClick();
        ASSERT_TRUE(abandon.Fired());
        EXPECT_LT(clock.elapsed(), 3000);
        EXPECT_EQ(messages_, QStringList{kFailed + QStringLiteral("requête abandonnée")});
    }
}

TEST_F(MusicBrainzLookupTest, HttpsWithACertificateTrustedByTheTestOnly)
{
    LocalMusicBrainzServer service(LocalMusicBrainzServer::Transport::Tls);
    TCDRipTestForm &window = OpenOn(service, TCDRipTestForm::kSourceMusicBrainz);
    ASSERT_EQ(window.MusicBrainz.BaseUrl.scheme(), "https");
    service.Script({{200, "OK",
                     Answer({Release("rel-s", "Secure", "2001", "IS",
                                     {Medium(1, ExpectedDiscId(), "rel-s", kTitles)})})}});

    // The program's own authorities do not know the test's certificate.
    window.btnCalcDiscIDClick();
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_[0].startsWith(kFailed + QStringLiteral("certificat refusé : ")))
        << messages_[0].toStdString();
    EXPECT_EQ(service.Targets(), QStringList());

    messages_.clear();
    window.MusicBrainz.ExtraCaCertificates = {LocalMusicBrainzServer::TestCertificate()};
    window.btnCalcDiscIDClick();
    EXPECT_EQ(messages_, QStringList());
    EXPECT_EQ(service.Targets(), QStringList{DiscTarget(kInclude)});
    EXPECT_EQ(window.Controls()->lblTitle->text(), "Secure");
}

} // namespace
