#include "quavrel/network/accuraterip_fetch.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {

// A disc's file holds a few hundred pressings at most.
constexpr qint64 kMaxReplyBytes = 4 * 1024 * 1024;

} // namespace

AccurateRipLookup LookUpAccurateRip(const QString &Server, const AccurateRipDisc &Disc, int TimeoutMs)
{
    AccurateRipLookup lookup;
    if (Server.trimmed().isEmpty() || Disc.Empty())
        return lookup;
    const QUrl url(Disc.Url(Server));
    if (!url.isValid() || url.scheme() != QLatin1String("http")) {
        lookup.Detail = QStringLiteral("adresse invalide : %1").arg(Server);
        return lookup;
    }

    QNetworkAccessManager manager;
    // A server on this machine is never reached through a proxy.
    if (QHostAddress(url.host()).isLoopback() || url.host() == QLatin1String("localhost"))
        manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(url);
    request.setTransferTimeout(TimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = manager.get(request);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxReplyBytes)
            reply->abort();
    });
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 404) {
        lookup.Result = AccurateRipResult::NotInDatabase;
    } else if (reply->error() != QNetworkReply::NoError || status != 200) {
        lookup.Result = AccurateRipResult::Offline;
        lookup.Detail = status != 0 ? QStringLiteral("HTTP %1").arg(status) : reply->errorString();
    } else if (auto pressings = ParseAccurateRipFile(reply->readAll())) {
        lookup.Result = AccurateRipResult::Exact;
        lookup.Pressings = std::move(*pressings);
    } else {
        lookup.Detail = QStringLiteral("réponse illisible");
    }
    reply->deleteLater();
    return lookup;
}
