#include "quavrel/metadata/musicbrainz/retry_after.h"

#include <algorithm>

#include <QLocale>

namespace {

// A day is more than any service asks for and keeps the product far from overflowing.
constexpr qint64 kMaxSeconds = 24 * 60 * 60;

} // namespace

std::optional<qint64> RetryAfterMs(const QByteArray &Value, const QDateTime &Now)
{
    const QByteArray text = Value.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const qint64 seconds = text.size() > 6 ? kMaxSeconds : text.toLongLong();
        return std::min(seconds, kMaxSeconds) * 1000;
    }
    // IMF-fixdate, the form HTTP/1.1 senders use: "Sun, 06 Nov 1994 08:49:37 GMT".
    QDateTime when =
        QLocale::c().toDateTime(QString::fromLatin1(text), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    if (!when.isValid())
        return std::nullopt;
    when.setTimeSpec(Qt::UTC);
    return std::clamp<qint64>(Now.msecsTo(when), 0, kMaxSeconds * 1000);
}
