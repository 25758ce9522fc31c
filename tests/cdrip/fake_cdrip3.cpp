// A stand-in "CDRIP3.DLL" whose table of contents the test scripts through the environment:
//   FAKE_CDRIP3_TOC="start:flag,start:flag,...;leadOut"  (no variable: no readable TOC)
//   FAKE_CDRIP3_MEDIUM=0                                  (no medium)
//   FAKE_CDRIP3_INIT=n                                    (CR_Init's result)
// It exports only these five operations, so every other name takes the binding's stand-in.

#include "cdrip_types.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<TCdRipTocEntry> g_toc;

bool ParseToc(const char *text)
{
    g_toc.clear();
    if (!text)
        return false;
    const std::string script(text);
    const auto semicolon = script.find(';');
    if (semicolon == std::string::npos)
        return false;
    size_t at = 0;
    uint8_t number = 1;
    while (at < semicolon) {
        const auto comma = std::min(script.find(',', at), semicolon);
        const std::string item = script.substr(at, comma - at);
        const auto colon = item.find(':');
        g_toc.push_back({std::stoi(item.substr(0, colon)), static_cast<uint8_t>(std::stoi(item.substr(colon + 1))),
                         number++});
        at = comma + 1;
    }
    g_toc.push_back({std::stoi(script.substr(semicolon + 1)), kCdRipTocAudio, kCdRipLeadOutTrack});
    return true;
}

} // namespace

extern "C" {

CDRIP_EXPORT int32_t CR_Init(const char *)
{
    const char *result = std::getenv("FAKE_CDRIP3_INIT");
    return result ? std::atoi(result) : CDRIP_OK;
}

CDRIP_EXPORT int32_t CR_IsMediaLoaded()
{
    const char *medium = std::getenv("FAKE_CDRIP3_MEDIUM");
    return medium && std::string(medium) == "0" ? 0 : 1;
}

CDRIP_EXPORT int32_t CR_ReadToc()
{
    return ParseToc(std::getenv("FAKE_CDRIP3_TOC")) ? CDRIP_OK : CDRIP_ERROR;
}

CDRIP_EXPORT int32_t CR_GetNumTocEntries()
{
    return g_toc.empty() ? 0 : static_cast<int32_t>(g_toc.size()) - 1;
}

CDRIP_EXPORT int32_t CR_GetTocEntry2(int32_t index, TCdRipTocEntry *entry)
{
    if (index < 0 || index >= static_cast<int32_t>(g_toc.size()))
        return CDRIP_ERROR;
    *entry = g_toc[static_cast<size_t>(index)];
    return CDRIP_OK;
}

} // extern "C"
