#include "quavrel/engine/rip/rip_texts.h"

#include "quavrel/engine/rip/disc_rip.h"

#include <algorithm>

#include <QFileInfo>

bool HasDamage(const RipReport &Report)
{
    return Report.DamagedChunks > 0 || Report.JitterErrors > 0;
}

QString DamagedText(const QString &What, const RipReport &Report)
{
    QString text =
        What + QStringLiteral(" : %1 secteur(s) endommagé(s)").arg(std::max(Report.DamagedSectors, 1));
    if (!Report.JitterFile.isEmpty())
        text += QStringLiteral(" (voir ") + QFileInfo(Report.JitterFile).fileName() + QLatin1Char(')');
    return text;
}

QString FailedText(const QString &What, const RipError &Error)
{
    return What + QStringLiteral(" échoué : ") + RipErrorText(Error);
}

QString RipFailureText(const QString &What, const RipError &Error)
{
    if (Error.Kind == RipErrorKind::DriveRefused || Error.Kind == RipErrorKind::OffsetOutsideDisc)
        return QStringLiteral("Erreur : CDRIP Erreur (") + RipErrorPhrase(Error) + QLatin1Char(')');
    return FailedText(What, Error);
}

QString TrackResultText(const TrackRip &Rip)
{
    const RipReport &report = Rip.Report;
    switch (report.Outcome) {
    case RipOutcome::Done:
        return HasDamage(report) ? DamagedText(QStringLiteral("terminé"), report) : QStringLiteral("terminé");
    case RipOutcome::Cancelled:
        return QStringLiteral("annulé");
    case RipOutcome::Failed:
        break;
    }
    return QStringLiteral("échec : ") + RipErrorText(report.Error);
}

QString ShortVerdictText(const TrackRip &Rip)
{
    if (!Rip.Checksummed)
        return QStringLiteral("non vérifiée");
    switch (Rip.Verdict.Result) {
    case AccurateRipResult::Exact:
        return QStringLiteral("exacte (%1)").arg(Rip.Verdict.Confidence);
    case AccurateRipResult::Mismatch:
        return QStringLiteral("différente (%1)").arg(Rip.Verdict.Confidence);
    case AccurateRipResult::NotInDatabase:
        return QStringLiteral("absente");
    case AccurateRipResult::Offline:
        return QStringLiteral("hors ligne");
    case AccurateRipResult::NoDatabase:
        break;
    }
    return QStringLiteral("non vérifiée");
}
