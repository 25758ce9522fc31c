#include "sg_target.h"

#include "aspi_srb.h"
#include "scsi_sense.h"

#include <fcntl.h>
#include <file_descriptor.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace aspi {

namespace {

// The device's own answer is lost: say why the way a drive would.
PassThroughResult Failed(Sense sense)
{
    PassThroughResult result;
    result.aspiStatus = SS_ERR;
    result.targetStatus = STATUS_CHKCOND;
    const auto bytes = FixedSense(sense);
    result.sense.assign(bytes.begin(), bytes.end());
    return result;
}

constexpr unsigned kTimeoutMs = 60'000;

} // namespace

PassThroughResult ExecuteOnDevice(const std::string &devicePath, const uint8_t *cdb, size_t cdbLength,
                                  uint8_t direction, uint8_t *buffer, uint32_t bufferLength)
{
    // O_NONBLOCK: opening a drive without a disc must not wait for one. Read access is enough for
    // the commands that bring data in; write access is tried first for those that send some.
    int fd = open(devicePath.c_str(), O_RDWR | O_NONBLOCK);
    if (fd < 0)
        fd = open(devicePath.c_str(), O_RDONLY | O_NONBLOCK);
    const platform::FileDescriptor device(fd);
    if (device.Get() < 0)
        return Failed(kNotReady);

    uint8_t sense[32] = {};
    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.cmd_len = static_cast<unsigned char>(cdbLength);
    io.cmdp = const_cast<uint8_t *>(cdb);
    io.mx_sb_len = sizeof sense;
    io.sbp = sense;
    io.timeout = kTimeoutMs;
    if (bufferLength == 0 || !buffer) {
        io.dxfer_direction = SG_DXFER_NONE;
    } else {
        io.dxfer_direction = (direction & SRB_DIR_OUT) ? SG_DXFER_TO_DEV : SG_DXFER_FROM_DEV;
        io.dxferp = buffer;
        io.dxfer_len = bufferLength;
    }
    if (ioctl(device.Get(), SG_IO, &io) < 0)
        return Failed(kNotReady);

    PassThroughResult result;
    result.hostStatus = static_cast<uint8_t>(io.host_status);
    result.targetStatus = io.status;
    if (io.sb_len_wr > 0)
        result.sense.assign(sense, sense + io.sb_len_wr);
    const bool failed = (io.info & SG_INFO_OK_MASK) != SG_INFO_OK || io.status != 0 || !result.sense.empty();
    if (failed && result.sense.empty())
        return Failed(kNotReady);
    result.aspiStatus = failed ? SS_ERR : SS_COMP;
    return result;
}

} // namespace aspi
