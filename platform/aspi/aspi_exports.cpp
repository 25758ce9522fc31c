// libwnaspi32.so: the two ASPI entry points over the drive catalogue. One host adapter per drive,
// numbered in the catalogue's order, each with one target (0) and one LUN (0): the adapter number
// is the drive index that the ripping libraries use too.

#include "aspi_srb.h"
#include "drive_catalogue.h"
#include "sg_target.h"
#include "virtual_target.h"

#include <algorithm>
#include <cstring>

#define ASPI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr uint8_t kHostScsiId = 7;
constexpr size_t kMaxAdapters = 255;

size_t AdapterCount()
{
    return std::min(drives::DriveCount(), kMaxAdapters);
}

void CopyText(uint8_t *field, size_t length, const char *text)
{
    std::memset(field, ' ', length);
    std::memcpy(field, text, std::min(length, std::strlen(text)));
}

uint32_t HostAdapterInquiry(SRB_HAInquiry &srb)
{
    srb.HA_Count = static_cast<uint8_t>(AdapterCount());
    if (srb.SRB_HaId >= srb.HA_Count)
        return srb.SRB_Status = SS_INVALID_HA;
    srb.HA_SCSI_ID = kHostScsiId;
    CopyText(srb.HA_ManagerId, sizeof srb.HA_ManagerId, "ASPI for WIN32");
    CopyText(srb.HA_Identifier, sizeof srb.HA_Identifier,
             drives::IsVirtual(srb.SRB_HaId) ? "Virtual drive" : "Linux SG_IO");
    std::memset(srb.HA_Unique, 0, sizeof srb.HA_Unique);
    srb.HA_Unique[3] = 1; // targets on this adapter
    const uint32_t maxTransfer = 64 * 1024;
    std::memcpy(srb.HA_Unique + 4, &maxTransfer, sizeof maxTransfer);
    return srb.SRB_Status = SS_COMP;
}

bool IsOurDevice(uint8_t haId, uint8_t target, uint8_t lun)
{
    return haId < AdapterCount() && target == 0 && lun == 0;
}

uint32_t GetDeviceType(SRB_GDEVBlock &srb)
{
    if (srb.SRB_HaId >= AdapterCount())
        return srb.SRB_Status = SS_INVALID_HA;
    if (!IsOurDevice(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun))
        return srb.SRB_Status = SS_NO_DEVICE;
    srb.SRB_DeviceType = DTYPE_CDROM;
    return srb.SRB_Status = SS_COMP;
}

void WriteSense(SRB_ExecSCSICmd &srb, const uint8_t *sense, size_t length)
{
    std::memset(srb.SenseArea, 0, sizeof srb.SenseArea);
    if (const size_t n = std::min({length, size_t{srb.SRB_SenseLen}, sizeof srb.SenseArea}); n > 0)
        std::memcpy(srb.SenseArea, sense, n);
}

void ExecuteScsi(SRB_ExecSCSICmd &srb)
{
    srb.SRB_HaStat = 0;
    srb.SRB_TargStat = STATUS_GOOD;
    std::memset(srb.SenseArea, 0, sizeof srb.SenseArea);
    const size_t cdbLength = std::min<size_t>(srb.SRB_CDBLen, sizeof srb.CDBByte);

    if (!IsOurDevice(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun)) {
        const auto sense = aspi::FixedSense(aspi::kLunNotSupported);
        WriteSense(srb, sense.data(), sense.size());
        srb.SRB_TargStat = STATUS_CHKCOND;
        srb.SRB_Status = srb.SRB_HaId < AdapterCount() ? SS_NO_DEVICE : SS_INVALID_HA;
        return;
    }
    const size_t index = srb.SRB_HaId;
    if (!drives::IsVirtual(index)) {
        const std::optional<drives::DriveInfo> info = drives::Drive(index);
        const aspi::PassThroughResult result = aspi::ExecuteOnDevice(
            info ? info->path : std::string(), srb.CDBByte, cdbLength,
            srb.SRB_Flags & (SRB_DIR_IN | SRB_DIR_OUT), srb.SRB_BufPointer, srb.SRB_BufLen);
        WriteSense(srb, result.sense.data(), result.sense.size());
        srb.SRB_HaStat = result.hostStatus;
        srb.SRB_TargStat = result.targetStatus;
        srb.SRB_Status = result.aspiStatus;
        return;
    }

    const aspi::CommandResult result = aspi::ExecuteVirtual(index, srb.CDBByte, cdbLength);
    if (const size_t n = std::min<size_t>(srb.SRB_BufLen, result.data.size()); srb.SRB_BufPointer && n > 0)
        std::memcpy(srb.SRB_BufPointer, result.data.data(), n);
    if (result.sense) {
        const auto sense = aspi::FixedSense(*result.sense);
        WriteSense(srb, sense.data(), sense.size());
        srb.SRB_TargStat = STATUS_CHKCOND;
    }
    srb.SRB_Status = result.aspiStatus;
}

// Every request completes before SendASPI32Command returns; the event or the completion routine
// is still signalled, as callers wait on it when they see the request pending.
void SignalCompletion(SRB_ExecSCSICmd &srb)
{
    if (!srb.SRB_PostProc)
        return;
    if (srb.SRB_Flags & SRB_EVENT_NOTIFY)
        static_cast<aspi::ManualResetEvent *>(srb.SRB_PostProc)->Set();
    else if (srb.SRB_Flags & SRB_POSTING)
        reinterpret_cast<AspiPostProc>(srb.SRB_PostProc)(&srb);
}

} // namespace

ASPI_EXPORT uint32_t GetASPI32SupportInfo(void)
{
    const size_t count = AdapterCount();
    if (count == 0)
        return SS_NO_ADAPTERS << 8;
    return SS_COMP << 8 | static_cast<uint32_t>(count);
}

ASPI_EXPORT uint32_t SendASPI32Command(void *request)
{
    if (!request)
        return SS_INVALID_SRB;
    auto *header = static_cast<SRB_Header *>(request);
    switch (header->SRB_Cmd) {
    case SC_HA_INQUIRY:
        return HostAdapterInquiry(*static_cast<SRB_HAInquiry *>(request));
    case SC_GET_DEV_TYPE:
        return GetDeviceType(*static_cast<SRB_GDEVBlock *>(request));
    case SC_EXEC_SCSI_CMD: {
        auto &srb = *static_cast<SRB_ExecSCSICmd *>(request);
        ExecuteScsi(srb);
        SignalCompletion(srb);
        return srb.SRB_Status;
    }
    default:
        return header->SRB_Status = SS_INVALID_CMD;
    }
}
