#include "quavrel/metadata/musicbrainz/musicbrainz_client.h"

#include "quavrel/metadata/musicbrainz/request_spacing.h"
#include "quavrel/metadata/musicbrainz/retry_after.h"
#include "quavrel/network/network_failure.h"

#include <algorithm>
#include <memory>

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QSslError>
#include <QTimer>

namespace {

// A discid answer is a few kilobytes a release; more than this is not one.
constexpr qint64 kMaxBody = 8 * 1024 * 1024;

const QString kInclude = QStringLiteral("inc=artist-credits+recordings&fmt=json");

} // namespace

MusicBrainzClient::MusicBrainzClient(MusicBrainzOptions Options) : options_(std::move(Options))
{
    // The service names its own redirections; none leaves http(s).
    manager_.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

MusicBrainzClient::~MusicBrainzClient()
{
    Abort();
}

void MusicBrainzClient::SetOptions(const MusicBrainzOptions &Options)
{
    // A kept connection keeps the trust it was made with.
    if (Options.BaseUrl != options_.BaseUrl || Options.ExtraCaCertificates != options_.ExtraCaCertificates)
        manager_.clearConnectionCache();
    options_ = Options;
}

QString MusicBrainzClient::UserAgent() const
{
    return QStringLiteral("Quavrel/" QUAVREL_AGENT_VERSION " ( %1 )").arg(options_.Contact);
}

void MusicBrainzClient::Abort()
{
    if (!running_)
        return;
    aborted_ = true;
    if (current_)
        current_->abort();
    else if (loop_)
        loop_->quit();
}

void MusicBrainzClient::Progress(MusicBrainzPhase phase)
{
    if (OnProgress)
        OnProgress(*this, phase);
}

QUrl MusicBrainzClient::DiscUrl(const QString &discId, const QString &toc) const
{
    QUrl url = options_.BaseUrl;
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    url.setPath(path + QStringLiteral("/ws/2/discid/") + discId);
    // A stub answers for an unknown ID unless refused; the toc request wants releases only.
    url.setQuery(toc.isEmpty() ? kInclude
                               : QStringLiteral("toc=") + toc + QStringLiteral("&cdstubs=no&") + kInclude);
    return url;
}

MusicBrainzResult MusicBrainzClient::Lookup(const Disc &Disc)
{
    MusicBrainzResult result;
    result.DiscId = Disc.MusicBrainzId();
    if (result.DiscId.isEmpty()) {
        result.Reason = QStringLiteral("identifiant MusicBrainz impossible à calculer");
        return result;
    }
    const QUrl &base = options_.BaseUrl;
    if (!base.isValid() || base.host().isEmpty() ||
        (base.scheme() != QLatin1String("http") && base.scheme() != QLatin1String("https"))) {
        result.Reason = QStringLiteral("adresse du service invalide : « %1 »").arg(base.toString());
        return result;
    }
    if (running_) {
        result.Reason = QStringLiteral("une recherche est déjà en cours");
        return result;
    }
    running_ = true;
    aborted_ = false;
    struct Idle {
        bool &flag;
        ~Idle() { flag = false; }
    } idle{running_};

    for (const bool byToc : {false, true}) {
        const Reply reply = Get(DiscUrl(result.DiscId, byToc ? Disc.MusicBrainzToc() : QString()));
        switch (reply.Result) {
        case Reply::Kind::Aborted:
            result.Result = MusicBrainzResult::Outcome::Aborted;
            result.Reason = reply.Reason;
            return result;
        case Reply::Kind::Failed:
            result.Result = MusicBrainzResult::Outcome::Failed;
            result.Reason = reply.Reason;
            return result;
        case Reply::Kind::NotFound:
            continue;
        case Reply::Kind::Ok:
            break;
        }
        MusicBrainzAnswer answer =
            ParseDiscIdAnswer(reply.Body, result.DiscId, Disc.MusicBrainzLayoutOf().TrackCount());
        if (!answer.Valid) {
            result.Result = MusicBrainzResult::Outcome::Failed;
            result.Reason = answer.Error;
            return result;
        }
        if (!answer.Releases.empty()) {
            result.Result = MusicBrainzResult::Outcome::Found;
            result.ByToc = byToc;
            result.Releases = std::move(answer.Releases);
            return result;
        }
    }
    result.Result = MusicBrainzResult::Outcome::NotFound;
    return result;
}

bool MusicBrainzClient::Pause(qint64 Ms)
{
    QEventLoop loop;
    loop_ = &loop;
    QTimer::singleShot(static_cast<int>(Ms), &loop, &QEventLoop::quit);
    if (!aborted_)
        loop.exec();
    loop_ = nullptr;
    return !aborted_;
}

MusicBrainzClient::Reply MusicBrainzClient::Get(const QUrl &url)
{
    const Reply abandoned{Reply::Kind::Aborted, {}, QStringLiteral("requête abandonnée")};
    const Reply late{Reply::Kind::Failed, {}, QStringLiteral("délai total dépassé")};
    QElapsedTimer clock;
    clock.start();
    const qint64 limit = options_.TotalLimitMs;
    Progress(MusicBrainzPhase::Sending);
    qint64 asked = 0;
    for (;;) {
        const qint64 wait = std::max<qint64>(asked, request_spacing::DelayBeforeNextMs());
        if (clock.elapsed() + wait >= limit)
            return late;
        if (wait > 0 && !Pause(wait))
            return abandoned;
        if (aborted_)
            return abandoned;
        request_spacing::NoteRequestStart();
        std::optional<qint64> retryAfter;
        Reply reply = Send(url, limit - clock.elapsed(), retryAfter);
        if (!retryAfter)
            return reply;
        // Asked again only when the answer can still come within the limit.
        if (clock.elapsed() + *retryAfter >= limit) {
            reply.Reason += QStringLiteral(" ; nouvel essai demandé dans %1 s, au-delà du délai total")
                                .arg((*retryAfter + 999) / 1000);
            return reply;
        }
        asked = *retryAfter;
    }
}

MusicBrainzClient::Reply MusicBrainzClient::Send(const QUrl &url, qint64 RemainingMs,
                                                 std::optional<qint64> &RetryAfter)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
    request.setRawHeader("Accept", "application/json");
    if (url.scheme() == QLatin1String("https")) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        if (!options_.ExtraCaCertificates.isEmpty())
            tls.addCaCertificates(options_.ExtraCaCertificates);
        request.setSslConfiguration(tls);
    }
    // Declared before the reply, which goes first: its handlers use them.
    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(options_.IdleLimitMs);
    // Never restarted: a server sending a byte now and then ends here all the same.
    QTimer total;
    total.setSingleShot(true);
    total.setTimerType(Qt::PreciseTimer);
    total.setInterval(static_cast<int>(std::max<qint64>(RemainingMs, 1)));
    Ending ending;
    bool receiving = false;
    QNetworkReply *reply = manager_.get(request);
    const std::unique_ptr<QNetworkReply> owner(reply);
    loop_ = &loop;
    current_ = reply;
    struct Clear {
        QEventLoop *&loop;
        QNetworkReply *&reply;
        ~Clear()
        {
            loop = nullptr;
            reply = nullptr;
        }
    } clear{loop_, current_};
    QObject::connect(&idle, &QTimer::timeout, reply, [&] {
        ending.idle = true;
        reply->abort();
    });
    QObject::connect(&total, &QTimer::timeout, reply, [&] {
        ending.total = true;
        reply->abort();
    });
    const auto moved = [&] {
        idle.start();
        if (!receiving) {
            receiving = true;
            Progress(MusicBrainzPhase::Receiving);
        }
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, moved);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [&](qint64 received, qint64) {
        moved();
        if (received > kMaxBody) {
            ending.tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::uploadProgress, reply, [&] { idle.start(); });
    QObject::connect(reply, &QNetworkReply::encrypted, reply, [&] { idle.start(); });
    QObject::connect(reply, &QNetworkReply::sslErrors, reply, [&](const QList<QSslError> &errors) {
        QStringList texts;
        for (const QSslError &error : errors)
            texts << error.errorString();
        ending.tlsReason = QStringLiteral("certificat refusé : ") + texts.join(QStringLiteral(" ; "));
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    idle.start();
    total.start();
    if (!reply->isFinished() && !aborted_)
        loop.exec();
    if (aborted_ && !reply->isFinished())
        reply->abort();
    idle.stop();
    total.stop();
    Reply done = Finish(*reply, ending);
    // A refused connection is not kept for the next request, which may trust other authorities.
    if (!ending.tlsReason.isEmpty())
        manager_.clearConnectionCache();
    const int code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (done.Result == Reply::Kind::Failed && (code == 429 || code == 503))
        RetryAfter = RetryAfterMs(reply->rawHeader("Retry-After"), QDateTime::currentDateTimeUtc());
    if (done.Result == Reply::Kind::Ok || done.Result == Reply::Kind::NotFound)
        Progress(MusicBrainzPhase::Received);
    return done;
}

MusicBrainzClient::Reply MusicBrainzClient::Finish(QNetworkReply &reply, const Ending &ending) const
{
    if (aborted_)
        return {Reply::Kind::Aborted, {}, QStringLiteral("requête abandonnée")};
    if (ending.total)
        return {Reply::Kind::Failed, {}, QStringLiteral("délai total dépassé")};
    if (ending.idle)
        return {Reply::Kind::Failed, {}, QStringLiteral("délai dépassé")};
    if (ending.tooLarge)
        return {Reply::Kind::Failed, {}, QStringLiteral("réponse trop volumineuse")};
    if (!ending.tlsReason.isEmpty())
        return {Reply::Kind::Failed, {}, ending.tlsReason};
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        if (reply.error() == QNetworkReply::SslHandshakeFailedError)
            return {Reply::Kind::Failed,
                    {},
                    QStringLiteral("échec de la négociation TLS : ") + reply.errorString()};
        return {Reply::Kind::Failed, {}, NetworkFailureText(reply)};
    }
    const int code = status.toInt();
    if (code == 200) {
        QByteArray body = reply.readAll();
        bool announced = false;
        const qint64 length = reply.header(QNetworkRequest::ContentLengthHeader).toLongLong(&announced);
        // A connection closed early leaves a body that would parse as a shorter, wrong answer.
        if (announced && body.size() < length)
            return {Reply::Kind::Failed,
                    {},
                    QStringLiteral("réponse incomplète (%1 octets reçus sur %2 annoncés)")
                        .arg(body.size())
                        .arg(length)};
        if (reply.error() != QNetworkReply::NoError)
            return {
                Reply::Kind::Failed, {}, QStringLiteral("réponse incomplète : ") + NetworkFailureText(reply)};
        return {Reply::Kind::Ok, std::move(body), {}};
    }
    if (code == 404)
        return {Reply::Kind::NotFound, {}, {}};
    QString text = QStringLiteral("statut HTTP %1").arg(code);
    const QString phrase = reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    if (!phrase.isEmpty())
        text += QLatin1Char(' ') + phrase.left(160);
    // The service answers 503 (and 429) to a program asking faster than it allows, and when overloaded.
    if (code == 503 || code == 429)
        text += QStringLiteral(" (trop de requêtes ou service surchargé, réessayez plus tard)");
    return {Reply::Kind::Failed, {}, text};
}
