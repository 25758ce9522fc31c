#include "quavrel/engine/verify/accuraterip_disc.h"

#include <algorithm>

int AccurateRipDisc::IndexOf(int Number) const
{
    for (size_t i = 0; i < Tracks.size(); ++i)
        if (Tracks[i] == Number)
            return static_cast<int>(i) + 1;
    return 0;
}

int64_t AccurateRipDisc::FramesOf(int Number) const
{
    const int index = IndexOf(Number);
    if (index == 0)
        return 0;
    const int32_t end =
        static_cast<size_t>(index) < Starts.size() ? Starts[static_cast<size_t>(index)] : LeadOut;
    return int64_t{end - Starts[static_cast<size_t>(index) - 1]} * 588;
}

QString AccurateRipDisc::FileName() const
{
    return QStringLiteral("dBAR-%1-%2-%3-%4.bin")
        .arg(Tracks.size(), 3, 10, QLatin1Char('0'))
        .arg(Id1, 8, 16, QLatin1Char('0'))
        .arg(Id2, 8, 16, QLatin1Char('0'))
        .arg(Id3, 8, 16, QLatin1Char('0'));
}

QString AccurateRipDisc::Url(const QString &Server) const
{
    QString base = Server.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const QString hex = QStringLiteral("%1").arg(Id1, 8, 16, QLatin1Char('0'));
    return base + QStringLiteral("/accuraterip/%1/%2/%3/").arg(hex.at(7)).arg(hex.at(6)).arg(hex.at(5)) +
           FileName();
}

AccurateRipDisc AccurateRipDiscOf(const TCdInfo &Info, uint32_t CddbId)
{
    AccurateRipDisc disc;
    const int count = std::min<int>(Info.TrackCount, static_cast<int>(Info.Slots.size()));
    int lastAudio = 0;
    for (int number = 1; number <= count; ++number) {
        if (Info.Slot(number).IsAudio != 1)
            continue;
        disc.Tracks.push_back(number);
        disc.Starts.push_back(Info.Slot(number).StartSector);
        lastAudio = number;
    }
    if (disc.Tracks.empty())
        return {};
    // A data track after the audio ones starts a second session: the audio ends before its gap.
    disc.LeadOut = lastAudio < count ? Info.Slot(lastAudio + 1).StartSector - kEnhancedCdGapSectors
                                     : MSFToLBA(Info.LeadOut);
    // The tracks count in their order among the audio tracks.
    uint32_t n = 1;
    for (const int32_t start : disc.Starts) {
        disc.Id1 += static_cast<uint32_t>(start);
        disc.Id2 += static_cast<uint32_t>(std::max(start, 1)) * n;
        ++n;
    }
    disc.Id1 += static_cast<uint32_t>(disc.LeadOut);
    disc.Id2 += static_cast<uint32_t>(disc.LeadOut) * n;
    disc.Id3 = CddbId;
    return disc;
}
