#include "quavrel/engine/rip/rip_texts.h"

#include "quavrel/engine/rip/disc_rip.h"

#include <algorithm>

#include <QFileInfo>
#include <QLocale>
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

namespace {

QString RunsText(const std::vector<LostRun> &Runs, const SectorRange &Track, int Areas)
{
    QStringList where;
    for (const LostRun &run : Runs) {
        if (where.size() == Areas)
            break;
        where << (run.First == run.Last
                      ? TrackTime(run.First, Track)
                      : TrackTime(run.First, Track) + QStringLiteral("–") + TrackTime(run.Last, Track));
    }
    const auto others = static_cast<qsizetype>(Runs.size()) - where.size();
    QString areas = where.join(QStringLiteral(", "));
    if (others > 0)
        areas += QStringLiteral(" et %1 autre(s)").arg(others);
    return areas;
}

} // namespace

QString ChecksumText(uint32_t Value)
{
    return QStringLiteral("%1").arg(Value, 8, 16, QLatin1Char('0')).toUpper();
}

QString PeakSampleText(int32_t PeakSample)
{
    return QLocale(QLocale::French).toString(100.0 * PeakSample / 32768.0, 'f', 1) + QStringLiteral(" %");
}

QString DamageText(const RipReport &Report, const SectorRange &Track, int Areas)
{
    if (Report.Lost.empty() && Report.Suspicious.empty())
        return {};
    const int32_t unreadable = Report.LostSectors(false);
    const int32_t c2 = Report.LostSectors(true);
    int32_t suspicious = 0;
    for (const LostRun &run : Report.Suspicious)
        suspicious += run.Last - run.First + 1;
    QStringList what;
    if (unreadable > 0)
        what << QStringLiteral("%1 secteur(s) illisible(s)").arg(unreadable);
    if (c2 > 0)
        what << QStringLiteral("%1 secteur(s) erroné(s) (C2)").arg(c2);
    if (suspicious > 0)
        what << QStringLiteral("%1 secteur(s) jamais lu(s) deux fois à l'identique").arg(suspicious);
    std::vector<LostRun> runs = Report.Lost;
    runs.insert(runs.end(), Report.Suspicious.begin(), Report.Suspicious.end());
    std::sort(runs.begin(), runs.end(), [](const LostRun &a, const LostRun &b) { return a.First < b.First; });
    return what.join(QStringLiteral(" et ")) + QStringLiteral(" (") + RunsText(runs, Track, Areas) +
           QStringLiteral(" dans la piste)");
}

QString CacheText(const SecureReading &Asked, DriveCache Found)
{
    const QString evicted =
        QStringLiteral("évincé par %1 secteur(s) lus ailleurs avant de relire").arg(Asked.EvictSectors);
    if (Asked.EvictSectors <= 0)
        return QStringLiteral("Cache audio du lecteur : tenu pour absent, jamais évincé");
    const QString how =
        Asked.Cache == DriveCache::Unknown ? QStringLiteral("mesuré au début") : QStringLiteral("enregistré");
    switch (Found) {
    case DriveCache::Holds:
        return QStringLiteral("Cache audio du lecteur : présent (%1), ").arg(how) + evicted;
    case DriveCache::None:
        return QStringLiteral("Cache audio du lecteur : absent (%1), rien à évincer").arg(how);
    case DriveCache::Refreshable:
        return QStringLiteral(
                   "Cache audio du lecteur : présent (%1), rafraîchi par des lectures FUA avant de relire")
            .arg(how);
    case DriveCache::Unknown:
        break;
    }
    return QStringLiteral("Cache audio du lecteur : inconnu (lectures trop rapides pour être mesurées), ") +
           evicted;
}

QStringList SecureReadLines(const RipReport &Report, const SectorRange &Track)
{
    if (!Report.Secure)
        return {};
    QStringList lines{
        Report.TestSkipped
            ? QStringLiteral("  CRC de copie : %1 (lecture de test omise : copie confirmée par "
                             "AccurateRip)")
                  .arg(ChecksumText(Report.CopyCrc))
            : QStringLiteral("  CRC de test : %1, CRC de copie : %2%3")
                  .arg(ChecksumText(Report.TestCrc), ChecksumText(Report.CopyCrc),
                       Report.TestCrc == Report.CopyCrc ? QStringLiteral(" (identiques)")
                                                        : QStringLiteral(" (différents)")),
        QStringLiteral("  Qualité de la copie : %1 %").arg(Report.Quality(Track.Last - Track.First + 1))};
    if (Report.C2Sectors > 0)
        lines << QStringLiteral("  Secteurs signalés C2 : %1 (relus en premier)").arg(Report.C2Sectors);
    if (!Report.Reread.empty())
        lines << QStringLiteral("  Relu jusqu'à l'accord : ") + RunsText(Report.Reread, Track, kAllAreas);
    if (!Report.Suspicious.empty())
        lines << QStringLiteral("  Positions suspectes : ") + RunsText(Report.Suspicious, Track, kAllAreas);
    return lines;
}

QString DamagedTrackText(const TrackRip &Rip)
{
    if (Rip.Report.Lost.empty() && Rip.Report.Unsafe())
        return QStringLiteral("Piste %1 : copie non sûre : ").arg(Rip.Track) +
               DamageText(Rip.Report, Rip.Range, 1);
    return QStringLiteral("Piste %1 endommagée : ").arg(Rip.Track) + DamageText(Rip.Report, Rip.Range, 1);
}

QString SecureQualityText(const TrackRip &Rip)
{
    return QStringLiteral("copie sûre, qualité %1 %, crête %2")
        .arg(Rip.Report.Quality(Rip.Range.Last - Rip.Range.First + 1))
        .arg(PeakSampleText(Rip.Report.PeakSample));
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
    case RipOutcome::Done: {
        QString done = report.RepairedSectors > 0
                           ? QStringLiteral("terminé, %1 secteur(s) réparé(s)").arg(report.RepairedSectors)
                           : QStringLiteral("terminé");
        done += QStringLiteral(", ") + (report.Secure
                                            ? SecureQualityText(Rip)
                                            : QStringLiteral("crête ") + PeakSampleText(report.PeakSample));
        return done;
    }
    case RipOutcome::Damaged:
        return (report.Lost.empty() ? QStringLiteral("copie non sûre : ") : QStringLiteral("endommagée : ")) +
               DamageText(report, Rip.Range, 3);
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
