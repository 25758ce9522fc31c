#pragma once
// The wait an HTTP Retry-After header asks for: delta-seconds or an HTTP-date.

#include <optional>

#include <QByteArray>
#include <QDateTime>

// Milliseconds from Now until the retry the header names (0 for a date already past); nullopt
// when the header is empty or names no time.
std::optional<qint64> RetryAfterMs(const QByteArray &Value, const QDateTime &Now);
