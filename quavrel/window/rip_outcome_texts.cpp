#include "quavrel/window/rip_outcome_texts.h"

#include <algorithm>

#include <QDir>
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

QString FailedText(const QString &What, const QString &Reason)
{
    return What + QStringLiteral(" échoué : ") + Reason;
}
