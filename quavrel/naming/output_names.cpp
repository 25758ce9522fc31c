#include "quavrel/naming/output_names.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool IsForbidden(char32_t c)
{
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F))
        return true;
    switch (c) {
    case U'/':
    case U'\\':
    case U':':
    case U'*':
    case U'?':
    case U'"':
    case U'<':
    case U'>':
    case U'|':
        return true;
    default:
        return false;
    }
}

bool IsEdgeCharacter(QChar c)
{
    return c == QLatin1Char('.') || c.isSpace();
}

} // namespace

QByteArray Utf8Prefix(const QString &text, int maxBytes)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.size() <= maxBytes)
        return bytes;
    int end = maxBytes;
    // Continuation bytes are 10xxxxxx: step back to the start of the character that is cut.
    while (end > 0 && (static_cast<uint8_t>(bytes[end]) & 0xC0) == 0x80)
        --end;
    bytes.truncate(end);
    return bytes;
}

QString SafeFileName(const QString &text, const QString &fallback)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed == QLatin1String(".") || trimmed == QLatin1String(".."))
        return fallback;
    QString name;
    name.reserve(text.size());
    for (const char32_t c : text.toUcs4())
        name += IsForbidden(c) ? QString(QLatin1Char('_')) : QString::fromUcs4(&c, 1);
    for (qsizetype i = 0; i < name.size() && IsEdgeCharacter(name[i]); ++i)
        name[i] = QLatin1Char('_');
    for (qsizetype i = name.size() - 1; i >= 0 && IsEdgeCharacter(name[i]); --i)
        name[i] = QLatin1Char('_');
    name = QString::fromUtf8(Utf8Prefix(name, kMaxNameBytes));
    // A cut may leave a dot or blank at the end again.
    for (qsizetype i = name.size() - 1; i >= 0 && IsEdgeCharacter(name[i]); --i)
        name[i] = QLatin1Char('_');
    return name;
}

QString OutputDirectoryFor(const QString &root, bool byArtist, const QString &artist, const QString &album)
{
    QString directory = root.isEmpty() ? QStringLiteral(".") : QDir::fromNativeSeparators(root);
    if (byArtist) {
        for (const QString &level : {artist, album}) {
            const QString name = SafeFileName(level, {});
            if (!name.isEmpty())
                directory += QLatin1Char('/') + name;
        }
    }
    return QDir::toNativeSeparators(QDir::cleanPath(directory));
}

QString OutputBaseNameFor(int number, const QString &name, bool withNumber, bool withName)
{
    const QString n = QString::number(number);
    if (withNumber && withName)
        return SafeFileName(n + QLatin1Char('-') + name, n);
    if (withName)
        return name == QLatin1String("?") ? n : SafeFileName(name, n);
    return n;
}

int64_t FileSizeOf(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile() ? info.size() : -1;
}

QString SizeText(const QString &path)
{
    const int64_t size = FileSizeOf(path);
    int64_t kilo = 0;
    if (size > 0) {
        kilo = size / 1000;
        const int64_t rest = size % 1000;
        if (rest > 500 || (rest == 500 && kilo % 2 == 1))
            ++kilo;
    }
    return QString::number(kilo) + QStringLiteral(" Ko");
}
