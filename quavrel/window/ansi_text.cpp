#include "ansi_text.h"

#include <cstddef>

namespace {

// Windows-1252 0x80..0x9F; the byte's own value where the code page leaves it undefined.
constexpr char16_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t CharOf(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char16_t(byte);
}

char ByteOf(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (size_t i = 0; i < std::size(kHighControls); ++i)
        if (kHighControls[i] == c)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

QString FromAnsi(const char *text)
{
    QString result;
    if (!text)
        return result;
    for (const char *p = text; *p; ++p)
        result += QChar(CharOf(static_cast<unsigned char>(*p)));
    return result;
}

QByteArray ToAnsi(const QString &text)
{
    QByteArray result;
    result.reserve(text.size());
    for (const QChar c : text)
        result += ByteOf(c.unicode());
    return result;
}
