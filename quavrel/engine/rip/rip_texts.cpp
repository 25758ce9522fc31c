#include "quavrel/engine/rip/rip_texts.h"

#include "quavrel/engine/rip/disc_rip.h"

#include <algorithm>

#include <QFileInfo>
#include <QStringList>

namespace {

// m:ss.ff of a sector within the track.
QString TrackTime(int32_t Sector, const SectorRange &Track)
{
    const int32_t at = std::max(Sector - Track.First, 0);
    return QStringLiteral("%1:%2.%3")
        .arg(at / 4500)
        .arg(at / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(at % 75, 2, 10, QLatin1Char('0'));
}

} // namespace

QString DamageText(const RipReport &Report, const SectorRange &Track, int Areas)
{
    if (Report.Lost.empty())
        return {};
    const int32_t unreadable = Report.LostSectors(false);
    const int32_t c2 = Report.LostSectors(true);
    QStringList what;
    if (unreadable > 0)
        what << QStringLiteral("%1 secteur(s) illisible(s)").arg(unreadable);
    if (c2 > 0)
        what << QStringLiteral("%1 secteur(s) erroné(s) (C2)").arg(c2);
    QStringList where;
    for (const LostRun &run : Report.Lost) {
        if (where.size() == Areas)
            break;
        where << (run.First == run.Last
                      ? TrackTime(run.First, Track)
                      : TrackTime(run.First, Track) + QStringLiteral("–") + TrackTime(run.Last, Track));
    }
    const auto others = static_cast<qsizetype>(Report.Lost.size()) - where.size();
    QString areas = where.join(QStringLiteral(", "));
    if (others > 0)
        areas += QStringLiteral(" et %1 autre(s)").arg(others);
    return what.join(QStringLiteral(" et ")) + QStringLiteral(" (") + areas +
           QStringLiteral(" dans la piste)");
}

QString DamagedTrackText(const TrackRip &Rip)
{
    return QStringLiteral("Piste %1 endommagée : ").arg(Rip.Track) + DamageText(Rip.Report, Rip.Range, 1);
}

QString RepairedText(const QString &What, const RipReport &Report)
{
    QString text = What + QStringLiteral(" : %1 secteur(s) réparé(s)").arg(Report.RepairedSectors);
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
        return report.RepairedSectors > 0
                   ? QStringLiteral("terminé, %1 secteur(s) réparé(s)").arg(report.RepairedSectors)
                   : QStringLiteral("terminé");
    case RipOutcome::Damaged:
        return QStringLiteral("endommagée : ") + DamageText(report, Rip.Range, 3);
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
