#include "rip_session.h"

#include "drive_reads.h"
#include "sample_format.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace cdrip {
namespace {

using ReadAudioFn = long (*)(cdrom_drive_t *, void *, lsn_t, long);

// What paranoia's callbacks and the drive's read function refer to while a chunk is read.
struct ReadTarget {
    size_t driveIndex = 0;
    int32_t leadOut = 0;
    JitterTracker *tracker = nullptr;
    bool isVirtual = false;
    // A real drive: its handle for C2 reads and medium checks, and the reader libcdio installed.
    CdIo_t *cdio = nullptr;
    ReadAudioFn drive = nullptr;
    bool c2 = true; // until the drive refuses C2 pointers once
    const int32_t *abort = nullptr;
    // Reading through paranoia: past a failed read, sector by sector.
    bool salvage = false;
    bool mediumGone = false;
};
ReadTarget g_target;

// The caller's abort flag may be set from another thread while a chunk is read.
bool Aborted(const int32_t *abort)
{
    return abort && __atomic_load_n(abort, __ATOMIC_RELAXED) != 0;
}

void NoteReads(int32_t begin, long sectors, SectorRead read)
{
    for (long i = 0; i < sectors; ++i)
        g_target.tracker->NoteRead(begin + static_cast<int32_t>(i), read);
}

// One read of the drive as it is: the sectors it gave from begin, noted good or flagged.
long ReadDrive(cdrom_drive_t *cdda, uint8_t *buffer, lsn_t begin, long sectors)
{
    if (g_target.isVirtual) {
        if (begin < 0 || sectors <= 0 || begin >= g_target.leadOut)
            return -1;
        const auto count = static_cast<int32_t>(std::min<long>(sectors, g_target.leadOut - begin));
        if (drives::ReadAudio(g_target.driveIndex, begin, count, buffer) != drives::DriveError::None)
            return -1;
        NoteReads(begin, count, SectorRead::Good);
        return count;
    }
    if (g_target.c2) {
        int32_t read = 0;
        std::vector<bool> flagged;
        const C2Read result =
            ReadAudioWithC2(g_target.cdio, buffer, begin, static_cast<int32_t>(sectors), read, flagged);
        if (result != C2Read::Unsupported) {
            for (int32_t i = 0; i < read; ++i)
                g_target.tracker->NoteRead(begin + i, flagged[static_cast<size_t>(i)] ? SectorRead::Flagged
                                                                                      : SectorRead::Good);
            return result == C2Read::Done ? read : (read > 0 ? read : -1);
        }
        g_target.c2 = false;
    }
    const long got = g_target.drive(cdda, buffer, begin, sectors);
    NoteReads(begin, std::max(got, 0L), SectorRead::Good);
    return got;
}

bool MediumLeft()
{
    if (!g_target.isVirtual)
        return MediumGone(g_target.cdio);
    drives::TrayStatus tray;
    return drives::GetTrayStatus(g_target.driveIndex, tray) == drives::DriveError::None &&
           !tray.mediumPresent;
}

// paranoia's reader. The abort flag is read before every read of the drive, so a cancel never
// waits for more than the read in progress, however many re-reads paranoia has in mind. Past a
// failed read the sectors are read one by one: one bad sector costs itself alone, and one the
// drive cannot give is silence, noted as never given, while paranoia keeps the sectors around it.
// A medium gone ends the chunk instead.
long ReadAudio(cdrom_drive_t *cdda, void *buffer, lsn_t begin, long sectors)
{
    if (!buffer) // paranoia asks a real drive to drop its cache this way; an image has none
        return g_target.isVirtual ? sectors : g_target.drive(cdda, buffer, begin, sectors);
    auto *out = static_cast<uint8_t *>(buffer);
    // The chunk is given up: paranoia gets silence at once, never failures it would retry without
    // end, and the chunk ends in an error (RipChunk).
    if (Aborted(g_target.abort) || g_target.mediumGone) {
        std::memset(out, 0, static_cast<size_t>(sectors) * CDIO_CD_FRAMESIZE_RAW);
        return sectors;
    }
    const long got = ReadDrive(cdda, out, begin, sectors);
    if (got == sectors || !g_target.salvage)
        return got;
    for (long i = std::max(got, 0L); i < sectors; ++i) {
        if (Aborted(g_target.abort)) {
            std::memset(out + i * CDIO_CD_FRAMESIZE_RAW, 0,
                        static_cast<size_t>(sectors - i) * CDIO_CD_FRAMESIZE_RAW);
            return sectors;
        }
        uint8_t *sector = out + i * CDIO_CD_FRAMESIZE_RAW;
        if (ReadDrive(cdda, sector, begin + i, 1) == 1)
            continue;
        if (MediumLeft()) {
            g_target.mediumGone = true;
            std::memset(sector, 0, static_cast<size_t>(sectors - i) * CDIO_CD_FRAMESIZE_RAW);
            return sectors;
        }
        std::memset(sector, 0, CDIO_CD_FRAMESIZE_RAW);
        g_target.tracker->NoteRead(static_cast<int32_t>(begin + i), SectorRead::Failed);
    }
    return sectors;
}

void ParanoiaReport(long position, paranoia_cb_mode_t mode)
{
    if (!g_target.tracker || position < 0)
        return;
    const auto sector = static_cast<int32_t>(position / CD_FRAMEWORDS);
    switch (mode) {
    case PARANOIA_CB_FIXUP_EDGE:
    case PARANOIA_CB_FIXUP_ATOM:
    case PARANOIA_CB_FIXUP_DROPPED:
    case PARANOIA_CB_FIXUP_DUPED:
        g_target.tracker->NoteRepair(sector);
        break;
    case PARANOIA_CB_SKIP:
        g_target.tracker->NoteSkip(sector);
        break;
    default:
        break;
    }
}

int ParanoiaMode(const TCDRomParams &params)
{
    const int mode = params.UseParanoiaMode ? params.ParanoiaMode : PARANOIA_MODE_FULL;
    // Never retry an unreadable sector forever: skip it once the retries are spent.
    return mode & ~PARANOIA_MODE_NEVERSKIP;
}

// Whether libcdio reads the same table as the catalogue's.
bool SameToc(CdIo_t *cdio, const drives::DiscToc &toc)
{
    if (!cdio || cdio_get_first_track_num(cdio) != toc.firstTrack ||
        cdio_get_last_track_num(cdio) != toc.lastTrack ||
        cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK) != toc.leadOutLba)
        return false;
    for (const drives::TocTrack &track : toc.tracks)
        if (cdio_get_track_lsn(cdio, static_cast<track_t>(track.number)) != track.startLba)
            return false;
    return true;
}

