#include "quavrel/engine/pipeline/rip_error.h"

#include <cerrno>
#include <cstring>

#include <QDir>

namespace {

QString WithReason(const QString &Text, const QString &Reason)
{
    return Reason.isEmpty() ? Text : Text + QStringLiteral(" (") + Reason + QLatin1Char(')');
}

} // namespace

QString SystemErrorText(int Errno)
{
    switch (Errno) {
    case ENOSPC:
        return QStringLiteral("plus de place sur le disque");
    case EDQUOT:
        return QStringLiteral("quota de disque dépassé");
    case EFBIG:
        return QStringLiteral("fichier trop grand");
    case EACCES:
    case EPERM:
        return QStringLiteral("permission refusée");
    case EROFS:
        return QStringLiteral("système de fichiers en lecture seule");
    case ENOENT:
        return QStringLiteral("dossier ou fichier introuvable");
    case ENOTDIR:
        return QStringLiteral("un élément du chemin n'est pas un dossier");
    case EISDIR:
        return QStringLiteral("c'est un dossier");
    case ENAMETOOLONG:
        return QStringLiteral("nom trop long");
    case ELOOP:
        return QStringLiteral("trop de liens symboliques");
    case EIO:
        return QStringLiteral("erreur d'entrée-sortie");
    case ENOMEDIUM:
        return QStringLiteral("pas de disque");
    case ENOMEM:
        return QStringLiteral("mémoire insuffisante");
    case EEXIST:
        return QStringLiteral("le fichier existe déjà");
    default:
        return QString::fromLocal8Bit(std::strerror(Errno));
    }
}

QString RipErrorPhrase(const RipError &Error)
{
    const QString path = QDir::toNativeSeparators(Error.Path);
    switch (Error.Kind) {
    case RipErrorKind::None:
        return {};
    case RipErrorKind::NoSuchTrack:
        return QStringLiteral("mauvais numéro de piste (%1)").arg(Error.Sector);
    case RipErrorKind::NotAudio:
        return QStringLiteral("la piste %1 n'est pas une piste audio").arg(Error.Sector);
    case RipErrorKind::FormatUnavailable:
        return Error.Reason;
    case RipErrorKind::OffsetOutsideDisc:
        return QStringLiteral("décalage de lecture de %1 échantillons hors du disque").arg(Error.Sector);
    case RipErrorKind::DriveRefused:
        return QStringLiteral("le lecteur ne peut pas lire les secteurs %1 à %2")
            .arg(Error.Sector)
            .arg(Error.LastSector);
    case RipErrorKind::Unreadable:
        return WithReason(QStringLiteral("secteurs illisibles à partir du secteur %1").arg(Error.Sector),
                          Error.Reason);
    case RipErrorKind::MediumRemoved:
        return QStringLiteral("le disque a été retiré pendant la lecture");
    case RipErrorKind::Folder:
        return WithReason(QStringLiteral("impossible de créer le dossier ") + path, Error.Reason);
    case RipErrorKind::FileWrite:
        return WithReason(QStringLiteral("impossible d'écrire le fichier ") + path, Error.Reason);
    }
    return {};
}

QString RipErrorText(const RipError &Error)
{
    switch (Error.Kind) {
    case RipErrorKind::None:
        return {};
    case RipErrorKind::NotAudio:
        return QStringLiteral("Piste non audio - Piste %1").arg(Error.Sector);
    case RipErrorKind::FormatUnavailable:
        return Error.Reason;
    default:
        return QStringLiteral("Erreur : ") + RipErrorPhrase(Error);
    }
}
