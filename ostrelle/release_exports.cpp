// The three release functions. Everything they free was allocated with malloc by this library.

#include <cstdlib>

#include <ostrelle/ostrelle.h>

extern "C" {

OSTRELLE_EXPORT void OSTRELLE_API FreeCddbList(TCddbList *List)
{
    if (!List)
        return;
    for (int32_t i = 0; i < List->Count && List->Items; ++i)
        std::free(List->Items[i]);
    std::free(List->Items);
    List->Items = nullptr;
    List->Count = 0;
}

OSTRELLE_EXPORT void OSTRELLE_API FreeCddbQuery(TCDDBQuery *Query)
{
    if (!Query)
        return;
    for (int32_t i = 0; i < Query->Count && Query->Matches; ++i) {
        TCddbMatch &match = Query->Matches[i];
        std::free(match.Category);
        std::free(match.DiscId);
        std::free(match.Title);
        std::free(match.Artist);
    }
    std::free(Query->Matches);
    Query->Matches = nullptr;
    Query->Count = 0;
}

OSTRELLE_EXPORT void OSTRELLE_API FreeDiscInfo(TDiscInfo *Info)
{
    if (!Info)
        return;
    for (int32_t i = 0; i < Info->Count && Info->TrackTitles; ++i)
        std::free(Info->TrackTitles[i]);
    for (int32_t i = 0; i < Info->Count && Info->TrackExtData; ++i)
        std::free(Info->TrackExtData[i]);
    std::free(Info->ExtData);
    std::free(Info->Title);
    std::free(Info->Artist);
    std::free(Info->TrackTitles);
    std::free(Info->TrackExtData);
    *Info = TDiscInfo{};
}

} // extern "C"
