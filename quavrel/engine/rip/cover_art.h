#pragma once
// The front cover of a release, asked of a Cover Art Archive service by the release's MusicBrainz
// identifier. The asking needs the network and lives outside the engine; the rip command is handed
// it, as it is the AccurateRip fetcher.

#include "quavrel/engine/tags/file_extras.h"

#include <QString>

// Where the cover goes: the stored "Pochette" choice, in the order of its box.
enum class CoverChoice { None = 0, File = 1, Embed = 2, Both = 3 };

inline bool CoverToFile(CoverChoice Choice)
{
    return Choice == CoverChoice::File || Choice == CoverChoice::Both;
}

inline bool CoverEmbedded(CoverChoice Choice)
{
    return Choice == CoverChoice::Embed || Choice == CoverChoice::Both;
}

struct CoverArtResult {
    // Empty when there is none; Problem then says why, in French ("HTTP 404", "délai dépassé").
    CoverImage Image;
    QString Problem;
};

class CoverArtFetcher {
  public:
    virtual ~CoverArtFetcher() = default;
    // Server is the service's base address ("https://host"); the image is its
    // /release/<ReleaseId>/front-500. Waits for the answer, the caller's events going on meanwhile.
    virtual CoverArtResult Fetch(const QString &Server, const QString &ReleaseId) = 0;
    // From a handler while Fetch waits: it returns at once ("requête abandonnée").
    virtual void Abort() = 0;
};
