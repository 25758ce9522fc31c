#include "drive_contents.h"

#include "cdio_image.h"

#include <array>
#include <optional>
#include <vector>

#include <cdio/mmc.h>
#include <cdio/mmc_ll_cmds.h>

namespace drives {
namespace {

// READ CD's block with the formatted Q sub-channel after the sector.
constexpr int32_t kQBytes = 16;
constexpr int32_t kBlockBytes = kSectorBytes + kQBytes;

struct QFrame {
    bool position = false; // mode 1: track, index and times; otherwise a catalogue or ISRC frame
    int track = 0;
    int index = 0;
    int32_t relative = 0; // frames
};

std::optional<int> FromBcd(uint8_t value)
{
    if ((value >> 4) > 9 || (value & 0x0F) > 9)
        return std::nullopt;
    return (value >> 4) * 10 + (value & 0x0F);
}

QFrame FrameOf(const uint8_t *q)
{
    QFrame frame;
    const auto track = FromBcd(q[1]);
    const auto index = FromBcd(q[2]);
    const auto m = FromBcd(q[3]);
    const auto s = FromBcd(q[4]);
    const auto f = FromBcd(q[5]);
    if ((q[0] & 0x0F) != 1 || !track || !index || !m || !s || !f)
        return frame;
    frame.position = true;
    frame.track = *track;
    frame.index = *index;
    frame.relative = *m * 4500 + *s * 75 + *f;
    return frame;
}

// The Q frames of count sectors from lsn; empty when the drive cannot give them.
std::vector<QFrame> ReadQ(CdIo_t *cdio, int32_t lsn, int32_t count)
{
    std::vector<uint8_t> blocks(static_cast<size_t>(count) * kBlockBytes);
    // Sync, headers, user data and EDC: 2352 bytes of any sector, audio or data.
    if (count <= 0 || mmc_read_cd(cdio, blocks.data(), lsn, 0, false, true, 3, true, true, 0, 2, kBlockBytes,
                                  static_cast<uint32_t>(count)) != DRIVER_OP_SUCCESS)
        return {};
    std::vector<QFrame> frames;
    for (int32_t i = 0; i < count; ++i)
        frames.push_back(FrameOf(blocks.data() + static_cast<size_t>(i) * kBlockBytes + kSectorBytes));
    return frames;
}

// Where track number's INDEX 00 begins, between low (after the previous track's start) and its
// start; start when it has no pre-gap or the drive cannot tell.
int32_t FirstPregapSector(CdIo_t *cdio, int number, int32_t low, int32_t start)
{
    // 0: the track before; 1: this track's pre-gap; -1: a frame without a position.
    const auto side = [number](const QFrame &frame) {
        if (!frame.position)
            return -1;
        return frame.track == number && frame.index == 0 ? 1 : 0;
    };
    const int32_t width = std::min<int32_t>(4, start - low);
    const std::vector<QFrame> last = ReadQ(cdio, start - width, width);
    int32_t guess = -1;
    for (int32_t i = static_cast<int32_t>(last.size()) - 1; i >= 0 && guess < 0; --i) {
        if (side(last[static_cast<size_t>(i)]) == 0)
            return start;
        if (side(last[static_cast<size_t>(i)]) == 1)
            // The pre-gap counts down to 0 at its last sector.
            guess = start - width + i - last[static_cast<size_t>(i)].relative;
    }
    if (guess < 0)
        return start;
    // Around the guess: the last frame of the track before and the first of the pre-gap.
    const int32_t from = std::max(low, guess - 3);
    const int32_t to = std::min(start, guess + 3);
    const std::vector<QFrame> around = ReadQ(cdio, from, to - from);
    int32_t before = -1;
    int32_t in = -1;
    for (int32_t i = 0; i < static_cast<int32_t>(around.size()); ++i) {
        const int s = side(around[static_cast<size_t>(i)]);
        if (s == 0 && in < 0)
            before = from + i;
        if (s == 1 && in < 0)
            in = from + i;
    }
    if (before >= 0 && in > before)
        return before + 1; // a frame without a position between them counts with the gap
    // The count-down misled (a drive counting to 1, a damaged frame): halve the range instead.
    int32_t lo = low;   // the track before, or unknown
    int32_t hi = start; // the pre-gap, or the track's start
    for (int step = 0; step < 24 && hi - lo > 1; ++step) {
        const int32_t mid = lo + (hi - lo) / 2;
        const std::vector<QFrame> probe = ReadQ(cdio, mid, std::min<int32_t>(3, hi - mid));
        int s = -1;
        int32_t at = mid;
        for (size_t i = 0; i < probe.size() && s < 0; ++i) {
            s = side(probe[i]);
            at = mid + static_cast<int32_t>(i);
        }
        if (s < 0)
            return start; // no Q to go by
        if (s == 0)
            lo = at;
        else
            hi = at;
    }
    return hi;
}

uint8_t ControlOf(CdIo_t *cdio, track_t t)
{
    const bool audio = cdio_get_track_format(cdio, t) == TRACK_FORMAT_AUDIO;
    return static_cast<uint8_t>((cdio_get_track_channels(cdio, t) == 4 ? 8 : 0) | (audio ? 0 : 4) |
                                (cdio_get_track_copy_permit(cdio, t) == CDIO_TRACK_FLAG_TRUE ? 2 : 0) |
                                (cdio_get_track_preemphasis(cdio, t) == CDIO_TRACK_FLAG_TRUE ? 1 : 0));
}

} // namespace

DriveError ReadDriveContents(const std::string &devicePath, DiscContents &contents)
{
    contents = DiscContents{};
    const CdioImage device = CdioImage::Open(devicePath, true);
    DiscToc toc;
    if (const DriveError error = device.ReadToc(toc); error != DriveError::None)
        return error;
    CdIo_t *cdio = device.Handle();
    for (size_t i = 0; i < toc.tracks.size(); ++i) {
        const TocTrack &track = toc.tracks[i];
        const auto number = static_cast<track_t>(track.number);
        TrackContents entry;
        entry.number = track.number;
        entry.control = ControlOf(cdio, number);
        entry.pregap = i == 0 ? 0 : track.startLba;
        if (track.audio && i > 0)
            entry.pregap =
                FirstPregapSector(cdio, track.number, toc.tracks[i - 1].startLba + 1, track.startLba);
        if (track.audio)
            if (char *isrc = cdio_get_track_isrc(cdio, number)) {
                entry.isrc = isrc;
                cdio_free(isrc);
                if (entry.isrc.size() != 12 ||
                    entry.isrc.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") != std::string::npos)
                    entry.isrc.clear();
            }
        contents.tracks.push_back(entry);
    }
    if (char *mcn = cdio_get_mcn(cdio)) {
        contents.catalog = mcn;
        cdio_free(mcn);
    }
    // A drive answers a disc without one with zeros, or nothing valid.
    if (contents.catalog.size() != 13 ||
        contents.catalog.find_first_not_of("0123456789") != std::string::npos ||
        contents.catalog.find_first_not_of('0') == std::string::npos)
        contents.catalog.clear();
    if (uint8_t *raw = cdio_get_cdtext_raw(cdio)) {
        // Its 4-byte header first: the length of what follows it, then two reserved bytes.
        const size_t length = size_t{raw[0]} << 8 | raw[1];
        const size_t packs = length > 2 ? (length - 2) / 18 * 18 : 0;
        contents.cdText.assign(raw + 4, raw + 4 + packs);
        cdio_free(raw);
    }
    return DriveError::None;
}

} // namespace drives
