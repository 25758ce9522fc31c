#include "quavrel/metadata/musicbrainz/request_spacing.h"

#include <algorithm>

#include <QElapsedTimer>

namespace request_spacing {
namespace {

QElapsedTimer &LastStart()
{
    static QElapsedTimer timer;
    return timer;
}

} // namespace

int DelayBeforeNextMs()
{
    const QElapsedTimer &last = LastStart();
    if (!last.isValid())
        return 0;
    return static_cast<int>(std::max<qint64>(0, kIntervalMs - last.elapsed()));
}

void NoteRequestStart()
{
    LastStart().start();
}

} // namespace request_spacing
