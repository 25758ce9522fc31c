#include "disc_id.h"

extern "C" OSTRELLE_EXPORT uint32_t OSTRELLE_API CalcDiscID(const TCdToc *Toc)
{
    return Toc ? ostrelle::DiscIdOf(*Toc) : 0;
}
