#include "quavrel/engine/verify/accuraterip_disc.h"

namespace {

constexpr int64_t kFramesPerSector = 588;

} // namespace

QString AccurateRipFileName(const AccurateRipIdentity &Ids)
{
    return QStringLiteral("dBAR-%1-%2-%3-%4.bin")
        .arg(Ids.AudioTracks, 3, 10, QLatin1Char('0'))
        .arg(Ids.Id1, 8, 16, QLatin1Char('0'))
        .arg(Ids.Id2, 8, 16, QLatin1Char('0'))
        .arg(Ids.Id3, 8, 16, QLatin1Char('0'));
}

QString AccurateRipUrl(const QString &Server, const AccurateRipIdentity &Ids)
{
    QString base = Server.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const QString hex = QStringLiteral("%1").arg(Ids.Id1, 8, 16, QLatin1Char('0'));
    return base + QStringLiteral("/accuraterip/%1/%2/%3/").arg(hex.at(7)).arg(hex.at(6)).arg(hex.at(5)) +
           AccurateRipFileName(Ids);
}

TrackChecksums ChecksumsOfTrack(const Disc &Disc, int Number)
{
    const int index = Disc.AudioIndexOf(Number);
    const int count = static_cast<int>(Disc.AudioTracks().size());
    return TrackChecksums(Disc.TrackRange(Number).Count() * kFramesPerSector, index == 1,
                          index > 0 && index == count);
}
