#include "quavrel/engine/bindings/cd_access.h"

#include "platform/loader/library_loader.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace {

// The stand-in of an operation the library does not provide.
template <typename Fn> struct Unbound;

template <typename R, typename... Args> struct Unbound<R(Args...)> {
    static R Failed(Args...)
    {
        if constexpr (std::is_void_v<R>)
            return;
        else if constexpr (std::is_pointer_v<R>)
            return "";
        else if constexpr (std::is_same_v<R, int32_t>)
            return CDRIP_ERROR;
        else
            return R{};
    }
    static R None(Args...) { return R{}; }
};

// Queries whose "nothing" is 0 rather than a failure code.
void UseStandIns()
{
#define CD_ACCESS_STAND_IN(name, type) cdrip3::name = &Unbound<cdrip3::name##_fn>::Failed;
    CDRIP3_OPERATIONS(CD_ACCESS_STAND_IN)
#undef CD_ACCESS_STAND_IN
    using namespace cdrip3;
    CR_GetCDRipVersion = &Unbound<CR_GetCDRipVersion_fn>::None;
    CR_GetNumCDROM = &Unbound<CR_GetNumCDROM_fn>::None;
    CR_GetActiveCDROM = &Unbound<CR_GetActiveCDROM_fn>::None;
    CR_GetCDROMType = &Unbound<CR_GetCDROMType_fn>::None;
    CR_IsMMC = &Unbound<CR_IsMMC_fn>::None;
    CR_GetPeakValue = &Unbound<CR_GetPeakValue_fn>::None;
    CR_GetPercentCompleted = &Unbound<CR_GetPercentCompleted_fn>::None;
    CR_GetNumberOfJitterErrors = &Unbound<CR_GetNumberOfJitterErrors_fn>::None;
    CR_GetJitterPosition = &Unbound<CR_GetJitterPosition_fn>::None;
    CR_GetNumTocEntries = &Unbound<CR_GetNumTocEntries_fn>::None;
    CR_GetSenseKey = &Unbound<CR_GetSenseKey_fn>::None;
    CR_IsUnitReady = &Unbound<CR_IsUnitReady_fn>::None;
    CR_IsMediaLoaded = &Unbound<CR_IsMediaLoaded_fn>::None;
    CR_DriveStatus = &Unbound<CR_DriveStatus_fn>::None;
    CR_IsAudioPlaying = &Unbound<CR_IsAudioPlaying_fn>::None;
    CR_GetTransportLayer = &Unbound<CR_GetTransportLayer_fn>::None;
}

struct UnitState {
    UnitState() { UseStandIns(); }
    platform::Library library;
    bool bound = false;
    bool ready = false;
};

UnitState &State()
{
    static UnitState state;
    return state;
}

constexpr int kMaxSlots = 100;

} // namespace

namespace cdrip3 {
#define CD_ACCESS_DEFINE_POINTER(name, type) name##_fn *name = &Unbound<name##_fn>::Failed;
CDRIP3_OPERATIONS(CD_ACCESS_DEFINE_POINTER)
#undef CD_ACCESS_DEFINE_POINTER
} // namespace cdrip3

