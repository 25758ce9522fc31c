#include "quavrel/settings/settings_text.h"

#include "platform/common/windows1252.h"

#include <QString>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringList>

namespace {

QString DecodeLine(QByteArrayView line)
{
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8(line);
    if (!utf8.hasError())
        return text;
    // Written by an 8-bit editor.
    text.clear();
    for (const char byte : line)
        text += QChar(platform::Windows1252Char(static_cast<unsigned char>(byte)));
    return text;
}

std::optional<QString> Decode(const QByteArray &bytes)
{
    std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(bytes, u'[');
    // No byte-order mark and a first character other than '[': zero bytes still tell UTF-16.
    if (!encoding && bytes.size() >= 2 && bytes.contains('\0'))
        encoding = bytes.at(1) == '\0' ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
    if (encoding && *encoding != QStringConverter::Utf8) {
        QStringDecoder decoder(*encoding);
        QString text = decoder(bytes);
        if (decoder.hasError())
            return std::nullopt;
        return text;
    }
    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);
    QString text;
    for (qsizetype begin = 0; begin <= body.size();) {
        qsizetype end = body.indexOf('\n', begin);
        if (end < 0)
            end = body.size();
        text += DecodeLine(body.sliced(begin, end - begin)) + QLatin1Char('\n');
        begin = end + 1;
    }
    return text;
}

// Closes what the INI reader would carry over to the next line: a final unescaped backslash, and
// a quote opened after the '='.
QString Closed(QString line)
{
    bool escaped = false;
    bool quoted = false;
    bool afterEquals = false;
    for (const QChar c : std::as_const(line)) {
        if (escaped)
            escaped = false;
        else if (c == QLatin1Char('\\'))
            escaped = true;
        else if (c == QLatin1Char('=') && !quoted)
            afterEquals = true;
        else if (c == QLatin1Char('"') && afterEquals)
            quoted = !quoted;
    }
    if (escaped)
        line += QLatin1Char('\\');
    if (quoted)
        line += QLatin1Char('"');
    return line;
}

} // namespace

std::optional<QByteArray> ReadableSettingsText(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return QByteArray();
    const std::optional<QString> text = Decode(bytes);
    if (!text || text->contains(QChar(0)))
        return std::nullopt;
    QString readable;
    bool anyLine = false;
    for (const QString &raw : text->split(QLatin1Char('\n'))) {
        QString line = raw.trimmed();
        // A byte-order mark inside the text (files joined one after the other) would hide a header.
        while (line.startsWith(QChar(0xFEFF)))
            line = line.sliced(1).trimmed();
        const bool header = line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'));
        const bool value = !header && line.contains(QLatin1Char('=')) && !line.startsWith(QLatin1Char(';')) &&
                           !line.startsWith(QLatin1Char('#'));
        if (!header && !value)
            continue;
        anyLine = true;
        readable += (header ? line : Closed(line)) + QLatin1Char('\n');
    }
    if (!anyLine)
        return std::nullopt;
    return readable.toUtf8();
}
