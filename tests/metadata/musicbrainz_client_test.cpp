// The MusicBrainz client against a local service that misbehaves: a body dripped a byte at a time
// ends at the total limit, Retry-After is waited for only within it, a body cut short of its
// Content-Length is no answer, and a release of nothing but nulls is no match.

#include "local_musicbrainz_server.h"
#include "quavrel/metadata/musicbrainz/musicbrainz_client.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <gtest/gtest.h>

namespace {

Disc ThreeTracks()
{
    return *Disc::FromTracks({{1, 0}, {2, 15000}, {3, 30000}}, 45000);
}

// A release whose every field is null, on a medium of three tracks holding discId.
QByteArray NullRelease(const QString &discId)
{
    const QByteArray track = "{\"id\":null,\"title\":null,\"recording\":{\"id\":null,\"title\":\"\"}}";
    return "{\"releases\":[{\"id\":null,\"title\":null,\"date\":null,\"country\":null,\"artist-credit\":"
           "[{\"name\":null,\"joinphrase\":\"\"}],\"media\":[{\"position\":1,\"discs\":[{\"id\":\"" +
           discId.toUtf8() + "\"}],\"tracks\":[" + track + "," + track + "," + track + "]}]}]}";
}

QByteArray OneRelease(const QString &discId)
{
    const QByteArray track = "{\"title\":\"Piste\",\"recording\":{\"id\":\"rec\"}}";
    return "{\"releases\":[{\"id\":\"rel\",\"title\":\"Album\",\"artist-credit\":[{\"name\":\"Artiste\"}],"
           "\"media\":[{\"position\":1,\"discs\":[{\"id\":\"" +
           discId.toUtf8() + "\"}],\"tracks\":[" + track + "," + track + "," + track + "]}]}]}";
}

class MusicBrainzClientTest : public ::testing::Test {
  protected:
    MusicBrainzResult Lookup(const MusicBrainzOptions &options)
    {
        MusicBrainzClient client(options);
        clock_.start();
        MusicBrainzResult result = client.Lookup(disc_);
        elapsed_ = clock_.elapsed();
        return result;
    }
    MusicBrainzOptions Options() const
    {
        MusicBrainzOptions options;
        options.BaseUrl = service_.BaseUrl();
        return options;
    }

    Disc disc_ = ThreeTracks();
    LocalMusicBrainzServer service_;
    QElapsedTimer clock_;
    qint64 elapsed_ = 0;
};

TEST_F(MusicBrainzClientTest, ABodyDrippedFasterThanTheIdleLimitEndsAtTheTotalLimit)
{
    ScriptedReply drip{200, "OK", OneRelease(disc_.MusicBrainzId())};
    drip.dripMs = 100;
    service_.Script({drip});
    MusicBrainzOptions options = Options();
    options.IdleLimitMs = 500;
    options.TotalLimitMs = 2000;

    const MusicBrainzResult result = Lookup(options);

    EXPECT_EQ(result.Result, MusicBrainzResult::Outcome::Failed);
    EXPECT_EQ(result.Reason, QStringLiteral("délai total dépassé"));
    // The whole body would have taken more than half a minute.
    EXPECT_GE(elapsed_, 2000);
    EXPECT_LT(elapsed_, 10000);
}

TEST_F(MusicBrainzClientTest, RetryAfterIsWaitedForInSecondsOrAsADateButNeverPastTheTotalLimit)
{
    const QString id = disc_.MusicBrainzId();
    const QString soon = QLocale::c().toString(QDateTime::currentDateTimeUtc().addSecs(2),
                                               QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    service_.Script({{503, "Service Unavailable", "{}", false, "Retry-After: " + soon.toLatin1() + "\r\n"},
                     {429, "Too Many Requests", "{}", false, "Retry-After: 1\r\n"},
                     {200, "OK", OneRelease(id)}});
    const MusicBrainzResult found = Lookup(Options());
    EXPECT_EQ(found.Result, MusicBrainzResult::Outcome::Found) << found.Reason.toStdString();
    EXPECT_EQ(service_.Targets().size(), 3);
    EXPECT_GE(elapsed_, 2000);

    // A wait longer than what is left of the limit is not waited for.
    service_.Script({{503, "Service Unavailable", "{}", false, "Retry-After: 120\r\n"}});
    const MusicBrainzResult refused = Lookup(Options());
    EXPECT_EQ(refused.Result, MusicBrainzResult::Outcome::Failed);
    EXPECT_EQ(refused.Reason,
              QStringLiteral("statut HTTP 503 Service Unavailable (trop de requêtes ou service "
                             "surchargé, réessayez plus tard) ; nouvel essai demandé dans "
                             "120 s, au-delà du délai total"));
    EXPECT_EQ(service_.Targets().size(), 4);
    EXPECT_LT(elapsed_, 10000);
}

TEST_F(MusicBrainzClientTest, ABodyShorterThanItsContentLengthIsIncomplete)
{
    ScriptedReply cut{200, "OK", OneRelease(disc_.MusicBrainzId())};
    const qint64 sent = cut.body.size();
    cut.announcedLength = sent + 1000;
    service_.Script({cut});

    const MusicBrainzResult result = Lookup(Options());

    EXPECT_EQ(result.Result, MusicBrainzResult::Outcome::Failed);
    EXPECT_EQ(
        result.Reason,
        QStringLiteral("réponse incomplète (%1 octets reçus sur %2 annoncés)").arg(sent).arg(sent + 1000));
}

TEST_F(MusicBrainzClientTest, AReleaseOfNullsIsNoMatch)
{
    const QString id = disc_.MusicBrainzId();
    service_.Script({{200, "OK", NullRelease(id)}, {200, "OK", NullRelease(id)}});

    const MusicBrainzResult result = Lookup(Options());

    EXPECT_EQ(result.Result, MusicBrainzResult::Outcome::NotFound);
    EXPECT_TRUE(result.Releases.empty());
}

} // namespace
