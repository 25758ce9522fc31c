#include "quavrel/metadata/lookup/plain_text.h"

#include "quavrel/metadata/lookup/name_source.h"

QString PlainText(const QString &Text, bool KeepLines)
{
    QString plain;
    plain.reserve(Text.size());
    for (const QChar c : Text) {
        const char16_t u = c.unicode();
        const bool control = u < 0x20 || (u >= 0x7F && u <= 0x9F);
        if (!control || (KeepLines && (u == u'\t' || u == u'\n')))
            plain += c;
    }
    return plain;
}

std::optional<NameSource> ParseNameSource(const QString &Text)
{
    if (Text == QLatin1String("cddb"))
        return NameSource::Cddb;
    if (Text == QLatin1String("musicbrainz"))
        return NameSource::MusicBrainz;
    if (Text == QLatin1String("both"))
        return NameSource::Both;
    return std::nullopt;
}
