#include "quavrel/network/accuraterip_fetch.h"

#include "quavrel/engine/verify/accuraterip_disc.h"
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

// A disc's file holds a few hundred pressings at most.
constexpr qint64 kMaxReplyBytes = 4 * 1024 * 1024;

} // namespace

void AccurateRipService::Abort()
{
    aborted_ = true;
    if (reply_)
        reply_->abort();
}

AccurateRipLookup AccurateRipService::Fetch(const QString &Server, const AccurateRipIdentity &Ids)
{
    AccurateRipLookup lookup;
    if (Server.trimmed().isEmpty() || Ids.Empty())
        return lookup;
    const QUrl url(AccurateRipUrl(Server, Ids));
    if (!url.isValid() || url.scheme() != QLatin1String("http")) {
        lookup.Detail = QStringLiteral("adresse invalide : %1").arg(Server);
        return lookup;
    }
    if (const auto known = known_.find(url.toString()); known != known_.end())
        return known->second;

    QNetworkAccessManager manager;
    // A server on this machine is never reached through a proxy.
    if (QHostAddress(url.host()).isLoopback() || url.host() == QLatin1String("localhost"))
        manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(url);
    request.setTransferTimeout(limits_.IdleMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    aborted_ = false;
    QNetworkReply *reply = manager.get(request);
    reply_ = reply;
    bool tooLarge = false;
    bool timedOut = false;
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply, &tooLarge](qint64 received, qint64) {
                         if (received > kMaxReplyBytes) {
                             tooLarge = true;
                             reply->abort();
                         }
                     });
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
    if (tooLarge) {
        lookup.Detail = QStringLiteral("réponse trop grande");
    } else if (aborted_) {
        lookup.Result = AccurateRipResult::Offline;
        lookup.Detail = QStringLiteral("requête abandonnée");
    } else if (timedOut) {
        lookup.Result = AccurateRipResult::Offline;
        lookup.Detail = QStringLiteral("délai total dépassé");
    } else if (status == 404) {
        lookup.Result = AccurateRipResult::NotInDatabase;
    } else if (reply->error() != QNetworkReply::NoError || status != 200) {
        lookup.Result = AccurateRipResult::Offline;
        lookup.Detail = status != 0 ? QStringLiteral("HTTP %1").arg(status) : NetworkFailureText(*reply);
    } else if (auto pressings = ParseAccurateRipFile(reply->readAll())) {
        lookup.Result = AccurateRipResult::Exact;
        lookup.Pressings = std::move(*pressings);
    } else {
        lookup.Detail = QStringLiteral("réponse illisible");
    }
    reply->deleteLater();
    if (lookup.Found() || lookup.Result == AccurateRipResult::NotInDatabase)
        known_[url.toString()] = lookup;
    return lookup;
}
