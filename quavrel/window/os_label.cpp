#include "quavrel/window/os_label.h"

#include <QFile>
#include <QTextStream>

QString WindowsVersionLabel(int major, int minor, bool platformIsNT)
{
    const QString unknown = QStringLiteral("Inconnu");
    switch (major) {
    case 3:
        return minor == 51 ? QStringLiteral("Windows NT 3.51") : QStringLiteral("unknown");
    case 4:
        switch (minor) {
        case 0:
            return platformIsNT ? QStringLiteral("Windows NT 4.0") : QStringLiteral("Windows 95");
        case 10:
            return QStringLiteral("Windows 98");
        case 90:
            return QStringLiteral("Windows ME");
        default:
            return unknown;
        }
    case 5:
        switch (minor) {
        case 0:
            return QStringLiteral("Windows 2000");
        case 1:
            return QStringLiteral("Windows XP");
        default:
            return unknown;
        }
    default:
        return unknown;
    }
}

namespace {

// os-release values are shell-style: optionally quoted, with backslash escapes inside quotes.
QString Unquote(const QString &raw)
{
    if (raw.size() < 2 || (raw.front() != QLatin1Char('"') && raw.front() != QLatin1Char('\'')) ||
        raw.back() != raw.front())
        return raw;
    const QString inner = raw.mid(1, raw.size() - 2);
    if (raw.front() == QLatin1Char('\''))
        return inner;
    QString out;
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (inner.at(i) == QLatin1Char('\\') && i + 1 < inner.size())
            ++i;
        out += inner.at(i);
    }
    return out;
}

} // namespace

QString OsReleaseLabel(const QString &osReleasePath)
{
    QFile file(osReleasePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QString pretty;
    QString name;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1Char('#')) || equals <= 0)
            continue;
        const QString key = line.left(equals);
        const QString value = Unquote(line.mid(equals + 1));
        if (key == QLatin1String("PRETTY_NAME"))
            pretty = value;
        else if (key == QLatin1String("NAME"))
            name = value;
    }
    return pretty.isEmpty() ? name : pretty;
}

QString RunningSystemLabel()
{
    for (const char *path : {"/etc/os-release", "/usr/lib/os-release"}) {
        const QString label = OsReleaseLabel(QString::fromLatin1(path));
        if (!label.isEmpty())
            return label;
    }
    return QStringLiteral("Inconnu");
}