// paranoia takes its table from a libcdio handle; a virtual drive's table is the catalogue's (a
// cdrdao TOC libcdio cannot read, a cue sheet's silences libcdio skips). Where libcdio's differs,
// a cue sheet of the catalogue's table over a sparse file of the disc's size stands in for the
// image: paranoia reads the sectors through the catalogue all the same.
std::string StandInCueSheet(const drives::DiscToc &toc)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quavrel-rip-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return {};
    const std::filesystem::path dir(pattern);
    std::ofstream cue(dir / "disc.cue");
    cue << "FILE \"disc.bin\" BINARY\n";
    for (const drives::TocTrack &track : toc.tracks) {
        char line[96];
        const int32_t start = track.startLba;
        std::snprintf(line, sizeof line, "  TRACK %02d %s\n    INDEX 01 %02d:%02d:%02d\n", track.number,
                      track.audio ? "AUDIO" : "MODE1/2352", start / 4500, start / 75 % 60, start % 75);
        cue << line;
    }
    cue.close();
    std::ofstream{dir / "disc.bin"};
    std::error_code error;
    std::filesystem::resize_file(dir / "disc.bin", static_cast<uintmax_t>(toc.leadOutLba) * kRawSectorBytes,
                                 error);
    if (!cue || error) {
        std::filesystem::remove_all(dir, error);
        return {};
    }
    return (dir / "disc.cue").string();
}

} // namespace

