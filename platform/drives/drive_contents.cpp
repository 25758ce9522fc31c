#include "drive_contents.h"

#include "cdio_image.h"

#include <algorithm>
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

// What a window of Q frames from lsn says of the boundary between track number - 1 and the
// pre-gap of track number: its first pre-gap sector when the window holds frames of both sides,
// else which side the whole window lies on (-1 before the boundary, +1 after it, 0 unknown).
struct Window {
    int32_t boundary = -1;
    int side = 0;
};

Window Look(const std::vector<QFrame> &frames, int32_t lsn, int number)
{
    Window window;
    int32_t before = -1; // the last frame of the track before
    int32_t after = -1;  // the first frame of the pre-gap
    for (int32_t i = 0; i < static_cast<int32_t>(frames.size()); ++i) {
        const QFrame &frame = frames[static_cast<size_t>(i)];
        if (!frame.position)
            continue; // a catalogue or ISRC frame: no position
        const bool gap = frame.track == number && frame.index == 0;
        if (!gap && after < 0)
            before = lsn + i;
        if (gap && after < 0)
            after = lsn + i;
    }
    if (before >= 0 && after > before)
        window.boundary = before + 1; // a frame without a position between them counts with the gap
    else
        window.side = after >= 0 ? 1 : before >= 0 ? -1 : 0;
    return window;
}

// Where track number's INDEX 00 begins, between low (after the previous track's start) and its
// start; start when it has no pre-gap or the drive cannot tell. The pre-gap's relative time counts
// down to its INDEX 01 and says nothing of where it began: the boundary with the track before is
// looked for in windows of sectors read at once (one seek each), first just before the start, then
// where the usual two-second gap would begin, then halving the range.
int32_t FirstPregapSector(CdIo_t *cdio, int number, int32_t low, int32_t start)
{
    constexpr int32_t kWindow = 27; // what one transfer holds
    const auto look = [&](int32_t from, int32_t to) {
        from = std::max(from, low);
        to = std::min(to, start);
        return from < to ? Look(ReadQ(cdio, from, to - from), from, number) : Window{};
    };
    Window last = look(start - kWindow, start);
    if (last.boundary >= 0)
        return last.boundary;
    if (last.side <= 0)
        return start;             // the track before runs up to the start, or no Q to go by
    int32_t lo = low;             // before the boundary (or the range's end)
    int32_t hi = start - kWindow; // in the pre-gap
    const Window usual = look(start - 150 - kWindow / 2, start - 150 + kWindow / 2 + 1);
    if (usual.boundary >= 0)
        return usual.boundary;
    if (usual.side > 0)
        hi = std::min(hi, start - 150 - kWindow / 2);
    else if (usual.side < 0)
        lo = std::max(lo, start - 150 + kWindow / 2);
    for (int step = 0; step < 24 && hi > lo; ++step) {
        const int32_t mid = lo + (hi - lo) / 2;
        const Window probe = look(mid - kWindow / 2, mid + kWindow / 2 + 1);
        if (probe.boundary >= 0)
            return probe.boundary;
        if (probe.side == 0)
            return start;
        if (probe.side > 0)
            hi = std::min(hi, mid - kWindow / 2);
        else
            lo = std::max(lo, mid + kWindow / 2);
    }
    return std::max(hi, low);
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
