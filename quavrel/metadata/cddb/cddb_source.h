#pragma once
// The CDDB server as a source of names, through Ostrelle: "cddb query" for the disc's matches,
// "cddb read" for the chosen one's entry. The library's records live as long as the source and
// are released with it, whatever the requests gave.

#include "quavrel/metadata/cddb/cddb_server.h"
#include "quavrel/metadata/lookup/metadata_source.h"

#include <functional>

#include <ostrelle/ostrelle.h>

struct CddbSourceOptions {
    CddbServerTexts Server;
    // Protocol level 6 (UTF-8 texts, the entry's year and genre) rather than level 4.
    bool Utf8 = false;
    // Receives Ostrelle's progress messages; 0 for none.
    OHWND ProgressWindow = 0;
    // Just before each request, with its kind (CDDB_REQUEST_QUERY, CDDB_REQUEST_READ).
    std::function<void(int Kind)> BeforeRequest;
};

class CddbSource : public MetadataSource {
  public:
    explicit CddbSource(CddbSourceOptions Options);
    ~CddbSource() override;
    CddbSource(const CddbSource &) = delete;
    CddbSource &operator=(const CddbSource &) = delete;

    QString Name() const override { return QStringLiteral("CDDB"); }
    LookupResult Query(const Disc &Disc) override;
    LookupResult Read(const Disc &Disc, const LookupResult &Query, int Index) override;
    void Abort() override;

  private:
    // Message with the library's reason for the last request, when it gave one.
    QString WithReason(const QString &Message) const;
    QString Text(const char *Text) const;
    LookupResult Failure(const QString &Message) const;

    CddbSourceOptions options_;
    TCDDBQuery query_{};
    TDiscInfo info_{};
    bool aborted_ = false;
};

// The genre a disc's entry stands for: its own genre line when it has one, else its CDDB
// category as a genre name; none for "misc" and "data", which say no genre.
QString GenreOf(const QString &EntryGenre, const QString &Category);
