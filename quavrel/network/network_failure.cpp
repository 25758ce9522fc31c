#include "quavrel/network/network_failure.h"

#include <QNetworkReply>

QString NetworkFailureText(const QNetworkReply &Reply)
{
    switch (Reply.error()) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("connexion refusée");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("nom d'hôte inconnu");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("connexion fermée avant une réponse HTTP complète");
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        return QStringLiteral("délai dépassé");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("échec de la négociation TLS");
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
        return QStringLiteral("réseau indisponible");
    default:
        return Reply.errorString();
    }
}
