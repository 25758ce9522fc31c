#include "quavrel/metadata/cddb/ansi_text.h"

#include "platform/common/windows1252.h"

QString FromAnsi(const char *text)
{
    QString result;
    if (!text)
        return result;
    for (const char *p = text; *p; ++p)
        result += QChar(platform::Windows1252Char(static_cast<unsigned char>(*p)));
    return result;
}

QByteArray ToAnsi(const QString &text)
{
    QByteArray result;
    result.reserve(text.size());
    for (const QChar c : text) {
        const int byte = platform::Windows1252Byte(c.unicode());
        result += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return result;
}

QString FromCddbText(const char *text, bool utf8)
{
    return utf8 ? QString::fromUtf8(text) : FromAnsi(text);
}
