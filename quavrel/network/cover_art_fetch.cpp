#include "quavrel/network/cover_art_fetch.h"

#include "quavrel/network/network_failure.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

// The service sends one redirection to the image's storage; a chain longer than this is a loop.
constexpr int kMaxRedirects = 5;

bool IsWeb(const QUrl &Url)
{
    return Url.scheme() == QLatin1String("http") || Url.scheme() == QLatin1String("https");
}

bool IsLocal(const QUrl &Url)
{
    return QHostAddress(Url.host()).isLoopback() || Url.host() == QLatin1String("localhost");
}

} // namespace

void CoverArtService::Abort()
{
    aborted_ = true;
    if (reply_)
        reply_->abort();
}

CoverArtResult CoverArtService::Fetch(const QString &Server, const QString &ReleaseId)
{
    CoverArtResult result;
    QString base = Server.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const QUrl url(base + QStringLiteral("/release/") +
                   QString::fromLatin1(QUrl::toPercentEncoding(ReleaseId)) + QStringLiteral("/front-500"));
    if (!url.isValid() || !IsWeb(url) || url.host().isEmpty()) {
        result.Problem = QStringLiteral("adresse invalide : %1").arg(Server);
        return result;
    }

    QNetworkAccessManager manager;
    // A server on this machine is never reached through a proxy.
    if (IsLocal(url))
        manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent_);
    request.setTransferTimeout(limits_.IdleMs);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    // Every redirection is looked at: only http and https are followed.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    aborted_ = false;
    QNetworkReply *reply = manager.get(request);
    reply_ = reply;
    bool tooLarge = false;
    bool timedOut = false;
    QString refusedRedirect;
    QObject::connect(reply, &QNetworkReply::redirected, reply, [reply, &refusedRedirect](const QUrl &target) {
        if (IsWeb(target)) {
            emit reply->redirectAllowed();
            return;
        }
        refusedRedirect = target.scheme();
        reply->abort();
    });
    const qint64 cap = limits_.MaxBytes;
    const auto checkSize = [reply, &tooLarge, cap](qint64 received, qint64 total) {
        if (received > cap || total > cap) {
            tooLarge = true;
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, checkSize);
    // A server that sends a byte now and then never reaches the idle limit: the whole request has one too.
    QTimer total;
    total.setSingleShot(true);
    QObject::connect(&total, &QTimer::timeout, reply, [reply, &timedOut] {
        timedOut = true;
        reply->abort();
    });
    total.start(limits_.TotalMs);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    reply_ = nullptr;

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // Qt itself stops at a redirection to a scheme it does not follow, without asking.
    const QUrl target = QUrl(QString::fromUtf8(reply->rawHeader("Location")));
    if (refusedRedirect.isEmpty() && status >= 300 && status < 400 && target.isValid() &&
        !target.isRelative() && !IsWeb(target))
        refusedRedirect = target.scheme();
    if (!refusedRedirect.isEmpty()) {
        result.Problem = QStringLiteral("redirection refusée vers une adresse « %1: »").arg(refusedRedirect);
    } else if (tooLarge) {
        result.Problem = QStringLiteral("réponse de plus de %1 Mio").arg(cap / (1024 * 1024));
    } else if (aborted_) {
        result.Problem = QStringLiteral("requête abandonnée");
    } else if (timedOut) {
        result.Problem = QStringLiteral("délai total dépassé");
    } else if (status == 404) {
        result.Problem = QStringLiteral("pas de pochette pour cette parution (HTTP 404)");
    } else if (reply->error() == QNetworkReply::TooManyRedirectsError) {
        result.Problem = QStringLiteral("trop de redirections");
    } else if (reply->error() != QNetworkReply::NoError || status != 200) {
        result.Problem = status != 0 ? QStringLiteral("HTTP %1").arg(status) : NetworkFailureText(*reply);
    } else {
        const QByteArray data = reply->readAll();
        const QString type = ImageMimeType(data);
        if (data.size() > cap)
            result.Problem = QStringLiteral("réponse de plus de %1 Mio").arg(cap / (1024 * 1024));
        else if (type.isEmpty())
            result.Problem = QStringLiteral("la réponse n'est pas une image JPEG ou PNG");
        else
            result.Image = {data, type};
    }
    reply->deleteLater();
    return result;
}
