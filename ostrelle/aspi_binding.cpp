#include "aspi_binding.h"

#include <algorithm>
#include <cstring>
#include <library_loader.h>
#include <memory>

namespace ostrelle {

namespace {

struct AspiBinding {
    platform::Library library;
    GetASPI32SupportInfoFn supportInfo = nullptr;
    SendASPI32CommandFn sendCommand = nullptr;
};

AspiBinding &Binding()
{
    static AspiBinding binding;
    return binding;
}

constexpr uint8_t kFlags = SRB_DIR_IN | SRB_EVENT_NOTIFY; // 0x48
constexpr size_t kSenseBytesTested = 15;

} // namespace

void BindAspi()
{
    AspiBinding &binding = Binding();
    binding.library = platform::Library::Load("wnaspi32.dll", reinterpret_cast<const void *>(&BindAspi));
    if (!binding.library)
        return;
    binding.sendCommand = binding.library.Function<SendASPI32CommandFn>("SendASPI32Command");
    binding.supportInfo = binding.library.Function<GetASPI32SupportInfoFn>("GetASPI32SupportInfo");
}

void UnbindAspi()
{
    AspiBinding &binding = Binding();
    binding.sendCommand = nullptr;
    binding.supportInfo = nullptr;
    binding.library.Unload();
}

GetASPI32SupportInfoFn AspiSupportInfo()
{
    return Binding().supportInfo;
}

SendASPI32CommandFn AspiSendCommand()
{
    return Binding().sendCommand;
}

bool ExecuteScsiCommand(const TCdDrive &drive, const uint8_t *cdb, uint8_t cdbLength, uint8_t *buffer,
                        uint32_t bufferLength)
{
    const SendASPI32CommandFn send = AspiSendCommand();
    if (!send)
        return false;
    auto event = std::make_unique<aspi::ManualResetEvent>();
    event->Reset();

    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_HaId = drive.HaId;
    srb.SRB_Target = drive.Target;
    srb.SRB_Lun = drive.Lun;
    srb.SRB_Flags = kFlags;
    srb.SRB_BufLen = buffer ? bufferLength : 0;
    srb.SRB_BufPointer = buffer;
    srb.SRB_SenseLen = SENSE_LEN;
    srb.SRB_CDBLen = cdbLength;
    srb.SRB_PostProc = event.get();
    std::memcpy(srb.CDBByte, cdb, std::min<size_t>(cdbLength, sizeof srb.CDBByte));

    send(&srb);
    if (srb.SRB_Status == SS_PENDING)
        event->Wait();

    return std::all_of(srb.SenseArea, srb.SenseArea + kSenseBytesTested, [](uint8_t b) { return b == 0; });
}

} // namespace ostrelle
