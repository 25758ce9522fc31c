#include "quavrel/engine/bindings/cd_info_disc.h"

#include <algorithm>

#include <QByteArray>

std::optional<Disc> DiscOf(const TCdInfo &Info)
{
    std::vector<DiscTrack> tracks;
    for (int number = 1; number <= std::min<int>(Info.TrackCount, static_cast<int>(Info.Slots.size()));
         ++number) {
        const TCdTrackSlot &slot = Info.Slot(number);
        DiscTrack track;
        track.Number = number;
        track.Start = slot.StartSector;
        track.Audio = slot.IsAudio == 1;
        track.Pregap = slot.PregapSector >= 0 ? slot.StartSector - slot.PregapSector : 0;
        track.Isrc = QString::fromLatin1(slot.Isrc);
        track.PreEmphasis = track.Audio && (slot.Control & 0x01) != 0;
        track.CopyPermitted = (slot.Control & 0x02) != 0;
        track.FourChannel = track.Audio && (slot.Control & 0x08) != 0;
        tracks.push_back(track);
    }
    std::optional<Disc> disc = Disc::FromTracks(tracks, MSFToLBA(Info.LeadOut));
    if (disc)
        disc->SetContents(tracks, QString::fromLatin1(Info.Catalog),
                          DecodeCdText(QByteArray(reinterpret_cast<const char *>(Info.CdText.data()),
                                                  static_cast<qsizetype>(Info.CdText.size())),
                                       tracks.empty() ? 1 : tracks.front().Number));
    return disc;
}