bool BindCDRip3()
{
    UnitState &state = State();
    if (state.bound)
        return state.library.IsLoaded();
    state.bound = true;
    state.library = platform::Library::Load("CDRIP3.DLL", reinterpret_cast<const void *>(&BindCDRip3));
    if (!state.library.IsLoaded())
        return false;
#define CD_ACCESS_BIND(name, type)                                                                           \
    if (void *address = state.library.Symbol(#name))                                                         \
        cdrip3::name = reinterpret_cast<cdrip3::name##_fn *>(address);
    CDRIP3_OPERATIONS(CD_ACCESS_BIND)
#undef CD_ACCESS_BIND
    return true;
}

bool CDRipReady()
{
    return State().ready;
}

void CdAccessStart()
{
    UnitState &state = State();
    state.ready = false;
    if (BindCDRip3() && cdrip3::CR_Init("CDRipper.ini") == CDRIP_OK)
        state.ready = true;
}

void CdAccessEnd()
{
    UnitState &state = State();
    state.ready = false;
    state.bound = false;
    UseStandIns();
    state.library.Unload();
}

namespace {

// What the disc holds besides its TOC; nothing is changed where the library cannot tell.
void ReadContents(TCdInfo &Info)
{
    using namespace cdrip3;
    if (CR_ReadDiscContents() != CDRIP_OK)
        return;
    for (int n = 1; n <= Info.TrackCount; ++n) {
        TCdRipTrackContents contents{};
        if (CR_GetTrackContents(n - 1, &contents) != CDRIP_OK)
            continue;
        TCdTrackSlot &slot = Info.Slot(n);
        contents.Isrc[12] = '\0';
        slot.PregapSector = contents.PregapSector;
        slot.Control = contents.Control;
        slot.Isrc = contents.Isrc;
    }
    char catalog[14] = {};
    if (CR_GetCatalogNumber(catalog) == CDRIP_OK)
        Info.Catalog.assign(catalog, strnlen(catalog, 13));
    // Eight blocks of 256 packs at most, and the header.
    std::vector<char> text(4 + 8 * 256 * 18);
    if (CR_ReadCDText(text.data(), static_cast<int32_t>(text.size())) == CDRIP_OK) {
        const size_t length = size_t{static_cast<uint8_t>(text[0])} << 8 | static_cast<uint8_t>(text[1]);
        const size_t packs = length > 2 ? std::min(length - 2, text.size() - 4) / 18 * 18 : 0;
        Info.CdText.assign(text.begin() + 4, text.begin() + 4 + static_cast<long>(packs));
    }
}

} // namespace

int32_t ReadCdInfo(TCdInfo &Info)
{
    using namespace cdrip3;
    Info.TrackCount = 0;
    if (!CR_IsMediaLoaded())
        return kCdInfoNoMedium;
    if (CR_ReadToc() != CDRIP_OK)
        return kCdInfoNoToc;
    const int32_t count = CR_GetNumTocEntries();
    if (count < 1)
        return kCdInfoNoToc;

    TCdRipTocEntry leadOut{};
    if (CR_GetTocEntry2(count, &leadOut) != CDRIP_OK)
        return kCdInfoNoToc;
    TCdInfo read;
    read.LeadOut = LBAToMSF(leadOut.StartSector);
    int32_t last = leadOut.StartSector - 1;
    for (int32_t i = count - 1; i >= 0; --i) {
        TCdRipTocEntry entry{};
        // A track starting after the next one would get a negative length: not a TOC to trust.
        if (CR_GetTocEntry2(i, &entry) != CDRIP_OK || entry.StartSector > last)
            return kCdInfoNoToc;
        if (i < kMaxSlots) {
            TCdTrackSlot &slot = read.Slot(i + 1);
            slot.TrackNumber = entry.TrackNumber;
            slot.IsAudio = (entry.Flag & kCdRipTocDataBit) ? 0 : 1;
            slot.StartMSF = LBAToMSF(entry.StartSector);
            slot.LengthSectors = last - entry.StartSector + 1;
            slot.LengthMSF = FramesToMSF(slot.LengthSectors);
            slot.StartSector = entry.StartSector;
        }
        last = entry.StartSector - 1;
    }
    // The last track's length is the TOC's: there is no media-control device to ask here.
    read.TrackCount = static_cast<int16_t>(count > kMaxSlots ? kMaxSlots : count);
    bool audio = false;
    bool data = false;
    for (int n = 1; n <= read.TrackCount; ++n)
        (read.Slot(n).IsAudio ? audio : data) = true;
    read.DiscType = static_cast<int16_t>(audio && data ? 2 : audio ? 1 : 0);
    ReadContents(read);
    Info = read;
    return kCdInfoRead;
}

void SelectDrive(int Index)
{
    using namespace cdrip3;
    if (Index < 0 || Index > CR_GetNumCDROM() - 1 || Index == CR_GetActiveCDROM())
        return;
    CR_SetActiveCDROM(Index);
}
