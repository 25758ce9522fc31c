// A stand-in "CDRIP3.DLL" whose table of contents the test scripts through the environment:
//   FAKE_CDRIP3_TOC="flag@start,flag@start,...,leadOut"  (unset: no readable TOC)
//   FAKE_CDRIP3_MEDIUM=0 (no medium)     FAKE_CDRIP3_INIT=n (CR_Init's result)
// It exports only these five operations: every other name takes the binding's stand-in.

#include "cdrip_types.h"

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<TCdRipTocEntry> g_toc;

int32_t Setting(const char *name, int32_t absent)
{
    const char *value = std::getenv(name);
    return value ? std::atoi(value) : absent;
}

} // namespace

extern "C" {

CDRIP_EXPORT int32_t CR_Init(const char *)
{
    return Setting("FAKE_CDRIP3_INIT", CDRIP_OK);
}
CDRIP_EXPORT int32_t CR_IsMediaLoaded()
{
    return Setting("FAKE_CDRIP3_MEDIUM", 1);
}

CDRIP_EXPORT int32_t CR_ReadToc()
{
    g_toc.clear();
    const char *script = std::getenv("FAKE_CDRIP3_TOC");
    if (!script)
        return CDRIP_ERROR;
    std::istringstream items(script);
    uint8_t number = 1;
    for (std::string item; std::getline(items, item, ',');) {
        const auto at = item.find('@');
        if (at == std::string::npos) // the lead-out
            g_toc.push_back({std::stoi(item), kCdRipTocAudio, kCdRipLeadOutTrack});
        else
            g_toc.push_back({std::stoi(item.substr(at + 1)),
                             static_cast<uint8_t>(std::stoi(item.substr(0, at))), number++});
    }
    return CDRIP_OK;
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
