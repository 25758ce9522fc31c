// libFuzzer target: the decoding of the window's settings file (Quavrel.ini) on arbitrary bytes.
// What it gives is UTF-8 made of header and value lines only, and decoding it again changes nothing.

#include "quavrel/settings/settings_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(size));
    const std::optional<QByteArray> readable = ReadableSettingsText(input);
    if (!readable)
        return 0;
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(*readable);
    if (utf8.hasError() || text.contains(QChar(0)))
        std::abort();
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const bool header = line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'));
        if (!header && !line.contains(QLatin1Char('=')))
            std::abort();
    }
    if (!readable->isEmpty() && ReadableSettingsText(*readable) != readable)
        std::abort();
    return 0;
}
