#include "emulated_disc.h"

#include <algorithm>
#include <cstring>

#include <cdio/cdtext.h>

namespace emulated {

EmulatedDisc::EmulatedDisc(const std::string &imagePath)
{
    platform::SilenceCdioLog();
    cdio_.reset(cdio_open(imagePath.c_str(), DRIVER_UNKNOWN));
    if (!cdio_)
        return;
    CdIo_t *cdio = cdio_.get();
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t last = cdio_get_last_track_num(cdio);
    const lsn_t leadOut = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (first == CDIO_INVALID_TRACK || last == CDIO_INVALID_TRACK || first < 1 || last < first || last > 99 ||
        leadOut == CDIO_INVALID_LSN)
        return;
    std::vector<DiscTrack> tracks;
    for (track_t t = first; t <= last; ++t) {
        const lsn_t start = cdio_get_track_lsn(cdio, t);
        if (start == CDIO_INVALID_LSN)
            return;
        const track_format_t format = cdio_get_track_format(cdio, t);
        const bool audio = format == TRACK_FORMAT_AUDIO;
        const bool copy = cdio_get_track_copy_permit(cdio, t) == CDIO_TRACK_FLAG_TRUE;
        const bool preEmphasis = cdio_get_track_preemphasis(cdio, t) == CDIO_TRACK_FLAG_TRUE;
        const uint8_t control =
            static_cast<uint8_t>((audio ? 0 : 4) | (copy ? 2 : 0) | (preEmphasis ? 1 : 0));
        tracks.push_back({t, start, audio, control, format == TRACK_FORMAT_XA ? 24 : 16});
    }
    tracks_ = std::move(tracks);
    leadOut_ = leadOut;
    BuildCdText();
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
    // The image driver reads any sector raw, audio or data alike.
    return cdio_read_audio_sectors(cdio_.get(), out + int64_t{first - lsn} * kRawBytes, first,
                                   static_cast<uint32_t>(end - first)) == DRIVER_OP_SUCCESS;
}

bool EmulatedDisc::ReadAudio(int32_t lsn, int32_t count, int32_t offset, uint8_t *out) const
{
    if (offset == 0)
        return ReadRaw(lsn, count, out);
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

namespace {

// CRC-16 of a CD-Text pack (polynomial 0x1021, stored inverted).
uint16_t PackCrc(const uint8_t *pack)
{
    uint16_t crc = 0;
    for (int i = 0; i < 16; ++i) {
        crc ^= static_cast<uint16_t>(pack[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return static_cast<uint16_t>(~crc);
}

} // namespace

// Titles and performers of block 0, in the packs a drive reads from the lead-in.
void EmulatedDisc::BuildCdText()
{
    cdtext_t *text = cdio_get_cdtext(cdio_.get());
    if (!text)
        return;
    uint8_t sequence = 0;
    for (const auto &[field, packType] :
         {std::pair{CDTEXT_FIELD_TITLE, 0x80}, std::pair{CDTEXT_FIELD_PERFORMER, 0x81}}) {
        // Track 0 is the disc; each text ends with a NUL, and the texts run on across packs.
        std::vector<std::pair<int, std::string>> texts;
        for (int track = 0; track <= static_cast<int>(tracks_.size()); ++track)
            if (const char *value = cdtext_get_const(text, field, static_cast<track_t>(track)))
                texts.emplace_back(track, value);
        if (texts.empty())
            continue;
        std::string stream;
        std::vector<std::pair<size_t, int>> starts; // where each track's text begins
        for (const auto &[track, value] : texts) {
            starts.emplace_back(stream.size(), track);
            stream += value;
            stream += '\0';
        }
        for (size_t at = 0; at < stream.size(); at += 12) {
            uint8_t pack[18] = {};
            pack[0] = static_cast<uint8_t>(packType);
            int track = 0;
            size_t begun = 0;
            for (const auto &[start, number] : starts)
                if (start <= at) {
                    track = number;
                    begun = start;
                }
            pack[1] = static_cast<uint8_t>(track);
            pack[2] = sequence++;
            pack[3] = static_cast<uint8_t>(std::min<size_t>(at - begun, 15));
            std::memcpy(pack + 4, stream.data() + at, std::min<size_t>(12, stream.size() - at));
            const uint16_t crc = PackCrc(pack);
            pack[16] = static_cast<uint8_t>(crc >> 8);
            pack[17] = static_cast<uint8_t>(crc);
            cdText_.insert(cdText_.end(), pack, pack + 18);
        }
    }
}

} // namespace emulated
