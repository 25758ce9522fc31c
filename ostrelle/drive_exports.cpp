// AspiInstalled, GetCdRomDrives and ReadCdTOC over the ASPI binding.

#include "aspi_binding.h"

#include <cstring>
#include <mutex>
#include <set>
#include <string>

namespace ostrelle {

namespace {

constexpr uint8_t kMaxLuns = 65;
constexpr uint8_t kDefaultTargets = 7;
constexpr uint8_t kInquiryLength = 100;
constexpr uint16_t kTocLength = 804;
constexpr uint8_t kMaxTrackCount = 99; // descriptor 99 (the lead-out) is the last in 804 bytes

// Drive texts are never released by callers, so they are interned for the library's lifetime:
// equal texts share one copy, and enumerating again costs nothing new.
char *InternText(const uint8_t *bytes, size_t length)
{
    static std::mutex lock;
    static std::set<std::string> texts;
    const void *nul = std::memchr(bytes, 0, length);
    const size_t used = nul ? static_cast<size_t>(static_cast<const uint8_t *>(nul) - bytes) : length;
    std::lock_guard<std::mutex> guard(lock);
    const auto it = texts.emplace(reinterpret_cast<const char *>(bytes), used).first;
    return const_cast<char *>(it->c_str());
}

bool DescribeDrive(uint8_t adapter, uint8_t target, uint8_t lun, TCdDrive &entry)
{
    uint8_t data[kInquiryLength] = {};
    const uint8_t cdb[6] = {0x12, 0, 0, 0, kInquiryLength, 0};
    entry.HaId = adapter;
    entry.Target = target;
    entry.Lun = lun;
    const bool ok = ExecuteScsiCommand(entry, cdb, sizeof cdb, data, sizeof data);
    entry.Vendor = InternText(data + 8, 8);
    entry.Product = InternText(data + 16, 16);
    entry.Revision = InternText(data + 32, 4);
    entry.VendorSpecific = InternText(data + 36, 20);
    return ok;
}

void ReadEntry(const uint8_t *descriptor, TTocEntry &entry, bool withAudioFlag)
{
    entry.Minute = descriptor[5];
    entry.Second = descriptor[6];
    entry.Frame = descriptor[7];
    if (withAudioFlag)
        entry.Audio = (descriptor[1] & 0x04) ? OSTRELLE_FALSE : OSTRELLE_TRUE;
}

} // namespace

} // namespace ostrelle

using namespace ostrelle;

extern "C" OSTRELLE_EXPORT int32_t OSTRELLE_API AspiInstalled(void)
{
    const GetASPI32SupportInfoFn supportInfo = AspiSupportInfo();
    if (!supportInfo)
        return -1;
    const uint32_t info = supportInfo();
    if (((info >> 8) & 0xFF) != SS_COMP)
        return -1;
    return static_cast<int32_t>(info & 0xFF);
}

extern "C" OSTRELLE_EXPORT OBOOL16 OSTRELLE_API GetCdRomDrives(TCdDriveList *List)
{
    if (!List)
        return OSTRELLE_FALSE;
    bool result = true;
    List->Count = 0;
    const int32_t adapters = AspiInstalled();
    const SendASPI32CommandFn send = AspiSendCommand();
    if (adapters == -1 || !send)
        return OSTRELLE_TRUE;

    for (int32_t a = 0; a < adapters; ++a) {
        SRB_HAInquiry inquiry{};
        inquiry.SRB_Cmd = SC_HA_INQUIRY;
        inquiry.SRB_HaId = static_cast<uint8_t>(a);
        send(&inquiry);
        if (inquiry.SRB_Status != SS_COMP)
            continue;
        const uint8_t targets = inquiry.HA_Unique[3] ? inquiry.HA_Unique[3] : kDefaultTargets;
        for (uint8_t t = 0; t < targets; ++t) {
            for (uint8_t l = 0; l < kMaxLuns; ++l) {
                // A device-type request completes at once; one still pending is not a CD-ROM we can use.
                SRB_GDEVBlock device{};
                device.SRB_Cmd = SC_GET_DEV_TYPE;
                device.SRB_HaId = static_cast<uint8_t>(a);
                device.SRB_Target = t;
                device.SRB_Lun = l;
                send(&device);
                if (device.SRB_Status != SS_COMP || device.SRB_DeviceType != DTYPE_CDROM)
                    continue;
                // The list holds 26 drives; further ones are left out rather than written past it.
                if (List->Count >= OSTRELLE_MAX_DRIVES)
                    return result ? OSTRELLE_TRUE : OSTRELLE_FALSE;
                result = DescribeDrive(static_cast<uint8_t>(a), t, l, List->Drives[List->Count]) && result;
                ++List->Count;
            }
        }
    }
    return result ? OSTRELLE_TRUE : OSTRELLE_FALSE;
}

extern "C" OSTRELLE_EXPORT OBOOL16 OSTRELLE_API ReadCdTOC(const TCdDrive *Drive, TCdToc *Toc)
{
    if (!Toc)
        return OSTRELLE_TRUE;
    uint8_t data[kTocLength] = {};
    const uint8_t cdb[10] = {0x43, 0x02, 0, 0, 0, 0, 0, kTocLength >> 8, kTocLength & 0xFF, 0};
    const bool ok = Drive && ExecuteScsiCommand(*Drive, cdb, sizeof cdb, data, sizeof data);

    std::memset(Toc, 0, sizeof *Toc);
    // A reply claiming more than 99 tracks would put the lead-out past the buffer and tracks past Tracks.
    Toc->Count = data[3] > kMaxTrackCount ? kMaxTrackCount : data[3];
    for (int i = 0; i < Toc->Count; ++i)
        ReadEntry(data + 4 + 8 * i, Toc->Tracks[i], true);
    ReadEntry(data + 4 + 8 * Toc->Count, Toc->LeadOut, false);
    return ok ? OSTRELLE_FALSE : OSTRELLE_TRUE;
}
