#pragma once
// Asks a Cover Art Archive service for a release's front cover (<base>/release/<mbid>/front-500)
// over http or https. The caller's thread waits in an event loop of its own, so its events (a
// cancel, a medium notice) go on meanwhile. Redirections are followed to http and https only, a few
// at most; an answer is refused past the size cap or when it is no JPEG or PNG image.

#include "quavrel/engine/rip/cover_art.h"

#include <QString>

class QNetworkReply;

struct CoverArtLimits {
    // Without a byte, and in all, redirections included.
    int IdleMs = 10000;
    int TotalMs = 30000;
    // A 500-pixel thumbnail is some tens of kilobytes.
    qint64 MaxBytes = 4 * 1024 * 1024;
};

class CoverArtService : public CoverArtFetcher {
  public:
    // UserAgent: what the MusicBrainz client sends, as the service asks of programs.
    explicit CoverArtService(QString UserAgent, CoverArtLimits Limits = {})
        : userAgent_(std::move(UserAgent)), limits_(Limits)
    {
    }

    CoverArtResult Fetch(const QString &Server, const QString &ReleaseId) override;
    void Abort() override;

  private:
    QString userAgent_;
    CoverArtLimits limits_;
    QNetworkReply *reply_ = nullptr;
    bool aborted_ = false;
};
