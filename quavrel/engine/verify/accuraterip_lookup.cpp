#include "quavrel/engine/verify/accuraterip_lookup.h"

AccurateRipVerdict VerdictOf(const AccurateRipLookup &Lookup, int Index, uint32_t V1, uint32_t V2)
{
    if (!Lookup.Found())
        return {Lookup.Result, 0, false};
    return VerifyTrack(Lookup.Pressings, Index, V1, V2);
}