std::unique_ptr<RipSession> RipSession::Open(size_t driveIndex, const drives::DriveInfo &drive,
                                             const TCDRomParams &params, int32_t firstSector,
                                             int32_t lastSector)
{
    SilenceCdioLog();
    drives::DiscToc toc;
    if (drives::ReadToc(driveIndex, toc) != drives::DriveError::None || toc.tracks.empty())
        return nullptr;
    // From the disc's first sector: a hidden track lies before the first track's start.
    if (firstSector < 0 || lastSector < firstSector || lastSector >= toc.leadOutLba)
        return nullptr;

    std::unique_ptr<RipSession> session(new RipSession);
    session->driveIndex_ = driveIndex;
    session->virtual_ = drive.kind == drives::DriveKind::Virtual;
    session->cdio_.reset(cdio_open(drive.path.c_str(), session->virtual_ ? DRIVER_UNKNOWN : DRIVER_DEVICE));
    if (session->virtual_ && !SameToc(session->cdio_.get(), toc)) {
        session->cdio_.reset();
        session->standIn_ = StandInCueSheet(toc);
        if (session->standIn_.empty())
            return nullptr;
        session->cdio_.reset(cdio_open(session->standIn_.c_str(), DRIVER_BINCUE));
    }
    if (!session->cdio_)
        return nullptr;
    session->cdda_.reset(cdio_cddap_identify_cdio(session->cdio_.get(), CDDA_MESSAGE_FORGETIT, nullptr));
    if (!session->cdda_)
        return nullptr;
    cdrom_drive_t *cdda = session->cdda_.get();
    cdio_cddap_verbose_set(cdda, CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
    // Left to guess, paranoia can take the audio for big-endian and return noise.
    const bool bigEndian = !session->virtual_ && params.DriveTable[kDriveTableEndian] == kEndianBig;
    cdda->bigendianp = bigEndian ? 1 : 0;
    if (cdio_cddap_open(cdda) != 0)
        return nullptr;
    // Opening installs libcdio's reader; ours reads a virtual drive through the catalogue and its
    // faults, a real one through that reader or with C2 pointers.
    session->driveReader_ = cdda->read_audio;
    cdda->read_audio = ReadAudio;
    if (!session->virtual_ && params.Speed > 0 && params.DriveTable[kDriveTableSetSpeed] != kSetSpeedNone)
        cdio_cddap_speed_set(cdda, params.Speed);

    session->leadOut_ = toc.leadOutLba;
    session->first_ = firstSector;
    session->last_ = lastSector;
    session->next_ = firstSector;
    session->chunkSectors_ = std::clamp(params.ChunkSectors, 1, kMaxChunkSectors);
    session->format_ = params.OutputFormat;
    session->retries_ = params.ReadRetries > 0 ? params.ReadRetries : kDefaultReadRetries;
    session->tracker_.Reset(firstSector, lastSector);
    session->Target();

    // A mode that verifies nothing would hide read errors as silence: read straight instead, so
    // they are reported.
    const int mode = ParanoiaMode(params);
    if (params.JitterCorrection != 0 && (mode & (PARANOIA_MODE_VERIFY | PARANOIA_MODE_OVERLAP)) != 0) {
        session->paranoia_.reset(cdio_paranoia_init(cdda));
        if (!session->paranoia_)
            return nullptr;
        cdio_paranoia_modeset(session->paranoia_.get(), mode);
        cdio_paranoia_set_range(session->paranoia_.get(), firstSector, lastSector);
        cdio_paranoia_seek(session->paranoia_.get(), firstSector, SEEK_SET);
    } else {
        session->raw_.resize(static_cast<size_t>(session->chunkSectors_) * kRawSectorBytes / 2);
    }
    return session;
}

RipSession::~RipSession()
{
    if (g_target.tracker == &tracker_)
        g_target = ReadTarget{};
    paranoia_.reset();
    cdda_.reset();
    cdio_.reset();
    if (!standIn_.empty()) {
        std::error_code error;
        std::filesystem::remove_all(std::filesystem::path(standIn_).parent_path(), error);
    }
}

int32_t RipSession::ChunkBytes() const
{
    return chunkSectors_ * SectorBytes(format_);
}

int32_t RipSession::PercentCompleted() const
{
    const int64_t total = int64_t{last_} - first_ + 1;
    return static_cast<int32_t>((int64_t{next_} - first_) * 100 / total);
}

void RipSession::LastJitterError(int32_t &firstSector, int32_t &lastSector) const
{
    firstSector = tracker_.LastFirst();
    lastSector = tracker_.LastLast();
}

void RipSession::Target()
{
    if (g_target.tracker == &tracker_)
        return;
    g_target = ReadTarget{};
    g_target.driveIndex = driveIndex_;
    g_target.leadOut = leadOut_;
    g_target.tracker = &tracker_;
    g_target.isVirtual = virtual_;
    g_target.cdio = cdio_.get();
    g_target.drive = driveReader_;
    g_target.c2 = c2_;
}

bool RipSession::MediumPresent() const
{
    if (!virtual_)
        return true; // a real drive's read fails by itself
    drives::TrayStatus tray;
    return drives::GetTrayStatus(driveIndex_, tray) == drives::DriveError::None && tray.mediumPresent;
}

int32_t RipSession::RipChunk(uint8_t *buffer, int32_t &bytes, const int32_t *abort)
{
    bytes = 0;
    if (next_ > last_)
        return CDRIP_RIPPING_DONE;
    const int32_t sectors = std::min(chunkSectors_, last_ - next_ + 1);
    int32_t result = CDRIP_ERROR;
    if (buffer && !Aborted(abort) && MediumPresent()) {
        Target();
        g_target.abort = abort;
        g_target.salvage = paranoia_ != nullptr;
        g_target.mediumGone = false;
        result = paranoia_ ? ReadThroughParanoia(buffer, sectors, bytes, abort)
                           : ReadStraight(buffer, sectors, bytes, abort);
        g_target.abort = nullptr;
        c2_ = g_target.c2;
        // What was read after a cancel or the medium's removal is silence, never audio.
        if (g_target.mediumGone || Aborted(abort))
            result = CDRIP_ERROR;
    }
    if (result == CDRIP_ERROR) {
        bytes = 0;
        if (paranoia_)
            cdio_paranoia_seek(paranoia_.get(), next_ + sectors, SEEK_SET);
    }
    next_ += sectors;
    return result;
}

int32_t RipSession::ReadThroughParanoia(uint8_t *buffer, int32_t sectors, int32_t &bytes,
                                        const int32_t *abort)
{
    bool damaged = false;
    int32_t peak = 0;
    uint8_t *out = buffer;
    for (int32_t i = 0; i < sectors; ++i) {
        if (Aborted(abort))
            return CDRIP_ERROR;
        const int16_t *samples = cdio_paranoia_read_limited(paranoia_.get(), ParanoiaReport, retries_);
        if (!samples)
            return CDRIP_ERROR;
        const SampleRange range = SectorRange(samples);
        damaged = tracker_.Deliver(next_ + i, range.Silent()) || damaged;
        peak = std::max(peak, range.Peak());
        out += ConvertSector(samples, format_, out);
    }
    peak_ = peak;
    bytes = static_cast<int32_t>(out - buffer);
    return damaged ? CDRIP_JITTER_ERROR : CDRIP_OK;
}

int32_t RipSession::ReadStraight(uint8_t *buffer, int32_t sectors, int32_t &bytes, const int32_t *abort)
{
    // A real drive's reader returns at most 25 sectors a call (MMC-2's limit): read on until the
    // chunk is complete.
    for (int32_t done = 0; done < sectors;) {
        if (Aborted(abort))
            return CDRIP_ERROR;
        const long got =
            cdio_cddap_read(cdda_.get(), raw_.data() + static_cast<size_t>(done) * kRawSectorBytes / 2,
                            next_ + done, sectors - done);
        if (got <= 0)
            return CDRIP_ERROR;
        done += static_cast<int32_t>(got);
    }
    int32_t peak = 0;
    uint8_t *out = buffer;
    for (int32_t i = 0; i < sectors; ++i) {
        const int16_t *samples = raw_.data() + static_cast<size_t>(i) * kRawSectorBytes / 2;
        peak = std::max(peak, SectorRange(samples).Peak());
        out += ConvertSector(samples, format_, out);
    }
    peak_ = peak;
    bytes = static_cast<int32_t>(out - buffer);
    return CDRIP_OK;
}

} // namespace cdrip
