#include "quavrel/disc/disc.h"

#include "quavrel/disc/ostrelle_toc.h"

#include <algorithm>
#include <array>
#include <discid/discid.h>
#include <memory>

#include <QStringList>

namespace {

// MusicBrainz and libdiscid count sectors from the start of the lead-in.
constexpr int kLeadIn = 150;

struct DiscIdFree {
    void operator()(DiscId *disc) const { discid_free(disc); }
};

} // namespace

std::optional<Disc> Disc::FromTracks(std::vector<DiscTrack> Tracks, int32_t LeadOut)
{
    if (Tracks.empty() || Tracks.size() > 99)
        return std::nullopt;
    int32_t previous = -1;
    for (size_t i = 0; i < Tracks.size(); ++i) {
        if (Tracks[i].Number != static_cast<int>(i) + 1 || Tracks[i].Start < 0 || Tracks[i].Start <= previous)
            return std::nullopt;
        previous = Tracks[i].Start;
    }
    if (LeadOut <= previous)
        return std::nullopt;
    Disc disc;
    disc.tracks_ = std::move(Tracks);
    disc.leadOut_ = LeadOut;
    disc.CutPregaps();
    return disc;
}

void Disc::CutPregaps()
{
    int32_t previous = -1;
    for (DiscTrack &track : tracks_) {
        track.Pregap = std::clamp(track.Pregap, 0, track.Start - previous - 1);
        previous = track.Start;
    }
}

void Disc::SetContents(const std::vector<DiscTrack> &Contents, const QString &Catalog, const ::CdText &Text)
{
    for (const DiscTrack &read : Contents) {
        if (!HasTrack(read.Number))
            continue;
        DiscTrack &track = tracks_[static_cast<size_t>(read.Number - 1)];
        track.Pregap = read.Pregap;
        track.Isrc = read.Isrc;
        track.PreEmphasis = read.PreEmphasis;
        track.CopyPermitted = read.CopyPermitted;
        track.FourChannel = read.FourChannel;
    }
    CutPregaps();
    catalog_ = Catalog;
    cdText_ = Text;
}

bool Disc::SameTable(const Disc &Other) const
{
    if (leadOut_ != Other.leadOut_ || tracks_.size() != Other.tracks_.size())
        return false;
    for (size_t i = 0; i < tracks_.size(); ++i)
        if (tracks_[i].Start != Other.tracks_[i].Start || tracks_[i].Audio != Other.tracks_[i].Audio)
            return false;
    return true;
}

bool Disc::HasHiddenTrack() const
{
    return !tracks_.empty() && tracks_.front().Audio && tracks_.front().Start >= kHiddenTrackMinimumSectors;
}

std::vector<int> Disc::AudioTracks() const
{
    std::vector<int> numbers;
    for (const DiscTrack &track : tracks_)
        if (track.Audio)
            numbers.push_back(track.Number);
    return numbers;
}

int Disc::AudioIndexOf(int Number) const
{
    if (!IsAudio(Number))
        return 0;
    int index = 0;
    for (int n = 1; n <= Number; ++n)
        index += IsAudio(n) ? 1 : 0;
    return index;
}

int32_t Disc::AudioEnd() const
{
    const std::vector<int> audio = AudioTracks();
    if (audio.empty())
        return leadOut_;
    const int last = audio.back();
    if (last == TrackCount())
        return leadOut_;
    // The session rule: what follows the last audio track is a data session.
    const int32_t data = Track(last + 1).Start;
    return data - kSessionGapSectors > Track(last).Start ? data - kSessionGapSectors : data;
}

SectorRange Disc::TrackRange(int Number) const
{
    if (Number == 0)
        return HasHiddenTrack() ? SectorRange{0, tracks_.front().Start - 1} : SectorRange{};
    if (!HasTrack(Number))
        return {};
    const bool lastAudio = IsAudio(Number) && !AudioTracks().empty() && AudioTracks().back() == Number;
    const int32_t end = lastAudio ? AudioEnd() : Number < TrackCount() ? Track(Number + 1).Start : leadOut_;
    return {Track(Number).Start, end - 1};
}

uint32_t Disc::CddbId() const
{
    const TCdToc toc = TocOf(*this);
    return CalcDiscID(&toc);
}

QString Disc::CddbIdText() const
{
    return QStringLiteral("%1").arg(CddbId(), 8, 16, QLatin1Char('0'));
}

MusicBrainzLayout Disc::MusicBrainzLayoutOf() const
{
    MusicBrainzLayout layout;
    if (tracks_.empty())
        return layout;
    const std::vector<int> audio = AudioTracks();
    // A data track after the audio is another session, which the service leaves out; one before
    // it (a mixed-mode disc) counts like a track.
    layout.LastTrack = !audio.empty() && audio.back() < TrackCount() ? audio.back() : TrackCount();
    layout.LeadOut = (layout.LastTrack < TrackCount() ? AudioEnd() : leadOut_) + kLeadIn;
    for (int n = 1; n <= layout.LastTrack; ++n)
        layout.Offsets.push_back(Track(n).Start + kLeadIn);
    return layout;
}

QString Disc::MusicBrainzId() const
{
    const MusicBrainzLayout layout = MusicBrainzLayoutOf();
    if (layout.Offsets.empty())
        return {};
    const std::unique_ptr<DiscId, DiscIdFree> disc(discid_new());
    if (!disc)
        return {};
    // libdiscid takes the lead-out first, then the start of track n at index n.
    std::array<int, 100> offsets{};
    offsets[0] = layout.LeadOut;
    for (size_t i = 0; i < layout.Offsets.size(); ++i)
        offsets[static_cast<size_t>(layout.FirstTrack) + i] = layout.Offsets[i];
    if (!discid_put(disc.get(), layout.FirstTrack, layout.LastTrack, offsets.data()))
        return {};
    return QString::fromLatin1(discid_get_id(disc.get()));
}

QString Disc::MusicBrainzToc() const
{
    const MusicBrainzLayout layout = MusicBrainzLayoutOf();
    QStringList fields{QString::number(layout.FirstTrack), QString::number(layout.TrackCount()),
                       QString::number(layout.LeadOut)};
    for (const int offset : layout.Offsets)
        fields << QString::number(offset);
    return fields.join(QLatin1Char('+'));
}

AccurateRipIdentity Disc::AccurateRipIds() const
{
    AccurateRipIdentity ids;
    uint32_t position = 1;
    for (const int number : AudioTracks()) {
        const auto start = static_cast<uint32_t>(Track(number).Start);
        ids.Id1 += start;
        ids.Id2 += std::max(start, 1u) * position;
        ++position;
    }
    ids.AudioTracks = static_cast<int>(position) - 1;
    if (ids.AudioTracks == 0)
        return {};
    ids.Id1 += static_cast<uint32_t>(leadOut_);
    ids.Id2 += static_cast<uint32_t>(leadOut_) * position;
    ids.Id3 = CddbId();
    return ids;
}
