#include "quavrel/metadata/lookup/metadata_source.h"

#include <QStringList>

QString MetadataMatch::Line() const
{
    if (Source != QLatin1String("MusicBrainz"))
        return QStringLiteral("%1 %2 %3 / %4").arg(Category, DiscId, Artist, Title);
    // Two releases of one album must read apart: when, where, which edition, which disc.
    QStringList parts{Source};
    for (const QString &part : {Date, Country})
        if (!part.isEmpty())
            parts << part;
    QString line = parts.join(QLatin1Char(' ')) + QLatin1Char(' ') + Artist + QStringLiteral(" / ") + Title;
    if (!Disambiguation.isEmpty())
        line += QStringLiteral(" (") + Disambiguation + QLatin1Char(')');
    if (MediumCount > 1)
        line += QStringLiteral(" — disque %1/%2").arg(MediumPosition).arg(MediumCount);
    if (!ReleaseId.isEmpty())
        line += QStringLiteral(" — ") + ReleaseId;
    return line;
}
