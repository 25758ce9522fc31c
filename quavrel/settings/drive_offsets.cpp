#include "quavrel/settings/drive_offsets.h"

#include "quavrel/settings/settings_table.h"

#include <cstdlib>

#include <QStringList>

QMap<QString, int> ParseDriveOffsets(const QString &Stored)
{
    QMap<QString, int> offsets;
    for (const QString &line : Stored.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        int offset = 0;
        const qsizetype space = line.indexOf(QLatin1Char(' '));
        if (space > 0 && ParseStoredInteger(line.left(space), offset) && std::abs(offset) <= kMaxReadOffset &&
            offset != 0)
            offsets.insert(line.mid(space + 1), offset);
    }
    return offsets;
}

QString DriveOffsetsText(const QMap<QString, int> &Offsets)
{
    QStringList lines;
    for (auto it = Offsets.cbegin(); it != Offsets.cend(); ++it)
        if (it.value() != 0)
            lines << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
    return lines.join(QLatin1Char('\n'));
}

QMap<QString, QString> ParseDriveCaches(const QString &Stored)
{
    QMap<QString, QString> caches;
    for (const QString &line : Stored.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString answer = line.section(QLatin1Char(' '), 0, 0);
        const QString name = line.section(QLatin1Char(' '), 1);
        if (!name.isEmpty() && QStringList{"oui", "non", "fua"}.contains(answer))
            caches.insert(name, answer);
    }
    return caches;
}

QString DriveCachesText(const QMap<QString, QString> &Caches)
{
    QStringList lines;
    for (auto it = Caches.cbegin(); it != Caches.cend(); ++it)
        lines << it.value() + QLatin1Char(' ') + it.key();
    return lines.join(QLatin1Char('\n'));
}

QString DefaultAccurateRipServer()
{
    const QString configured = qEnvironmentVariable("QUAVREL_ACCURATERIP_SERVER");
    return configured.isEmpty() ? QStringLiteral("http://www.accuraterip.com") : configured;
}
