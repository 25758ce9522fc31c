#include "quavrel/engine/bindings/vorbis_binding.h"

#include "platform/loader/library_loader.h"

VBENCOPEN vbEncOpen = nullptr;
VBENCWRITE vbEncWrite = nullptr;
VBENCCLOSE vbEncClose = nullptr;
VBDECOPEN vbDecOpen = nullptr;
VBDECREAD vbDecRead = nullptr;
VBDECSEEK vbDecSeek = nullptr;
VBDECCLOSE vbDecClose = nullptr;
VBVERSION vbVersion = nullptr;

namespace {

platform::Library &VorbisLibrary()
{
    static platform::Library library;
    return library;
}

bool loadTried = false;

void ForgetOperations()
{
    vbEncOpen = nullptr;
    vbEncWrite = nullptr;
    vbEncClose = nullptr;
    vbDecOpen = nullptr;
    vbDecRead = nullptr;
    vbDecSeek = nullptr;
    vbDecClose = nullptr;
    vbVersion = nullptr;
}

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

bool LoadVorbis()
{
    if (loadTried)
        return VorbisLoaded();
    loadTried = true;
    platform::Library &library = VorbisLibrary();
    library = platform::Library::Load("Vorbis.DLL", reinterpret_cast<const void *>(&LoadVorbis));
    if (!library)
        return false;
    vbEncOpen = library.Function<VBENCOPEN>("vbEncOpen");
    vbEncWrite = library.Function<VBENCWRITE>("vbEncWrite");
    vbEncClose = library.Function<VBENCCLOSE>("vbEncClose");
    vbDecOpen = library.Function<VBDECOPEN>("vbDecOpen");
    vbDecRead = library.Function<VBDECREAD>("vbDecRead");
    vbDecSeek = library.Function<VBDECSEEK>("vbDecSeek");
    vbDecClose = library.Function<VBDECCLOSE>("vbDecClose");
    vbVersion = library.Function<VBVERSION>("vbVersion");
    // A missing operation would be a call through a null address later on.
    if (!vbEncOpen || !vbEncWrite || !vbEncClose || !vbDecOpen || !vbDecRead || !vbDecSeek || !vbDecClose ||
        !vbVersion) {
        ForgetOperations();
        library.Unload();
    }
    return VorbisLoaded();
}

bool VorbisLoaded()
{
    return VorbisLibrary().IsLoaded();
}

QString VorbisVersionText()
{
    if (!VorbisLoaded())
        return {};
    VB_VERSION version{};
    vbVersion(&version);
    return QStringLiteral("Ver %1.%2 (Engine Ver : %3.%4, Date : %5-%6-%7)")
        .arg(version.byDLLMajorVersion)
        .arg(TwoDigits(version.byDLLMinorVersion))
        .arg(version.byMajorVersion)
        .arg(TwoDigits(version.byMinorVersion))
        .arg(version.wYear)
        .arg(version.byMonth)
        .arg(version.byDay);
}

void UnloadVorbis()
{
    ForgetOperations();
    VorbisLibrary().Unload();
    loadTried = false;
}

VB_CONFIG VorbisFormatRecord(int Quality)
{
    VB_CONFIG config{};
    config.dwMode = VB_MODE_QUALITY;
    config.dwStructVersion = 0;
    config.dwStructSize = sizeof(VB_CONFIG);
    config.dwChannels = 2;
    config.dwSamplesPerSec = 44100;
    config.fQuality = static_cast<float>(Quality) / 10.0f;
    return config;
}
