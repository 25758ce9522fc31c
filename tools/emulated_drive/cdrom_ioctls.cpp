#include "cdrom_ioctls.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <linux/cdrom.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>

namespace emulated {
namespace {

constexpr int kSgVersion = 30527;
// What the block layer lets one SG_IO move: the queue's max_sectors_kb (128) of an ATAPI drive.
constexpr int kMaxTransferBytes = 128 * 1024;

int Fail(int *error, int value)
{
    *error = value;
    return -1;
}

// A command the cdrom layer builds for one of its ioctls; failures come back as EIO.
CommandOutcome Run(EmulatedDrive &drive, std::initializer_list<uint8_t> cdb, uint8_t *buffer = nullptr,
                   uint32_t length = 0, bool toDevice = false)
{
    uint8_t bytes[12] = {};
    std::copy(cdb.begin(), cdb.end(), bytes);
    return drive.Execute(bytes, cdb.size() <= 6 ? 6 : cdb.size() <= 10 ? 10 : 12, buffer, length, toDevice);
}

int Result(const CommandOutcome &outcome, int *error)
{
    return outcome.sense.Ok() ? 0 : Fail(error, outcome.sense.key == 0x02 ? ENOMEDIUM : EIO);
}

int32_t LsnOf(const cdrom_addr &addr, uint8_t format)
{
    return format == CDROM_LBA ? addr.lba
                               : addr.msf.minute * 4500 + addr.msf.second * 75 + addr.msf.frame - 150;
}

void SetAddr(cdrom_addr &addr, uint8_t format, int32_t lsn)
{
    if (format == CDROM_LBA) {
        addr.lba = lsn;
        return;
    }
    const int32_t frames = lsn + 150;
    addr.msf.minute = static_cast<uint8_t>(frames / 4500);
    addr.msf.second = static_cast<uint8_t>(frames / 75 % 60);
    addr.msf.frame = static_cast<uint8_t>(frames % 75);
}

int SgIo(EmulatedDrive &drive, sg_io_hdr_t &io, int *error)
{
    if (io.interface_id != 'S' || io.cmd_len == 0 || io.cmd_len > 16 || !io.cmdp)
        return Fail(error, EINVAL);
    if (io.iovec_count != 0)
        return Fail(error, EINVAL); // scatter lists: nobody we know sends them
    const bool toDevice = io.dxfer_direction == SG_DXFER_TO_DEV;
    const bool none = io.dxfer_direction == SG_DXFER_NONE || io.dxfer_len == 0 || !io.dxferp;
    const CommandOutcome outcome =
        drive.Execute(io.cmdp, io.cmd_len, none ? nullptr : static_cast<uint8_t *>(io.dxferp),
                      none ? 0 : io.dxfer_len, toDevice);
    io.status = io.masked_status = io.host_status = io.driver_status = 0;
    io.sb_len_wr = 0;
    io.info = SG_INFO_OK;
    io.resid = static_cast<int>(none ? 0 : io.dxfer_len - outcome.transferred);
    io.duration = 0;
    if (!outcome.sense.Ok()) {
        const auto sense = FixedSense(outcome.sense);
        io.status = 0x02; // CHECK CONDITION
        io.masked_status = CHECK_CONDITION;
        io.driver_status = 0x08; // DRIVER_SENSE
        io.info = SG_INFO_CHECK;
        io.sb_len_wr = static_cast<unsigned char>(std::min<size_t>(io.mx_sb_len, sense.size()));
        if (io.sbp)
            std::memcpy(io.sbp, sense.data(), io.sb_len_wr);
    }
    return 0;
}

int SendPacket(EmulatedDrive &drive, cdrom_generic_command &cgc, int *error)
{
    const bool toDevice = cgc.data_direction == CGC_DATA_WRITE;
    const bool none = cgc.data_direction == CGC_DATA_NONE || cgc.buflen == 0 || !cgc.buffer;
    const CommandOutcome outcome = drive.Execute(cgc.cmd, CDROM_PACKET_SIZE, none ? nullptr : cgc.buffer,
                                                 none ? 0 : cgc.buflen, toDevice);
    if (cgc.sense) {
        std::memset(cgc.sense, 0, sizeof *cgc.sense);
        if (!outcome.sense.Ok()) {
            const auto sense = FixedSense(outcome.sense);
            std::memcpy(cgc.sense, sense.data(), std::min(sizeof *cgc.sense, sense.size()));
        }
    }
    cgc.stat = outcome.sense.Ok() ? 0 : 0x02;
    return outcome.sense.Ok() ? 0 : Fail(error, EIO);
}

int ReadTocEntry(EmulatedDrive &drive, cdrom_tocentry &entry, int *error)
{
    const EmulatedDisc *disc = drive.Disc();
    if (!disc)
        return Fail(error, ENOMEDIUM);
    const bool leadOut = entry.cdte_track == CDROM_LEADOUT;
    for (const DiscTrack &track : disc->Tracks()) {
        if (!leadOut && track.number != entry.cdte_track)
            continue;
        entry.cdte_adr = 1;
        entry.cdte_ctrl = leadOut ? disc->Tracks().back().control : track.control;
        SetAddr(entry.cdte_addr, entry.cdte_format, leadOut ? disc->LeadOut() : track.start);
        entry.cdte_datamode = (entry.cdte_ctrl & CDROM_DATA_TRACK) ? 1 : 0;
        return 0;
    }
    return Fail(error, EINVAL);
}

int SubChannel(EmulatedDrive &drive, cdrom_subchnl &sub, int *error)
{
    uint8_t data[16] = {};
    const CommandOutcome outcome = Run(drive, {0x42, 0x02, 0x40, 0x01, 0, 0, 0, 0, 16, 0}, data, sizeof data);
    if (!outcome.sense.Ok())
        return Result(outcome, error);
    sub.cdsc_audiostatus = data[1];
    sub.cdsc_adr = data[5] >> 4;
    sub.cdsc_ctrl = data[5] & 0x0F;
    sub.cdsc_trk = data[6];
    sub.cdsc_ind = data[7];
    const uint8_t format = sub.cdsc_format;
    SetAddr(sub.cdsc_absaddr, format, data[9] * 4500 + data[10] * 75 + data[11] - 150);
    SetAddr(sub.cdsc_reladdr, format, data[13] * 4500 + data[14] * 75 + data[15] - 150);
    return 0;
}

int DriveStatus(const EmulatedDrive &drive)
{
    if (drive.TrayOpen())
        return CDS_TRAY_OPEN;
    return drive.MediumPresent() ? CDS_DISC_OK : CDS_NO_DISC;
}

int DiscStatus(const EmulatedDrive &drive)
{
    const EmulatedDisc *disc = drive.Disc();
    if (!disc)
        return DriveStatus(drive);
    bool audio = false;
    bool data = false;
    for (const DiscTrack &track : disc->Tracks())
        (track.audio ? audio : data) = true;
    return audio && data ? CDS_MIXED : audio ? CDS_AUDIO : CDS_DATA_1;
}

// CDROMREADAUDIO, CDROMREADRAW and friends: READ CD of whole sectors into the caller's buffer.
int ReadSectors(EmulatedDrive &drive, int32_t lsn, int32_t count, uint8_t expectedType, uint8_t flags,
                uint8_t *buffer, uint32_t bytesPerSector, int *error)
{
    if (count <= 0 || count > 75 || !buffer)
        return Fail(error, EINVAL);
    const auto lba = static_cast<uint32_t>(lsn);
    const CommandOutcome outcome =
        Run(drive,
            {0xBE, static_cast<uint8_t>(expectedType << 2), static_cast<uint8_t>(lba >> 24),
             static_cast<uint8_t>(lba >> 16), static_cast<uint8_t>(lba >> 8), static_cast<uint8_t>(lba), 0, 0,
             static_cast<uint8_t>(count), flags, 0, 0},
            buffer, static_cast<uint32_t>(count) * bytesPerSector);
    return Result(outcome, error);
}

} // namespace

int DriveIoctl(EmulatedDrive &drive, unsigned long request, void *argument, int *error)
{
    const auto intArgument = static_cast<int>(reinterpret_cast<intptr_t>(argument));
    switch (request) {
    case SG_IO:
        return argument ? SgIo(drive, *static_cast<sg_io_hdr_t *>(argument), error) : Fail(error, EFAULT);
    case SG_GET_VERSION_NUM:
        if (!argument)
            return Fail(error, EFAULT);
        *static_cast<int *>(argument) = kSgVersion;
        return 0;
    // The sg ioctls the block layer answers for an sr device, as it answers them.
    case SG_EMULATED_HOST:
        if (!argument)
            return Fail(error, EFAULT);
        *static_cast<int *>(argument) = 1;
        return 0;
    case SG_GET_RESERVED_SIZE:
        if (!argument)
            return Fail(error, EFAULT);
        *static_cast<int *>(argument) = std::min(drive.SgReservedSize(), kMaxTransferBytes);
        return 0;
    case SG_SET_RESERVED_SIZE: {
        if (!argument)
            return Fail(error, EFAULT);
        const int size = *static_cast<const int *>(argument);
        if (size < 0)
            return Fail(error, EINVAL);
        drive.SetSgReservedSize(std::min(size, kMaxTransferBytes));
        return 0;
    }
    case SG_GET_TIMEOUT:
        return drive.SgTimeout();
    case SG_SET_TIMEOUT:
        if (!argument)
            return Fail(error, EFAULT);
        if (*static_cast<const int *>(argument) < 0)
            return Fail(error, EINVAL);
        drive.SetSgTimeout(*static_cast<const int *>(argument));
        return 0;
    case SG_GET_SCSI_ID: {
        // The sg driver's answer: one host per drive, a CD-ROM (type 5) at target 0, LUN 0.
        if (!argument)
            return Fail(error, EFAULT);
        auto &id = *static_cast<sg_scsi_id *>(argument);
        id = sg_scsi_id{};
        id.host_no = drive.Number();
        id.scsi_type = TYPE_ROM;
        id.h_cmd_per_lun = 1;
        id.d_queue_depth = 1;
        return 0;
    }
    case CDROM_SEND_PACKET:
        return argument ? SendPacket(drive, *static_cast<cdrom_generic_command *>(argument), error)
                        : Fail(error, EFAULT);
    case SCSI_IOCTL_GET_IDLUN: {
        if (!argument)
            return Fail(error, EFAULT);
        // Host number in bits 24..31, then channel, LUN, target: one target per emulated drive.
        auto *idlun = static_cast<int32_t *>(argument);
        idlun[0] = drive.Number() << 24;
        idlun[1] = 0;
        return 0;
    }
    case SCSI_IOCTL_GET_BUS_NUMBER:
        if (!argument)
            return Fail(error, EFAULT);
        *static_cast<int *>(argument) = drive.Number();
        return 0;
    case CDROM_GET_CAPABILITY:
        return CDC_CLOSE_TRAY | CDC_OPEN_TRAY | CDC_LOCK | CDC_SELECT_SPEED | CDC_MULTI_SESSION | CDC_MCN |
               CDC_MEDIA_CHANGED | CDC_PLAY_AUDIO | CDC_RESET | CDC_DRIVE_STATUS | CDC_GENERIC_PACKET;
    case CDROM_DRIVE_STATUS:
        return DriveStatus(drive);
    case CDROM_DISC_STATUS:
        return DiscStatus(drive);
    case CDROM_MEDIA_CHANGED:
        return drive.TakeMediaChanged() ? 1 : 0;
    case CDROMEJECT:
        return Result(Run(drive, {0x1B, 0, 0, 0, 0x02, 0}), error);
    case CDROMCLOSETRAY:
        return Result(Run(drive, {0x1B, 0, 0, 0, 0x03, 0}), error);
    case CDROM_LOCKDOOR:
        return Result(Run(drive, {0x1E, 0, 0, 0, static_cast<uint8_t>(intArgument ? 1 : 0), 0}), error);
    case CDROM_SELECT_SPEED: {
        // The kernel passes the speed factor; SET CD SPEED takes kB/s (0xFFFF: as fast as it goes).
        const int speed = intArgument == 0 ? 0xFFFF : std::min(intArgument * 176, 0xFFFF);
        return Result(Run(drive, {0xBB, 0, static_cast<uint8_t>(speed >> 8), static_cast<uint8_t>(speed),
                                  0xFF, 0xFF, 0, 0, 0, 0, 0, 0}),
                      error);
    }
    case CDROMSTART:
        return Result(Run(drive, {0x1B, 0, 0, 0, 0x01, 0}), error);
    case CDROMSTOP:
        return Result(Run(drive, {0x4E, 0, 0, 0, 0, 0, 0, 0, 0, 0}), error);
    case CDROMPAUSE:
        return Result(Run(drive, {0x4B, 0, 0, 0, 0, 0, 0, 0, 0, 0}), error);
    case CDROMRESUME:
        return Result(Run(drive, {0x4B, 0, 0, 0, 0, 0, 0, 0, 1, 0}), error);
    case CDROMPLAYMSF: {
        if (!argument)
            return Fail(error, EFAULT);
        const auto &msf = *static_cast<const cdrom_msf *>(argument);
        return Result(Run(drive, {0x47, 0, 0, msf.cdmsf_min0, msf.cdmsf_sec0, msf.cdmsf_frame0,
                                  msf.cdmsf_min1, msf.cdmsf_sec1, msf.cdmsf_frame1, 0}),
                      error);
    }
    case CDROMPLAYTRKIND: {
        if (!argument)
            return Fail(error, EFAULT);
        const auto &ti = *static_cast<const cdrom_ti *>(argument);
        const EmulatedDisc *disc = drive.Disc();
        if (!disc)
            return Fail(error, ENOMEDIUM);
        int32_t start = -1;
        int32_t end = -1;
        for (const DiscTrack &track : disc->Tracks()) {
            if (track.number == ti.cdti_trk0)
                start = track.start;
            if (track.number == ti.cdti_trk1)
                end = disc->TrackEnd(track);
        }
        if (start < 0 || end < start)
            return Fail(error, EINVAL);
        const int32_t length = end - start;
        const auto lba = static_cast<uint32_t>(start);
        return Result(Run(drive, {0x45, 0, static_cast<uint8_t>(lba >> 24), static_cast<uint8_t>(lba >> 16),
                                  static_cast<uint8_t>(lba >> 8), static_cast<uint8_t>(lba), 0,
                                  static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length), 0}),
                      error);
    }
    case CDROMREADTOCHDR: {
        if (!argument)
            return Fail(error, EFAULT);
        const EmulatedDisc *disc = drive.Disc();
        if (!disc)
            return Fail(error, ENOMEDIUM);
        auto &header = *static_cast<cdrom_tochdr *>(argument);
        header.cdth_trk0 = static_cast<uint8_t>(disc->Tracks().front().number);
        header.cdth_trk1 = static_cast<uint8_t>(disc->Tracks().back().number);
        return 0;
    }
    case CDROMREADTOCENTRY:
        return argument ? ReadTocEntry(drive, *static_cast<cdrom_tocentry *>(argument), error)
                        : Fail(error, EFAULT);
    case CDROMSUBCHNL:
        return argument ? SubChannel(drive, *static_cast<cdrom_subchnl *>(argument), error)
                        : Fail(error, EFAULT);
    case CDROM_GET_MCN: {
        // The cdrom layer's READ SUB-CHANNEL of the catalogue number: its 13 digits, or zeros.
        if (!argument)
            return Fail(error, EFAULT);
        uint8_t reply[24] = {};
        const CommandOutcome outcome =
            Run(drive, {0x42, 0, 0x40, 0x02, 0, 0, 0, 0, sizeof reply, 0}, reply, sizeof reply);
        if (Result(outcome, error) != 0)
            return -1;
        auto &mcn = *static_cast<cdrom_mcn *>(argument);
        std::memset(mcn.medium_catalog_number, 0, sizeof mcn.medium_catalog_number);
        if (reply[8] & 0x80)
            std::memcpy(mcn.medium_catalog_number, reply + 9, 13);
        return 0;
    }
    case CDROMMULTISESSION: {
        if (!argument)
            return Fail(error, EFAULT);
        const EmulatedDisc *disc = drive.Disc();
        if (!disc)
            return Fail(error, ENOMEDIUM);
        auto &session = *static_cast<cdrom_multisession *>(argument);
        session.xa_flag = 0; // one session
        SetAddr(session.addr, session.addr_format, 0);
        return 0;
    }
    case CDROMREADAUDIO: {
        if (!argument)
            return Fail(error, EFAULT);
        auto &read = *static_cast<cdrom_read_audio *>(argument);
        return ReadSectors(drive, LsnOf(read.addr, read.addr_format), read.nframes, 1, 0x10, read.buf,
                           CD_FRAMESIZE_RAW, error);
    }
    case CDROMREADRAW:
    case CDROMREADMODE1:
    case CDROMREADMODE2: {
        if (!argument)
            return Fail(error, EFAULT);
        // The start comes in as MSF and the sector goes back over it.
        const auto &msf = *static_cast<const cdrom_msf *>(argument);
        const int32_t lsn = msf.cdmsf_min0 * 4500 + msf.cdmsf_sec0 * 75 + msf.cdmsf_frame0 - 150;
        auto *buffer = static_cast<uint8_t *>(argument);
        if (request == CDROMREADRAW)
            return ReadSectors(drive, lsn, 1, 0, 0xF8, buffer, CD_FRAMESIZE_RAW, error);
        if (request == CDROMREADMODE1)
            return ReadSectors(drive, lsn, 1, 2, 0x10, buffer, CD_FRAMESIZE, error);
        return ReadSectors(drive, lsn, 1, 3, 0x58, buffer, CD_FRAMESIZE_RAW0, error);
    }
    case CDROMVOLREAD:
        if (!argument)
            return Fail(error, EFAULT);
        *static_cast<cdrom_volctrl *>(argument) = cdrom_volctrl{0xFF, 0xFF, 0, 0};
        return 0;
    case CDROMVOLCTRL:
    case CDROM_SET_OPTIONS:
    case CDROM_CLEAR_OPTIONS:
    case CDROMRESET:
        return 0;
    default:
        return Fail(error, ENOTTY);
    }
}

} // namespace emulated
