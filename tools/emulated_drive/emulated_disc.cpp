#include "emulated_disc.h"

#include <algorithm>
#include <cstring>

namespace emulated {

EmulatedDisc::EmulatedDisc(std::unique_ptr<drives::DiscImage> image) : image_(std::move(image))
{
    for (const drives::ImageTrack &track : image_->Tracks())
        tracks_.push_back({track.number, track.start, track.pregap, track.indexes, track.audio,
                           track.Control(), track.xa ? 24 : 16, track.isrc});
    leadOut_ = image_->LeadOut();
}

const DiscTrack *EmulatedDisc::TrackAt(int32_t lsn) const
{
    if (lsn < 0 || lsn >= leadOut_)
        return nullptr;
    const DiscTrack *found = nullptr;
    for (const DiscTrack &track : tracks_)
        if (track.start <= lsn)
            found = &track;
    return found;
}

const DiscTrack *EmulatedDisc::QTrackAt(int32_t lsn) const
{
    if (lsn < 0 || lsn >= leadOut_)
        return nullptr;
    const DiscTrack *found = nullptr;
    for (const DiscTrack &track : tracks_)
        if (track.pregap <= lsn)
            found = &track;
    return found;
}

int32_t EmulatedDisc::TrackEnd(const DiscTrack &track) const
{
    for (size_t i = 0; i + 1 < tracks_.size(); ++i)
        if (tracks_[i].number == track.number)
            return tracks_[i + 1].start;
    return leadOut_;
}

bool EmulatedDisc::ReadRaw(int32_t lsn, int32_t count, uint8_t *out) const
{
    std::memset(out, 0, static_cast<size_t>(count) * kRawBytes);
    const int32_t first = std::max(lsn, 0);
    const int32_t end = std::min(lsn + count, leadOut_);
    if (first >= end)
        return true;
    return image_->ReadSectors(first, end - first, out + int64_t{first - lsn} * kRawBytes);
}

bool EmulatedDisc::ReadAudio(int32_t lsn, int32_t count, int32_t offset, uint8_t *out) const
{
    if (count <= 0 || offset == 0)
        return count <= 0 || ReadRaw(lsn, count, out);
    // The returned bytes start `offset` samples before the sector: read the sectors around them.
    const int64_t startByte = (int64_t{lsn} * kSamplesPerSector - offset) * 4;
    const int64_t firstSector =
        startByte >= 0 ? startByte / kRawBytes : (startByte - kRawBytes + 1) / kRawBytes;
    const auto span = static_cast<int32_t>(count + 1);
    std::vector<uint8_t> raw(static_cast<size_t>(span) * kRawBytes);
    if (!ReadRaw(static_cast<int32_t>(firstSector), span, raw.data()))
        return false;
    std::memcpy(out, raw.data() + (startByte - firstSector * kRawBytes),
                static_cast<size_t>(count) * kRawBytes);
    return true;
}

} // namespace emulated
